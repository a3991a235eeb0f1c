#include "cfb/directory_tree.h"

#include <gtest/gtest.h>

namespace cfb {
namespace {

struct Link {
    uint32_t left, right;
    uint8_t type;
};

// Entry 0 is the root; the others are linked as given.
std::vector<DirectoryEntry> entries_of(const std::vector<Link>& links) {
    std::vector<DirectoryEntry> entries(links.size() + 1);
    entries[0].type = kTypeRoot;
    for (size_t i = 0; i < links.size(); ++i) {
        entries[i + 1].left = links[i].left;
        entries[i + 1].right = links[i].right;
        entries[i + 1].type = links[i].type;
    }
    return entries;
}

constexpr uint32_t N = kNoStream;
constexpr uint8_t S = kTypeStream;

// The open appends siblings in the order collected, so an ordered tree must come out in order
// (left, node, right) whatever its shape; broken links are refused, never followed twice.
TEST(CollectSiblings, TreeOrderAndBrokenLinks) {
    struct Case {
        const char* what;
        std::vector<Link> links;
        uint32_t top;
        HRESULT result;
        std::vector<uint32_t> order;
    };
    const Case cases[] = {
        {"empty", {}, N, S_OK, {}},
        {"one", {{N, N, S}}, 1, S_OK, {1}},
        {"balanced", {{N, N, S}, {1, 3, S}, {N, N, S}}, 2, S_OK, {1, 2, 3}},
        {"left spine",
         {{N, N, S}, {1, N, S}, {2, N, S}, {3, N, kTypeStorage}},
         4,
         S_OK,
         {1, 2, 3, 4}},
        {"right spine", {{N, 2, S}, {N, 3, S}, {N, N, S}}, 1, S_OK, {1, 2, 3}},
        {"zigzag", {{N, 3, S}, {1, N, S}, {N, N, S}}, 2, S_OK, {1, 3, 2}},
        {"cycle", {{N, 2, S}, {1, N, S}}, 1, STG_E_DOCFILECORRUPT, {}},
        {"self link", {{1, N, S}}, 1, STG_E_DOCFILECORRUPT, {}},
        {"shared child", {{N, N, S}, {1, 1, S}}, 2, STG_E_DOCFILECORRUPT, {}},
        {"dangling", {{N, 9, S}}, 1, STG_E_DOCFILECORRUPT, {}},
        {"link to the root", {{0, N, S}}, 1, STG_E_DOCFILECORRUPT, {}},
        {"empty entry linked", {{N, 2, S}, {N, N, kTypeEmpty}}, 1, STG_E_DOCFILECORRUPT, {}},
    };
    for (const Case& c : cases) {
        const std::vector<DirectoryEntry> entries = entries_of(c.links);
        std::vector<uint8_t> seen(entries.size(), 0);
        seen[0] = 1;
        std::vector<uint32_t> out;
        EXPECT_EQ(collect_siblings(entries, c.top, seen, out), c.result) << c.what;
        if (c.result == S_OK) {
            EXPECT_EQ(out, c.order) << c.what;
        }
    }
}

}  // namespace
}  // namespace cfb
