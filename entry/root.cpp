#include "entry/root.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iterator>
#include <new>
#include <type_traits>

#include <vyr/common_data.h>
#include "cfb/document.h"
#include "gnss/tools.h"
#include "import/file_converter.h"
#include "storage/project_storage.h"
#include "storage/stg.h"

namespace {

bool is_empty(const char* path) {
    return path == nullptr || *path == '\0';
}

enum class ProjectStep { Create, Open };

constexpr VYR_TRANSFORMATION_PZ90_TO_WGS84 kDefaultPz90Transform = {
    {0.0, 0.0, 0.0, 1.0, 0.0, 1.0, 0.0, 0.0, 1.0}};
// 1 January 2009: 15 leap seconds.
constexpr VYR_UTC_LEAP_SECONDS kDefaultLeapSeconds = {54832, 0.0, 15, 0};

template <class CommonData>
VYR_ERROR write_default_records(CommonData& commonData) {
    VYR_ERROR result = commonData->SetTransformPZ90ToWGS84(kDefaultPz90Transform);
    if (result == VYR_OK) result = commonData->SetUtcLeapSeconds(kDefaultLeapSeconds);
    if (result == VYR_OK) result = commonData->SetProcessingParameters(VYR_PROCESSING_PARAMETERS{});
    return result;
}

// A project that holds a channel map hands it to the process-wide store; a project without
// one leaves the store as it was.
template <class CommonData>
void load_glonass_map(CommonData& commonData) {
    VYR_GLONASS_FREQUENCYMAP map;
    std::fill(std::begin(map.channel), std::end(map.channel), VYR_GLONASS_FREQUENCYMAP::kNotSet);
    if (commonData->GetFrequencyChannelMapGlo(map) != VYR_OK) return;
    if (CGlonassChannelMapStore* store = CGlonassChannelMapStore::Instance()) store->Set(map);
}

// Makes the project object on a document that step made or opened, runs its create or open,
// and for the IVyr forms writes the default records (create) and loads the channel map.
template <class Project, class CommonData>
VYR_ERROR make_project(ProjectStep step, bool extended,
                       const std::function<bool(CStg&)>& document_step,
                       CVyrIPtrSmart<Project>& project) {
    project.Reset();
    CVyrPtrSmart<CStg> document(new (std::nothrow) CStg());
    if (!document.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!document_step(*document))
        return step == ProjectStep::Create ? VYR_E_STORAGE_NOT_CREATED : VYR_E_STORAGE_NOT_FOUND;

    auto* storage = new (std::nothrow) CVyrStorage(document);
    if (storage == nullptr) return VYR_E_INVALID_INTERFACE;
    document.Reset();  // the project holds the document from here on
    const VYR_ERROR opened = step == ProjectStep::Create ? storage->Create() : storage->Open();
    if (opened != VYR_OK) {
        storage->Release();
        return opened;
    }
    project = static_cast<Project*>(storage);
    if (!project.IsValid()) {
        storage->Release();
        return VYR_E_INVALID_INTERFACE;
    }

    CVyrIPtrSmart<CommonData> commonData;
    VYR_ERROR result = VYR_OK;
    if constexpr (std::is_same_v<CommonData, IVyrCommonDataEx>)
        result = storage->GetCommonDataEx(commonData);
    else
        result = storage->GetCommonData(commonData);
    if (result != VYR_OK) return result;
    if (step == ProjectStep::Create && !extended) {
        result = write_default_records(commonData);
        if (result != VYR_OK) return result;
    }
    load_glonass_map(commonData);
    return VYR_OK;
}

VYR_ERROR project_on(ProjectStep step, const std::function<bool(CStg&)>& document_step,
                     CVyrIPtrSmart<IVyrStorage>& project) {
    return make_project<IVyrStorage, IVyrCommonData>(step, false, document_step, project);
}

VYR_ERROR project_ex_on(const std::function<bool(CStg&)>& document_step,
                        CVyrIPtrSmart<IVyrStorageEx>& project) {
    return make_project<IVyrStorageEx, IVyrCommonDataEx>(ProjectStep::Open, true, document_step,
                                                         project);
}

// The open mode of a caller's storage, from its own status.
bool access_mode_of(IStorage* storage, int32_t& mode) {
    STATSTG status{};
    if (FAILED(storage->Stat(&status, STATFLAG_NONAME))) return false;
    if (status.grfMode & STGM_WRITE)
        mode = vyr::kAccessWrite;
    else if (status.grfMode & STGM_READWRITE)
        mode = vyr::kAccessReadWrite;
    else
        mode = vyr::kAccessRead;
    return true;
}

}  // namespace

VYR_ERROR CVyr::CreateStorageOnStorage(IStorage* storage, CVyrIPtrSmart<IVyrStorage>& project) {
    project.Reset();
    if (storage == nullptr) return VYR_E_INVALID_PARAMETER;
    return project_on(
        ProjectStep::Create, [storage](CStg& d) { return d.Attach(storage); }, project);
}

VYR_ERROR CVyr::CreateStorageOnLockBytes(ILockBytes* bytes, CVyrIPtrSmart<IVyrStorage>& project) {
    project.Reset();
    if (bytes == nullptr) return VYR_E_INVALID_PARAMETER;
    return project_on(
        ProjectStep::Create, [bytes](CStg& d) { return d.CreateDocumentOnLockBytes(bytes); },
        project);
}

VYR_ERROR CVyr::CreateStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) {
    project.Reset();
    if (is_empty(path)) return VYR_E_INVALID_PARAMETER;
    return project_on(
        ProjectStep::Create, [path](CStg& d) { return d.CreateDocument(path); }, project);
}

VYR_ERROR CVyr::OpenStorageOnStorage(IStorage* storage, CVyrIPtrSmart<IVyrStorage>& project) {
    project.Reset();
    if (storage == nullptr) return VYR_E_INVALID_PARAMETER;
    int32_t mode = vyr::kAccessRead;
    if (!access_mode_of(storage, mode)) return VYR_E_INVALID_INTERFACE;
    return project_on(
        ProjectStep::Open, [storage, mode](CStg& d) { return d.Attach(storage, mode); }, project);
}

VYR_ERROR CVyr::OpenStorageOnLockBytes(ILockBytes* bytes, CVyrIPtrSmart<IVyrStorage>& project) {
    project.Reset();
    if (bytes == nullptr) return VYR_E_INVALID_PARAMETER;
    return project_on(
        ProjectStep::Open,
        [bytes](CStg& d) { return d.OpenDocumentOnLockBytes(bytes, vyr::kAccessReadWrite); },
        project);
}

VYR_ERROR CVyr::OpenStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) {
    project.Reset();
    if (is_empty(path)) return VYR_E_INVALID_PARAMETER;
    return project_on(
        ProjectStep::Open, [path](CStg& d) { return d.OpenDocument(path, vyr::kAccessReadWrite); },
        project);
}

VYR_ERROR CVyr::OpenStorageExOnLockBytes(ILockBytes* bytes, CVyrIPtrSmart<IVyrStorageEx>& project) {
    project.Reset();
    if (bytes == nullptr) return VYR_E_INVALID_PARAMETER;
    return project_ex_on(
        [bytes](CStg& d) { return d.OpenDocumentOnLockBytes(bytes, vyr::kAccessReadWrite); },
        project);
}

VYR_ERROR CVyr::OpenStorageEx(const char* path, CVyrIPtrSmart<IVyrStorageEx>& project) {
    project.Reset();
    if (is_empty(path)) return VYR_E_INVALID_PARAMETER;
    return project_ex_on([path](CStg& d) { return d.OpenDocument(path, vyr::kAccessReadWrite); },
                         project);
}

VYR_ERROR CVyr::OpenStorageReadOnlyShared(const char* path, CVyrIPtrSmart<IVyrStorageEx>& project) {
    project.Reset();
    if (is_empty(path)) return VYR_E_INVALID_PARAMETER;
    return project_ex_on([path](CStg& d) { return d.OpenDocumentShared(path); }, project);
}

VYR_ERROR CVyr::DeleteStorage(const char* path) {
    if (is_empty(path)) return VYR_E_INVALID_PARAMETER;
    struct stat info {};
    if (stat(path, &info) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? VYR_E_STORAGE_NOT_FOUND
                                                     : VYR_E_DELETE_FAILED;
    // A project holds the exclusive document lock for as long as it is open; unlinking would
    // succeed on this platform, so the lock is what tells that the file is in use.
    if (cfb::is_file_locked(path)) return VYR_E_STORAGE_IN_USE;
    if (unlink(path) != 0) return errno == ENOENT ? VYR_E_STORAGE_NOT_FOUND : VYR_E_DELETE_FAILED;
    return VYR_OK;
}

VYR_ERROR CVyr::GetFileConverter(CVyrIPtrSmart<IVyrFileConverter>& converter) {
    converter.Reset();
    auto* made = new (std::nothrow) CVyrFileConverter();
    if (made == nullptr) return VYR_E_INVALID_INTERFACE;
    converter = made;
    if (!converter.IsValid()) {
        made->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

VYR_ERROR CVyr::GetTools(CVyrIPtrSmart<IVyrTools>& tools) {
    tools.Reset();
    auto* made = new (std::nothrow) CVyrToolsImpl();
    if (made == nullptr) return VYR_E_INVALID_INTERFACE;
    tools = made;
    if (!tools.IsValid()) {
        made->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

VYR_ERROR CVyr::GetErrorText(VYR_ERROR code, std::string& text) {
    return ErrorToStringDef(code, text);
}

VYR_ERROR CVyr::GetErrorTextBuffer(VYR_ERROR code, char* buffer, int32_t size) {
    // Nothing is written to a buffer that cannot hold even the terminator.
    if (buffer == nullptr || size < 1) return VYR_E_INVALID_PARAMETER;
    buffer[0] = '\0';
    std::string text;
    if (ErrorToStringDef(code, text) != VYR_OK) return VYR_E_ENTRY_NOT_FOUND;
    const size_t copied = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    return copied > 0 ? VYR_OK : VYR_E_ENTRY_NOT_FOUND;
}

VYR_ERROR CVyr::EstimateSize(uint32_t /*unused*/, uint32_t count, uint32_t& estimate) {
    // Formed in double precision, truncated to 64 bits, low 32 bits kept.
    const auto product = static_cast<int64_t>(static_cast<double>(count) * 1.6);
    estimate = static_cast<uint32_t>(static_cast<uint64_t>(product) & 0xFFFFFFFFu);
    return VYR_OK;
}

void CVyr::Release() {
    delete this;
}

namespace {

template <class Interface>
CVyrIPtrSmart<Interface> make_root() {
    CVyr* root = new (std::nothrow) CVyr();
    CVyrIPtrSmart<Interface> handle(static_cast<Interface*>(root));
    if (root != nullptr && !handle.IsValid()) delete root;  // no count block: not handed out
    return handle;
}

}  // namespace

CVyrIPtrSmart<IVyr> Vyr_GetIVyr() {
    return make_root<IVyr>();
}

CVyrIPtrSmart<IVyrEx> Vyr_GetIVyrEx() {
    return make_root<IVyrEx>();
}

const char* vyr_version() {
    return VYR_VERSION_TEXT;
}
