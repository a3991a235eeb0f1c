#include "entry/root.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "cfb/document.h"

namespace {

bool is_empty(const char* path) {
    return path == nullptr || *path == '\0';
}

// Projects are kept by the project-storage layer, which this build does not have yet: every
// create and open checks its arguments and then says so.
template <class Project>
VYR_ERROR no_project_layer(bool argument_missing, CVyrIPtrSmart<Project>& project) {
    project.Reset();
    return argument_missing ? VYR_E_INVALID_PARAMETER : VYR_E_NOT_IMPLEMENTED;
}

}  // namespace

VYR_ERROR CVyr::CreateStorageOnStorage(IStorage* storage, CVyrIPtrSmart<IVyrStorage>& project) {
    return no_project_layer(storage == nullptr, project);
}

VYR_ERROR CVyr::CreateStorageOnLockBytes(ILockBytes* bytes, CVyrIPtrSmart<IVyrStorage>& project) {
    return no_project_layer(bytes == nullptr, project);
}

VYR_ERROR CVyr::CreateStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) {
    return no_project_layer(is_empty(path), project);
}

VYR_ERROR CVyr::OpenStorageOnStorage(IStorage* storage, CVyrIPtrSmart<IVyrStorage>& project) {
    return no_project_layer(storage == nullptr, project);
}

VYR_ERROR CVyr::OpenStorageOnLockBytes(ILockBytes* bytes, CVyrIPtrSmart<IVyrStorage>& project) {
    return no_project_layer(bytes == nullptr, project);
}

VYR_ERROR CVyr::OpenStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) {
    return no_project_layer(is_empty(path), project);
}

VYR_ERROR CVyr::OpenStorageExOnLockBytes(ILockBytes* bytes, CVyrIPtrSmart<IVyrStorageEx>& project) {
    return no_project_layer(bytes == nullptr, project);
}

VYR_ERROR CVyr::OpenStorageEx(const char* path, CVyrIPtrSmart<IVyrStorageEx>& project) {
    return no_project_layer(is_empty(path), project);
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
    return VYR_E_NOT_IMPLEMENTED;
}

VYR_ERROR CVyr::GetTools(CVyrIPtrSmart<IVyrTools>& tools) {
    tools.Reset();
    return VYR_E_NOT_IMPLEMENTED;
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
