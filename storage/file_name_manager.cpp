#include "storage/file_name_manager.h"

#include <sys/stat.h>

#include <cstring>

VYR_ERROR CFileNameManager::SetFileName(const char* path) {
    if (path == nullptr || *path == '\0') return VYR_E_FILE_NOT_FOUND;
    const size_t length = strnlen(path, kMaxPath + 1);
    if (length > static_cast<size_t>(kMaxPath)) return VYR_E_FILE_NOT_FOUND;
    struct stat info {};
    if (stat(path, &info) != 0 || S_ISDIR(info.st_mode)) return VYR_E_FILE_NOT_FOUND;
    std::memcpy(m_fileName, path, length);
    m_fileName[length] = '\0';
    return VYR_OK;
}

const char* CFileNameManager::GetFileName() const {
    return m_fileName;
}
