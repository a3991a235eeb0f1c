// `vyr cfb ...`: compound documents as a person meets them: list, read one stream, pack a
// folder into a document and back, and check a document's structure.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <vyr/vyr.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "output_text.h"
#include "pending_file.h"

namespace vyr_cli {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
// Documents are read beside other readers; their elements are always opened exclusively.
constexpr DWORD kSharedReadMode = STGM_READ | STGM_SHARE_DENY_WRITE;
constexpr DWORD kWriteMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr size_t kChunk = 1 << 16;

// Holds one reference of an engine object and gives it back on every way out.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (p_) p_->Release();
    }
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

std::string status_text(HRESULT status) {
    struct Known {
        HRESULT code;
        const char* name;
    };
    static const Known known[] = {
        {STG_E_FILENOTFOUND, "STG_E_FILENOTFOUND"},
        {STG_E_PATHNOTFOUND, "STG_E_PATHNOTFOUND"},
        {STG_E_ACCESSDENIED, "STG_E_ACCESSDENIED"},
        {STG_E_SHAREVIOLATION, "STG_E_SHAREVIOLATION"},
        {STG_E_LOCKVIOLATION, "STG_E_LOCKVIOLATION"},
        {STG_E_FILEALREADYEXISTS, "STG_E_FILEALREADYEXISTS"},
        {STG_E_INVALIDNAME, "STG_E_INVALIDNAME"},
        {STG_E_INVALIDHEADER, "STG_E_INVALIDHEADER"},
        {STG_E_DOCFILECORRUPT, "STG_E_DOCFILECORRUPT"},
        {STG_E_MEDIUMFULL, "STG_E_MEDIUMFULL"},
        {STG_E_READFAULT, "STG_E_READFAULT"},
        {STG_E_WRITEFAULT, "STG_E_WRITEFAULT"},
        {STG_E_INSUFFICIENTMEMORY, "STG_E_INSUFFICIENTMEMORY"},
        {STG_E_DOCFILETOOLARGE, "STG_E_DOCFILETOOLARGE"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_INVALIDARG, "E_INVALIDARG"},
    };
    for (const Known& k : known)
        if (k.code == status) return k.name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(status));
    return text;
}

std::u16string to_utf16(const std::string& file, const std::string& text) {
    std::u16string out;
    if (!cfb::utf8_to_utf16(text, out))
        throw CommandFailure{file + ": name \"" + text + "\" is not valid UTF-8"};
    return out;
}

// Element names as UTF-8; an unpaired surrogate reads as U+FFFD so that any name can be shown.
std::string to_utf8(const std::u16string& name) {
    std::u16string clean = name;
    for (size_t i = 0; i < clean.size(); ++i) {
        const char16_t c = clean[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 &&
            clean[i + 1] <= 0xDFFF) {
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            clean[i] = 0xFFFD;
        }
    }
    std::string out;
    cfb::utf16_to_utf8(clean, out);
    return out;
}

struct Element {
    std::u16string name;
    bool storage = false;
    uint64_t size = 0;
};

// The children of one storage, as the enumerator gives them.
std::vector<Element> children(const std::string& file, IStorage* storage) {
    Ref<IEnumSTATSTG> it;
    HRESULT hr = storage->EnumElements(0, nullptr, 0, it.out());
    if (FAILED(hr))
        throw CommandFailure{file + ": cannot list a storage (" + status_text(hr) + ")"};
    std::vector<Element> out;
    while (true) {
        STATSTG stat;
        ULONG got = 0;
        hr = it->Next(1, &stat, &got);
        if (FAILED(hr))
            throw CommandFailure{file + ": cannot list a storage (" + status_text(hr) + ")"};
        if (got == 0) break;
        Element e;
        if (stat.pwcsName) e.name = stat.pwcsName;
        CoTaskMemFree(stat.pwcsName);
        e.storage = stat.type == STGTY_STORAGE;
        e.size = e.storage ? 0 : stat.cbSize;
        if (stat.type == STGTY_STORAGE || stat.type == STGTY_STREAM) out.push_back(std::move(e));
    }
    return out;
}

// With `salvage`, a damaged document is read as far as its chains are sound and the cuts are
// recorded there; only an unreadable header or directory is refused.
void open_document(const std::string& file, DWORD mode, Ref<IStorage>& root,
                   cfb::SalvageReport* salvage = nullptr) {
    HRESULT hr = S_OK;
    if (salvage != nullptr) {
        hr = cfb::open_for_salvage(file.c_str(), mode, root.out(), salvage);
    } else {
        const std::u16string name = to_utf16(file, file);
        hr = StgOpenStorage(name.c_str(), nullptr, mode, nullptr, 0, root.out());
    }
    if (FAILED(hr)) {
        if (hr == STG_E_FILENOTFOUND) throw CommandFailure{file + ": no such file"};
        if (salvage != nullptr && !salvage->refusal.empty())
            throw CommandFailure{file + ": cannot be read even with --salvage: " +
                                 terminal_text(salvage->refusal) + " (" + status_text(hr) + ")"};
        if (hr == STG_E_LOCKVIOLATION || hr == STG_E_SHAREVIOLATION)
            throw CommandFailure{file + ": is in use by another program"};
        // The engine says what it found damaged; other failures have no such reason.
        const std::string reason = cfb::last_refusal();
        throw CommandFailure{file + ": cannot open as a compound document" +
                             (reason.empty() ? "" : ": " + terminal_text(reason)) + " (" +
                             status_text(hr) + ")"};
    }
}

void open_child(const std::string& file, IStorage* parent, const Element& e,
                const std::string& path, Ref<IStorage>& out) {
    const HRESULT hr =
        parent->OpenStorage(e.name.c_str(), nullptr, kReadMode, nullptr, 0, out.out());
    if (FAILED(hr))
        throw CommandFailure{file + ": cannot open storage " + path + " (" + status_text(hr) + ")"};
}

void open_stream(const std::string& file, IStorage* parent, const std::u16string& name,
                 const std::string& path, Ref<IStream>& out) {
    const HRESULT hr = parent->OpenStream(name.c_str(), nullptr, kReadMode, 0, out.out());
    if (FAILED(hr)) {
        if (hr == STG_E_FILENOTFOUND) throw CommandFailure{file + ": no stream " + path};
        throw CommandFailure{file + ": cannot open stream " + path + " (" + status_text(hr) + ")"};
    }
}

// Calls sink(data, size) for each piece of the stream; the number of bytes read.
template <class Sink>
uint64_t read_stream(const std::string& file, const std::string& path, IStream* stream, Sink sink) {
    std::vector<char> buf(kChunk);
    uint64_t total = 0;
    while (true) {
        ULONG got = 0;
        const HRESULT hr = stream->Read(buf.data(), static_cast<ULONG>(buf.size()), &got);
        if (FAILED(hr))
            throw CommandFailure{file + ": reading stream " + path + " failed (" + status_text(hr) +
                                 ")"};
        if (got == 0) break;
        sink(buf.data(), got);
        total += got;
    }
    return total;
}

// Visits every element below storage depth first; visit(path_parts, element, parent).
template <class Visit>
void walk(const std::string& file, IStorage* storage, std::vector<std::u16string>& parts,
          Visit& visit) {
    for (const Element& e : children(file, storage)) {
        parts.push_back(e.name);
        visit(parts, e, storage);
        if (e.storage) {
            Ref<IStorage> sub;
            std::string shown;
            for (const auto& p : parts) shown += (shown.empty() ? "" : "/") + to_utf8(p);
            open_child(file, storage, e, shown, sub);
            walk(file, sub.get(), parts, visit);
        }
        parts.pop_back();
    }
}

std::string listed_path(const std::vector<std::u16string>& parts) {
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + terminal_text(to_utf8(p));
    return out;
}

// One stderr line per cut whose path `wanted` accepts; ends the command with status 1 (and no
// further line) when there was one.
template <class Wanted>
void report_cuts(const std::string& file, const cfb::SalvageReport& report, Wanted wanted) {
    size_t named = 0;
    for (const cfb::SalvageCut& cut : report.cuts) {
        if (!wanted(cut.path)) continue;
        const std::string path = cut.path.empty() ? "/" : listed_path(cut.path);
        std::cerr << "vyr: " << file << ": " << path << ": ";
        if (cut.stream) std::cerr << "cut at byte " << cut.at << ": ";
        std::cerr << terminal_text(cut.reason) << '\n';
        ++named;
    }
    if (named == 0) return;
    std::cout.flush();
    throw CommandFailure{""};
}

void report_cuts(const std::string& file, const cfb::SalvageReport& report) {
    report_cuts(file, report, [](const std::vector<std::u16string>&) { return true; });
}

// One listed element; its line is made once, as sorting compares lines many times.
struct Line {
    Line(std::string path, bool is_storage, uint64_t bytes)
        : text(std::move(path)), path_length(text.size()), storage(is_storage), size(bytes) {
        text += storage ? "\tstorage\t" : "\tstream\t";
        text += std::to_string(size);
    }
    std::string path() const { return text.substr(0, path_length); }
    std::string text;
    size_t path_length;
    bool storage;
    uint64_t size;
};

void list_document(const std::string& file, bool json, bool salvage) {
    Ref<IStorage> root;
    cfb::SalvageReport report;
    open_document(file, kSharedReadMode, root, salvage ? &report : nullptr);
    std::vector<Line> lines;
    std::vector<std::u16string> parts;
    // The listed path of the storage at each depth of the walk, so that an element is named
    // from its parent's path (a deep tree costs no more than a flat one).
    std::vector<std::string> storages;
    auto visit = [&](const std::vector<std::u16string>& p, const Element& e, IStorage*) {
        storages.resize(p.size() - 1);  // the storages above e
        std::string path = terminal_text(to_utf8(p.back()));
        if (!storages.empty()) path = storages.back() + '/' + path;
        if (e.storage) storages.push_back(path);
        lines.emplace_back(std::move(path), e.storage, e.size);
    };
    walk(file, root.get(), parts, visit);
    // Whole lines in byte order, as `LC_ALL=C sort` orders them.
    std::sort(lines.begin(), lines.end(),
              [](const Line& a, const Line& b) { return a.text < b.text; });
    if (json) {
        nlohmann::json out = nlohmann::json::array();
        for (const Line& l : lines)
            out.push_back(
                {{"path", l.path()}, {"kind", l.storage ? "storage" : "stream"}, {"size", l.size}});
        std::cout << json_text(out) << '\n';
    } else {
        for (const Line& l : lines) std::cout << l.text << '\n';
    }
    report_cuts(file, report);
}

std::vector<std::string> split_path(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return parts;
}

void cat_path(const std::string& file, IStorage* root, const std::string& path,
              const std::vector<std::string>& parts) {
    std::vector<std::unique_ptr<Ref<IStorage>>> chain;
    IStorage* at = root;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        chain.push_back(std::make_unique<Ref<IStorage>>());
        const std::u16string name = to_utf16(file, parts[i]);
        const HRESULT hr =
            at->OpenStorage(name.c_str(), nullptr, kReadMode, nullptr, 0, chain.back()->out());
        if (FAILED(hr)) {
            if (hr == STG_E_FILENOTFOUND) throw CommandFailure{file + ": no stream " + path};
            throw CommandFailure{file + ": cannot open storage " + parts[i] + " (" +
                                 status_text(hr) + ")"};
        }
        at = chain.back()->get();
    }
    Ref<IStream> stream;
    open_stream(file, at, to_utf16(file, parts.back()), path, stream);
    read_stream(file, path, stream.get(), [](const char* data, ULONG n) {
        if (std::fwrite(data, 1, n, stdout) != n)
            throw CommandFailure{"standard output: write failed"};
    });
    if (std::fflush(stdout) != 0) throw CommandFailure{"standard output: write failed"};
}

void cat_stream(const std::string& file, const std::string& path, bool salvage) {
    Ref<IStorage> root;
    cfb::SalvageReport report;
    open_document(file, kSharedReadMode, root, salvage ? &report : nullptr);
    const std::vector<std::string> parts = split_path(path);
    // The cuts on the way to the stream: its own, and lost elements of the storages above it
    // (a missing stream may be one the damage lost: they are named before the refusal).
    std::vector<std::u16string> wanted;
    for (const std::string& part : parts) wanted.push_back(to_utf16(file, part));
    auto on_path = [&](const std::vector<std::u16string>& cut) {
        return cut.size() <= wanted.size() && std::equal(cut.begin(), cut.end(), wanted.begin());
    };
    try {
        cat_path(file, root.get(), path, parts);
    } catch (const CommandFailure& failure) {
        try {
            report_cuts(file, report, on_path);
        } catch (const CommandFailure&) {
        }
        throw;
    }
    report_cuts(file, report, on_path);
}

// ---------------------------------------------------------------- pack

std::vector<fs::directory_entry> sorted_entries(const fs::path& dir) {
    std::vector<fs::directory_entry> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        out.push_back(*it);
    if (ec) throw CommandFailure{dir.string() + ": cannot read the folder (" + ec.message() + ")"};
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return a.path().filename().string() < b.path().filename().string();
    });
    return out;
}

CommandFailure creation_failure(const fs::path& source, HRESULT hr, const char* what) {
    if (hr == STG_E_INVALIDNAME)
        return {source.string() +
                ": name is not allowed in a compound document (more than 31 characters, or one "
                "of / \\ : !)"};
    return {source.string() + ": cannot create its " + what + " (" + status_text(hr) + ")"};
}

void pack_file(const fs::path& source, IStorage* parent, const std::u16string& name) {
    Ref<IStream> stream;
    HRESULT hr = parent->CreateStream(name.c_str(), kWriteMode, 0, 0, stream.out());
    if (FAILED(hr)) throw creation_failure(source, hr, "stream");
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CommandFailure{source.string() + ": cannot read the file"};
    std::vector<char> buf(kChunk);
    while (true) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            ::close(fd);
            throw CommandFailure{source.string() + ": reading the file failed"};
        }
        if (n == 0) break;
        ULONG written = 0;
        hr = stream->Write(buf.data(), static_cast<ULONG>(n), &written);
        if (FAILED(hr) || written != static_cast<ULONG>(n)) {
            ::close(fd);
            throw CommandFailure{source.string() + ": writing its stream failed (" +
                                 status_text(hr) + ")"};
        }
    }
    ::close(fd);
}

void pack_folder(const fs::path& dir, IStorage* storage) {
    for (const fs::directory_entry& entry : sorted_entries(dir)) {
        const fs::path& source = entry.path();
        const std::u16string name = to_utf16(source.string(), source.filename().string());
        std::error_code ec;
        if (entry.is_directory(ec)) {
            Ref<IStorage> sub;
            const HRESULT hr = storage->CreateStorage(name.c_str(), kWriteMode, 0, 0, sub.out());
            if (FAILED(hr)) throw creation_failure(source, hr, "storage");
            pack_folder(source, sub.get());
        } else if (entry.is_regular_file(ec)) {
            pack_file(source, storage, name);
        } else {
            throw CommandFailure{source.string() + ": neither a folder nor a regular file"};
        }
    }
}

void pack(const std::string& dir, const std::string& file, bool v4) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) throw CommandFailure{dir + ": not a folder"};
    if (fs::symlink_status(file, ec).type() != fs::file_type::not_found)
        throw CommandFailure{file + ": already exists"};
    // Packed under no name and named once committed: a document left half packed would look
    // like a whole one, and a failure must never remove a file that came there meanwhile.
    PendingFile packed(file);
    const std::u16string name = to_utf16(file, packed.work_path());
    STGOPTIONS options;
    options.usVersion = v4 ? 2 : 1;
    options.ulSectorSize = v4 ? 4096 : 512;
    Ref<IStorage> created;
    // STGM_CREATE: the pending file is there already, empty.
    HRESULT hr =
        StgCreateStorageEx(name.c_str(), kWriteMode | STGM_CREATE, STGFMT_DOCFILE, 0, &options,
                           nullptr, IID_IStorage, reinterpret_cast<void**>(created.out()));
    if (FAILED(hr)) throw CommandFailure{file + ": cannot create (" + status_text(hr) + ")"};
    pack_folder(dir, created.get());
    hr = created->Commit(STGC_DEFAULT);
    if (FAILED(hr)) throw CommandFailure{file + ": commit failed (" + status_text(hr) + ")"};
    created.reset();
    if (!packed.place()) throw CommandFailure{file + ": already exists"};
}

// ---------------------------------------------------------------- unpack

// One path component of the target folder; a name that could step outside it is refused.
std::string safe_component(const std::string& file, const std::u16string& name) {
    const std::string text = to_utf8(name);
    if (text.empty() || text == "." || text == ".." || text.find('/') != std::string::npos ||
        text.find('\0') != std::string::npos)
        throw CommandFailure{file + ": element name \"" + terminal_text(text) +
                             "\" cannot be a file name"};
    return text;
}

void unpack_storage(const std::string& file, IStorage* storage, const fs::path& dir) {
    for (const Element& e : children(file, storage)) {
        const fs::path target = dir / safe_component(file, e.name);
        if (e.storage) {
            std::error_code ec;
            const fs::file_status st = fs::symlink_status(target, ec);
            if (st.type() == fs::file_type::not_found) {
                if (!fs::create_directory(target, ec) || ec)
                    throw CommandFailure{target.string() + ": cannot create the folder"};
            } else if (st.type() != fs::file_type::directory) {
                throw CommandFailure{target.string() + ": exists and is not a folder"};
            }
            Ref<IStorage> sub;
            open_child(file, storage, e, target.string(), sub);
            unpack_storage(file, sub.get(), target);
            continue;
        }
        Ref<IStream> stream;
        open_stream(file, storage, e.name, target.string(), stream);
        // Never through a link, never over an existing file: the target stays inside DIR.
        const int fd =
            ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0)
            throw CommandFailure{target.string() + ": cannot create the file (" +
                                 std::generic_category().message(errno) + ")"};
        const auto write_failed = [&](int error) {
            return CommandFailure{target.string() +
                                  ": write failed: " + std::generic_category().message(error)};
        };
        // A file cut short would pass for the stream: the file, made just now, goes again.
        try {
            read_stream(file, target.string(), stream.get(), [&](const char* data, ULONG n) {
                while (n > 0) {
                    const ssize_t w = ::write(fd, data, n);
                    if (w < 0 && errno == EINTR) continue;
                    if (w <= 0) throw write_failed(w < 0 ? errno : ENOSPC);
                    data += w;
                    n -= static_cast<ULONG>(w);
                }
            });
        } catch (...) {
            ::close(fd);
            ::unlink(target.c_str());
            throw;
        }
        if (::close(fd) != 0) {
            const int error = errno;
            ::unlink(target.c_str());
            throw write_failed(error);
        }
    }
}

void unpack(const std::string& file, const std::string& dir, bool salvage) {
    Ref<IStorage> root;
    cfb::SalvageReport report;
    open_document(file, kSharedReadMode, root, salvage ? &report : nullptr);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) throw CommandFailure{dir + ": cannot create the folder"};
    unpack_storage(file, root.get(), dir);
    report_cuts(file, report);
}

// ---------------------------------------------------------------- check

// Problems the engine meets when it opens the document and reads all of it.
std::vector<std::string> engine_problems(const std::string& file) {
    std::vector<std::string> problems;
    Ref<IStorage> root;
    const std::u16string name = to_utf16(file, file);
    HRESULT hr = StgOpenStorage(name.c_str(), nullptr, kSharedReadMode, nullptr, 0, root.out());
    if (FAILED(hr)) {
        const std::string reason = cfb::last_refusal();
        problems.push_back("the engine cannot open the document" +
                           (reason.empty() ? "" : ": " + terminal_text(reason)) + " (" +
                           status_text(hr) + ")");
        return problems;
    }
    std::vector<std::u16string> parts;
    auto visit = [&](const std::vector<std::u16string>& p, const Element& e, IStorage* parent) {
        if (e.storage) return;
        const std::string path = listed_path(p);
        Ref<IStream> stream;
        hr = parent->OpenStream(e.name.c_str(), nullptr, kReadMode, 0, stream.out());
        if (FAILED(hr)) {
            problems.push_back("stream " + path + ": the engine cannot open it (" +
                               status_text(hr) + ")");
            return;
        }
        const uint64_t got = read_stream(file, path, stream.get(), [](const char*, ULONG) {});
        if (got != e.size)
            problems.push_back("stream " + path + ": " + std::to_string(got) +
                               " bytes read, its size is " + std::to_string(e.size));
    };
    try {
        walk(file, root.get(), parts, visit);
    } catch (const CommandFailure& failure) {
        // A failure deep in the tree is one more problem of this document, not the end.
        const std::string prefix = file + ": ";
        problems.push_back(failure.message.rfind(prefix, 0) == 0
                               ? failure.message.substr(prefix.size())
                               : failure.message);
    }
    return problems;
}

void check(const std::string& file) {
    std::vector<std::string> problems;
    {
        Ref<ILockBytes> bytes;
        const HRESULT hr =
            cfb::create_file_lock_bytes(file.c_str(), kSharedReadMode, false, bytes.out());
        if (FAILED(hr)) {
            if (hr == STG_E_FILENOTFOUND) throw CommandFailure{file + ": no such file"};
            if (hr == STG_E_SHAREVIOLATION || hr == STG_E_LOCKVIOLATION)
                throw CommandFailure{file + ": is in use by another program"};
            throw CommandFailure{file + ": cannot read (" + status_text(hr) + ")"};
        }
        problems = cfb::validate_document(*bytes.get());
    }  // the byte array's lock goes before the engine opens the file
    for (std::string& p : engine_problems(file)) problems.push_back(std::move(p));
    for (const std::string& p : problems) std::cout << file << ": " << p << '\n';
    // A note names what is no fault of the document (bytes past its committed end), a deviation
    // what other writers leave and every reader reads as it stands (a wrongly coloured tree).
    const auto deviations =
        std::count_if(problems.begin(), problems.end(),
                      [](const std::string& p) { return p.rfind("deviation: ", 0) == 0; });
    const auto faults = std::count_if(problems.begin(), problems.end(), [](const std::string& p) {
        return p.rfind("note: ", 0) != 0 && p.rfind("deviation: ", 0) != 0;
    });
    if (faults == 0) {
        std::cout << file << ": ok";
        if (deviations > 0)
            std::cout << ", " << deviations << (deviations == 1 ? " deviation" : " deviations");
        std::cout << '\n';
        return;
    }
    std::cout.flush();
    throw CommandFailure{file + ": " + std::to_string(faults) +
                         (faults == 1 ? " problem" : " problems")};
}

}  // namespace

void add_cfb_commands(CLI::App& app) {
    static const char* const kSalvageHelp =
        "Read a damaged document as far as it is sound; name each cut on stderr, exit 1 if any";
    auto* cfb = app.add_subcommand("cfb", "Compound documents: list, read, pack, unpack, check");
    cfb->require_subcommand(1);

    struct Args {
        std::string file, path, dir;
        bool json = false, v4 = false, salvage = false;
    };
    auto args = std::make_shared<Args>();

    auto* ls = cfb->add_subcommand("ls", "List every storage and stream: path, kind, size");
    ls->add_option("FILE", args->file, "Compound document")->required();
    ls->add_flag("--json", args->json, "An array of {path, kind, size}");
    ls->add_flag("--salvage", args->salvage, kSalvageHelp);
    ls->callback([args] { list_document(args->file, args->json, args->salvage); });

    auto* cat = cfb->add_subcommand("cat", "Write the bytes of one stream to standard output");
    cat->add_option("FILE", args->file, "Compound document")->required();
    cat->add_option("PATH", args->path, "Stream path, storages joined by /")->required();
    cat->add_flag("--salvage", args->salvage, kSalvageHelp);
    cat->callback([args] { cat_stream(args->file, args->path, args->salvage); });

    auto* pk = cfb->add_subcommand("pack", "Make a new document of a folder's tree");
    pk->add_option("DIR", args->dir, "Folder: subfolders become storages, files streams")
        ->required();
    pk->add_option("FILE", args->file, "Document to create (must not exist)")->required();
    pk->add_flag("--v4", args->v4, "4096-byte sectors (format version 4)");
    pk->callback([args] { pack(args->dir, args->file, args->v4); });

    auto* up = cfb->add_subcommand("unpack", "Write a document's tree into a folder");
    up->add_option("FILE", args->file, "Compound document")->required();
    up->add_option("DIR", args->dir, "Folder (created when missing)")->required();
    up->add_flag("--salvage", args->salvage, kSalvageHelp);
    up->callback([args] { unpack(args->file, args->dir, args->salvage); });

    auto* ck = cfb->add_subcommand("check", "Check a document's structure; exit 1 on damage");
    ck->add_option("FILE", args->file, "Compound document")->required();
    ck->callback([args] { check(args->file); });
}

}  // namespace vyr_cli
