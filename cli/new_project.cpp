#include "new_project.h"

#include <vyr/vyr.h>

#include "commands.h"
#include "project_access.h"

namespace vyr_cli {
namespace {

// Writes a document on the file at `path` with `fill` and commits it.
void write_document(const std::string& path, const std::string& shown, const DocumentFill& fill) {
    ILockBytes* file = nullptr;
    HRESULT hr = cfb::create_file_lock_bytes(path.c_str(), STGM_READWRITE, false, &file);
    if (FAILED(hr)) check(static_cast<VYR_ERROR>(hr), shown);
    // Only to see every failed write: a commit on release reports to no one.
    cfb::UndoLockBytes* bytes = nullptr;
    hr = cfb::UndoLockBytes::wrap(file, &bytes);
    file->Release();
    if (FAILED(hr)) check(static_cast<VYR_ERROR>(hr), shown);
    IStorage* document = nullptr;
    hr = StgCreateDocfileOnILockBytes(bytes, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0,
                                      &document);
    VYR_ERROR filled = VYR_OK;
    if (SUCCEEDED(hr)) {
        filled = fill(*document);
        if (VyrSucceeded(filled)) hr = document->Commit(0);
        document->Release();
    }
    const HRESULT failure = FAILED(bytes->first_failure()) ? bytes->first_failure() : hr;
    bytes->Release();
    check(filled, shown);
    if (FAILED(failure))
        throw CommandFailure{shown + ": not saved: " + storage_failure_text(failure)};
}

}  // namespace

VYR_ERROR empty_project(IStorage& document) {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrStorage> project;
    return root.IsValid() ? root->CreateStorageOnStorage(&document, project)
                          : VYR_E_INVALID_INTERFACE;
}

NewProject::NewProject(const std::string& path, const DocumentFill& fill) : m_file(path) {
    // A failure here leaves nothing: the unfinished file goes with m_file.
    write_document(m_file.work_path(), path, fill);
}

}  // namespace vyr_cli
