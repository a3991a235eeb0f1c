// Documents as wholes: create, reopen, commit and discard, locks, versions, access.
#include <sys/wait.h>

#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

TEST(DocumentRoundTrip, StreamsAndStoragesSurviveCommitAndReopen) {
    TempDir dir;
    const auto path = dir.wfile("a.cfb");
    {
        Ref<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kRW, 0, root.out()), S_OK);
        ASSERT_EQ(put_stream(root.get(), "small", "hello"), S_OK);
        ASSERT_EQ(put_stream(root.get(), "big", pattern(100000, 1)), S_OK);
        Ref<IStorage> sub;
        ASSERT_EQ(root->CreateStorage(u"sub", kRW, 0, 0, sub.out()), S_OK);
        ASSERT_EQ(put_stream(sub.get(), "inner", pattern(5000, 2)), S_OK);
        sub.reset();
        ASSERT_EQ(root->Commit(STGC_DEFAULT), S_OK);
    }
    EXPECT_EQ(independent_check(dir.file("a.cfb")), 0);
    Ref<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kRO, nullptr, 0, root.out()), S_OK);
    const Tree expected{{"big", pattern(100000, 1)},
                        {"small", "hello"},
                        {"sub", "<storage>"},
                        {"sub/inner", pattern(5000, 2)}};
    EXPECT_EQ(tree_of(root.get()), expected);
}

}  // namespace
}  // namespace cfb::testing
