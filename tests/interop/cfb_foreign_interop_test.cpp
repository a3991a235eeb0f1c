// Documents as other writers leave them list in `vyr cfb ls` exactly as olefile (cfb_check.py)
// lists them: ones we lay out byte by byte with unbalanced, wrongly coloured or out-of-order
// sibling trees and odd names, and real ones shipped in Debian packages. `vyr cfb check` calls the
// first kind's colours and names deviations (exit 0) and their disorder a defect (exit 1).
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../cfb/foreign_documents.h"
#include "interop_support.h"

namespace {

namespace fs = std::filesystem;
using namespace vyr_interop_test;

std::optional<std::string> cfb_check_script() {
    const char* src = std::getenv("VYR_SOURCE_DIR");
    const fs::path script =
        (src ? fs::path(src) : fs::current_path()) / "../shared/tools/cfb_check.py";
    if (fs::exists(script) &&
        run({"python3", "-c",
             "import sys; sys.path.append('/usr/lib/python3/dist-packages'); import olefile"})
                .status == 0)
        return script.string();
    return std::nullopt;
}

class CfbForeignInterop : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "vyr-foreign-XXXXXX").string();
        work_ = ::mkdtemp(templ.data());
    }
    void TearDown() override { fs::remove_all(work_); }
    fs::path work_;
};

// Unescapes the \xNN of a listing path, to name a stream to `cat`.
std::string raw_path(const std::string& listed) {
    std::string out;
    for (size_t i = 0; i < listed.size(); ++i) {
        if (listed[i] == '\\' && i + 3 < listed.size() && listed[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(listed.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += listed[i];
        }
    }
    return out;
}

std::vector<std::string> stream_paths(const std::string& listing) {
    std::vector<std::string> out;
    std::stringstream in(listing);
    std::string l;
    while (std::getline(in, l)) {
        const size_t tab = l.find('\t');
        if (tab != std::string::npos && l.compare(tab, 8, "\tstream\t") == 0)
            out.push_back(l.substr(0, tab));
    }
    return out;
}

TEST_F(CfbForeignInterop, DocumentsLaidOutAsOthersDoListAsOlefileListsThem) {
    const auto script = cfb_check_script();
    REQUIRE_PEER(script, "python3-olefile (cfb_check.py)");
    int n = 0;
    for (const cfb_image::ForeignDocument& d : cfb_image::foreign_documents()) {
        SCOPED_TRACE(d.what);
        const fs::path file = work_ / ("foreign" + std::to_string(n++) + ".cfb");
        {
            std::ofstream out(file, std::ios::binary);
            out.write(reinterpret_cast<const char*>(d.bytes.data()),
                      static_cast<std::streamsize>(d.bytes.size()));
        }
        const Outcome theirs = run({"python3", *script, file.string()});
        const Outcome ours = run({VYR_CLI_PATH, "cfb", "ls", file.string()});
        const Outcome check = run({VYR_CLI_PATH, "cfb", "check", file.string()});
        EXPECT_EQ(check.status, d.verdict == cfb_image::Verdict::defect ? 1 : 0) << check.out;
        if (!d.opens) {
            // Two siblings of one name: olefile refuses them too.
            EXPECT_NE(ours.status, 0);
            EXPECT_EQ(theirs.out, "");
            continue;
        }
        EXPECT_EQ(ours.status, 0);
        if (std::string(d.what) == "an empty name, length field 0") {
            // olefile takes the whole name field when its length is 0: 31 NULs, not an empty name.
            EXPECT_NE(theirs.out.find("\\x00\\x00"), std::string::npos);
            continue;
        }
        EXPECT_EQ(ours.out, theirs.out);
        for (const std::string& listed : stream_paths(theirs.out)) {
            if (listed.find('/') != listed.rfind('/')) continue;  // a name holding '/'
            const std::string path = raw_path(listed);
            EXPECT_TRUE(run({VYR_CLI_PATH, "cfb", "cat", file.string(), path}).out ==
                        run({"python3", *script, "--cat", path, file.string()}).out)
                << listed;
        }
    }
}

// Spreadsheets written by several versions of Excel, shipped as examples of two Perl libraries,
// fetched with apt into the build tree on first use and read in place.
std::vector<fs::path> perl_example_documents() {
    const char* bin = std::getenv("VYR_BINARY_DIR");
    const fs::path cache =
        fs::path(bin ? bin : fs::temp_directory_path().string()) / "interop-debs";
    std::vector<fs::path> out;
    for (const char* package : {"libspreadsheet-parseexcel-perl", "libole-storage-lite-perl"}) {
        const fs::path root = cache / package;
        if (!fs::exists(root / "done")) {
            fs::create_directories(root);
            const std::string cmd = "cd " + quote(root.string()) + " && apt-get download " +
                                    quote(package) + " >/dev/null 2>&1 && dpkg-deb -x " +
                                    quote(package) + "_*.deb x && touch done";
            if (std::system(cmd.c_str()) != 0) continue;
        }
        for (const auto& e : fs::recursive_directory_iterator(root / "x"))
            if (e.path().extension() == ".xls") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(CfbForeignInterop, ExcelExamplesFromDebianListAndReadAsOlefileReadsThem) {
    const auto script = cfb_check_script();
    REQUIRE_PEER(script, "python3-olefile (cfb_check.py)");
    const auto files = perl_example_documents();
    if (files.empty()) {
        if (under_ci()) FAIL() << "apt-get download of the example spreadsheets failed (CI=true)";
        GTEST_SKIP() << "apt-get download of libspreadsheet-parseexcel-perl failed";
    }
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const Outcome theirs = run({"python3", *script, file.string()});
        const Outcome ours = run({VYR_CLI_PATH, "cfb", "ls", file.string()});
        EXPECT_EQ(ours.status, 0);
        // olefile at its strictest refuses sizes with garbage in the high half (the example of
        // libole-storage-lite-perl); we read those as version 3 sizes, a deviation.
        if (theirs.out.empty()) continue;
        EXPECT_EQ(ours.out, theirs.out);
        if (ours.status != 0) continue;
        for (const std::string& listed : stream_paths(theirs.out)) {
            const std::string path = raw_path(listed);
            EXPECT_TRUE(run({VYR_CLI_PATH, "cfb", "cat", file.string(), path}).out ==
                        run({"python3", *script, "--cat", path, file.string()}).out)
                << listed;
        }
    }
}

}  // namespace
