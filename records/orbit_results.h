// The orbit and ionosphere access objects: each binds to one result storage of the project
// ("OrbitBroadcastResult", "OrbitPreciseResult", "OrbitAlmanachResult", "IonoKlobucharResult",
// "IonoGlobalRegResult"), opened or created when it is made, and hands out what lives there.
#pragma once

#include <cstdint>
#include <vector>

#include <vyr/orbit_results.h>

#include "records/collection.h"
#include "records/collection_keys.h"
#include "records/iono_model_collections.h"
#include "storage/layout.h"
#include "storage/stg.h"

using CVyrCollectionOrbitCoefficientsCoordinates =
    CVyrCollection<VYR_ORBIT_COEFFICIENTS_COORDINATES,
                   CCollectionCacheOrbitCoefficientsCoordinates>;
using CVyrCollectionOrbitCoefficientsClock =
    CVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK, CCollectionCacheOrbitCoefficientsClock>;

namespace vyr_records {

// What the three objects share: the project, the result storage inside it, the key the creator
// gave, and the error collection, made on first use and kept for the object's life. The error
// collection holds its general-error stream open, so a second one over the same storage could
// not open it: GetErrors hands out the kept one as well.
class ResultStorageBinding {
public:
    ResultStorageBinding(const CVyrPtrSmart<CStg>& project, uint32_t version, uint32_t key)
        : m_project(project), m_version(version), m_key(key) {}

    // Opens the result storage of the kind, creating it in a writable project. 0x80008002 when
    // the project is not open, 0x80009004 when the storage is missing from a read-only project,
    // 0x80009003 when it cannot be opened otherwise (it is in use, for one).
    VYR_ERROR Bind(uint32_t storageKind);
    // Bound to a project that is still open.
    bool IsBound() const;

    const CVyrPtrSmart<CStg>& Result() const { return m_result; }
    uint32_t Version() const { return m_version; }
    uint32_t Key() const { return m_key; }

    VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors);
    VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors);

private:
    VYR_ERROR KeptErrors();

    CVyrPtrSmart<CStg> m_project;
    CVyrPtrSmart<CStg> m_result;
    uint32_t m_version;
    uint32_t m_key;
    CVyrIPtrSmart<IVyrErrorsEx> m_errors;
};

}  // namespace vyr_records

// The key of an orbit object is its orbit kind.
class CVyrOrbit final : public IVyrOrbitEx {
public:
    CVyrOrbit(const CVyrPtrSmart<CStg>& project, uint32_t version, uint32_t orbitKind)
        : m_binding(project, version, orbitKind) {}
    CVyrOrbit(const CVyrOrbit&) = delete;
    CVyrOrbit& operator=(const CVyrOrbit&) = delete;

    // 0x80008001 for an orbit kind other than 0, 1 and 2; else as ResultStorageBinding::Bind.
    VYR_ERROR Init();
    uint32_t Key() const { return m_binding.Key(); }

    VYR_ERROR GetProcessingParameters(VYR_PROCESSING_PARAMETERS_ORBIT& parameters) override;
    VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) override;
    void Release() override;
    VYR_ERROR SetProcessingParameters(const VYR_PROCESSING_PARAMETERS_ORBIT& parameters) override;
    VYR_ERROR GetCoefficientsCoordinates(
        CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_COORDINATES>>& coefficients) override;
    VYR_ERROR GetCoefficientsClock(
        CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>>& coefficients) override;
    VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) override;
    ~CVyrOrbit() override = default;

private:
    vyr_records::ResultStorageBinding m_binding;
};

namespace vyr_records {

struct KlobucharResult {
    using Model = VYR_IONO_KLOBUCHAR_MODEL;
    using Interface = IVyrIonoKlobucharEx;
    using ModelsInterface = IVyrCollectionIonoKlobucharModel;
    using ModelsInterfaceEx = IVyrCollectionIonoKlobucharModelEx;
    using Models = CVyrCollectionIonoKlobucharModel;
    using ModelsEx = CVyrCollectionIonoKlobucharModelEx;
    static constexpr uint32_t kStorage = vyr_storage::kStorageIonoKlobucharResult;
    static constexpr uint32_t kStream = vyr_storage::kStreamIonoKlobucharModel;
};

struct GlobalRegResult {
    using Model = VYR_IONO_GLOBALREG_MODEL;
    using Interface = IVyrIonoGlobalRegEx;
    using ModelsInterface = IVyrCollectionIonoGlobalRegModel;
    using ModelsInterfaceEx = IVyrCollectionIonoGlobalRegModelEx;
    using Models = CVyrCollectionIonoGlobalRegModel;
    using ModelsEx = CVyrCollectionIonoGlobalRegModelEx;
    static constexpr uint32_t kStorage = vyr_storage::kStorageIonoGlobalRegResult;
    static constexpr uint32_t kStream = vyr_storage::kStreamIonoGlobalRegModel;
};

// The two ionosphere objects differ only in their model and where it is stored. Their key is 0.
template <class Result>
class CVyrIonoModelResult final : public Result::Interface {
public:
    using Model = typename Result::Model;

    CVyrIonoModelResult(const CVyrPtrSmart<CStg>& project, uint32_t version)
        : m_binding(project, version, 0) {}
    CVyrIonoModelResult(const CVyrIonoModelResult&) = delete;
    CVyrIonoModelResult& operator=(const CVyrIonoModelResult&) = delete;

    VYR_ERROR Init() { return m_binding.Bind(Result::kStorage); }
    uint32_t Key() const { return m_binding.Key(); }

    VYR_ERROR GetModels(CVyrIPtrSmart<typename Result::ModelsInterface>& models) override;
    VYR_ERROR SetModels(const std::vector<Model>& models) override;
    VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) override;
    void Release() override;
    VYR_ERROR GetModelsEx(CVyrIPtrSmart<typename Result::ModelsInterfaceEx>& models) override;
    VYR_ERROR AddModels(const std::vector<Model>& models) override;
    VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) override;
    ~CVyrIonoModelResult() override = default;

private:
    ResultStorageBinding m_binding;
};

extern template class CVyrIonoModelResult<KlobucharResult>;
extern template class CVyrIonoModelResult<GlobalRegResult>;

}  // namespace vyr_records

using CVyrIonoKlobuchar = vyr_records::CVyrIonoModelResult<vyr_records::KlobucharResult>;
using CVyrIonoGlobalReg = vyr_records::CVyrIonoModelResult<vyr_records::GlobalRegResult>;
