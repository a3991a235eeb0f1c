// Damaged documents read by olefile and by `vyr cfb unpack --salvage`: wherever olefile reads a
// stream, the salvage reads the same bytes, or (where it cut the stream) a prefix of them.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/damaged_image.h"
#include "interop_support.h"

namespace {

namespace fs = std::filesystem;
using namespace vyr_interop_test;

// olefile at its most lenient: every stream it reads, one line each: path, tab, bytes as hex.
const char* const kOlefileStreams = R"(
import sys
sys.path.append('/usr/lib/python3/dist-packages')
import olefile
ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_FATAL)
for path in ole.listdir(streams=True, storages=False):
    try:
        print('/'.join(path) + '\t' + ole.openstream(path).read().hex())
    except Exception:
        pass
)";

bool have_olefile() {
    return run({"python3", "-c",
                "import sys; sys.path.append('/usr/lib/python3/dist-packages'); import olefile"})
               .status == 0;
}

using namespace damaged_image;

TEST(CfbSalvageInterop, SalvageReadsWhatOlefileReadsOfDamagedDocuments) {
    REQUIRE_PEER(have_olefile() ? std::optional<std::string>("olefile") : std::nullopt,
                 "python3-olefile");
    const fs::path dir =
        fs::temp_directory_path() / ("vyr-salvage-interop-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "tree" / "Sub");
    std::map<std::string, std::string> original;
    for (int i = 0; i < 12; ++i)
        original["s" + std::to_string(10 + i)] = pattern(200 + 300 * i, static_cast<unsigned>(i));
    original["Sub/big"] = pattern(30000, 90);
    original["Sub/next"] = pattern(8000, 91);
    for (const auto& [path, bytes] : original)
        std::ofstream(dir / "tree" / path, std::ios::binary) << bytes;
    const fs::path sound = dir / "sound.cfb";
    ASSERT_EQ(run({VYR_CLI_PATH, "cfb", "pack", (dir / "tree").string(), sound.string()}).status,
              0);

    struct Damage {
        const char* what;
        std::function<void(Image&)> apply;
    };
    const Damage damages[] = {
        {"cross-linked chains",
         [](Image& img) {
             put32(img.bytes, img.fat_entry(img.follow(img.start("big"), 4)),
                   img.follow(img.start("next"), 2));
         }},
        {"chain past the end",
         [](Image& img) {
             put32(img.bytes, img.fat_entry(img.follow(img.start("big"), 9)), 80000);
         }},
        {"chain into a free sector",
         [](Image& img) {
             put32(img.bytes, img.fat_entry(img.follow(img.start("next"), 3)), 0xFFFFFFFFu);
         }},
        {"size larger than the chain",
         [](Image& img) { put32(img.bytes, img.named("next") + 120, 8000 + 4096); }},
        {"mini chain into a free mini sector",
         [](Image& img) {
             const uint32_t first = img.start("s13");
             put32(img.bytes, img.minifat_entry(get32(img.bytes, img.minifat_entry(first))),
                   0xFFFFFFFFu);
         }},
        {"zeroed directory sector in the middle",
         [](Image& img) { std::memset(img.bytes.data() + img.entry(8), 0, 512); }},
    };
    size_t compared = 0;
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        Image image{slurp(sound)};
        damage.apply(image);
        const fs::path doc = dir / "damaged.cfb";
        std::ofstream(doc, std::ios::binary | std::ios::trunc) << image.bytes;
        EXPECT_EQ(run({VYR_CLI_PATH, "cfb", "ls", doc.string()}).status, 1);
        const fs::path out = dir / "out";
        fs::remove_all(out);
        EXPECT_EQ(
            run({VYR_CLI_PATH, "cfb", "unpack", doc.string(), out.string(), "--salvage"}).status,
            1);
        const Outcome ole = run({"python3", "-c", kOlefileStreams, doc.string()});
        if (ole.status != 0) continue;  // olefile reads nothing of this one
        std::istringstream lines(ole.out);
        for (std::string line; std::getline(lines, line);) {
            const size_t tab = line.find('\t');
            if (tab == std::string::npos) continue;
            const std::string path = line.substr(0, tab);
            std::string theirs;
            for (size_t i = tab + 1; i + 1 < line.size(); i += 2)
                theirs += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
            if (!fs::exists(out / path)) continue;  // an element the salvage lost
            const std::string ours = slurp(out / path);
            ++compared;
            if (ours.size() == theirs.size())
                EXPECT_EQ(ours, theirs) << path;
            else
                EXPECT_EQ(ours, theirs.substr(0, ours.size())) << path << " is no prefix";
        }
    }
    EXPECT_GT(compared, 0u);
    fs::remove_all(dir);
}

}  // namespace
