#include "project_access.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "commands.h"
#include "output_text.h"

namespace vyr_cli {

void check(VYR_ERROR code, const std::string& path) {
    if (code >= 0) return;
    // Stored bytes that do not read are the project's damage, not a fault of the command.
    if (code == VYR_E_READ_ENTRY_FAILED) check_read(code, path, "a stored list or record");
    throw CommandFailure{Vyr_FailureText(code, path)};
}

void check_read(VYR_ERROR code, const std::string& path, const std::string& what) {
    if (code >= 0) return;
    if (code != VYR_E_READ_ENTRY_FAILED) check(code, path);
    const std::string told = Vyr_FailureText(code, path);
    throw CommandFailure{path + ": damaged: " + what + " does not read" +
                         told.substr(told.rfind(" ("))};
}

namespace {

constexpr unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Why a file that should be a project did not open, in words; empty when the file is a compound
// document (damage inside it is the library's to tell). The library answers "Storage not found"
// for all of these alike.
std::string why_not_a_project(const std::string& path, HRESULT opened) {
    if (opened == STG_E_LOCKVIOLATION || opened == STG_E_SHAREVIOLATION)
        return "is in use by another program";
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return "does not exist";
    if (std::filesystem::is_directory(path, error)) return "is a folder, not a project";
    std::ifstream in(path, std::ios::binary);
    char head[sizeof kCompoundSignature] = {};
    in.read(head, sizeof head);
    if (in.gcount() == sizeof head && std::memcmp(head, kCompoundSignature, sizeof head) == 0)
        return {};
    // The kinds `vyr import` knows, compressed or not: the likely mix-up is the import's words
    // swapped.
    VyrImportKind kind = VyrImportKind::kUnknown;
    std::string unreadable;  // unreadable as text: no kind to tell of
    if (!Vyr_DetectImportKind(path, kind, unreadable)) kind = VyrImportKind::kUnknown;
    if (kind == VyrImportKind::kRinexObservation || kind == VyrImportKind::kCompactRinexObservation)
        return "looks like a RINEX observation file: did you mean `vyr import PROJECT FILE`?";
    if (kind != VyrImportKind::kUnknown)
        return std::string("looks like a ") + Vyr_ImportKindName(kind) +
               " file: did you mean `vyr import PROJECT FILE`?";
    return "is not a project (not a compound document)";
}

}  // namespace

void check_project_open(VYR_ERROR code, const std::string& path, HRESULT opened,
                        const std::string& shown) {
    if (code >= 0) return;
    const std::string& named = shown.empty() ? path : shown;
    const std::string why = why_not_a_project(path, opened);
    if (!why.empty()) throw CommandFailure{named + ": " + why};
    // A project the engine may not open for writing: the file is not the user's to write.
    if (opened == STG_E_ACCESSDENIED)
        throw CommandFailure{named + ": cannot be written (permission denied)"};
    // A compound document the engine refused as damaged: the library's code is as for any
    // failed open, the engine's reason (this thread's last refusal) says what is wrong.
    const std::string damage = cfb::last_refusal();
    if (damage.empty()) check(code, named);
    // "PROJECT: damaged: REASON (0xCODE)": the reason in the place of the code's own text.
    const std::string told = Vyr_FailureText(code, named);
    throw CommandFailure{named + ": damaged: " + terminal_text(damage) +
                         told.substr(told.rfind(" ("))};
}

ReadOnlyProject::ReadOnlyProject(const std::string& path) {
    std::u16string name;
    if (!cfb::utf8_to_utf16(path, name)) throw CommandFailure{path + ": not a valid file name"};
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    VYR_ERROR result = root.IsValid() ? root->OpenStorageReadOnlyShared(path.c_str(), m_project)
                                      : VYR_E_INVALID_INTERFACE;
    if (result >= 0) result = m_project->GetCommonData(m_common);
    if (result < 0) {
        m_common.Reset();
        m_project.Reset();
        // The library answers "Storage not found" for a document someone holds: a writer's
        // lock is what tells it apart.
        const HRESULT opened = cfb::is_file_locked(path.c_str()) ? STG_E_SHAREVIOLATION : S_OK;
        check_project_open(result, path, opened);
    }
}

ReadOnlyProject::~ReadOnlyProject() {
    m_common.Reset();
    m_project.Reset();
}

std::string storage_failure_text(HRESULT code) {
    if (code == STG_E_MEDIUMFULL) return "no space left on device";
    if (code == STG_E_DOCFILETOOLARGE) return "the file would grow past the size limit for files";
    if (code == STG_E_WRITEFAULT) return "write error";
    std::string text;
    ErrorToStringDef(static_cast<VYR_ERROR>(code), text);
    return text.empty() ? "write failed" : text;
}

WritableProject::WritableProject(const std::string& path, const std::string& shown)
    : m_shown(shown.empty() ? path : shown) {
    ILockBytes* file = nullptr;
    const HRESULT opened = cfb::create_file_lock_bytes(path.c_str(), STGM_READWRITE, false, &file);
    // A missing file, a folder, a RINEX file in the project's place and a held project are
    // each said in words, as for the read-only opens.
    if (FAILED(opened)) check_project_open(static_cast<VYR_ERROR>(opened), path, opened, m_shown);
    const HRESULT wrapped = cfb::UndoLockBytes::wrap(file, &m_bytes);
    file->Release();
    if (FAILED(wrapped)) check(static_cast<VYR_ERROR>(wrapped), m_shown);
    CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
    const VYR_ERROR result = root.IsValid() ? root->OpenStorageExOnLockBytes(m_bytes, m_project)
                                            : VYR_E_INVALID_INTERFACE;
    if (VyrFailed(result)) {
        m_bytes->freeze();
        m_project.Reset();
        m_bytes->undo();
        m_bytes->Release();
        m_bytes = nullptr;
        check_project_open(result, path, S_OK, m_shown);
    }
}

WritableProject::~WritableProject() {
    if (m_bytes == nullptr) return;  // committed
    m_bytes->freeze();               // what closing the project would write is refused
    m_project.Reset();
    if (FAILED(m_bytes->undo()))
        std::fprintf(stderr, "vyr: %s: could not be put back as it was\n", m_shown.c_str());
    m_bytes->Release();
}

void WritableProject::commit() {
    // A write that failed already would make the commit name sectors that hold nothing sound.
    if (FAILED(m_bytes->first_failure())) m_bytes->freeze();
    m_project.Reset();  // the library commits the document as its last reference goes
    const HRESULT failure = m_bytes->first_failure();
    if (FAILED(failure)) {
        const HRESULT undone = m_bytes->undo();
        m_bytes->Release();
        m_bytes = nullptr;
        throw CommandFailure{m_shown + ": not saved: " + storage_failure_text(failure) +
                             (FAILED(undone) ? "; the file could not be put back as it was" : "")};
    }
    m_bytes->Release();
    m_bytes = nullptr;
}

std::string WritableProject::storage_failure() const {
    if (m_bytes == nullptr || SUCCEEDED(m_bytes->first_failure())) return {};
    return storage_failure_text(m_bytes->first_failure());
}

}  // namespace vyr_cli
