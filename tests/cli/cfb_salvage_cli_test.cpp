// `vyr cfb ls/cat/unpack --salvage` on documents packed by `vyr cfb pack` and then damaged: the
// plain commands refuse them with one line, the salvaging ones read what is sound, name each cut
// on stderr and exit 1.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../support/damaged_image.h"
#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using vyr_cli_test::Outcome;
using vyr_cli_test::put_file;
using vyr_cli_test::slurp;

using namespace damaged_image;

class CfbSalvageCli : public vyr_cli_test::CliTest {
protected:
    const std::string mini = pattern(3000, 1);
    const std::string big = pattern(20000, 2);
    const std::string other = pattern(9000, 3);

    // Packs a small tree and applies `damage` to the document's bytes.
    std::string damaged(const std::function<void(Image&)>& damage) {
        const fs::path tree = dir / "tree";
        put_file(tree / "mini", mini);
        put_file(tree / "Sub" / "big", big);
        put_file(tree / "other", other);
        const std::string doc = (dir / "doc.cfb").string();
        fs::remove(doc);
        EXPECT_EQ(vyr({"cfb", "pack", tree.string(), doc}).status, 0);
        Image image{slurp(doc)};
        damage(image);
        return put_file(doc, image.bytes);
    }
};

// What the commands print and how they exit; which bytes a cut keeps, for each kind of damage,
// is cfb/salvage_test.cpp's.
TEST_F(CfbSalvageCli, DamagedDocumentIsRefusedPlainAndReadWithSalvage) {
    const std::string doc = damaged([](Image& img) {
        const uint32_t third = img.next(img.next(img.start("big")));
        put32(img.bytes, img.fat_entry(third), 900000);
    });
    const size_t kept = 3 * 512;  // the bytes Sub/big keeps
    const Outcome plain = vyr({"cfb", "ls", doc});
    EXPECT_EQ(plain.status, 1);
    EXPECT_THAT(plain.err, StartsWith("vyr: " + doc + ": cannot open as a compound document: "));
    EXPECT_THAT(plain.err, ContainsRegex(": directory entry [0-9]+ \"big\": sector [0-9]+ links to "
                                         "sector 900000, past the end of the file "
                                         "\\(STG_E_DOCFILECORRUPT\\)\n$"));

    const std::string cut_line =
        "vyr: " + doc + ": Sub/big: cut at byte " + std::to_string(kept) + ": ";
    const Outcome ls = vyr({"cfb", "ls", doc, "--salvage"});
    EXPECT_EQ(ls.status, 1);
    EXPECT_THAT(ls.err, StartsWith(cut_line));
    EXPECT_THAT(ls.err, HasSubstr("links to sector 900000, past the end of the file"));
    EXPECT_EQ(std::count(ls.err.begin(), ls.err.end(), '\n'), 1);
    EXPECT_EQ(ls.out, "Sub\tstorage\t0\nSub/big\tstream\t" + std::to_string(kept) +
                          "\nmini\tstream\t3000\nother\tstream\t9000\n");

    const Outcome cut = vyr({"cfb", "cat", doc, "Sub/big", "--salvage"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_THAT(cut.err, StartsWith(cut_line));
    EXPECT_TRUE(cut.out == big.substr(0, kept));
    // A sound stream of a damaged document reads whole and names no cut.
    const Outcome whole = vyr({"cfb", "cat", doc, "other", "--salvage"});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(whole.err, "");
    EXPECT_TRUE(whole.out == other);

    const fs::path out = dir / "out";
    EXPECT_EQ(vyr({"cfb", "unpack", doc, out.string()}).status, 1);
    const Outcome unpack = vyr({"cfb", "unpack", doc, out.string(), "--salvage"});
    EXPECT_EQ(unpack.status, 1);
    EXPECT_THAT(unpack.err, StartsWith(cut_line));
    EXPECT_TRUE(slurp(out / "mini") == mini);
    EXPECT_TRUE(slurp(out / "other") == other);
    EXPECT_TRUE(slurp(out / "Sub" / "big") == big.substr(0, kept));
}

TEST_F(CfbSalvageCli, SoundDocumentWithSalvageExitsZero) {
    const std::string doc = damaged([](Image&) {});
    const Outcome ls = vyr({"cfb", "ls", doc, "--salvage"});
    EXPECT_EQ(ls.status, 0);
    EXPECT_EQ(ls.err, "");
    EXPECT_EQ(ls.out, vyr({"cfb", "ls", doc}).out);
    const Outcome cat = vyr({"cfb", "cat", doc, "Sub/big", "--salvage"});
    EXPECT_EQ(cat.status, 0);
    EXPECT_EQ(cat.out, big);
}

TEST_F(CfbSalvageCli, UnreadableDirectoryIsRefusedEvenWithSalvage) {
    const std::string doc = damaged([](Image& img) { put32(img.bytes, 48, 700000); });
    const Outcome ls = vyr({"cfb", "ls", doc, "--salvage"});
    EXPECT_EQ(ls.status, 1);
    EXPECT_EQ(ls.out, "");
    EXPECT_EQ(ls.err, "vyr: " + doc +
                          ": cannot be read even with --salvage: the directory's first sector "
                          "(700000) cannot be read (STG_E_DOCFILECORRUPT)\n");
}

TEST_F(CfbSalvageCli, LostElementsAreNamedByTheirStorage) {
    // The root's child link points past the directory: every element is lost.
    const std::string doc = damaged([](Image& img) { put32(img.bytes, img.entry(0) + 76, 4000); });
    const Outcome ls = vyr({"cfb", "ls", doc, "--salvage"});
    EXPECT_EQ(ls.status, 1);
    EXPECT_EQ(ls.out, "");
    EXPECT_EQ(ls.err, "vyr: " + doc +
                          ": /: elements lost: directory entry 4000 lies past the readable "
                          "directory\n");
    const Outcome cat = vyr({"cfb", "cat", doc, "other", "--salvage"});
    EXPECT_EQ(cat.status, 1);
    EXPECT_EQ(cat.err, "vyr: " + doc +
                           ": /: elements lost: directory entry 4000 lies past the readable "
                           "directory\nvyr: " +
                           doc + ": no stream other\n");
}

}  // namespace
