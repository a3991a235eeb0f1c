// Every real observation file goes through `vyr export` and back: imported, exported as RINEX
// 3.04, the export imported into a new project, and `vyr obs` prints the same rows for both.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "corpus_support.h"

namespace {

namespace fs = std::filesystem;
using vyr_corpus_test::corpus_dir;

// Standard output of a `vyr` run; the status goes to status.
std::string vyr(const std::string& args, const fs::path& dir, int& status) {
    const fs::path out = dir / "out.txt";
    const int raw = std::system((std::string(VYR_CLI_PATH) + " " + args + " >'" + out.string() +
                                 "' 2>'" + (dir / "err.txt").string() + "'")
                                    .c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(out, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> station_keys(const fs::path& project, const fs::path& dir) {
    int status = 0;
    const std::string info = vyr("info '" + project.string() + "' --json", dir, status);
    std::vector<std::string> keys;
    EXPECT_EQ(status, 0) << std::ifstream(dir / "err.txt").rdbuf();
    if (status != 0) return keys;
    const nlohmann::json parsed = nlohmann::json::parse(info);
    for (const auto& station : parsed["stations"])
        keys.push_back(station["key"].get<std::string>());
    return keys;
}

TEST(ExportRoundTripCorpus, EveryObservationFileComesBackRowForRow) {
    REQUIRE_CORPUS();
    const fs::path dir =
        fs::temp_directory_path() / ("vyr_export_trip_" + std::to_string(getpid()));
    int files = 0, stations = 0;
    for (const char* folder : {"rinex2-obs", "rinex3-obs", "crinex"}) {
        for (const auto& entry : fs::directory_iterator(corpus_dir() / folder)) {
            SCOPED_TRACE(entry.path().filename().string());
            fs::remove_all(dir);
            fs::create_directories(dir / "out");
            const fs::path original = dir / "original.vyr";
            int status = 0;
            vyr("import '" + original.string() + "' '" + entry.path().string() + "'", dir, status);
            if (status != 0) continue;  // files the import refuses are the import's tests' business
            ++files;
            const std::vector<std::string> keys = station_keys(original, dir);
            EXPECT_FALSE(keys.empty());
            for (const std::string& key : keys) {
                SCOPED_TRACE(key);
                ++stations;
                const fs::path out = dir / "out" / key;
                fs::create_directories(out);
                const std::string written = vyr(
                    "export '" + original.string() + "' '" + key + "' -o '" + out.string() + "'",
                    dir, status);
                ASSERT_EQ(status, 0);
                const fs::path again = dir / (key + ".vyr");
                vyr("import '" + again.string() + "' '" + written.substr(0, written.find('\n')) +
                        "'",
                    dir, status);
                ASSERT_EQ(status, 0);
                const std::vector<std::string> back = station_keys(again, dir);
                ASSERT_EQ(back.size(), 1u);
                const std::string before =
                    vyr("obs '" + original.string() + "' '" + key + "'", dir, status);
                const std::string after =
                    vyr("obs '" + again.string() + "' '" + back[0] + "'", dir, status);
                ASSERT_FALSE(before.empty());
                EXPECT_TRUE(before == after) << "rows differ; first rows:\n"
                                             << before.substr(0, 400) << "\n---\n"
                                             << after.substr(0, 400);
            }
        }
    }
    EXPECT_GT(files, 10);
    EXPECT_GE(stations, files);
    fs::remove_all(dir);
}

}  // namespace
