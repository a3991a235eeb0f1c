// What `vyr import` prints of a file's warnings beside its failure line.
#include "import_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The reader's warning of the problem that ended the file was printed, then the same text again
// as the failure.
TEST(ImportText, AWarningRepeatedByTheFailureIsPrintedOnceAsTheFailure) {
    VyrFileImportReport report;
    report.path = "w.rnx";
    report.warnings.push_back({"value \"2-7\" is not a number", {40, 67}, 0});
    struct Row {
        const char* what;
        VYR_ERROR result;
        std::string problem;
        std::string printed;
    };
    const std::string at40 = "vyr: w.rnx:40: warning: value \"2-7\" is not a number\n";
    const std::string at67 = "vyr: w.rnx:67: warning: value \"2-7\" is not a number\n";
    for (const Row& row : {
             Row{"imported", VYR_OK, "", at40 + at67},
             Row{"failed at 67 on it", VYR_E_FAILED_TO_READ,
                 "w.rnx:67: value \"2-7\" is not a number (Failed to read.)", at40},
             Row{"failed on another problem", VYR_E_FAILED_TO_READ,
                 "w.rnx:90: epoch flag 9 (Failed to read.)", at40 + at67},
         }) {
        report.result = row.result;
        report.problem = row.problem;
        std::ostringstream out;
        vyr_cli::print_notices(out, report);
        EXPECT_EQ(out.str(), row.printed) << row.what;
    }
}

// Bytes of the file quoted in the failure are escaped, as in warnings; text stays as it is.
TEST(ImportText, TheFailureLineEscapesBytesATerminalWouldTakeAsControls) {
    VyrFileImportReport report;
    report.problem = "g.crx: difference \"\xFF\x1B[2J\" is not a whole number; 'ü' kept";
    EXPECT_EQ(vyr_cli::failure_text(report, false),
              "g.crx: difference \"\\xFF\\x1B[2J\" is not a whole number; 'ü' kept");
}

}  // namespace
