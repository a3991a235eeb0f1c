#include "import/input_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "import/compact_rinex.h"
#include "import/compressed_input.h"

namespace vyr_import {
namespace {

constexpr size_t kChunk = 64 * 1024;
// The first line of a compact file is looked for in this many bytes.
constexpr size_t kFirstLineBytes = 4096;

// Compact lines cut from the decoded text and fed to the expander; its plain text handed out.
struct CompactStage {
    CCompactRinexExpander expander;
    std::string out;
    size_t outAt = 0;
    std::string carry;  // the start of a line the next chunk ends
    std::vector<char> chunk = std::vector<char>(kChunk);
    bool finished = false;
    bool broken = false;  // the text before the failure is handed out, then the failure
};

// One stream: where its bytes come from, what was read ahead, and what broke.
struct Input {
    int fd = -1;
    std::unique_ptr<CompressedInput> packed;  // null for a plain file
    bool afterCr = false;
    std::string ahead;  // decoded text read to look at the first line, handed out first
    size_t aheadAt = 0;
    std::unique_ptr<CompactStage> compact;
    std::string problem;
    FILE* file = nullptr;
    char buffer[kChunk];
};

// The streams open now, so that read_problem finds the cause of a stream's failure.
std::mutex registryLock;
std::unordered_map<FILE*, Input*>& registry() {
    static std::unordered_map<FILE*, Input*> streams;
    return streams;
}

ssize_t failure(Input& input, std::string problem) {
    if (input.problem.empty()) input.problem = std::move(problem);
    errno = EIO;
    return -1;
}

// Bytes as stored or decompressed.
ssize_t read_stored(Input& input, char* bytes, size_t size) {
    if (input.packed != nullptr) {
        const ssize_t got = input.packed->read(bytes, size);
        return got < 0 ? failure(input, input.packed->problem()) : got;
    }
    for (;;) {
        const ssize_t got = ::read(input.fd, bytes, size);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        const int error = errno;
        failure(input, std::string("reading the file failed: ") + std::strerror(error));
        errno = error;
        return -1;
    }
}

// Decoded text with LF line ends: what was read ahead first.
ssize_t read_text(Input& input, char* bytes, size_t size) {
    if (input.aheadAt < input.ahead.size()) {
        const size_t n = std::min(size, input.ahead.size() - input.aheadAt);
        std::memcpy(bytes, input.ahead.data() + input.aheadAt, n);
        input.aheadAt += n;
        if (input.aheadAt == input.ahead.size()) std::string().swap(input.ahead);
        return static_cast<ssize_t>(n);
    }
    if (!input.problem.empty()) return failure(input, input.problem);
    for (;;) {
        const ssize_t got = read_stored(input, bytes, size);
        if (got <= 0) return got;
        // A read of nothing but the LF of a CR LF gives no byte: the stream would take 0 for its
        // end, so read on.
        const size_t kept = to_lf_line_ends(bytes, static_cast<size_t>(got), input.afterCr);
        if (kept > 0) return static_cast<ssize_t>(kept);
    }
}

bool feed(Input& input, std::string_view line, bool last = false) {
    CompactStage& stage = *input.compact;
    if (last ? stage.expander.FeedLast(line, stage.out) : stage.expander.Feed(line, stage.out))
        return true;
    failure(input, "compact line " + std::to_string(stage.expander.ProblemLine()) + ": " +
                       stage.expander.Problem());
    return false;
}

// Expands chunks of compact lines until there is plain text to hand out, the end or a failure.
bool expand_more(Input& input) {
    CompactStage& stage = *input.compact;
    stage.out.clear();
    stage.outAt = 0;
    while (stage.out.empty() && !stage.finished) {
        const ssize_t got = read_text(input, stage.chunk.data(), stage.chunk.size());
        if (got < 0) return false;
        if (got == 0) {
            stage.finished = true;
            if (!stage.carry.empty() && !feed(input, stage.carry, true)) return false;
            if (!stage.expander.Finish()) {
                failure(input, "compact line " + std::to_string(stage.expander.ProblemLine()) +
                                   ": " + stage.expander.Problem());
                return false;
            }
            break;
        }
        const char* at = stage.chunk.data();
        const char* const last = at + got;
        while (const void* found = std::memchr(at, '\n', static_cast<size_t>(last - at))) {
            const char* end = static_cast<const char*>(found);
            if (stage.carry.empty()) {
                if (!feed(input, std::string_view(at, static_cast<size_t>(end - at)))) return false;
            } else {
                stage.carry.append(at, static_cast<size_t>(end - at));
                if (!feed(input, stage.carry)) return false;
                stage.carry.clear();
            }
            at = end + 1;
        }
        // A line past the expander's limit is kept one character too long: the expander
        // refuses it, and damage does not make the carry grow.
        const size_t room = CCompactRinexExpander::kMaxLineLength + 1 -
                            std::min(stage.carry.size(), CCompactRinexExpander::kMaxLineLength + 1);
        stage.carry.append(at, std::min(room, static_cast<size_t>(last - at)));
    }
    return true;
}

ssize_t read_input(void* cookie, char* bytes, size_t size) {
    Input& input = *static_cast<Input*>(cookie);
    if (input.compact == nullptr) return read_text(input, bytes, size);
    CompactStage& stage = *input.compact;
    if (stage.outAt == stage.out.size()) {
        if (!stage.broken && !expand_more(input)) stage.broken = true;
        if (stage.outAt == stage.out.size() && stage.broken) {
            errno = EIO;
            return -1;
        }
    }
    const size_t n = std::min(size, stage.out.size() - stage.outAt);
    std::memcpy(bytes, stage.out.data() + stage.outAt, n);
    stage.outAt += n;
    return static_cast<ssize_t>(n);
}

int close_input(void* cookie) {
    Input* input = static_cast<Input*>(cookie);
    {
        const std::lock_guard<std::mutex> hold(registryLock);
        registry().erase(input->file);
    }
    const int closed = input->fd >= 0 ? ::close(input->fd) : 0;
    delete input;
    return closed;
}

// Reads the decoded text's first line (or what of it the first bytes hold) ahead, to tell
// compact RINEX by it.
bool starts_compact(Input& input) {
    while (input.ahead.size() < kFirstLineBytes && input.ahead.find('\n') == std::string::npos) {
        char bytes[kFirstLineBytes];
        const ssize_t got = read_text(input, bytes, sizeof bytes);
        if (got <= 0) break;  // a failure shows at the first read of the stream
        input.ahead.append(bytes, static_cast<size_t>(got));
    }
    const std::string_view text(input.ahead);
    return IsCompactRinexFirstLine(text.substr(0, text.find('\n')));
}

}  // namespace

TextFile open_input_text(const char* fileName, Expansion expansion, std::string& problem) {
    problem.clear();
    if (fileName == nullptr) {
        problem = "no file name";
        return nullptr;
    }
    const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        problem = std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<Input> input(new (std::nothrow) Input);
    if (input == nullptr) {
        ::close(fd);
        problem = "out of memory";
        return nullptr;
    }
    input->fd = fd;
    unsigned char magic[6] = {};
    ssize_t got = 0;
    do {
        got = ::pread(fd, magic, sizeof magic, 0);
    } while (got < 0 && errno == EINTR);
    const Packing packing = packing_of(magic, got > 0 ? static_cast<size_t>(got) : 0);
    if (packing != Packing::kPlain) {
        // libarchive opens the file itself; the descriptor is not needed further.
        ::close(input->fd);
        input->fd = -1;
        input->packed = std::make_unique<CompressedInput>();
        if (!input->packed->open(fileName, packing)) input->problem = input->packed->problem();
    }
    if (expansion == Expansion::kCompact && input->problem.empty() && starts_compact(*input))
        input->compact = std::make_unique<CompactStage>();

    FILE* file = fopencookie(input.get(), "r",
                             cookie_io_functions_t{read_input, nullptr, nullptr, close_input});
    if (file == nullptr) {
        problem = "out of memory";
        if (input->fd >= 0) ::close(input->fd);
        return nullptr;
    }
    std::setvbuf(file, input->buffer, _IOFBF, sizeof input->buffer);
    input->file = file;
    {
        const std::lock_guard<std::mutex> hold(registryLock);
        registry()[file] = input.get();
    }
    input.release();  // closed with the stream
    return TextFile(file);
}

TextFile open_text_file(const char* fileName) {
    std::string ignored;
    return open_input_text(fileName, Expansion::kCompact, ignored);
}

std::string read_problem(FILE* file) {
    if (file == nullptr || !std::ferror(file)) return {};
    const std::lock_guard<std::mutex> hold(registryLock);
    const auto found = registry().find(file);
    if (found == registry().end() || found->second->problem.empty())
        return "the file cannot be read";
    return found->second->problem;
}

}  // namespace vyr_import
