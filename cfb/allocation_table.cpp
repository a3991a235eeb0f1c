#include "cfb/allocation_table.h"

namespace cfb {

uint32_t AllocationTable::allocate(uint32_t preferred) {
    uint32_t s = kNoSector;
    if (preferred < size() && available(preferred)) {
        s = preferred;
    } else {
        while (hint_ < size() && !available(hint_)) ++hint_;
        if (hint_ < size()) {
            s = hint_;
        } else {
            if (size() > kMaxRegSect) return kNoSector;
            next_.push_back(kFreeSect);
            if (pinning_) pinned_.push_back(false);
            s = size() - 1;
        }
    }
    next_[s] = kEndOfChain;
    return s;
}

void AllocationTable::release(uint32_t s) {
    next_[s] = kFreeSect;
    if (!pinned(s) && s < hint_) hint_ = s;
}

void AllocationTable::assign(std::vector<uint32_t> entries) {
    next_ = std::move(entries);
    if (pinning_) pinned_.assign(next_.size(), false);
    hint_ = 0;
}

void AllocationTable::pin(const std::vector<uint32_t>& committed) {
    if (!pinning_) return;
    if (committed.size() > next_.size()) next_.resize(committed.size(), kFreeSect);
    pinned_.assign(next_.size(), false);
    for (size_t i = 0; i < committed.size(); ++i) pinned_[i] = committed[i] != kFreeSect;
    hint_ = 0;
}

void AllocationTable::pin(const SectorClaims& committed) {
    if (!pinning_) return;
    if (committed.size() > next_.size()) next_.resize(committed.size(), kFreeSect);
    pinned_ = committed;
    pinned_.resize(next_.size(), false);
    hint_ = 0;
}

void AllocationTable::truncate(uint32_t n) {
    if (n >= size()) return;
    next_.resize(n);
    if (pinning_) pinned_.resize(n);
    if (hint_ > n) hint_ = n;
}

uint32_t AllocationTable::used_end() const {
    uint32_t end = size();
    while (end > 0 && next_[end - 1] == kFreeSect && !pinned(end - 1)) --end;
    return end;
}

}  // namespace cfb
