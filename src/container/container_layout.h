// Layout of the container file that the controller reads by raw sector
// number: a main header block, then one 2 MiB block per floppy slot. Every
// offset and size here is part of the format the firmware relies on.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kContainerBlockSize = 0x200000;  // 2,097,152
inline constexpr unsigned kMinImageCount = 1;
inline constexpr unsigned kMaxImageCount = 99;

// Main header block (block 0).
inline constexpr char kContainerSignature[] = "DornveldFLPDrive";
inline constexpr std::size_t kContainerSignatureLength = 16;  // no terminator in the file
inline constexpr std::size_t kMainHeaderSize = 286;
inline constexpr std::size_t kFpgaDataOffset = 0x800;    // 2048
inline constexpr std::size_t kMaxFpgaLength = 0x100000;  // 1,048,576

// Slot block (block s + 1): image, 0xFF filler, sector id table, slot record.
inline constexpr std::size_t kSlotImageOffset = 0;
inline constexpr std::size_t kSlotSectorIdTableOffset = 0x1EBE00;  // 2,014,720
inline constexpr std::size_t kSectorIdTableSize = 81920;           // 160 entries
inline constexpr std::size_t kSectorIdEntrySize = 512;             // one per track side
inline constexpr std::size_t kSectorIdEntryCount = 160;
inline constexpr std::size_t kSectorIdRecordSize = 16;
inline constexpr std::size_t kSlotInfoOffset = 0x1FFE00;  // 2,096,640
inline constexpr std::size_t kSlotInfoSize = 512;

// The controller finds the container through this 32-bit number in sector 0
// of the card (inside the MBR boot code area, before the disk signature).
inline constexpr std::size_t kStartSectorRecordOffset = 0x1B0;  // 432

// Part kinds for GetSlotPartOffset.
inline constexpr int kSlotPartMainHeader = 0;
inline constexpr int kSlotPartImage = 1;
inline constexpr int kSlotPartSlotInfo = 2;
inline constexpr int kSlotPartSectorIdTable = 3;

// File offset of a part of slot `slot` (0-based). Unknown kinds give the
// image offset.
constexpr std::uint64_t GetSlotPartOffset(std::uint32_t slot, int kind) {
  const std::uint64_t slotStart =
      static_cast<std::uint64_t>(slot) * kContainerBlockSize + kContainerBlockSize;
  switch (kind) {
    case kSlotPartMainHeader:
      return 0;
    case kSlotPartSlotInfo:
      return slotStart + kSlotInfoOffset;
    case kSlotPartSectorIdTable:
      return slotStart + kSlotSectorIdTableOffset;
    default:
      return slotStart + kSlotImageOffset;
  }
}

static_assert(kSlotSectorIdTableOffset + kSectorIdTableSize == kSlotInfoOffset);
static_assert(kSlotInfoOffset + kSlotInfoSize == kContainerBlockSize);
static_assert(kSectorIdEntryCount * kSectorIdEntrySize == kSectorIdTableSize);
static_assert(sizeof(kContainerSignature) == kContainerSignatureLength + 1);
