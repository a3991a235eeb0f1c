// An open compound file: the header, FAT and MiniFAT in memory, the element tree, and the
// transaction that makes the working state durable.
#pragma once

#include <memory>

#include "cfb/document.h"
#include "cfb/header.h"
#include "cfb/node.h"
#include "cfb/sector_chain.h"
#include "cfb/sector_space.h"
#include "cfb/stored_directory.h"

namespace cfb {

class CompoundFile {
public:
    // A new document on `bytes` (format version 3 or 4), committed empty at once so that it
    // opens even if nothing else is ever committed.
    static HRESULT create(ILockBytes* bytes, uint16_t major, std::shared_ptr<CompoundFile>* out);
    static HRESULT open(ILockBytes* bytes, bool writable, std::shared_ptr<CompoundFile>* out);
    // A read-only open that reads what it can of a damaged document (cfb/salvage.cpp).
    static HRESULT open_salvaged(ILockBytes* bytes, std::shared_ptr<CompoundFile>* out,
                                 SalvageReport& report);
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    // Writes every new sector, flushes, writes the header, flushes. Only then are the
    // sectors of the previous state free for reuse. With nothing changed since the open, or
    // since a commit that followed a change, it writes nothing: closing an unchanged document
    // leaves its bytes alone. The commit right after a change still runs once more when asked,
    // as it can move the metadata into the sectors the change freed and shorten the file.
    HRESULT commit();
    // The root storage is gone: drop the byte array (and with it the file lock); the working
    // state is discarded and every object still open reports STG_E_REVERTED.
    void close();
    bool closed() const { return bytes_ == nullptr; }
    bool writable() const { return writable_; }
    uint16_t major() const { return header_.major; }
    Node& root() { return *root_; }

    // Stream contents; reads stay below the stream's size, writes grow it.
    HRESULT read_stream(Node& stream, uint64_t pos, void* p, size_t n);
    HRESULT write_stream(Node& stream, uint64_t pos, const void* p, size_t n);
    // New bytes read as zeros.
    HRESULT resize_stream(Node& stream, uint64_t size) { return set_size(stream, size, true); }

    // Element tree edits; callers have checked names, access and open elements.
    HRESULT add_child(Node& parent, const std::u16string& name, uint8_t type, Node** out);
    void destroy_child(Node& parent, Node& child);
    void rename_child(Node& parent, Node& child, const std::u16string& name);
    // Deep copy of `source` (of document `from`, possibly this one) into dest_parent.
    HRESULT copy_element(CompoundFile& from, Node& source, Node& dest_parent,
                         const std::u16string& name);

private:
    CompoundFile(ILockBytes* bytes, uint16_t major, bool writable);
    static HRESULT open_checked(ILockBytes* bytes, bool writable,
                                std::shared_ptr<CompoundFile>* out, SalvageReport* salvage);
    HRESULT load(uint32_t file_sectors);
    HRESULT load_salvaged(uint32_t file_sectors, SalvageReport& report);
    // Builds every storage's children (a writable document needs them all).
    void build_all();
    void rebuild_tables();
    HRESULT set_size(Node& stream, uint64_t size, bool zero_fill);
    SectorSpace* space_for(uint64_t size);
    uint64_t max_stream_size() const;
    HRESULT write_zeros(SectorChain& chain, uint64_t from, uint64_t to);

    ILockBytes* bytes_;
    Header header_;
    bool writable_;
    uint64_t committed_bytes_ = 0;  // size of the byte array after the last commit (or open)
    bool changed_ = true;           // the working state differs from the committed one
    bool compactable_ = false;      // the last commit freed sectors a new commit may reuse
    RegularSpace regular_;
    SectorChain mini_stream_;
    MiniSpace mini_;
    std::unique_ptr<StoredDirectory> stored_;  // the directory read on open; nodes build from it
    std::unique_ptr<Node> root_;
};

}  // namespace cfb
