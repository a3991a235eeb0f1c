#include "rinex/line_source.h"

#include <algorithm>
#include <cstring>

namespace rnx {

namespace {
constexpr size_t kWindow = 256 * 1024;
}

std::unique_ptr<LineSource> LineSource::open_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    std::unique_ptr<LineSource> src(new LineSource());
    src->file_ = f;
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
    if (file_) std::fclose(file_);
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
    if (len > 0 && text[len - 1] == '\r') --len;
    ++line_number_;
    last_ = std::string_view(text, len);
    return last_;
}

bool LineSource::next(std::string_view& line) {
    if (unread_) {
        unread_ = false;
        line = last_;
        return true;
    }
    cut_ = false;
    while (skipping_) {  // the rest of a line cut at kMaxLine
        const void* nl = std::memchr(window_.data() + begin_, '\n', end_ - begin_);
        if (nl) {
            begin_ = static_cast<const char*>(nl) - window_.data() + 1;
            skipping_ = false;
        } else {
            begin_ = end_;
            if (!refill()) skipping_ = false;
        }
    }
    size_t scanned = begin_;
    for (;;) {
        const void* nl = std::memchr(window_.data() + scanned, '\n', end_ - scanned);
        if (nl) {
            const size_t len = static_cast<const char*>(nl) - window_.data() - begin_;
            cut_ = len > kMaxLine;
            line = take(cut_ ? kMaxLine : len, len + 1);
            return true;
        }
        if (end_ - begin_ > kMaxLine) {
            cut_ = skipping_ = true;
            line = take(kMaxLine, kMaxLine);
            return true;
        }
        scanned = end_ - begin_;  // relative: refill moves the unconsumed bytes to the front
        if (!refill()) break;
    }
    if (begin_ == end_) return false;
    line = take(end_ - begin_, end_ - begin_);
    return true;
}

}  // namespace rnx
