// Documents as other writers leave them, laid out byte by byte: sibling trees coloured wrongly or
// not balanced at all, out of order, and names the engine would not create. Each comes with
// what it holds and how the validator judges it. The engine's tests, the interop tests and the
// fuzz seeds share them. Standard library only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "test_image.h"  // beside this file: the interop tests and fuzz seeds include it by path

namespace cfb_image {

enum class Verdict {
    sound,      // nothing to say
    deviation,  // "deviation: " lines only: read as written, exit 0 from `vyr cfb check`
    defect,     // at least one defect line, though the engine may still read it
};

struct ForeignDocument {
    const char* what;
    std::vector<uint8_t> bytes;
    // Path (names joined by '/', as UTF-8) -> the stream's bytes, or nullopt for a storage.
    // Empty when the engine refuses the document.
    std::map<std::string, std::optional<std::string>> content;
    bool opens = true;
    Verdict verdict = Verdict::sound;
    const char* validator_says = nullptr;  // a part of one of its lines
};

// A tree to lay out: entries with their parent's index in this list (0: the root).
struct Sketch {
    struct Item {
        size_t parent;
        std::u16string name;
        bool storage;
        size_t size;
    };
    std::vector<Item> items{{0, u"", true, 0}};

    size_t storage(size_t parent, std::u16string name) {
        items.push_back({parent, std::move(name), true, 0});
        return items.size() - 1;
    }
    void stream(size_t parent, std::u16string name, size_t size) {
        items.push_back({parent, std::move(name), false, size});
    }

    // Entry ids follow the items: item i is directory entry i.
    Builder builder() const {
        Builder b;
        for (size_t i = 1; i < items.size(); ++i) {
            const Item& it = items[i];
            b.add(static_cast<uint32_t>(it.parent), it.name, it.storage ? kStorage : kStream,
                  it.storage ? std::vector<uint8_t>{} : bytes_of(it.size, static_cast<uint8_t>(i)));
        }
        b.balance();
        return b;
    }

    std::map<std::string, std::optional<std::string>> content() const {
        std::vector<std::string> paths(items.size());
        std::map<std::string, std::optional<std::string>> out;
        for (size_t i = 1; i < items.size(); ++i) {
            const Item& it = items[i];
            std::string name;
            for (char16_t c : it.name) name += static_cast<char>(c);  // ASCII names only
            paths[i] = it.parent == 0 ? name : paths[it.parent] + "/" + name;
            if (it.storage) {
                out[paths[i]] = std::nullopt;
            } else {
                const std::vector<uint8_t> data = bytes_of(it.size, static_cast<uint8_t>(i));
                out[paths[i]] = std::string(data.begin(), data.end());
            }
        }
        return out;
    }
};

// Streams under the root and in a storage, mini and regular, enough siblings for any shape.
inline Sketch foreign_sketch(const std::vector<std::u16string>& extra_names = {}) {
    Sketch s;
    const char16_t* names[] = {u"Alpha", u"beta", u"C", u"dd", u"Echo", u"f", u"Golf", u"h1"};
    size_t size = 40;
    for (const char16_t* n : names) {
        s.stream(0, n, size);
        size = size * 2 + 7;  // 40 .. 7000: both sides of the mini stream cutoff
    }
    const size_t sub = s.storage(0, u"Sub");
    for (const char16_t* n : {u"one", u"two", u"three", u"four", u"five", u"six"})
        s.stream(sub, n, 100);
    for (const auto& n : extra_names) s.stream(sub, n, 70);
    return s;
}

inline ForeignDocument foreign(const char* what, const Sketch& sketch,
                               const std::function<void(Builder&)>& shape, Verdict verdict,
                               const char* says, bool opens = true) {
    Builder b = sketch.builder();
    shape(b);
    ForeignDocument d;
    d.what = what;
    d.bytes = b.build().bytes;
    d.opens = opens;
    if (opens) d.content = sketch.content();
    d.verdict = verdict;
    d.validator_says = says;
    return d;
}

// Entry ids of foreign_sketch(): 1..8 the root's streams, 9 "Sub", 10..15 its streams, then
// the extra names.
inline std::vector<ForeignDocument> foreign_documents() {
    constexpr uint32_t kSub = 9;
    std::vector<ForeignDocument> out;
    const Sketch plain = foreign_sketch();
    out.push_back(foreign(
        "balanced, as the engine writes it", plain, [](Builder&) {}, Verdict::sound, nullptr));
    out.push_back(foreign(
        "every storage a line of black siblings leaning right", plain,
        [](Builder& b) {
            b.line(0, kBlack);
            b.line(kSub, kBlack);
        },
        Verdict::deviation, "the left side has 1 black node on a path, the right side"));
    out.push_back(foreign(
        "a storage a line of red siblings leaning left", plain,
        [](Builder& b) { b.line(kSub, kRed, true); }, Verdict::deviation,
        "deviation: directory entry 9 (\"Sub\"): red directory entry"));
    out.push_back(foreign(
        "everything red", plain,
        [](Builder& b) {
            for (uint32_t id = 1; id <= 15; ++id) b.node(id).color = kRed;
        },
        Verdict::deviation, "is red"));
    out.push_back(foreign(
        "colour bytes neither red nor black", plain,
        [](Builder& b) {
            for (uint32_t id = 1; id <= 15; ++id) b.node(id).color = static_cast<uint8_t>(id + 1);
        },
        Verdict::deviation, "colour is 16, not red or black"));
    out.push_back(foreign(
        "siblings out of order", plain,
        [](Builder& b) {
            // The first and the last stream of the root's tree trade places, bytes and all.
            uint32_t low = b.node(0).child, high = low;
            while (b.node(low).left != kNone) low = b.node(low).left;
            while (b.node(high).right != kNone) high = b.node(high).right;
            std::swap(b.node(low).name, b.node(high).name);
            std::swap(b.node(low).data, b.node(high).data);
        },
        Verdict::defect, "sibling tree is out of order"));
    out.push_back(foreign(
        "names with control characters",
        foreign_sketch({u"\x01"
                        u"Comp",
                        u"\x05Summary", u"tab\there", u"\x1F"}),
        [](Builder&) {}, Verdict::sound, nullptr));
    out.push_back(foreign(
        "names with / \\ : !", foreign_sketch({u"a/b", u"c\\d", u"e:f", u"g!"}), [](Builder&) {},
        Verdict::deviation, "name holds one of / \\ : !"));
    const Sketch empty_named = foreign_sketch({u""});
    out.push_back(foreign(
        "an empty name, length field 2", empty_named, [](Builder&) {}, Verdict::deviation,
        "name is empty (name length field 2)"));
    out.push_back(foreign(
        "an empty name, length field 0", empty_named, [](Builder& b) { b.node(16).name_bytes = 0; },
        Verdict::deviation, "name is empty (name length field 0)"));
    out.push_back(foreign(
        "two empty names", foreign_sketch({u"", u""}), [](Builder&) {}, Verdict::defect,
        "name \"\" is there twice", false));
    out.push_back(foreign(
        "names of 31 characters in a line of red siblings",
        foreign_sketch({std::u16string(31, u'x'), std::u16string(31, u'Y')}),
        [](Builder& b) { b.line(kSub, kRed); }, Verdict::deviation, "has a red child"));
    return out;
}

}  // namespace cfb_image
