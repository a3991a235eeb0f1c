// A list of files into the project at a path, every file its own unit of work: the project is
// opened over an undo layer for each file, committed once the file is in, put back byte for
// byte when the file fails.
#include <cfb/undo_lock_bytes.h>

#include <string>
#include <vector>

#include <vyr/file_import.h>
#include <vyr/project.h>
#include <vyr/root.h>

#include "import/file_import.h"
#include "storage/status_text.h"

namespace {

std::string code_text(VYR_ERROR code) {
    std::string text;
    ErrorToStringDef(code, text);
    const char* status = vyr::status_text(static_cast<HRESULT>(code));
    return text.empty() ? (*status != '\0' ? status : "failed") : text;
}

// The project opened for one file. Let go without commit, it is put back as it was.
class UnitOfWork {
public:
    explicit UnitOfWork(const std::string& path) : m_path(path) {}
    UnitOfWork(const UnitOfWork&) = delete;
    UnitOfWork& operator=(const UnitOfWork&) = delete;
    ~UnitOfWork() { drop(); }

    // Fills problem ("PROJECT: cause") when the project does not open.
    VYR_ERROR open(std::string& problem) {
        ILockBytes* file = nullptr;
        HRESULT hr = cfb::create_file_lock_bytes(m_path.c_str(), STGM_READWRITE, false, &file);
        if (SUCCEEDED(hr)) {
            hr = cfb::UndoLockBytes::wrap(file, &m_bytes);
            file->Release();
        }
        VYR_ERROR result = static_cast<VYR_ERROR>(hr);
        if (SUCCEEDED(hr)) {
            CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
            result = root.IsValid() ? root->OpenStorageExOnLockBytes(m_bytes, m_project)
                                    : VYR_E_INVALID_INTERFACE;
        }
        if (VyrFailed(result)) {
            drop();
            problem = m_path + ": " + code_text(result);
        }
        return result;
    }

    IVyrStorageEx& project() { return *m_project; }

    // The project commits as its last reference goes; a write that failed on the way makes
    // the whole file's work be put back instead.
    VYR_ERROR commit(std::string& problem) {
        if (FAILED(m_bytes->first_failure())) m_bytes->freeze();
        m_project.Reset();
        const HRESULT failure = m_bytes->first_failure();
        if (FAILED(failure)) {
            const HRESULT undone = m_bytes->undo();
            problem = m_path + ": not saved: " + code_text(static_cast<VYR_ERROR>(failure)) +
                      (FAILED(undone) ? "; the file could not be put back as it was" : "");
            release();
            return static_cast<VYR_ERROR>(failure);
        }
        release();
        return VYR_OK;
    }

private:
    void drop() {
        if (m_bytes == nullptr) return;
        m_bytes->freeze();  // what closing the project would write is refused
        m_project.Reset();
        m_bytes->undo();
        release();
    }
    void release() {
        m_bytes->Release();
        m_bytes = nullptr;
    }

    std::string m_path;
    cfb::UndoLockBytes* m_bytes = nullptr;
    CVyrIPtrSmart<IVyrStorageEx> m_project;
};

bool cancelled(const VyrImportOptions& options) {
    return options.cancel != nullptr && options.cancel->load();
}

}  // namespace

VYR_ERROR Vyr_ImportFiles(const std::string& projectPath, const std::vector<std::string>& files,
                          const VyrImportOptions& options,
                          std::vector<VyrFileImportReport>& reports) {
    reports.clear();
    VYR_ERROR first = VYR_OK;
    for (size_t i = 0; i < files.size() && !cancelled(options); ++i) {
        reports.emplace_back();
        VyrFileImportReport& report = reports.back();
        UnitOfWork unit(projectPath);
        std::string problem;
        VYR_ERROR result = unit.open(problem);
        if (VyrSucceeded(result)) {
            result = vyr_import::import_one(unit.project(), files[i], i, options, report);
            // A file the project holds already leaves the project's bytes alone.
            if (VyrSucceeded(result) && report.added) result = unit.commit(problem);
        } else {
            report.path = files[i];
        }
        if (!problem.empty()) {
            report.result = result;
            report.problem = problem;
            report.added = false;
        }
        if (VyrFailed(result) && first == VYR_OK) first = result;
        if (options.fileDone) options.fileDone(report);
    }
    return first;
}
