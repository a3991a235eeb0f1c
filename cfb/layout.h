// The compound-file layout in one table: where every field of the file header and of a directory
// entry lies, the sector markers and the fixed sizes, each with the section of the published
// format description ([MS-CFB]) that fixes it. The reader, the writer and the engine's tests take
// their offsets from here; cfb/test_image.h and cfb/validator.cpp keep a reading of their own on
// purpose (a second, independent reading catches a wrong number here).
#pragma once

#include <cstddef>
#include <cstdint>

namespace cfb {

// [MS-CFB] 2.1 Compound File Sector Numbers and Types: sector ids above kMaxRegSect are markers.
constexpr uint32_t kMaxRegSect = 0xFFFFFFFAu;  // MAXREGSECT
constexpr uint32_t kDifSect = 0xFFFFFFFCu;     // DIFSECT: a DIFAT sector, in the FAT
constexpr uint32_t kFatSect = 0xFFFFFFFDu;     // FATSECT: a FAT sector, in the FAT
constexpr uint32_t kEndOfChain = 0xFFFFFFFEu;  // ENDOFCHAIN
constexpr uint32_t kFreeSect = 0xFFFFFFFFu;    // FREESECT

// [MS-CFB] 2.2 Compound File Header: 512 bytes at offset 0; a version 4 header sector is padded
// with zeros to 4096 bytes. Offsets in bytes from the start of the file; sizes in the comments.
constexpr size_t kHeaderBytes = 512;
constexpr size_t kHeaderSignatureAt = 0;         // 8: kSignature
constexpr size_t kHeaderClsidAt = 8;             // 16: zero
constexpr size_t kHeaderMinorVersionAt = 24;     // 2: kMinorVersion
constexpr size_t kHeaderMajorVersionAt = 26;     // 2: 3 or 4
constexpr size_t kHeaderByteOrderAt = 28;        // 2: kByteOrderMark
constexpr size_t kHeaderSectorShiftAt = 30;      // 2: kSectorShiftV3 or kSectorShiftV4
constexpr size_t kHeaderMiniSectorShiftAt = 32;  // 2: kMiniSectorShift
constexpr size_t kHeaderReservedAt = 34;         // 6: zero
constexpr size_t kHeaderDirSectorsAt = 40;       // 4: directory sectors; zero in version 3
constexpr size_t kHeaderFatSectorsAt = 44;       // 4
constexpr size_t kHeaderFirstDirSectorAt = 48;   // 4
constexpr size_t kHeaderTransactionAt = 52;      // 4: transaction signature, unused
constexpr size_t kHeaderMiniCutoffAt = 56;       // 4: kMiniStreamCutoff
constexpr size_t kHeaderFirstMiniFatAt = 60;     // 4
constexpr size_t kHeaderMiniFatSectorsAt = 64;   // 4
constexpr size_t kHeaderFirstDifatAt = 68;       // 4
constexpr size_t kHeaderDifatSectorsAt = 72;     // 4
constexpr size_t kHeaderDifatAt = 76;            // 4 each: the first kHeaderDifatSlots FAT sectors
constexpr uint32_t kHeaderDifatSlots = 109;
static_assert(kHeaderDifatAt + 4 * kHeaderDifatSlots == kHeaderBytes);

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint16_t kMinorVersion = 0x003E;
constexpr uint16_t kByteOrderMark = 0xFFFE;
constexpr uint16_t kSectorShiftV3 = 9;   // 512-byte sectors
constexpr uint16_t kSectorShiftV4 = 12;  // 4096-byte sectors
constexpr uint16_t kMiniSectorShift = 6;
constexpr uint32_t kMiniSectorBytes = 1u << kMiniSectorShift;
// Streams shorter than this live in the mini stream.
constexpr uint32_t kMiniStreamCutoff = 4096;

// [MS-CFB] 2.3 FAT, 2.4 Mini FAT and 2.5 DIFAT sectors: arrays of 4-byte sector ids; the last id
// of a DIFAT sector is the next DIFAT sector.
constexpr size_t kSectorIdBytes = 4;

// [MS-CFB] 2.6 Compound File Directory Sectors: stream ids above kMaxRegSid are markers.
constexpr uint32_t kMaxRegSid = 0xFFFFFFFAu;  // MAXREGSID
constexpr uint32_t kNoStream = 0xFFFFFFFFu;   // NOSTREAM: no sibling or child

// [MS-CFB] 2.6.1 Compound File Directory Entry: 128 bytes. Offsets from the entry's start.
constexpr size_t kEntryBytes = 128;
constexpr size_t kEntryNameAt = 0;         // 64: UTF-16 name with its terminator
constexpr size_t kEntryNameBytes = 64;     // so at most 31 units and the terminator
constexpr size_t kEntryNameLengthAt = 64;  // 2: bytes of the name, terminator included
constexpr size_t kEntryTypeAt = 66;        // 1: object type
constexpr size_t kEntryColourAt = 67;      // 1: red-black colour ([MS-CFB] 2.6.4)
constexpr size_t kEntryLeftAt = 68;        // 4: left sibling id
constexpr size_t kEntryRightAt = 72;       // 4: right sibling id
constexpr size_t kEntryChildAt = 76;       // 4: child id (storages and the root)
constexpr size_t kEntryClsidAt = 80;       // 16
constexpr size_t kEntryStateBitsAt = 96;   // 4
constexpr size_t kEntryCreatedAt = 100;    // 8: FILETIME
constexpr size_t kEntryModifiedAt = 108;   // 8: FILETIME
constexpr size_t kEntryStartAt = 116;      // 4: first sector (the root: of the mini stream)
constexpr size_t kEntrySizeAt = 120;       // 8: stream size; version 3 uses the low 4 bytes
static_assert(kEntrySizeAt + 8 == kEntryBytes);

}  // namespace cfb
