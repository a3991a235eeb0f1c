#include "cfb/compound_file.h"

#include <algorithm>

#include "cfb/directory_tree.h"
#include "cfb/fat.h"
#include "cfb/little_endian.h"
#include "cfb/refusal.h"
#include "cfb/stored_directory.h"

namespace cfb {

namespace {

const std::u16string kRootName = u"Root Entry";

uint64_t byte_size(ILockBytes& bytes) {
    STATSTG st;
    return SUCCEEDED(bytes.Stat(&st, STATFLAG_NONAME)) ? st.cbSize : 0;
}

// Directory entries of `storage`'s children (and, depth first, theirs), appended to `out`;
// the storage's own entry at `self` gets the root of its sibling tree.
void collect_entries(const Node& storage, uint32_t self, std::vector<DirectoryEntry>& out) {
    std::vector<uint32_t> ids;
    for (const auto& [name, child] : storage.children()) {
        const auto id = static_cast<uint32_t>(out.size());
        ids.push_back(id);
        DirectoryEntry e;
        e.name = child->name;
        e.type = child->type;
        if (child->is_stream()) {
            e.start = child->chain.start();
            e.size = child->size;
        } else {
            e.clsid = child->clsid;
            e.state_bits = child->state_bits;
            e.ctime = child->ctime;
            e.mtime = child->mtime;
        }
        out.push_back(e);
        if (!child->is_stream()) collect_entries(*child, id, out);
    }
    out[self].child = link_siblings(ids, out);
}

// Where the committed document in a file of `size` bytes ends: after the last sector it uses
// (a sector of one of its structures or chains, or one its FAT marks in use). A commit writes
// its sectors before it switches the header, so a process killed while it wrote leaves bytes
// behind this end.
uint64_t committed_end(uint64_t size, uint32_t sector_size, const AllocationTable& fat,
                       const SectorClaims& claimed) {
    uint64_t used = claimed.size();
    while (used > 0 && !claimed[used - 1]) --used;
    used = std::max<uint64_t>(used, fat.used_end());
    return std::min(size, (used + 1) * sector_size);
}

// Allocates a linked chain of `count` sectors in `fat`.
HRESULT place_chain(AllocationTable& fat, size_t count, std::vector<uint32_t>& ids) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t s = fat.allocate(ids.empty() ? kNoSector : ids.back() + 1);
        if (s == kNoSector) return STG_E_MEDIUMFULL;
        if (!ids.empty()) fat.set_next(ids.back(), s);
        ids.push_back(s);
    }
    return S_OK;
}

HRESULT write_chain(RegularSpace& space, const std::vector<uint32_t>& ids,
                    const std::vector<uint8_t>& data) {
    for (size_t i = 0; i < ids.size(); ++i) {
        const HRESULT hr =
            space.write(ids[i], 0, data.data() + i * space.sector_size(), space.sector_size());
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

CompoundFile::CompoundFile(ILockBytes* bytes, uint16_t major, bool writable)
    : bytes_(bytes),
      writable_(writable),
      regular_(bytes, 1u << (major == 4 ? kSectorShiftV4 : kSectorShiftV3)),
      mini_stream_(&regular_),
      mini_(mini_stream_),
      root_(std::make_unique<Node>()) {
    bytes_->AddRef();
    header_.major = major;
    header_.sector_shift = major == 4 ? kSectorShiftV4 : kSectorShiftV3;
    root_->name = kRootName;
    root_->type = kTypeRoot;
    root_->open = true;
}

CompoundFile::~CompoundFile() {
    close();
}

void CompoundFile::close() {
    if (bytes_ == nullptr) return;
    // Sectors past the committed end hold only discarded work.
    if (writable_ && committed_bytes_ > 0 && byte_size(*bytes_) > committed_bytes_)
        bytes_->SetSize(committed_bytes_);
    bytes_->Release();
    bytes_ = nullptr;
}

HRESULT CompoundFile::create(ILockBytes* bytes, uint16_t major,
                             std::shared_ptr<CompoundFile>* out) {
    std::shared_ptr<CompoundFile> file(new CompoundFile(bytes, major, true));
    const HRESULT hr = file->commit();
    if (FAILED(hr)) return hr;
    *out = std::move(file);
    return S_OK;
}

HRESULT CompoundFile::open(ILockBytes* bytes, bool writable, std::shared_ptr<CompoundFile>* out) {
    return open_checked(bytes, writable, out, nullptr);
}

HRESULT CompoundFile::open_salvaged(ILockBytes* bytes, std::shared_ptr<CompoundFile>* out,
                                    SalvageReport& report) {
    const HRESULT hr = open_checked(bytes, false, out, &report);
    if (FAILED(hr) && report.refusal.empty()) {
        report.refusal = last_refusal();
        if (report.refusal.empty()) report.refusal = "the file cannot be read";
    }
    return hr;
}

HRESULT CompoundFile::open_checked(ILockBytes* bytes, bool writable,
                                   std::shared_ptr<CompoundFile>* out, SalvageReport* salvage) {
    clear_refusal();
    const uint64_t size = byte_size(*bytes);
    if (size < kHeaderBytes)
        return refuse(STG_E_INVALIDHEADER, "the file is " + std::to_string(size) +
                                               " bytes long, shorter than a header (512)");
    uint8_t raw[kHeaderBytes];
    HRESULT hr = read_bytes(*bytes, 0, raw, sizeof raw);
    if (FAILED(hr)) return hr;
    Header header;
    hr = parse_header(raw, header);
    if (FAILED(hr)) return hr;
    const uint32_t sector_size = header.sector_size();
    if (size < sector_size)
        return refuse(STG_E_INVALIDHEADER, "the file is " + std::to_string(size) +
                                               " bytes long, shorter than its " +
                                               std::to_string(sector_size) + "-byte header sector");
    const uint64_t file_sectors =
        std::min<uint64_t>(sectors_for(size - sector_size, sector_size), kMaxRegSect);
    std::shared_ptr<CompoundFile> file(new CompoundFile(bytes, header.major, writable));
    file->header_ = header;
    file->committed_bytes_ = size;
    hr = salvage != nullptr ? file->load_salvaged(static_cast<uint32_t>(file_sectors), *salvage)
                            : file->load(static_cast<uint32_t>(file_sectors));
    if (FAILED(hr)) return hr;
    file->changed_ = false;
    *out = std::move(file);
    return S_OK;
}

HRESULT CompoundFile::load(uint32_t file_sectors) {
    const uint32_t sector_size = header_.sector_size();
    std::vector<uint32_t> fat;
    SectorClaims claimed;
    HRESULT hr = load_fat(*bytes_, header_, file_sectors, fat, claimed);
    if (FAILED(hr)) return hr;
    regular_.table().assign(std::move(fat));

    SectorChain directory(&regular_);
    std::string why;
    hr = directory.load(header_.first_dir_sector, file_sectors, claimed, &why);
    if (FAILED(hr)) return refuse(hr, "the directory: " + why);
    if (directory.length() == 0)
        return refuse(STG_E_DOCFILECORRUPT, "the header gives no directory sector");
    const size_t directory_bytes = directory.length() * sector_size;
    std::unique_ptr<uint8_t[]> raw(new uint8_t[directory_bytes]);  // no zeros: all is read
    hr = directory.read_at(0, raw.get(), directory_bytes);
    if (FAILED(hr)) return hr;
    DirectoryEntry root_entry;
    hr = decode_entry(raw.get(), root_entry);
    if (FAILED(hr) || root_entry.type != kTypeRoot)
        return refuse(STG_E_DOCFILECORRUPT, "directory entry 0 is not the root entry (type " +
                                                std::to_string(raw[kEntryTypeAt]) + ")");
    stored_ = std::make_unique<StoredDirectory>(std::move(raw), directory_bytes / kEntryBytes,
                                                header_.major, &regular_, &mini_);

    SectorChain minifat_chain(&regular_);
    if (header_.first_minifat_sector != kEndOfChain) {
        hr = minifat_chain.load(header_.first_minifat_sector, file_sectors, claimed, &why);
        if (FAILED(hr)) return refuse(hr, "the MiniFAT: " + why);
    }
    std::vector<uint8_t> minifat_raw(minifat_chain.length() * sector_size);
    hr = minifat_chain.read_at(0, minifat_raw.data(), minifat_raw.size());
    if (FAILED(hr)) return hr;

    // Version 3 sizes are 32-bit; writers have left garbage in the high half.
    const uint64_t mini_bytes =
        header_.major == 3 ? (root_entry.size & 0xFFFFFFFFu) : root_entry.size;
    if (mini_bytes > 0 || root_entry.start != kEndOfChain) {
        hr = mini_stream_.load(root_entry.start, file_sectors, claimed, &why);
        if (FAILED(hr)) return refuse(hr, "the mini stream: " + why);
    }
    if (mini_bytes > uint64_t{mini_stream_.length()} * sector_size)
        return refuse(STG_E_DOCFILECORRUPT, "the mini stream holds " + std::to_string(mini_bytes) +
                                                " bytes, but its chain has only " +
                                                std::to_string(mini_stream_.length()) + " sectors");
    const size_t mini_sectors = std::min<size_t>(minifat_raw.size() / kSectorIdBytes,
                                                 mini_bytes / MiniSpace::kMiniSectorSize);
    std::vector<uint32_t> minifat(mini_sectors);
    for (size_t i = 0; i < mini_sectors; ++i)
        minifat[i] = get32(minifat_raw.data() + kSectorIdBytes * i);
    mini_.table().assign(std::move(minifat));
    SectorClaims mini_claimed(mini_sectors, false);

    root_->clsid = root_entry.clsid;
    root_->state_bits = root_entry.state_bits;
    root_->mtime = root_entry.mtime;
    hr = stored_->check(root_entry.child, file_sectors, claimed, mini_claimed);
    if (FAILED(hr)) return hr;
    root_->defer_children(stored_.get(), root_entry.child);

    // A read-only document never allocates and changes nothing. A writable one drops the bytes
    // past its committed end (a failure to cut leaves only bytes no sector holds); what the
    // committed state holds stays pinned, and the working tables are rebuilt from the chains
    // actually reachable, so leaked sectors become free.
    if (!writable_) return S_OK;
    const uint64_t end = committed_end(committed_bytes_, sector_size, regular_.table(), claimed);
    if (end < committed_bytes_ && SUCCEEDED(bytes_->SetSize(end))) {
        committed_bytes_ = end;
        regular_.drop_read_ahead();
    }
    build_all();
    rebuild_tables();
    regular_.table().pin(claimed);
    return S_OK;
}

void CompoundFile::build_all() {
    std::vector<Node*> pending{root_.get()};
    while (!pending.empty()) {
        Node* storage = pending.back();
        pending.pop_back();
        for (auto& [name, child] : storage->children())
            if (!child->is_stream()) pending.push_back(child.get());
    }
}

void CompoundFile::rebuild_tables() {
    std::vector<uint32_t> fat(regular_.table().size(), kFreeSect);
    std::vector<uint32_t> minifat(mini_.table().size(), kFreeSect);
    mini_stream_.relink(fat, mini_stream_.length());
    std::vector<Node*> pending{root_.get()};
    while (!pending.empty()) {
        Node* storage = pending.back();
        pending.pop_back();
        for (auto& [name, child] : storage->children()) {
            if (!child->is_stream()) {
                pending.push_back(child.get());
                continue;
            }
            // Chains longer than the size needs keep only what it needs.
            SectorChain& chain = child->chain;
            const size_t keep =
                child->size == 0 ? 0 : sectors_for(child->size, chain.space()->sector_size());
            chain.relink(chain.space() == &mini_ ? minifat : fat, keep);
        }
    }
    regular_.table().assign(std::move(fat));
    mini_.table().assign(std::move(minifat));
}

HRESULT CompoundFile::commit() {
    if (closed()) return STG_E_REVERTED;
    if (!writable_ || (!changed_ && !compactable_)) return S_OK;
    const uint32_t sector_size = regular_.sector_size();
    HRESULT hr = regular_.flush_writes();
    if (FAILED(hr)) return hr;

    // The mini stream ends at its last mini sector in use.
    AllocationTable& minifat = mini_.table();
    const uint32_t mini_used = minifat.used_end();
    minifat.truncate(mini_used);
    const uint32_t minis_per_sector = sector_size / MiniSpace::kMiniSectorSize;
    hr = mini_stream_.resize((mini_used + minis_per_sector - 1) / minis_per_sector);
    if (FAILED(hr)) return hr;

    std::vector<DirectoryEntry> entries(1);
    DirectoryEntry& root_entry = entries[0];
    root_entry.name = kRootName;
    root_entry.type = kTypeRoot;
    root_entry.clsid = root_->clsid;
    root_entry.state_bits = root_->state_bits;
    root_entry.mtime = root_->mtime;
    root_entry.start = mini_stream_.start();
    root_entry.size = uint64_t{mini_used} * MiniSpace::kMiniSectorSize;
    collect_entries(*root_, 0, entries);
    const size_t per_sector = sector_size / kEntryBytes;
    entries.resize((entries.size() + per_sector - 1) / per_sector * per_sector);
    std::vector<uint8_t> directory(entries.size() * kEntryBytes);
    for (size_t i = 0; i < entries.size(); ++i)
        encode_entry(entries[i], directory.data() + i * kEntryBytes);

    std::vector<uint8_t> minifat_data(
        sectors_for(uint64_t{mini_used} * kSectorIdBytes, sector_size) * sector_size, 0xFF);
    for (uint32_t i = 0; i < mini_used; ++i)
        put32(minifat_data.data() + kSectorIdBytes * i, minifat.next(i));

    // The new metadata goes into a copy of the FAT, on sectors the committed state does not use.
    AllocationTable fat = regular_.table();
    Header header = header_;
    std::vector<uint32_t> dir_ids;
    std::vector<uint32_t> minifat_ids;
    hr = place_chain(fat, directory.size() / sector_size, dir_ids);
    if (SUCCEEDED(hr)) hr = place_chain(fat, minifat_data.size() / sector_size, minifat_ids);
    if (SUCCEEDED(hr)) hr = store_fat(regular_, fat, header);
    if (SUCCEEDED(hr)) hr = write_chain(regular_, dir_ids, directory);
    if (SUCCEEDED(hr)) hr = write_chain(regular_, minifat_ids, minifat_data);
    if (SUCCEEDED(hr)) hr = regular_.flush_writes();
    if (FAILED(hr)) return hr;
    header.first_dir_sector = dir_ids.front();
    header.num_dir_sectors = static_cast<uint32_t>(dir_ids.size());
    header.first_minifat_sector = minifat_ids.empty() ? kEndOfChain : minifat_ids.front();
    header.num_minifat_sectors = static_cast<uint32_t>(minifat_ids.size());

    const uint64_t file_bytes = (uint64_t{fat.size()} + 1) * sector_size;
    if (byte_size(*bytes_) < file_bytes) {
        hr = bytes_->SetSize(file_bytes);
        if (FAILED(hr)) return hr;
    }
    regular_.drop_read_ahead();  // the file's length changed, and changes again below
    hr = bytes_->Flush();
    if (FAILED(hr)) return hr;
    const std::vector<uint8_t> header_sector = serialize_header(header);
    hr = write_bytes(*bytes_, 0, header_sector.data(), header_sector.size());
    if (SUCCEEDED(hr)) hr = bytes_->Flush();
    if (FAILED(hr)) {
        // The new header may have reached the disk all the same: the file may hold either state,
        // so closing must not cut off the sectors of the new one.
        committed_bytes_ = std::max(committed_bytes_, byte_size(*bytes_));
        return hr;
    }

    // The new state is current: pin it, and cut the file after its last sector in use.
    header_ = header;
    regular_.table().pin(fat.entries());
    uint32_t end = fat.size();
    while (end > 0 && fat.next(end - 1) == kFreeSect) --end;
    regular_.table().truncate(end);
    committed_bytes_ = (uint64_t{end} + 1) * sector_size;
    if (byte_size(*bytes_) > committed_bytes_)
        bytes_->SetSize(committed_bytes_);  // a failure only leaves free sectors
    compactable_ = changed_;
    changed_ = false;
    return S_OK;
}

}  // namespace cfb
