// `vyr cfb` end to end: the command run as a person runs it, on documents it packs itself or the
// engine writes, judged by its output, its exit status and the files it leaves.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>
#include "cli_runner.h"

namespace {

using vyr_cli_test::Outcome;
using vyr_cli_test::put_file;
using vyr_cli_test::slurp;

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed) % 251);
    return s;
}

class CfbCli : public vyr_cli_test::CliTest {
protected:
    // A folder tree that crosses the mini stream boundary and nests storages.
    fs::path sample_tree() {
        const fs::path t = dir / "tree";
        fs::create_directories(t / "Empty");
        put_file(t / "zero", "");
        put_file(t / "mini", pattern(4095, 1));
        put_file(t / "Sub" / "cutoff", pattern(4096, 2));
        put_file(t / "Sub" / "Deeper" / "past", pattern(4097, 3));
        put_file(t / "Sub" / "Deeper" / "big", pattern(300000, 4));
        return t;
    }
};

const char* const kSampleListing =
    "Empty\tstorage\t0\n"
    "Sub\tstorage\t0\n"
    "Sub/Deeper\tstorage\t0\n"
    "Sub/Deeper/big\tstream\t300000\n"
    "Sub/Deeper/past\tstream\t4097\n"
    "Sub/cutoff\tstream\t4096\n"
    "mini\tstream\t4095\n"
    "zero\tstream\t0\n";

TEST_F(CfbCli, PackThenLsListsEveryElementSortedByBytesAsTextOrJson) {
    const fs::path doc = dir / "doc.cfb";
    const Outcome pack = vyr({"cfb", "pack", sample_tree().string(), doc.string()});
    ASSERT_EQ(pack.status, 0) << pack.err;
    const Outcome ls = vyr({"cfb", "ls", doc.string()});
    EXPECT_EQ(ls.status, 0) << ls.err;
    EXPECT_EQ(ls.out, kSampleListing);

    const Outcome listed = vyr({"cfb", "ls", doc.string(), "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const auto json = nlohmann::json::parse(listed.out);
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 8u);
    EXPECT_EQ(json[3]["path"], "Sub/Deeper/big");
    EXPECT_EQ(json[3]["kind"], "stream");
    EXPECT_EQ(json[3]["size"], 300000);
    EXPECT_EQ(json[0]["kind"], "storage");
    EXPECT_EQ(json[0]["size"], 0);
}

TEST_F(CfbCli, LsEscapesControlCharactersInNames) {
    const fs::path t = dir / "odd";
    put_file(t / "tab\there", "x");
    put_file(t / "bell\x07", "y");
    put_file(t / "del\x7f", "z");
    const fs::path doc = dir / "doc.cfb";
    ASSERT_EQ(vyr({"cfb", "pack", t.string(), doc.string()}).status, 0);
    const Outcome ls = vyr({"cfb", "ls", doc.string()});
    EXPECT_EQ(ls.out,
              "bell\\x07\tstream\t1\n"
              "del\\x7F\tstream\t1\n"
              "tab\\x09here\tstream\t1\n");
}

TEST_F(CfbCli, CatWritesTheExactBytesOfOneStreamOrFailsNamingIt) {
    const fs::path doc = dir / "doc.cfb";
    const fs::path t = sample_tree();
    ASSERT_EQ(vyr({"cfb", "pack", t.string(), doc.string()}).status, 0);
    for (const char* path : {"mini", "Sub/cutoff", "Sub/Deeper/past", "Sub/Deeper/big", "zero"}) {
        const Outcome cat = vyr({"cfb", "cat", doc.string(), path});
        EXPECT_EQ(cat.status, 0) << path << ": " << cat.err;
        EXPECT_TRUE(cat.out == slurp(t / path)) << path;
    }
    for (const char* path : {"nothing", "Sub/nothing", "Nowhere/mini"}) {
        const Outcome cat = vyr({"cfb", "cat", doc.string(), path});
        EXPECT_EQ(cat.status, 1) << path;
        EXPECT_THAT(cat.err, HasSubstr(doc.string() + ": no stream " + path));
        EXPECT_TRUE(cat.out.empty());
    }
}

// Neither pack nor unpack replaces a file, and a pack that fails leaves no document behind.
TEST_F(CfbCli, WhatCannotBeWrittenFailsAndLeavesTheFilesAsTheyWere) {
    const std::string tree = sample_tree().string();
    const std::string packed = (dir / "packed.cfb").string();
    ASSERT_EQ(vyr({"cfb", "pack", tree, packed}).status, 0);
    const std::string existing = put_file(dir / "existing.cfb", "precious");
    const std::string mine = put_file(dir / "out" / "mini", "mine");
    const fs::path names = dir / "long";
    put_file(names / std::string(31, 'a'), "fits");
    put_file(names / std::string(32, 'b'), "does not fit");
    const std::string doc = (dir / "doc.cfb").string();
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string file;
        const char* content;  // the file's content afterwards; null: no file
        std::string said;
    } cases[] = {
        {"pack onto a file",
         {"pack", tree, existing},
         existing,
         "precious",
         existing + ": already exists"},
        {"pack of a name too long",
         {"pack", names.string(), doc},
         doc,
         nullptr,
         std::string(32, 'b') + ": name is not allowed"},
        {"unpack onto a file",
         {"unpack", packed, (dir / "out").string()},
         mine,
         "mine",
         "mini: cannot create the file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"cfb"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome outcome = vyr(args);
        EXPECT_EQ(outcome.status, 1) << c.what;
        EXPECT_THAT(outcome.err, HasSubstr(c.said)) << c.what;
        if (c.content != nullptr)
            EXPECT_EQ(slurp(c.file), c.content) << c.what;
        else
            EXPECT_FALSE(fs::exists(c.file)) << c.what;
    }
}

TEST_F(CfbCli, PackV4WritesFourKilobyteSectors) {
    const fs::path doc = dir / "doc.cfb";
    ASSERT_EQ(vyr({"cfb", "pack", sample_tree().string(), doc.string(), "--v4"}).status, 0);
    const std::string bytes = slurp(doc);
    ASSERT_GE(bytes.size(), 4096u);
    EXPECT_EQ(bytes[26], 4);   // major version
    EXPECT_EQ(bytes[30], 12);  // sector shift
    EXPECT_EQ(bytes.size() % 4096, 0u);
    EXPECT_EQ(vyr({"cfb", "ls", doc.string()}).out, kSampleListing);
    EXPECT_EQ(vyr({"cfb", "check", doc.string()}).status, 0);
}

TEST_F(CfbCli, UnpackRestoresThePackedTreeByteForByte) {
    const fs::path t = sample_tree();
    put_file(t / "Sub" /
                 "\xC3\x9Cnic\xC3\xB8"
                 "de \xE6\x97\xA5\xE6\x9C\xAC",
             pattern(777, 9));
    const fs::path doc = dir / "doc.cfb";
    ASSERT_EQ(vyr({"cfb", "pack", t.string(), doc.string()}).status, 0);
    const fs::path out = dir / "out" / "nested";
    const Outcome unpack = vyr({"cfb", "unpack", doc.string(), out.string()});
    ASSERT_EQ(unpack.status, 0) << unpack.err;

    std::vector<std::string> want, got;
    for (const auto& e : fs::recursive_directory_iterator(t))
        want.push_back(fs::relative(e.path(), t).string() +
                       (e.is_directory() ? "/" : "=" + slurp(e.path())));
    for (const auto& e : fs::recursive_directory_iterator(out))
        got.push_back(fs::relative(e.path(), out).string() +
                      (e.is_directory() ? "/" : "=" + slurp(e.path())));
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    EXPECT_TRUE(want == got);
    EXPECT_EQ(want.size(), got.size());
}

TEST_F(CfbCli, UnpackRefusesNamesThatLeaveTheFolder) {
    // The engine holds "." and ".." as ordinary names; on disk they would climb out.
    const fs::path doc = dir / "evil.cfb";
    std::u16string name;
    ASSERT_TRUE(cfb::utf8_to_utf16(doc.string(), name));
    IStorage* root = nullptr;
    ASSERT_EQ(StgCreateDocfile(name.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &root),
              S_OK);
    IStorage* up = nullptr;
    ASSERT_EQ(root->CreateStorage(u"..", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &up), S_OK);
    IStream* s = nullptr;
    ASSERT_EQ(up->CreateStream(u"escaped", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &s), S_OK);
    s->Write("x", 1, nullptr);
    s->Release();
    up->Release();
    ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
    root->Release();

    const fs::path out = dir / "out";
    const Outcome unpack = vyr({"cfb", "unpack", doc.string(), out.string()});
    EXPECT_EQ(unpack.status, 1);
    EXPECT_THAT(unpack.err, HasSubstr("element name \"..\" cannot be a file name"));
    EXPECT_FALSE(fs::exists(dir / "escaped"));
}

// Bytes past the committed end (a process killed during a commit leaves them) are no fault of
// the document: check names them in a note and passes, a reader leaves them, and the next
// writable open cuts them.
TEST_F(CfbCli, CheckPassesASoundDocumentAndNotesBytesPastItsCommittedEnd) {
    const fs::path doc = dir / "doc.cfb";
    ASSERT_EQ(vyr({"cfb", "pack", sample_tree().string(), doc.string()}).status, 0);
    const std::string sound = slurp(doc);
    struct Case {
        const char* what;
        std::string tail;
    };
    const Case cases[] = {
        {"nothing", ""},
        {"a partial sector", pattern(300, 5)},
        {"sectors past the FAT", std::string(400 * 512, '\0')},
        {"sectors and a partial one past the FAT", pattern(400 * 512 + 77, 6)},
    };
    std::u16string name;
    ASSERT_TRUE(cfb::utf8_to_utf16(doc.string(), name));
    for (const Case& c : cases) {
        put_file(doc, sound + c.tail);
        const Outcome check = vyr({"cfb", "check", doc.string()});
        EXPECT_EQ(check.status, 0) << c.what << ": " << check.out << check.err;
        const std::string note = doc.string() + ": note: file size ";
        if (c.tail.empty()) {
            EXPECT_EQ(check.out, doc.string() + ": ok\n");
        } else {
            EXPECT_THAT(check.out, HasSubstr(note)) << c.what;
            EXPECT_THAT(check.out, ::testing::EndsWith("a writable open cuts them\n" +
                                                       doc.string() + ": ok\n"))
                << c.what;
        }
        EXPECT_TRUE(slurp(doc) == sound + c.tail) << c.what << ": a reader changes nothing";
        IStorage* root = nullptr;
        ASSERT_EQ(StgOpenStorage(name.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                 nullptr, 0, &root),
                  S_OK);
        root->Release();
        EXPECT_TRUE(slurp(doc) == sound) << c.what;
    }
    EXPECT_EQ(vyr({"cfb", "check", doc.string()}).out, doc.string() + ": ok\n");
}

TEST_F(CfbCli, CheckNamesDamageAndFails) {
    const fs::path doc = dir / "doc.cfb";
    ASSERT_EQ(vyr({"cfb", "pack", sample_tree().string(), doc.string()}).status, 0);
    std::string bytes = slurp(doc);
    bytes[56] = 0;  // mini stream cutoff 4096 -> 0
    bytes[57] = 0x08;
    put_file(doc, bytes);
    const Outcome check = vyr({"cfb", "check", doc.string()});
    EXPECT_EQ(check.status, 1);
    EXPECT_THAT(check.out,
                HasSubstr(doc.string() + ": header: mini stream cutoff is 2048, not 4096\n"));
    // The engine's own refusal names the same fault.
    EXPECT_THAT(check.out, HasSubstr(doc.string() +
                                     ": the engine cannot open the document: the header's mini "
                                     "stream cutoff is 2048, not 4096 (STG_E_INVALIDHEADER)\n"));
    const Outcome ls = vyr({"cfb", "ls", doc.string()});
    EXPECT_EQ(ls.err, "vyr: " + doc.string() +
                          ": cannot open as a compound document: the header's mini stream cutoff "
                          "is 2048, not 4096 (STG_E_INVALIDHEADER)\n");
}

TEST_F(CfbCli, CheckOfSomethingElseFails) {
    const fs::path doc = dir / "text.cfb";
    put_file(doc, std::string(2000, 'x'));
    const Outcome check = vyr({"cfb", "check", doc.string()});
    EXPECT_EQ(check.status, 1);
    EXPECT_THAT(check.out, HasSubstr("signature is not that of a compound file"));
    EXPECT_THAT(check.out, HasSubstr("the engine cannot open the document"));
}

TEST_F(CfbCli, MissingFilesAndBadUsageHaveTheirExitStatus) {
    const std::string missing = (dir / "missing.cfb").string();
    for (const char* cmd : {"ls", "check"}) {
        const Outcome r = vyr({"cfb", cmd, missing});
        EXPECT_EQ(r.status, 1) << cmd;
        EXPECT_THAT(r.err, HasSubstr(missing + ": no such file")) << cmd;
    }
    EXPECT_EQ(vyr({"cfb", "cat", missing}).status, 2);
    EXPECT_EQ(vyr({"cfb", "pack"}).status, 2);
    EXPECT_EQ(vyr({"cfb", "frobnicate"}).status, 2);
}

}  // namespace
