#include "project_access.h"

#include <cstdio>

#include "commands.h"

namespace vyr_cli {

void check(VYR_ERROR code, const std::string& path) {
    if (code >= 0) return;
    std::string text;
    ErrorToStringDef(code, text);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(code));
    throw CommandFailure{path + ": " + (text.empty() ? "failed" : text) + " (" + hex + ")"};
}

ReadOnlyProject::ReadOnlyProject(const std::string& path) {
    std::u16string name;
    if (!cfb::utf8_to_utf16(path, name)) throw CommandFailure{path + ": not a valid file name"};
    if (FAILED(StgOpenStorage(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                              &m_document)))
        check(VYR_E_STORAGE_NOT_FOUND, path);
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    VYR_ERROR result = root.IsValid() ? root->OpenStorageOnStorage(m_document, m_project)
                                      : VYR_E_INVALID_INTERFACE;
    if (result >= 0) result = m_project->GetCommonData(m_common);
    if (result < 0) {
        m_common.Reset();
        m_project.Reset();
        m_document->Release();
        check(result, path);
    }
}

ReadOnlyProject::~ReadOnlyProject() {
    m_common.Reset();
    m_project.Reset();
    m_document->Release();
}

WritableProject::WritableProject(const std::string& path) {
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    check(root.IsValid() ? root->OpenStorageEx(path.c_str(), m_project) : VYR_E_INVALID_INTERFACE,
          path);
}

}  // namespace vyr_cli
