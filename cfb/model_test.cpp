// Random sequences of edits, commits and reopens checked against a plain model of the tree.
#include <random>

#include "cfb/test_support.h"

namespace cfb::testing {
namespace {

const char* const kNames[] = {"a", "b", "Data", "x1", "long element name", "\xC3\xA4rger"};
const std::string kStorage = "<storage>";

bool is_storage(const Tree& tree, const std::string& path) {
    return path.empty() || (tree.count(path) != 0 && tree.at(path) == kStorage);
}

bool inside(const std::string& path, const std::string& ancestor) {
    return path == ancestor || path.rfind(ancestor + "/", 0) == 0;
}

void erase_subtree(Tree& tree, const std::string& path) {
    for (auto it = tree.begin(); it != tree.end();)
        it = inside(it->first, path) ? tree.erase(it) : std::next(it);
}

std::string join(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "/" + name;
}

class ModelRun {
public:
    explicit ModelRun(unsigned seed) : random_(seed) {}

    void run(int steps) {
        for (int step = 0; step < steps; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            one_step();
            if (::testing::Test::HasFatalFailure()) return;
            if (step % 750 == 749) {
                ASSERT_EQ(doc_.root->Commit(0), S_OK);
                committed_ = model_;
                EXPECT_TRUE(problems_in(doc_.image).empty());
            }
        }
        EXPECT_EQ(doc_.committed_tree(), model_);
        doc_.root.reset();
        TempDir dir;
        write_file(dir.file("model.cfb"), doc_.image);
        EXPECT_EQ(independent_check(dir.file("model.cfb")), 0);
    }

private:
    size_t pick(size_t n) { return random_() % n; }
    std::string any_storage() {
        std::vector<std::string> storages{""};
        for (const auto& [path, value] : model_)
            if (value == kStorage && std::count(path.begin(), path.end(), '/') < 3)
                storages.push_back(path);
        return storages[pick(storages.size())];
    }
    std::string any_element() {
        if (model_.empty()) return {};
        auto it = model_.begin();
        std::advance(it, pick(model_.size()));
        return it->first;
    }
    size_t any_size() {
        static const size_t sizes[] = {0, 1, 64, 700, 4095, 4096, 4097, 9000, 20000};
        return sizes[pick(std::size(sizes))] + (pick(2) ? pick(300) : 0);
    }

    void one_step() {
        const size_t op = pick(100);
        if (op < 22) return create(false);
        if (op < 40) return write_into();
        if (op < 50) return resize();
        if (op < 57) return create(true);
        if (op < 66) return destroy();
        if (op < 73) return copy();
        if (op < 80) return rename();
        if (op < 92) {
            ASSERT_EQ(doc_.root->Commit(0), S_OK);
            committed_ = model_;
            return;
        }
        // Reopen, committing or not first; without a commit the work since the last is gone.
        if (pick(2) == 0) {
            ASSERT_EQ(doc_.root->Commit(0), S_OK);
            committed_ = model_;
        }
        ASSERT_EQ(doc_.reopen(), S_OK);
        model_ = committed_;
        ASSERT_EQ(tree_of(doc_.root.get()), model_);
    }

    // A new stream or storage, replacing whatever had its name.
    void create(bool storage) {
        const std::string parent = any_storage();
        const std::string name = kNames[pick(std::size(kNames))];
        OpenPath open;
        IStorage* at = open.open(doc_.root.get(), parent);
        ASSERT_NE(at, nullptr);
        const std::string value =
            storage ? kStorage : pattern(any_size(), static_cast<unsigned>(random_()));
        Ref<IStorage> made;
        ASSERT_EQ(storage
                      ? at->CreateStorage(u16(name).c_str(), kRW | STGM_CREATE, 0, 0, made.out())
                      : put_stream(at, name, value),
                  S_OK)
            << join(parent, name);
        erase_subtree(model_, join(parent, name));
        model_[join(parent, name)] = value;
    }

    template <typename Fn>
    void with_stream(Fn fn) {
        const std::string path = any_element();
        if (path.empty() || is_storage(model_, path)) return;
        OpenPath open;
        IStorage* storage = open.open(doc_.root.get(), parent_of(path));
        ASSERT_NE(storage, nullptr);
        Ref<IStream> s;
        ASSERT_EQ(storage->OpenStream(u16(name_of(path)).c_str(), nullptr, kRW, 0, s.out()), S_OK);
        fn(s.get(), model_[path]);
    }

    void write_into() {
        with_stream([&](IStream* s, std::string& data) {
            const size_t at = pick(data.size() + 2000);
            const std::string bytes = pattern(pick(6000), static_cast<unsigned>(random_()));
            ASSERT_EQ(s->Seek(static_cast<int64_t>(at), STREAM_SEEK_SET, nullptr), S_OK);
            ASSERT_EQ(s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), S_OK);
            if (!bytes.empty() && data.size() < at + bytes.size())
                data.resize(at + bytes.size(), '\0');
            data.replace(at, bytes.size(), bytes);
        });
    }

    void resize() {
        with_stream([&](IStream* s, std::string& data) {
            const size_t size = any_size();
            ASSERT_EQ(s->SetSize(size), S_OK);
            data.resize(size, '\0');
        });
    }

    void destroy() {
        const std::string path = any_element();
        if (path.empty()) return;
        OpenPath open;
        IStorage* storage = open.open(doc_.root.get(), parent_of(path));
        ASSERT_NE(storage, nullptr);
        ASSERT_EQ(storage->DestroyElement(u16(name_of(path)).c_str()), S_OK);
        erase_subtree(model_, path);
    }

    void copy() {
        const std::string source = any_element();
        const std::string dest_parent = any_storage();
        if (source.empty() || inside(dest_parent, source)) return;
        const std::string target = join(dest_parent, kNames[pick(std::size(kNames))]);
        if (inside(source, target)) return;  // would replace what is being copied
        OpenPath open;
        IStorage* source_parent = open.open(doc_.root.get(), parent_of(source));
        IStorage* dest = open.open(doc_.root.get(), dest_parent);
        if (source_parent == nullptr || dest == nullptr) return;
        ASSERT_EQ(source_parent->MoveElementTo(u16(name_of(source)).c_str(), dest,
                                               u16(name_of(target)).c_str(), STGMOVE_COPY),
                  S_OK)
            << source << " -> " << target;
        graft(source, target);
    }

    void rename() {
        const std::string path = any_element();
        if (path.empty()) return;
        const std::string target = join(parent_of(path), kNames[pick(std::size(kNames))]);
        if (model_.count(target) != 0) return;
        OpenPath open;
        IStorage* storage = open.open(doc_.root.get(), parent_of(path));
        ASSERT_NE(storage, nullptr);
        ASSERT_EQ(storage->RenameElement(u16(name_of(path)).c_str(), u16(name_of(target)).c_str()),
                  S_OK);
        graft(path, target);
        erase_subtree(model_, path);
    }

    // The model's side of a copy: what is at source, also at target (replacing what was there).
    void graft(const std::string& source, const std::string& target) {
        Tree copied;
        for (const auto& [path, value] : model_)
            if (inside(path, source)) copied[target + path.substr(source.size())] = value;
        erase_subtree(model_, target);
        model_.insert(copied.begin(), copied.end());
    }

    std::mt19937 random_;
    MemoryDocument doc_;
    Tree model_;
    Tree committed_;
};

TEST(ModelBased, RandomEditSequencesMatchThePlainModel) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ModelRun(seed).run(2500);
    }
}

}  // namespace
}  // namespace cfb::testing
