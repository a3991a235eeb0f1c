// Streams: contents at the sizes where storage changes, seeking, resizing, access.
#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

TEST(StreamSizes, ContentAtTheSizesWhereStorageChangesSurvivesReopen) {
    const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 100000};
    for (const size_t size : sizes) {
        MemoryDocument doc;
        const std::string data = pattern(size, 7);
        ASSERT_EQ(put_stream(doc.root.get(), "s", data), S_OK);
        EXPECT_EQ(doc.committed_tree(), (Tree{{"s", data}})) << size;
        EXPECT_TRUE(problems_in(doc.image).empty()) << size;
    }
}

TEST(StreamCutoff, GrowingAndShrinkingAcrossTheCutoffKeepsTheBytes) {
    MemoryDocument doc;
    Ref<IStream> s;
    ASSERT_EQ(doc.root->CreateStream(u"s", kRW, 0, 0, s.out()), S_OK);
    const std::string a = pattern(4000, 1);
    ASSERT_EQ(s->Write(a.data(), 4000, nullptr), S_OK);
    const std::string b = pattern(200, 2);
    ASSERT_EQ(s->Write(b.data(), 200, nullptr), S_OK);  // crosses 4096: regular sectors now
    EXPECT_EQ(read_all(s.get()), a + b);
    ASSERT_EQ(s->SetSize(100), S_OK);  // back into the mini stream
    EXPECT_EQ(read_all(s.get()), a.substr(0, 100));
    ASSERT_EQ(s->SetSize(5000), S_OK);  // out again, the new part zero
    EXPECT_EQ(read_all(s.get()), a.substr(0, 100) + std::string(4900, '\0'));
    s.reset();
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_TRUE(problems_in(doc.image).empty());
}

// Reading at or past the end gives nothing; writing past it fills the gap with zeros.
TEST(StreamSeek, PastTheEndReadsNothingAndWritesFillTheGapWithZeros) {
    MemoryDocument doc;
    Ref<IStream> s;
    ASSERT_EQ(doc.root->CreateStream(u"s", kRW, 0, 0, s.out()), S_OK);
    ASSERT_EQ(s->Write("abc", 3, nullptr), S_OK);
    char buf[8];
    ULONG got = 99;
    ASSERT_EQ(s->Read(buf, sizeof buf, &got), S_OK);
    EXPECT_EQ(got, 0u);
    ASSERT_EQ(s->Seek(1, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(s->Read(buf, sizeof buf, &got), S_OK);
    EXPECT_EQ(std::string(buf, got), "bc");

    uint64_t pos = 0;
    ASSERT_EQ(s->Seek(10000, STREAM_SEEK_SET, &pos), S_OK);
    EXPECT_EQ(pos, 10000u);
    ASSERT_EQ(s->Write("z", 1, nullptr), S_OK);
    EXPECT_EQ(read_all(s.get()), "abc" + std::string(9997, '\0') + "z");
    ASSERT_EQ(s->Seek(-1, STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(pos, 10000u);
    ASSERT_EQ(s->Seek(-2, STREAM_SEEK_CUR, &pos), S_OK);
    EXPECT_EQ(pos, 9998u);
    EXPECT_EQ(s->Seek(-20000, STREAM_SEEK_CUR, &pos), STG_E_INVALIDFUNCTION);
}

TEST(StreamAccess, WriteOnlyStreamRefusesReads) {
    MemoryDocument doc;
    Ref<IStream> s;
    ASSERT_EQ(doc.root->CreateStream(u"s", STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, s.out()), S_OK);
    ASSERT_EQ(s->Write("abc", 3, nullptr), S_OK);
    char c;
    EXPECT_EQ(s->Read(&c, 1, nullptr), STG_E_ACCESSDENIED);
}

TEST(StreamLimits, Version3StreamsStopBelowTwoGigabytes) {
    MemoryDocument doc;
    Ref<IStream> s;
    ASSERT_EQ(doc.root->CreateStream(u"s", kRW, 0, 0, s.out()), S_OK);
    EXPECT_EQ(s->SetSize(uint64_t{1} << 31), STG_E_DOCFILETOOLARGE);
    ASSERT_EQ(s->Seek(0x7FFFFFFF, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(s->Write("ab", 2, nullptr), STG_E_DOCFILETOOLARGE);
    STATSTG st;
    ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize, 0u);
    s.reset();
    ASSERT_EQ(doc.root->Commit(0), S_OK);
    EXPECT_TRUE(problems_in(doc.image).empty());
}

TEST(StreamRelease, StreamOutlivingItsRootReportsReverted) {
    MemoryDocument doc;
    Ref<IStream> s;
    ASSERT_EQ(doc.root->CreateStream(u"s", kRW, 0, 0, s.out()), S_OK);
    doc.root.reset();
    EXPECT_EQ(s->Write("x", 1, nullptr), STG_E_REVERTED);
    char c;
    EXPECT_EQ(s->Read(&c, 1, nullptr), STG_E_REVERTED);
    STATSTG st;
    EXPECT_EQ(s->Stat(&st, STATFLAG_NONAME), STG_E_REVERTED);
}

}  // namespace
}  // namespace cfb::testing
