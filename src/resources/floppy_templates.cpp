#include "resources/floppy_templates.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kSectorSize = 512;

struct BlankLayout {
  std::size_t totalSectors;
  std::uint8_t sectorsPerCluster;
  std::uint16_t rootEntries;
  std::uint8_t media;
  std::uint16_t sectorsPerFat;
  std::uint16_t sectorsPerTrack;
  std::uint32_t serial;
};

constexpr BlankLayout kHdLayout{2880, 1, 224, 0xF0, 9, 18, kHdTemplateSerial};
constexpr BlankLayout kDdLayout{1440, 2, 112, 0xF9, 3, 9, kDdTemplateSerial};
constexpr std::uint16_t kReservedSectors = 1;
constexpr std::uint8_t kFatCount = 2;
constexpr std::uint16_t kHeads = 2;

// Boot code at 0x3E: prints the notice, waits for a key and asks the BIOS to
// boot again.
//   cli; xor ax,ax; mov ds,ax; mov ss,ax; mov sp,0x7C00; sti; cld
//   mov si,0x7C61
//   next: lodsb; or al,al; jz wait; mov ah,0x0E; mov bx,7; int 0x10; jmp next
//   wait: xor ax,ax; int 0x16; int 0x19
constexpr std::uint8_t kBootCode[] = {0xFA, 0x31, 0xC0, 0x8E, 0xD8, 0x8E, 0xD0, 0xBC, 0x00,
                                      0x7C, 0xFB, 0xFC, 0xBE, 0x61, 0x7C, 0xAC, 0x08, 0xC0,
                                      0x74, 0x09, 0xB4, 0x0E, 0xBB, 0x07, 0x00, 0xCD, 0x10,
                                      0xEB, 0xF2, 0x31, 0xC0, 0xCD, 0x16, 0xCD, 0x19};
constexpr std::size_t kBootCodeOffset = 0x3E;
constexpr char kBootMessage[] =
    "\r\nNon-system disk or disk error\r\nReplace and press any key when ready\r\n";
static_assert(kBootCodeOffset + sizeof kBootCode == 0x61, "message address in the code");

void WriteBootSector(std::uint8_t* s, const BlankLayout& l) {
  const std::uint8_t jump[3] = {0xEB, 0x3C, 0x90};
  std::memcpy(s, jump, 3);
  std::memcpy(s + 3, "MSDOS5.0", 8);
  le::Write16(s + 0x0B, static_cast<std::uint16_t>(kSectorSize));
  s[0x0D] = l.sectorsPerCluster;
  le::Write16(s + 0x0E, kReservedSectors);
  s[0x10] = kFatCount;
  le::Write16(s + 0x11, l.rootEntries);
  le::Write16(s + 0x13, static_cast<std::uint16_t>(l.totalSectors));
  s[0x15] = l.media;
  le::Write16(s + 0x16, l.sectorsPerFat);
  le::Write16(s + 0x18, l.sectorsPerTrack);
  le::Write16(s + 0x1A, kHeads);
  le::Write32(s + 0x1C, 0);  // hidden sectors
  le::Write32(s + 0x20, 0);  // large total sectors, unused
  s[0x24] = 0x00;            // BIOS drive number of the first floppy
  s[0x25] = 0x00;
  s[0x26] = 0x29;  // extended boot signature: serial, label, type follow
  le::Write32(s + 0x27, l.serial);
  std::memcpy(s + 0x2B, "NO NAME    ", 11);
  std::memcpy(s + 0x36, "FAT12   ", 8);
  std::memcpy(s + kBootCodeOffset, kBootCode, sizeof kBootCode);
  std::memcpy(s + kBootCodeOffset + sizeof kBootCode, kBootMessage, sizeof kBootMessage);
  s[510] = 0x55;
  s[511] = 0xAA;
}

}  // namespace

ByteBuffer MakeBlankFloppyImage(bool highDensity) {
  const BlankLayout& l = highDensity ? kHdLayout : kDdLayout;
  ByteBuffer image(l.totalSectors * kSectorSize, 0);
  WriteBootSector(image.data(), l);

  const std::size_t fatStart = kReservedSectors;
  for (std::size_t f = 0; f < kFatCount; ++f) {
    std::uint8_t* fat = image.data() + (fatStart + f * l.sectorsPerFat) * kSectorSize;
    fat[0] = l.media;
    fat[1] = 0xFF;
    fat[2] = 0xFF;
  }
  const std::size_t rootStart = fatStart + std::size_t{kFatCount} * l.sectorsPerFat;
  const std::size_t rootSectors = (std::size_t{l.rootEntries} * 32 + kSectorSize - 1) / kSectorSize;
  const std::size_t dataStart = rootStart + rootSectors;
  // Data sectors carry the formatter's fill byte, except the last sector of
  // the disk, which stays zero.
  std::fill(image.begin() + static_cast<std::ptrdiff_t>(dataStart * kSectorSize),
            image.end() - static_cast<std::ptrdiff_t>(kSectorSize), kUnusedDataFill);
  return image;
}
