#include "storage/stg.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "storage/name_conversion.h"
#include "storage/status_text.h"
#include "storage/support_stg_storage_ex.h"

namespace {

bool is_access_mode(int32_t mode) {
    return mode >= vyr::kAccessRead && mode <= vyr::kAccessReadWrite;
}

bool has_text(const char* name) {
    return name != nullptr && name[0] != '\0';
}

bool has_text(const OLECHAR* name) {
    return name != nullptr && name[0] != u'\0';
}

DWORD platform_mode(int32_t accessMode) {
    return static_cast<DWORD>(accessMode) | STGM_SHARE_EXCLUSIVE;
}

// The holder takes the caller's reference. When the holder cannot be made the object goes
// back at once, so a failed call never leaks a platform reference.
template <class T>
bool hold(CVyrIPtrSmart<T>& holder, T* object) {
    holder = object;
    if (holder.IsValid()) return true;
    object->Release();
    return false;
}

// The element name handed out by the enumerator, freed after each element.
class EnumeratedName {
public:
    explicit EnumeratedName(OLECHAR* name) : m_name(name) {}
    EnumeratedName(const EnumeratedName&) = delete;
    EnumeratedName& operator=(const EnumeratedName&) = delete;
    ~EnumeratedName() { CoTaskMemFree(m_name); }
    const OLECHAR* Get() const { return m_name; }

private:
    OLECHAR* m_name;
};

// Save-as without results: the result storages and the processing-error streams.
constexpr std::u16string_view kResultNames[] = {
    u"StationResult",           u"StationAssocResult",       u"IonoCompAssocResult",
    u"IonoKlobucharResult",     u"IonoGlobalRegResult",      u"OrbitBroadcastResult",
    u"OrbitPreciseResult",      u"OrbitAlmanachResult",      u"ProcessingInfo",
    u"ProcessingErrorsGeneral", u"ProcessingErrorsInterval",
};

// Save-as without measurement data: observations, ephemerides, models and their statistics.
constexpr std::u16string_view kMeasurementNames[] = {
    u"IonoUTC",
    u"BroadcastEphemeris",
    u"PreciseEphemeris",
    u"IonoGlobalRegional",
    u"Observations",
    u"ObservationStatistics",
    u"ObservationSatelliteStatistics",
    u"ObsSatelliteStatisticsComplete",
    u"ExpObsSatelliteStatistics",
    u"ExpObsSatelliteStatistics0Deg",
    u"SatelliteAvailStatistics",
    u"RawData",
    u"ComputationIntervals",
    u"OrbitCoefficientsCoordinates",
    u"OrbitCoefficientsClock",
};

// Names are compared exactly (case-sensitive), unlike the platform's own name lookup.
template <size_t N>
bool contains(const std::u16string_view (&names)[N], std::u16string_view name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

bool is_excluded(std::u16string_view name, int32_t copyMode) {
    switch (copyMode) {
        case vyr::kCopyWithoutResults:
            return contains(kResultNames, name);
        case vyr::kCopyWithoutMeasurements:
            return contains(kMeasurementNames, name);
        default:
            return false;
    }
}

// The open and create rules shared by storages and streams. open and create run the platform
// call and leave its status in lastStatus.
template <class Open, class Create>
bool open_or_create(int32_t mode, int32_t disposition, const HRESULT& lastStatus, Open open,
                    Create create) {
    const DWORD createMode = static_cast<DWORD>(mode);
    // A reader never makes an element appear.
    const bool mayCreate = mode != vyr::kAccessRead;
    switch (disposition) {
        case vyr::kDispositionCreateNew:
            return mayCreate && create(createMode);
        case vyr::kDispositionCreateAlways:
            return mayCreate && create(createMode | STGM_CREATE);
        case vyr::kDispositionOpenExisting:
            return open();
        case vyr::kDispositionOpenAlways:
            if (open()) return true;
            // Only a missing element is made; one that is in use, refused or damaged is kept.
            return mayCreate && lastStatus == STG_E_FILENOTFOUND &&
                   create(createMode | STGM_CREATE);
        default:
            return false;
    }
}

}  // namespace

CStg::~CStg() {
    // Children are never committed: a change becomes durable when its whole document is, and the
    // commit's result cannot stop the close.
    if (m_root && (m_accessMode == vyr::kAccessWrite || m_accessMode == vyr::kAccessReadWrite))
        m_storage->Commit(STGC_DEFAULT);
    m_storage.Reset();
    m_parent.Reset();
}

bool CStg::ElementNameToUtf16(const char* name, std::u16string& out) {
    if (vyr::element_name_to_utf16(name, out)) return true;
    m_lastStatus = STG_E_INVALIDNAME;
    return false;
}

bool CStg::PathToUtf16(const char* path, std::u16string& out) {
    if (vyr::path_to_utf16(path, out)) return true;
    m_lastStatus = STG_E_INVALIDNAME;
    return false;
}

bool CStg::BecomeRoot(IStorage* storage, int32_t mode) {
    if (FAILED(m_lastStatus)) return false;
    if (!hold(m_storage, storage)) {
        m_lastStatus = E_OUTOFMEMORY;
        return false;
    }
    m_accessMode = mode;
    m_root = true;
    return true;
}

bool CStg::CreateDocument(const char* path) {
    if (!has_text(path) || IsOpen()) return false;
    std::u16string name;
    if (!PathToUtf16(path, name)) return false;
    IStorage* storage = nullptr;
    m_lastStatus = CSupportStgStorageEx().CreateDocument(
        name.c_str(), platform_mode(vyr::kAccessReadWrite), &storage);
    return BecomeRoot(storage, vyr::kAccessReadWrite);
}

bool CStg::CreateDocumentOnLockBytes(ILockBytes* bytes) {
    if (bytes == nullptr || IsOpen()) return false;
    IStorage* storage = nullptr;
    m_lastStatus = StgCreateDocfileOnILockBytes(
        bytes, platform_mode(vyr::kAccessReadWrite) | STGM_CREATE, 0, &storage);
    return BecomeRoot(storage, vyr::kAccessReadWrite);
}

bool CStg::Attach(IStorage* storage) {
    return Attach(storage, vyr::kAccessReadWrite);
}

bool CStg::OpenDocument(const char* path, int32_t mode) {
    if (!has_text(path) || IsOpen() || !is_access_mode(mode)) return false;
    std::u16string name;
    if (!PathToUtf16(path, name)) return false;
    IStorage* storage = nullptr;
    m_lastStatus = CSupportStgStorageEx().OpenDocument(name.c_str(), platform_mode(mode), &storage);
    return BecomeRoot(storage, mode);
}

bool CStg::OpenDocumentShared(const char* path) {
    if (!has_text(path) || IsOpen()) return false;
    std::u16string name;
    if (!PathToUtf16(path, name)) return false;
    IStorage* storage = nullptr;
    m_lastStatus = CSupportStgStorageEx().OpenDocument(name.c_str(),
                                                       STGM_READ | STGM_SHARE_DENY_WRITE, &storage);
    return BecomeRoot(storage, vyr::kAccessRead);
}

bool CStg::OpenDocumentOnLockBytes(ILockBytes* bytes, int32_t mode) {
    if (bytes == nullptr || IsOpen() || !is_access_mode(mode)) return false;
    IStorage* storage = nullptr;
    m_lastStatus =
        StgOpenStorageOnILockBytes(bytes, nullptr, platform_mode(mode), nullptr, 0, &storage);
    return BecomeRoot(storage, mode);
}

bool CStg::Attach(IStorage* storage, int32_t mode) {
    if (storage == nullptr || IsOpen() || !is_access_mode(mode)) return false;
    storage->AddRef();
    m_lastStatus = S_OK;
    return BecomeRoot(storage, mode);
}

bool CStg::AdoptChild(IStorage* storage, int32_t mode, CStg& child) {
    if (FAILED(m_lastStatus)) return false;
    if (!hold(child.m_storage, storage)) {
        m_lastStatus = E_OUTOFMEMORY;
        return false;
    }
    child.m_lastStatus = m_lastStatus;
    child.m_accessMode = mode;
    child.m_root = false;
    return true;
}

bool CStg::AdoptStream(IStream* stream, int32_t mode, CStm& child) {
    if (FAILED(m_lastStatus)) return false;
    if (!hold(child.m_stream, stream)) {
        m_lastStatus = E_OUTOFMEMORY;
        return false;
    }
    child.m_lastStatus = m_lastStatus;
    child.m_accessMode = mode;
    return true;
}

bool CStg::OpenSubStorage(const OLECHAR* name, int32_t mode, CStg& child) {
    if (!IsOpen() || !has_text(name) || !is_access_mode(mode) || child.IsOpen()) return false;
    IStorage* storage = nullptr;
    m_lastStatus = m_storage->OpenStorage(name, nullptr, platform_mode(mode), nullptr, 0, &storage);
    return AdoptChild(storage, mode, child);
}

bool CStg::CreateSubStorage(const OLECHAR* name, DWORD mode, CStg& child) {
    if (!IsOpen() || !has_text(name) || child.IsOpen()) return false;
    IStorage* storage = nullptr;
    m_lastStatus = m_storage->CreateStorage(name, mode | STGM_SHARE_EXCLUSIVE, 0, 0, &storage);
    return AdoptChild(storage, static_cast<int32_t>(mode & 3), child);
}

bool CStg::OpenOrCreateSubStorage(const char* name, int32_t mode, int32_t disposition,
                                  CStg& child) {
    if (!IsOpen() || !has_text(name)) return false;
    std::u16string wideName;
    if (!ElementNameToUtf16(name, wideName)) return false;
    return OpenOrCreateSubStorage(wideName.c_str(), mode, disposition, child);
}

bool CStg::OpenOrCreateSubStorage(const OLECHAR* name, int32_t mode, int32_t disposition,
                                  CStg& child) {
    if (!IsOpen() || !has_text(name) || !is_access_mode(mode) || child.IsOpen()) return false;
    return open_or_create(
        mode, disposition, m_lastStatus, [&] { return OpenSubStorage(name, mode, child); },
        [&](DWORD createMode) { return CreateSubStorage(name, createMode, child); });
}

bool CStg::OpenStreamUtf16(const OLECHAR* name, int32_t mode, CStm& stream) {
    IStream* raw = nullptr;
    m_lastStatus = m_storage->OpenStream(name, nullptr, platform_mode(mode), 0, &raw);
    return AdoptStream(raw, mode, stream);
}

bool CStg::CreateStreamUtf16(const OLECHAR* name, DWORD mode, CStm& stream) {
    IStream* raw = nullptr;
    m_lastStatus = m_storage->CreateStream(name, mode | STGM_SHARE_EXCLUSIVE, 0, 0, &raw);
    return AdoptStream(raw, static_cast<int32_t>(mode & 3), stream);
}

bool CStg::OpenStream(const char* name, int32_t mode, CStm& stream) {
    if (!IsOpen() || !has_text(name) || !is_access_mode(mode) || stream.IsOpen()) return false;
    std::u16string wideName;
    if (!ElementNameToUtf16(name, wideName)) return false;
    return OpenStreamUtf16(wideName.c_str(), mode, stream);
}

bool CStg::CreateStream(const char* name, DWORD mode, CStm& stream) {
    if (!IsOpen() || !has_text(name) || stream.IsOpen()) return false;
    std::u16string wideName;
    if (!ElementNameToUtf16(name, wideName)) return false;
    return CreateStreamUtf16(wideName.c_str(), mode, stream);
}

bool CStg::OpenOrCreateStream(const char* name, int32_t mode, int32_t disposition, CStm& stream) {
    if (!IsOpen() || !has_text(name) || !is_access_mode(mode) || stream.IsOpen()) return false;
    std::u16string wideName;
    if (!ElementNameToUtf16(name, wideName)) return false;
    return open_or_create(
        mode, disposition, m_lastStatus,
        [&] { return OpenStreamUtf16(wideName.c_str(), mode, stream); },
        [&](DWORD createMode) { return CreateStreamUtf16(wideName.c_str(), createMode, stream); });
}

bool CStg::DestroyElement(const char* name) {
    if (!IsOpen() || !has_text(name)) return false;
    std::u16string wideName;
    if (!ElementNameToUtf16(name, wideName)) return false;
    m_lastStatus = m_storage->DestroyElement(wideName.c_str());
    return SUCCEEDED(m_lastStatus);
}

bool CStg::CopyTo(const CVyrPtrSmart<CStg>& destination, int32_t copyMode) {
    if (!IsOpen() || !destination.IsValid() || !destination->IsOpen()) return false;
    return CopyElements(*destination, copyMode);
}

bool CStg::CopyElements(CStg& destination, int32_t copyMode) {
    IEnumSTATSTG* raw = nullptr;
    m_lastStatus = m_storage->EnumElements(0, nullptr, 0, &raw);
    if (FAILED(m_lastStatus)) return false;
    CVyrIPtrSmart<IEnumSTATSTG> elements;
    if (!hold(elements, raw)) {
        m_lastStatus = E_OUTOFMEMORY;
        return false;
    }
    for (;;) {
        STATSTG element;
        ULONG fetched = 0;
        const HRESULT next = elements->Next(1, &element, &fetched);
        // A failing enumerator is a failed copy, not the end of the elements.
        if (FAILED(next)) {
            m_lastStatus = next;
            return false;
        }
        if (fetched == 0) break;
        const EnumeratedName name(element.pwcsName);
        if (is_excluded(name.Get(), copyMode)) {
            // A result storage left out arrives empty: the station or association that owns it
            // does not open without it.
            if (element.type != STGTY_STORAGE) continue;
            CStg empty;
            if (!destination.CreateSubStorage(name.Get(), STGM_READWRITE, empty)) {
                m_lastStatus = destination.m_lastStatus;
                return false;
            }
            continue;
        }
        if (element.type == STGTY_STORAGE) {
            if (!CopyStorage(name.Get(), destination, copyMode)) return false;
        } else if (element.type == STGTY_STREAM) {
            m_lastStatus = m_storage->MoveElementTo(name.Get(), destination.m_storage.Get(),
                                                    name.Get(), STGMOVE_COPY);
            if (FAILED(m_lastStatus)) return false;
        }
    }
    m_lastStatus = S_OK;
    return true;
}

bool CStg::CopyStorage(const OLECHAR* name, CStg& destination, int32_t copyMode) {
    // The copy only reads its source, so a project opened read-only can be saved as well.
    CStg source;
    if (!OpenSubStorage(name, vyr::kAccessRead, source)) return false;
    CStg target;
    if (!destination.CreateSubStorage(name, STGM_READWRITE, target)) {
        m_lastStatus = destination.m_lastStatus;
        return false;
    }
    if (!source.CopyElements(target, copyMode)) {
        m_lastStatus = source.m_lastStatus;
        return false;
    }
    return true;
}

HRESULT CStg::GetLastError(char* text, uint32_t size) const {
    vyr::copy_status_text(m_lastStatus, text, size);
    return m_lastStatus;
}
