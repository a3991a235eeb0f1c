#include "rinex/line_source.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rnx {

namespace {

constexpr size_t kWindow = 256 * 1024;

// The first LF or CR in [at, last), or null. Both are looked for in one pass, sixteen bytes at a
// time where SSE2 is there: two searches (or one per byte) cost the observation reader a few
// per cent of its speed.
const char* first_line_end(const char* at, const char* last) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; last - at >= 16; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)));
        if (found != 0) return at + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    for (; at < last; ++at)
        if (*at == '\n' || *at == '\r') return at;
    return nullptr;
}

}  // namespace

std::unique_ptr<LineSource> LineSource::open_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    std::unique_ptr<LineSource> src(new LineSource());
    src->file_ = f;
    src->window_.resize(kWindow);
    return src;
}

std::unique_ptr<LineSource> LineSource::from_stream(std::FILE* stream) {
    if (stream == nullptr) return nullptr;
    std::unique_ptr<LineSource> src(new LineSource());
    src->file_ = stream;
    src->owned_ = false;
    src->window_.resize(kWindow);
    return src;
}

std::unique_ptr<LineSource> LineSource::from_memory(std::string_view bytes) {
    std::unique_ptr<LineSource> src(new LineSource());
    src->memory_ = bytes;
    src->window_.resize(kWindow);
    return src;
}

LineSource::~LineSource() {
    if (file_ && owned_) std::fclose(file_);
}

// Moves the unconsumed tail to the front and reads more behind it; false when nothing new came.
bool LineSource::refill() {
    if (eof_) return false;
    if (begin_ > 0) {
        std::memmove(window_.data(), window_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const size_t room = window_.size() - end_;
    if (room == 0) return false;
    size_t got = 0;
    if (file_) {
        got = std::fread(window_.data() + end_, 1, room, file_);
        if (got < room) {
            if (std::ferror(file_)) failed_ = true;
            eof_ = true;
        }
    } else {
        got = std::min(room, memory_.size());
        std::memcpy(window_.data() + end_, memory_.data(), got);
        memory_.remove_prefix(got);
        if (memory_.empty()) eof_ = true;
    }
    end_ += got;
    return got > 0;
}

// Hands out [begin_, begin_ + len) and consumes `consumed` bytes.
std::string_view LineSource::take(size_t len, size_t consumed) {
    const char* text = window_.data() + begin_;
    begin_ += consumed;
    ++line_number_;
    last_ = std::string_view(text, len);
    return last_;
}

size_t LineSource::find_end(size_t from, size_t& length, size_t& resume) {
    const char* const base = window_.data();
    const char* const last = base + end_;
    const char* const end = first_line_end(base + from, last);
    if (end == nullptr) {
        resume = end_;
        return kNoEnd;
    }
    length = 1;
    if (*end == '\r') {
        // A CR closing the window may be the first half of a CR LF: the next bytes tell.
        if (end + 1 == last && !eof_) {
            resume = end - base;
            return kNoEnd;
        }
        if (end + 1 < last && end[1] == '\n') length = 2;
    }
    return end - base;
}

bool LineSource::next(std::string_view& line) {
    if (unread_) {
        unread_ = false;
        line = last_;
        return true;
    }
    cut_ = false;
    size_t length = 0;
    size_t resume = 0;
    while (skipping_) {  // the rest of a line cut at kMaxLine
        const size_t at = find_end(begin_, length, resume);
        if (at != kNoEnd) {
            begin_ = at + length;
            skipping_ = false;
        } else {
            begin_ = resume;
            if (!refill()) skipping_ = false;
        }
    }
    size_t scanned = begin_;
    for (;;) {
        const size_t at = find_end(scanned, length, resume);
        if (at != kNoEnd) {
            const size_t len = at - begin_;
            cut_ = len > kMaxLine;
            line = take(cut_ ? kMaxLine : len, len + length);
            return true;
        }
        if (end_ - begin_ > kMaxLine) {
            cut_ = skipping_ = true;
            line = take(kMaxLine, kMaxLine);
            return true;
        }
        scanned = resume - begin_;  // relative: refill moves the unconsumed bytes to the front
        if (!refill()) break;
    }
    if (begin_ == end_) return false;
    // The input ended behind a CR that waited for its LF: the CR ends the last line.
    const size_t len = end_ - begin_;
    line = take(window_[end_ - 1] == '\r' ? len - 1 : len, len);
    return true;
}

}  // namespace rnx
