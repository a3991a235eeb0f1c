#include "cfb/sector_chain.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <vector>

#include "cfb/refusal.h"

namespace cfb {

namespace {

// Walks the table from start, claiming each sector, to the end of the chain or to a sector out
// of bounds or already claimed (then not sound); the sectors claimed.
struct ClaimedChain {
    size_t length = 0;
    bool sound = true;
};

ClaimedChain claim_chain(const AllocationTable& table, uint32_t start, uint32_t limit,
                         SectorClaims& claimed) {
    const uint32_t bound = std::min({limit, table.size(), static_cast<uint32_t>(claimed.size())});
    ClaimedChain out;
    for (uint32_t s = start; s != kEndOfChain; s = table.next(s)) {
        if (s >= bound || claimed[s]) {
            out.sound = false;
            return out;
        }
        claimed[s] = true;
        ++out.length;
    }
    return out;
}

// Where a chain claim_chain found unsound breaks, after its first `length` sectors.
[[gnu::cold, gnu::noinline]] std::string chain_break(const AllocationTable& table, uint32_t start,
                                                     size_t length, uint32_t limit, bool mini) {
    const std::string unit = mini ? "mini sector" : "sector";
    uint32_t previous = kNoSector;
    uint32_t s = start;
    bool looped = false;
    for (size_t i = 0; i < length; ++i) {
        previous = s;
        s = table.next(s);
    }
    for (uint32_t t = start, i = 0; i < length && !looped; t = table.next(t), ++i) looped = t == s;
    const std::string from = previous == kNoSector
                                 ? "its chain starts at "
                                 : unit + " " + std::to_string(previous) + " links to ";
    const std::string at = unit + " " + std::to_string(s);
    if (s == kFreeSect) return from + "a free " + unit;
    if (s > kMaxRegSect) return from + "a FAT or DIFAT marker (" + sector_text(s) + ")";
    if (s >= limit) return from + at + ", past the end of the " + (mini ? "mini stream" : "file");
    if (s >= table.size())
        return from + at + ", which the " + (mini ? "MiniFAT" : "FAT") + " does not cover";
    return from + at + (looped ? " again (a loop)" : ", which another chain or table also uses");
}

}  // namespace

HRESULT SectorChain::load(uint32_t start, uint32_t limit, SectorClaims& claimed, std::string* why) {
    const HRESULT hr = load_deferred(start, limit, claimed, why);
    if (SUCCEEDED(hr)) materialize();
    return hr;
}

HRESULT SectorChain::load_deferred(uint32_t start, uint32_t limit, SectorClaims& claimed,
                                   std::string* why) {
    sectors_.clear();
    deferred_ = false;
    const ClaimedChain chain = claim_chain(space_->table(), start, limit, claimed);
    if (!chain.sound) {
        if (why != nullptr)
            *why = chain_break(space_->table(), start, chain.length, limit,
                               space_->sector_size() == kMiniSectorBytes);
        return STG_E_DOCFILECORRUPT;
    }
    deferred_ = true;
    deferred_start_ = start;
    deferred_length_ = chain.length;
    return S_OK;
}

void SectorChain::materialize() {
    if (!deferred_) return;
    const AllocationTable& table = space_->table();
    sectors_.reserve(deferred_length_);
    uint32_t s = deferred_start_;
    for (size_t i = 0; i < deferred_length_; ++i, s = table.next(s)) sectors_.push_back(s);
    deferred_ = false;
}

void SectorChain::relink(std::vector<uint32_t>& table, size_t keep) {
    keep = std::min(keep, length());
    if (deferred_) {
        // The table this chain was checked against is intact until the rebuilt one replaces it.
        const AllocationTable& current = space_->table();
        uint32_t s = deferred_start_;
        for (size_t i = 0; i < keep; ++i) {
            const uint32_t next = current.next(s);
            table[s] = i + 1 < keep ? next : kEndOfChain;
            s = next;
        }
        deferred_length_ = keep;
        return;
    }
    for (size_t i = 0; i < keep; ++i)
        table[sectors_[i]] = i + 1 < keep ? sectors_[i + 1] : kEndOfChain;
    sectors_.resize(keep);
}

HRESULT SectorChain::resize(size_t count) {
    materialize();
    AllocationTable& table = space_->table();
    while (sectors_.size() > count) {
        table.release(sectors_.back());
        sectors_.pop_back();
        if (sectors_.size() == count && !sectors_.empty())
            table.set_next(sectors_.back(), kEndOfChain);
    }
    while (sectors_.size() < count) {
        const uint32_t preferred = sectors_.empty() ? kNoSector : sectors_.back() + 1;
        uint32_t s = 0;
        const HRESULT hr = space_->allocate(preferred, &s);
        if (FAILED(hr)) return hr;
        if (!sectors_.empty()) table.set_next(sectors_.back(), s);
        sectors_.push_back(s);
    }
    return S_OK;
}

HRESULT SectorChain::copy_on_write(size_t index, bool keep_contents) {
    AllocationTable& table = space_->table();
    const uint32_t old = sectors_[index];
    const uint32_t preferred = index > 0 ? sectors_[index - 1] + 1 : kNoSector;
    uint32_t fresh = 0;
    HRESULT hr = space_->allocate(preferred, &fresh);
    if (FAILED(hr)) return hr;
    if (keep_contents) {
        std::vector<uint8_t> buffer(space_->sector_size());
        hr = space_->read(old, 0, buffer.data(), buffer.size());
        if (SUCCEEDED(hr)) hr = space_->write(fresh, 0, buffer.data(), buffer.size());
        if (FAILED(hr)) {
            table.release(fresh);
            return hr;
        }
    }
    if (index > 0) table.set_next(sectors_[index - 1], fresh);
    table.set_next(fresh, table.next(old));
    table.release(old);  // still pinned: not handed out before the next commit
    sectors_[index] = fresh;
    return S_OK;
}

template <typename Fn>
HRESULT SectorChain::for_each_run(uint64_t pos, size_t n, Fn fn) {
    const uint32_t size = space_->sector_size();
    size_t i = static_cast<size_t>(pos / size);
    uint64_t offset = pos % size;
    size_t done = 0;
    while (done < n) {
        size_t j = i;
        uint64_t run_bytes = size - offset;
        while (done + run_bytes < n && j + 1 < sectors_.size() &&
               sectors_[j + 1] == sectors_[j] + 1) {
            ++j;
            run_bytes += size;
        }
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(run_bytes, n - done));
        const HRESULT hr = fn(sectors_[i], offset, done, piece);
        if (FAILED(hr)) return hr;
        done += piece;
        i = j + 1;
        offset = 0;
    }
    return S_OK;
}

bool SectorChain::covers(uint64_t pos, size_t n) const {
    // The stream layer clamps reads to the stream's size and sizes the chain before it writes,
    // and the open checked every chain against its size: a range outside is a bug above, not
    // damage on disk. A release build refuses it rather than touch memory it does not own.
    const bool inside = pos <= uint64_t{sectors_.size()} * space_->sector_size() &&
                        n <= uint64_t{sectors_.size()} * space_->sector_size() - pos;
    assert(inside && "a chain read or write outside the chain");
    return inside;
}

HRESULT SectorChain::read_at(uint64_t pos, void* p, size_t n) {
    if (n == 0) return S_OK;
    materialize();
    if (!covers(pos, n)) return E_UNEXPECTED;
    auto* out = static_cast<uint8_t*>(p);
    return for_each_run(pos, n, [&](uint32_t first, uint64_t offset, size_t done, size_t piece) {
        return space_->read(first, offset, out + done, piece);
    });
}

HRESULT SectorChain::write_at(uint64_t pos, const void* p, size_t n) {
    if (n == 0) return S_OK;
    materialize();
    if (!covers(pos, n)) return E_UNEXPECTED;
    const uint32_t size = space_->sector_size();
    const size_t first = static_cast<size_t>(pos / size);
    const size_t last = static_cast<size_t>((pos + n - 1) / size);
    AllocationTable& table = space_->table();
    for (size_t i = first; i <= last; ++i) {
        if (!table.pinned(sectors_[i])) continue;
        const bool partial =
            (i == first && pos % size != 0) || (i == last && (pos + n) % size != 0);
        const HRESULT hr = copy_on_write(i, partial);
        if (FAILED(hr)) return hr;
    }
    const auto* in = static_cast<const uint8_t*>(p);
    return for_each_run(pos, n,
                        [&](uint32_t first_sector, uint64_t offset, size_t done, size_t piece) {
                            return space_->write(first_sector, offset, in + done, piece);
                        });
}

}  // namespace cfb
