// A chain of sectors in one space, kept as a vector of sector ids so that appends, seeks and
// reads never walk the allocation table. Writes to sectors pinned by the committed state go
// to fresh sectors (copy-on-write) and the chain is relinked around them.
//
// A chain checked on open but not used yet is deferred: only its start and length are kept,
// and the ids are read from the table on first use. Opening a document with large streams
// so costs one pass over the table, not a copy of it per stream.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cfb/sector_space.h"

namespace cfb {

class SectorChain {
public:
    SectorChain() = default;
    explicit SectorChain(SectorSpace* space) : space_(space) {}

    SectorSpace* space() const { return space_; }
    uint32_t start() const {
        if (deferred_) return deferred_length_ == 0 ? kEndOfChain : deferred_start_;
        return sectors_.empty() ? kEndOfChain : sectors_.front();
    }
    size_t length() const { return deferred_ ? deferred_length_ : sectors_.size(); }

    // Follows the table from `start`. Every sector must be below `limit` and not yet claimed
    // (which catches cycles and sectors shared by two chains); each is claimed on the way.
    // STG_E_DOCFILECORRUPT otherwise, with `why` (when given) saying where the chain breaks
    // ("sector 12 links to sector 900, past the end of the file"); the caller names the chain.
    HRESULT load(uint32_t start, uint32_t limit, SectorClaims& claimed, std::string* why = nullptr);
    // The same check, keeping only start and length (the ids are read on first use).
    HRESULT load_deferred(uint32_t start, uint32_t limit, SectorClaims& claimed,
                          std::string* why = nullptr);

    // A deferred chain of `length` sectors from `start`, checked when the document was opened.
    void assume_checked(uint32_t start, size_t length) {
        sectors_.clear();
        deferred_ = true;
        deferred_start_ = start;
        deferred_length_ = length;
    }
    // A chain of sectors already checked (what a salvaging open kept of a damaged chain).
    void assign(std::vector<uint32_t> sectors) {
        sectors_ = std::move(sectors);
        deferred_ = false;
    }

    // Links the first `keep` sectors into `table` (a table being rebuilt) and forgets the rest.
    void relink(std::vector<uint32_t>& table, size_t keep);

    // Grows (allocating, contiguous where the table allows) or shrinks (releasing) the chain.
    HRESULT resize(size_t sectors);
    void release() { resize(0); }
    // Bytes at pos of the chain's data. [pos, pos + n) must lie inside the chain: a range
    // outside is the caller's bug (asserted; E_UNEXPECTED in a release build), never damage.
    HRESULT read_at(uint64_t pos, void* p, size_t n);
    HRESULT write_at(uint64_t pos, const void* p, size_t n);

private:
    void materialize();
    bool covers(uint64_t pos, size_t n) const;
    HRESULT copy_on_write(size_t index, bool keep_contents);
    template <typename Fn>
    HRESULT for_each_run(uint64_t pos, size_t n, Fn fn);

    SectorSpace* space_ = nullptr;
    std::vector<uint32_t> sectors_;
    bool deferred_ = false;
    uint32_t deferred_start_ = kEndOfChain;
    size_t deferred_length_ = 0;
};

}  // namespace cfb
