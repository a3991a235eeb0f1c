// How typed records travel through streams: one record per stream or records laid end to end,
// with no header, tag or count. A record type without containers is stored as its packed bytes;
// a type with containers or older stored layouts specialises RecordFormat.
// Stored layout: docs/format.md, section 6.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include <vyr/error.h>

#include "storage/stm.h"

// Storage versions handed to every reader (the project's "StorageVersion" read as one 32-bit
// number): 3 is the current layout, which every writer produces.
inline constexpr uint32_t kStorageVersionCurrent = 3;

// What a reader or writer does before each record.
enum RecordPositioning : uint32_t {
    RewindEach = 0,   // seek to offset 0
    RewindFirst = 1,  // before the first record only: rewind (readers), truncate and rewind
                      // (rewriting writers) or seek to the end (appending writers)
    Continue = 2,     // nothing: go on from the current position
};

// The stored form of T. The primary template moves the packed bytes in one call; record types
// with containers or with older layouts specialise it.
template <class T>
struct RecordFormat {
    static_assert(std::is_trivially_copyable_v<T>, "records with containers need a RecordFormat");
    // The same bytes in every storage version: a list of them is a whole number of records.
    static constexpr bool kPackedInEveryVersion = true;
    static bool Read(CStm& stream, uint32_t /*version*/, T& record) {
        return stream.Read(&record, sizeof(T));
    }
    static bool Write(CStm& stream, const T& record) { return stream.Write(&record, sizeof(T)); }
};

template <class T>
class CRecordRead {
public:
    CRecordRead(CStm& stream, RecordPositioning positioning, uint32_t version)
        : m_stream(stream), m_positioning(positioning), m_version(version) {}
    virtual ~CRecordRead() = default;

    virtual bool Read(CStm& stream, T& record) {
        return RecordFormat<T>::Read(stream, m_version, record);
    }

    // Positions, reads and counts; true when a record was read. On false the stream's last
    // status tells a short read (the end) from a failure; S_OK means the bytes were there but do
    // not decode (a record of a storage version no reader knows), which must end a loop too.
    bool ReadNext(T& record) {
        if (m_positioning == RewindEach || (m_positioning == RewindFirst && !m_started)) {
            m_started = true;
            if (!m_stream.SeekToBegin()) return false;
        }
        if (!Read(m_stream, record)) return false;
        ++m_count;
        return true;
    }

    uint32_t GetCount() const { return m_count; }

private:
    CStm& m_stream;
    RecordPositioning m_positioning;
    uint32_t m_version;
    uint32_t m_count = 0;
    bool m_started = false;
};

template <class T>
class CRecordWrite {
public:
    CRecordWrite(CStm& stream, RecordPositioning positioning)
        : m_stream(stream), m_positioning(positioning) {}
    virtual ~CRecordWrite() = default;

    virtual bool Write(CStm& stream, const T& record) {
        return RecordFormat<T>::Write(stream, record);
    }

    // Rewriting: RewindFirst empties the stream before the first record.
    void WriteNext(const T& record) {
        if (m_positioning == RewindEach) {
            if (!m_stream.SeekToBegin()) return;
        } else if (m_positioning == RewindFirst && !m_started) {
            m_started = true;
            if (!m_stream.SetSize(0) || !m_stream.SeekToBegin()) return;
        }
        if (Write(m_stream, record)) ++m_count;
    }

    // Appending: RewindFirst goes to the end of the stream before the first record.
    void AppendNext(const T& record) {
        if (m_positioning == RewindEach) {
            if (!m_stream.SeekToBegin()) return;
        } else if (m_positioning == RewindFirst && !m_started) {
            m_started = true;
            if (!m_stream.SeekToEnd()) return;
        }
        if (Write(m_stream, record)) ++m_count;
    }

    uint32_t GetCount() const { return m_count; }

private:
    CStm& m_stream;
    RecordPositioning m_positioning;
    uint32_t m_count = 0;
    bool m_started = false;
};

template <class T>
struct CRecordReadSingle : CRecordRead<T> {
    CRecordReadSingle(CStm& stream, uint32_t version)
        : CRecordRead<T>(stream, RewindEach, version) {}
};

template <class T>
struct CRecordReadMulti : CRecordRead<T> {
    CRecordReadMulti(CStm& stream, uint32_t version)
        : CRecordRead<T>(stream, RewindFirst, version) {}
};

// Stepwise iteration: each step goes on where the previous one stopped.
template <class T>
struct CRecordReadMultiUncached : CRecordRead<T> {
    CRecordReadMultiUncached(CStm& stream, uint32_t version)
        : CRecordRead<T>(stream, Continue, version) {}
};

template <class T>
struct CRecordWriteSingle : CRecordWrite<T> {
    explicit CRecordWriteSingle(CStm& stream) : CRecordWrite<T>(stream, RewindEach) {}
};

template <class T>
struct CRecordWriteMulti : CRecordWrite<T> {
    explicit CRecordWriteMulti(CStm& stream) : CRecordWrite<T>(stream, RewindFirst) {}
};

namespace vyr_records {

template <class T>
inline constexpr bool kPackedInEveryVersion = requires {
    RecordFormat<T>::kPackedInEveryVersion;
};

// A list of packed records that ends inside a record is damage (a cut stream), never a shorter
// list: handed out as one, the next rewrite would drop the records after the cut for good.
// Member-wise and version-dependent lists are read until a read comes up short.
template <class T>
VYR_ERROR check_whole_records(CStm& stream) {
    if constexpr (kPackedInEveryVersion<T>) {
        STATSTG status{};
        if (!stream.Stat(status, STATFLAG_NONAME) || status.cbSize % sizeof(T) != 0)
            return VYR_E_READ_ENTRY_FAILED;
    }
    return VYR_OK;
}

inline bool is_readable(const CStm& stream) {
    const int32_t mode = stream.GetAccessMode();
    return mode == vyr::kAccessRead || mode == vyr::kAccessReadWrite;
}

inline bool is_writable(const CStm& stream) {
    const int32_t mode = stream.GetAccessMode();
    return mode == vyr::kAccessWrite || mode == vyr::kAccessReadWrite;
}

}  // namespace vyr_records

template <class T>
VYR_ERROR ReadSingleRecord(CStm& stream, uint32_t version, T& record) {
    if (!vyr_records::is_readable(stream)) return VYR_E_INVALID_PARAMETER;
    CRecordReadSingle<T> reader(stream, version);
    reader.ReadNext(record);
    return (stream.GetLastError() == S_OK && reader.GetCount() > 0) ? VYR_OK
                                                                    : VYR_E_READ_ENTRY_FAILED;
}

// Writes at offset 0 over the old record without truncating: a shorter member-wise record
// leaves old bytes behind it, which are never read.
template <class T>
VYR_ERROR WriteSingleRecord(CStm& stream, const T& record) {
    if (!vyr_records::is_writable(stream)) return VYR_E_INVALID_PARAMETER;
    CRecordWriteSingle<T> writer(stream);
    writer.WriteNext(record);
    return (stream.GetLastError() == S_OK && writer.GetCount() > 0) ? VYR_OK
                                                                    : VYR_E_WRITE_ENTRY_FAILED;
}

// Reads until the first short read. A record whose bytes arrived but do not decode is damage,
// not an end: the records before it are kept and the read fails; so does a list of packed
// records cut inside one, before anything is read.
template <class T>
VYR_ERROR ReadAllRecords(CStm& stream, uint32_t version, std::vector<T>& records) {
    if (!vyr_records::is_readable(stream)) return VYR_E_INVALID_PARAMETER;
    records.clear();
    const VYR_ERROR whole = vyr_records::check_whole_records<T>(stream);
    if (whole != VYR_OK) return whole;
    CRecordReadMulti<T> reader(stream, version);
    for (;;) {
        T record{};
        const uint32_t before = reader.GetCount();
        reader.ReadNext(record);
        if (stream.GetLastError() != S_OK) return VYR_OK;
        if (reader.GetCount() == before) return VYR_E_READ_ENTRY_FAILED;
        records.push_back(std::move(record));
    }
}

// Replaces the whole stream by the records; what was written before a failure stays.
template <class T>
VYR_ERROR WriteAllRecords(CStm& stream, const std::vector<T>& records) {
    if (!vyr_records::is_writable(stream)) return VYR_E_INVALID_PARAMETER;
    if (records.empty())
        return (stream.SetSize(0) && stream.SeekToBegin()) ? VYR_OK : VYR_E_WRITE_ENTRY_FAILED;
    CRecordWriteMulti<T> writer(stream);
    for (const T& record : records) {
        writer.WriteNext(record);
        if (stream.GetLastError() != S_OK || writer.GetCount() == 0)
            return VYR_E_WRITE_ENTRY_FAILED;
    }
    return VYR_OK;
}

template <class T>
VYR_ERROR AppendRecord(CStm& stream, const T& record) {
    if (!vyr_records::is_writable(stream)) return VYR_E_INVALID_PARAMETER;
    CRecordWriteMulti<T> writer(stream);
    writer.AppendNext(record);
    return (stream.GetLastError() == S_OK && writer.GetCount() > 0) ? VYR_OK
                                                                    : VYR_E_WRITE_ENTRY_FAILED;
}

// Direct access to fixed-size records: counted from the stream size and fetched by offset, never
// by scanning. A partial record at the end fails the count of a packed list (damage) and is
// not counted in a version-dependent one.
template <class T>
VYR_ERROR GetRecordCount(CStm& stream, uint64_t& count) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (!vyr_records::is_readable(stream)) return VYR_E_INVALID_OPEN_MODE;
    STATSTG status{};
    if (!stream.Stat(status, STATFLAG_NONAME)) return VYR_E_READ_ENTRY_FAILED;
    if (vyr_records::kPackedInEveryVersion<T> && status.cbSize % sizeof(T) != 0)
        return VYR_E_READ_ENTRY_FAILED;
    count = status.cbSize / sizeof(T);
    return VYR_OK;
}

template <class T>
VYR_ERROR ReadRecordAt(CStm& stream, uint64_t index, uint32_t version, T& record) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (!vyr_records::is_readable(stream)) return VYR_E_INVALID_OPEN_MODE;
    if (index > static_cast<uint64_t>(INT64_MAX) / sizeof(T)) return VYR_E_READ_ENTRY_FAILED;
    if (!stream.Seek(static_cast<int64_t>(index * sizeof(T)), STREAM_SEEK_SET))
        return VYR_E_READ_ENTRY_FAILED;
    return RecordFormat<T>::Read(stream, version, record) ? VYR_OK : VYR_E_READ_ENTRY_FAILED;
}
