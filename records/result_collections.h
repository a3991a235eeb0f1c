// The result collections of a station association: uncached lists on the streams of its result
// storage, each with a read-only class (changing operations answer 0x80008003) and an extended
// class that also appends. Constructors take the result storage, the storage version and, where
// a record type has several streams, the residual type, offset type or band; a value without a
// stream leaves OpenResult() at 0x80009003.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <vyr/frequency_manager.h>
#include <vyr/glonass_map.h>
#include <vyr/mjd_time.h>
#include <vyr/results.h>

#include "records/collection_uncached.h"
#include "records/read_only_collection.h"
#include "records/result_formats.h"

// Residuals

class CVyrCollectionResidualBase
    : public CVyrCollectionUncached<VYR_RESIDUAL, IVyrCollectionResidualEx> {
public:
    CVyrCollectionResidualBase(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version,
                               VYR_RESIDUAL_TYPE type)
        : CVyrCollectionUncached(resultStorage, vyr_records::residual_stream_id(type), version),
          m_type(type) {}

    VYR_RESIDUAL_TYPE Type() const { return m_type; }

private:
    VYR_RESIDUAL_TYPE m_type;
};

// Residuals as stored; never loads offsets.
class CVyrCollectionResidualEx : public CVyrCollectionResidualBase {
public:
    using CVyrCollectionResidualBase::CVyrCollectionResidualBase;
};

// Residuals with the GLONASS offsets of their type subtracted: the offsets of a slot apply to
// its residuals at epochs inside one of its intervals (bounds included, in either order; the
// first interval that holds the epoch wins). The offsets are read once, at construction; a type
// without offsets, or offsets that cannot be read, leave the residuals as stored.
class CVyrCollectionResidual
    : public CVyrCollectionReadOnly<CVyrCollectionResidualBase, VYR_RESIDUAL> {
public:
    CVyrCollectionResidual(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version,
                           VYR_RESIDUAL_TYPE type);

    VYR_ERROR GetAt(uint32_t index, VYR_RESIDUAL& record) override;
    VYR_ERROR GetAll(std::vector<VYR_RESIDUAL>& records) override;
    VYR_ERROR GetFirst(VYR_RESIDUAL& record) override;
    VYR_ERROR GetNext(VYR_RESIDUAL& record) override;

    static constexpr uint8_t kMaxGlonassSlot = 24;

private:
    void LoadOffsets(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
    void Correct(VYR_RESIDUAL& record) const;

    bool m_correctionEnabled = false;
    std::vector<VYR_RESIDUAL_OFFSET_SV> m_offsets;
    // Per slot 0 to 24: the index of its offset record in m_offsets, or -1.
    std::array<int32_t, kMaxGlonassSlot + 1> m_slotOffset{};
};

// Residual offsets of GLONASS slots

class CVyrCollectionResidualOffsetSvBase
    : public CVyrCollectionUncached<VYR_RESIDUAL_OFFSET_SV, IVyrCollectionResidualOffsetSvEx> {
public:
    CVyrCollectionResidualOffsetSvBase(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version,
                                       VYR_RESIDUAL_OFFSET_TYPE offsetType)
        : CVyrCollectionUncached(resultStorage, vyr_records::residual_offset_stream_id(offsetType),
                                 version) {}
};
class CVyrCollectionResidualOffsetSv
    : public CVyrCollectionReadOnly<CVyrCollectionResidualOffsetSvBase, VYR_RESIDUAL_OFFSET_SV> {
public:
    using CVyrCollectionReadOnly::CVyrCollectionReadOnly;
};
class CVyrCollectionResidualOffsetSvEx : public CVyrCollectionResidualOffsetSvBase {
public:
    using CVyrCollectionResidualOffsetSvBase::CVyrCollectionResidualOffsetSvBase;
};

// Cycle slips ("CycleSlips", fixed size: counted and fetched by index without scanning)

class CVyrCollectionCycleSlipBase
    : public CVyrCollectionUncached<VYR_CYCLE_SLIP, IVyrCollectionCycleSlipEx> {
public:
    CVyrCollectionCycleSlipBase(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
};
class CVyrCollectionCycleSlip
    : public CVyrCollectionReadOnly<CVyrCollectionCycleSlipBase, VYR_CYCLE_SLIP> {
public:
    using CVyrCollectionReadOnly::CVyrCollectionReadOnly;
};
class CVyrCollectionCycleSlipEx : public CVyrCollectionCycleSlipBase {
public:
    using CVyrCollectionCycleSlipBase::CVyrCollectionCycleSlipBase;
};

// Tracking status per band

class CVyrCollectionTrackingStatusSvBase
    : public CVyrCollectionUncached<VYR_TRACKING_STATUS_SV, IVyrCollectionTrackingStatusSvEx> {
public:
    CVyrCollectionTrackingStatusSvBase(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version,
                                       VYR_FREQUENCY_BAND band)
        : CVyrCollectionUncached(resultStorage, vyr_records::tracking_status_stream_id(band),
                                 version) {}
};
class CVyrCollectionTrackingStatusSv
    : public CVyrCollectionReadOnly<CVyrCollectionTrackingStatusSvBase, VYR_TRACKING_STATUS_SV> {
public:
    using CVyrCollectionReadOnly::CVyrCollectionReadOnly;
};
class CVyrCollectionTrackingStatusSvEx : public CVyrCollectionTrackingStatusSvBase {
public:
    using CVyrCollectionTrackingStatusSvBase::CVyrCollectionTrackingStatusSvBase;
};

// Ambiguity status per band

class CVyrCollectionAmbiguityStatusSvBase
    : public CVyrCollectionUncached<VYR_AMBIGUITY_STATUS_SV, IVyrCollectionAmbiguityStatusSvEx> {
public:
    CVyrCollectionAmbiguityStatusSvBase(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version,
                                        VYR_FREQUENCY_BAND band)
        : CVyrCollectionUncached(resultStorage, vyr_records::ambiguity_status_stream_id(band),
                                 version) {}
};
class CVyrCollectionAmbiguityStatusSv
    : public CVyrCollectionReadOnly<CVyrCollectionAmbiguityStatusSvBase, VYR_AMBIGUITY_STATUS_SV> {
public:
    using CVyrCollectionReadOnly::CVyrCollectionReadOnly;
};
class CVyrCollectionAmbiguityStatusSvEx : public CVyrCollectionAmbiguityStatusSvBase {
public:
    using CVyrCollectionAmbiguityStatusSvBase::CVyrCollectionAmbiguityStatusSvBase;
};

// Satellite information per epoch ("EpochSatelliteInfo")

class CVyrCollectionEpochSvInfoBase
    : public CVyrCollectionUncached<VYR_EPOCH_SVINFO, IVyrCollectionEpochSvInfoEx> {
public:
    CVyrCollectionEpochSvInfoBase(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
};
class CVyrCollectionEpochSvInfo
    : public CVyrCollectionReadOnly<CVyrCollectionEpochSvInfoBase, VYR_EPOCH_SVINFO> {
public:
    using CVyrCollectionReadOnly::CVyrCollectionReadOnly;
};
class CVyrCollectionEpochSvInfoEx : public CVyrCollectionEpochSvInfoBase {
public:
    using CVyrCollectionEpochSvInfoBase::CVyrCollectionEpochSvInfoBase;
};

// Satellite statistics ("SatelliteStatistics")

class CVyrCollectionSvStatBase
    : public CVyrCollectionUncached<VYR_SV_STAT, IVyrCollectionSvStatEx> {
public:
    CVyrCollectionSvStatBase(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
};
class CVyrCollectionSvStat : public CVyrCollectionReadOnly<CVyrCollectionSvStatBase, VYR_SV_STAT> {
public:
    using CVyrCollectionReadOnly::CVyrCollectionReadOnly;
};
class CVyrCollectionSvStatEx : public CVyrCollectionSvStatBase {
public:
    using CVyrCollectionSvStatBase::CVyrCollectionSvStatBase;
};

// Ambiguity statistics ("AmbiguityStatistics"); the association reads and appends them.
class CVyrCollectionAmbiguityStat : public CVyrCollectionUncached<VYR_AMBIGUITY_STAT> {
public:
    CVyrCollectionAmbiguityStat(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
};

// Point positions ("PointPositions"), Add working.
class CVyrCollectionPointPosition : public CVyrCollectionUncached<VYR_POINT_POSITION> {
public:
    CVyrCollectionPointPosition(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
};

// Point positions joined with the point descriptions of the same storage, read only. The
// descriptions are read once, at construction; a position whose description id is not among
// them, or descriptions that could not be read, give 0x80009015.
class CVyrCollectionPoint : public IVyrCollection<VYR_POINT> {
public:
    CVyrCollectionPoint(const CVyrPtrSmart<CStg>& resultStorage, uint32_t version);
    virtual ~CVyrCollectionPoint() = default;

    VYR_ERROR GetCount(uint32_t& count) override { return m_positions.GetCount(count); }
    bool Contains(const VYR_POINT& /*record*/) override { return false; }
    VYR_ERROR GetAt(uint32_t index, VYR_POINT& record) override;
    VYR_ERROR GetAll(std::vector<VYR_POINT>& records) override;
    VYR_ERROR GetFirst(VYR_POINT& record) override;
    VYR_ERROR GetNext(VYR_POINT& record) override;
    VYR_ERROR Add(const VYR_POINT& /*record*/) override { return VYR_E_NOT_IMPLEMENTED; }
    VYR_ERROR Delete(const VYR_POINT& /*record*/) override { return VYR_E_NOT_IMPLEMENTED; }
    VYR_ERROR DeleteAll() override { return VYR_E_NOT_IMPLEMENTED; }
    void Release() override { delete this; }

    VYR_ERROR OpenResult() const { return m_positions.OpenResult(); }

private:
    // Completes a position read with result `read`.
    VYR_ERROR Join(VYR_ERROR read, const VYR_POINT_POSITION& position, VYR_POINT& record) const;

    CVyrCollectionPointPosition m_positions;
    bool m_descriptionsRead = false;
    std::map<uint32_t, VYR_POINT_DESCRIPTION> m_descriptions;
};

// Two residual types combined satellite by satellite at their common epochs: kind 0
// (ionosphere-free) c1 * R1 + c2 * R2 with coefficients per system from the carrier frequencies,
// kind 1 R1 - R2. Sources are aligned by epoch (times less than 1 ms apart are one epoch); the
// time index is rebuilt at every GetFirst, GetNext and GetAt. Handed out as
// IVyrCollectionResidual; GetCount, Add, Delete and DeleteAll answer 0x80008003.
class CVyrCollectionResidualLinearCombination : public IVyrCollectionResidual {
public:
    // The GLONASS map may be null: kind 0 then leaves GLONASS satellites out.
    CVyrCollectionResidualLinearCombination(const CVyrPtrSmart<CStg>& resultStorage, int32_t kind,
                                            const std::vector<VYR_RESIDUAL_TYPE>& types,
                                            uint32_t version,
                                            const VYR_GLONASS_FREQUENCYMAP* glonassMap);
    virtual ~CVyrCollectionResidualLinearCombination();

    VYR_ERROR GetCount(uint32_t& count) override;
    bool Contains(const VYR_RESIDUAL& /*record*/) override { return false; }
    VYR_ERROR GetAt(uint32_t index, VYR_RESIDUAL& record) override;
    VYR_ERROR GetAll(std::vector<VYR_RESIDUAL>& records) override;
    VYR_ERROR GetFirst(VYR_RESIDUAL& record) override;
    VYR_ERROR GetNext(VYR_RESIDUAL& record) override;
    VYR_ERROR Add(const VYR_RESIDUAL& record) override;
    VYR_ERROR Delete(const VYR_RESIDUAL& record) override;
    VYR_ERROR DeleteAll() override;
    void Release() override { delete this; }

    // The first failure met while constructing, or 0.
    VYR_ERROR Status() const { return m_status; }
    VYR_ERROR OpenResult() const { return m_status; }

    // The kind 0 coefficients of a system (1 to 4); false when it has none.
    bool Coefficients(VYR_SATELLITE_SYSTEM system, double& c1, double& c2) const;

private:
    enum class Step { First, Next, At };
    struct SystemCoefficients {
        bool valid = false;
        double c1 = 0.0;
        double c2 = 0.0;
    };
    static constexpr int kSystems = 5;  // indexed by VYR_SATELLITE_SYSTEM, 0 unused

    void ComputeIonoFreeCoefficients(bool haveGlonassMap);
    VYR_ERROR Align(Step step, uint32_t index, VYR_RESIDUAL& record);
    VYR_ERROR Advance(size_t source, Step step);
    VYR_ERROR Combine(VYR_RESIDUAL& record) const;

    struct SourceDeleter {
        void operator()(CVyrCollectionResidual* source) const {
            if (source != nullptr) source->Release();
        }
    };

    VYR_ERROR m_status = VYR_OK;
    int32_t m_kind;
    std::vector<VYR_RESIDUAL_TYPE> m_types;
    std::vector<std::unique_ptr<CVyrCollectionResidual, SourceDeleter>> m_sources;
    std::vector<VYR_RESIDUAL> m_current;
    std::vector<uint32_t> m_index;
    CFrequencyManager m_frequencies;
    std::array<SystemCoefficients, kSystems> m_coefficients{};
};
