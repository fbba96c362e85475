// What a slot's floppy image holds, told from its bytes alone: the blank
// image a new container starts from, an unformatted one, a FAT12 volume with
// its label and files, a boot sector of another system, or an image that
// cannot be read (with the reason).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class SlotContentKind {
  kBlank,          // the program's blank image of the slot's kind, byte for byte
  kUnformatted,    // one fill byte throughout
  kFat12,          // a FAT12 volume of the slot's kind
  kWrongGeometry,  // a FAT volume, but not of the slot's kind (or not FAT12)
  kForeign,        // a boot sector that is not FAT
  kUnreadable,     // FAT, but broken: see `reason`
};

// The root folder names kept for the tooltip and the listing.
inline constexpr std::size_t kSlotRootNamesKept = 8;

struct SlotContents {
  SlotContentKind kind = SlotContentKind::kUnreadable;
  std::uint8_t fillByte = 0;  // kUnformatted
  // kFat12 and kWrongGeometry (as far as the volume could be read):
  int fatType = 0;
  std::string label;    // "" when the volume has none ("NO NAME" counts as none)
  std::string oemName;  // "MSDOS5.0", blanks at the end removed
  std::uint32_t files = 0;
  std::uint32_t folders = 0;  // below the root, all levels
  std::uint64_t usedBytes = 0;
  std::uint64_t freeBytes = 0;
  std::vector<std::string> rootNames;  // the first kSlotRootNamesKept; folders end in '/'
  std::uint32_t rootEntries = 0;       // files and folders in the root
  std::uint32_t totalSectors = 0;      // the volume's, for kWrongGeometry
  std::uint32_t sectorsPerTrack = 0;
  std::string bootBytes;  // kForeign: the first 8 bytes as "EB 3C 90 ..."
  std::string reason;     // kUnreadable: why
};

// Identifies an image of a slot of the kind (highDensity). Any bytes give an
// answer; an image of another size than the kind's is unreadable.
SlotContents IdentifySlotImage(const std::uint8_t* image, std::size_t size, bool highDensity);

// The short description of the slot list: "FAT12 'TOOLS' · 12 files · 1.1 MB
// used", "blank", "unformatted", in the current language.
std::string SlotContentsSummary(const SlotContents& contents);
// The root folder's first names, one a line, with "..." when there are more;
// "" when there are none.
std::string SlotRootNamesText(const SlotContents& contents);
// The kind as a fixed word for scripts: blank, unformatted, fat12, geometry,
// foreign, unreadable.
const char* SlotContentKindWord(SlotContentKind kind);
