// One file into an open project: its kind found, then its sites or its common-data lists
// stored, and what it did told in its report.
#include <filesystem>
#include <new>
#include <string>

#include <vyr/common_data.h>
#include <vyr/file_import.h>
#include <vyr/project.h>
#include <vyr/root.h>

#include "import/common_data_import.h"
#include "import/import_failure.h"
#include "import/import_progress.h"
#include "import/site_import.h"

namespace vyr_import {

void check(VYR_ERROR code, const std::string& path) {
    if (code >= 0) return;
    throw ImportFailure{code, Vyr_FailureText(code, path)};
}

namespace {

// The lines a progress feed counts up to: of the decompressed and expanded text, whatever the
// file stores. Counted only for a caller who asked for progress.
uint64_t count_lines(const VyrImportOptions& options, const std::string& path) {
    uint64_t lines = 0;
    if (!options.progress || !Vyr_CountTextLines(path.c_str(), lines)) return 0;
    return lines;
}

void import_records(IVyrStorageEx& project, const std::string& path, VyrFileImportReport& report) {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    CVyrIPtrSmart<IVyrFileConverter> converter;
    CVyrIPtrSmart<IVyrCommonData> commonData;
    check(root.IsValid() ? root->GetFileConverter(converter) : VYR_E_INVALID_INTERFACE, path);
    check(project.GetCommonData(commonData), path);
    report.lists = import_common_data_file(report.kind, path, *converter, *commonData);
    for (const VyrImportedList& list : report.lists) report.added = report.added || list.added > 0;
}

void import_file(IVyrStorageEx& project, const std::string& path, size_t index,
                 const VyrImportOptions& options, VyrFileImportReport& report) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        const bool missing = !error || error == std::errc::no_such_file_or_directory ||
                             error == std::errc::not_a_directory;
        throw ImportFailure{VYR_E_FILE_NOT_FOUND,
                            path + ": " + (missing ? "File not found." : error.message())};
    }
    // A folder, a device or a pipe is there but holds no file to read to its end.
    if (std::filesystem::is_directory(status))
        throw ImportFailure{VYR_E_FAILED_TO_READ, path + ": is a folder, not a file"};
    if (!std::filesystem::is_regular_file(status))
        throw ImportFailure{VYR_E_FAILED_TO_READ, path + ": is not a regular file"};
    std::string problem;
    if (!Vyr_DetectImportKind(path, report.kind, problem))
        throw ImportFailure{VYR_E_FAILED_TO_READ, path + ": " + problem};
    const bool observations = report.kind == VyrImportKind::kRinexObservation ||
                              report.kind == VyrImportKind::kCompactRinexObservation;
    if (report.kind == VyrImportKind::kUnknown)
        throw ImportFailure{VYR_E_UNSUPPORTED_FILE, path + ": not a kind of file vyr imports"};
    ImportProgressFeed progress(options, index, path, observations ? count_lines(options, path) : 0,
                                size == static_cast<uintmax_t>(-1) ? 0 : size);
    if (!observations) {
        progress.at(0);
        import_records(project, path, report);
        progress.done();
        return;
    }
    // A compact file is expanded while it is read; its problems name the expanded line.
    import_sites(project, path, report.kind == VyrImportKind::kCompactRinexObservation, options,
                 progress, report);
    for (const VyrImportedSite& site : report.sites)
        report.added = report.added || !site.alreadyPresent;
}

}  // namespace

// The edge of the import road: every failure inside becomes the report's result and problem.
VYR_ERROR import_one(IVyrStorageEx& project, const std::string& path, size_t index,
                     const VyrImportOptions& options, VyrFileImportReport& report) {
    report = VyrFileImportReport{};
    report.path = path;
    try {
        import_file(project, path, index, options, report);
        if (options.cancel != nullptr && options.cancel->load()) {
            report.cancelled = true;
            throw ImportFailure{VYR_E_INVALID_STATUS, path + ": cancelled; nothing of it imported"};
        }
    } catch (const ImportFailure& failure) {
        report.result = failure.code;
        report.problem = failure.text;
        report.added = false;
    } catch (const std::bad_alloc&) {
        report.result = VYR_E_MEMORY_OVERFLOW;
        report.problem = path + ": out of memory";
        report.added = false;
    }
    return report.result;
}

}  // namespace vyr_import

VYR_ERROR Vyr_ImportFile(IVyrStorageEx& project, const std::string& path,
                         const VyrImportOptions& options, VyrFileImportReport& report) {
    return vyr_import::import_one(project, path, 0, options, report);
}
