// The two floppy image kinds a container can hold.
//
// An image is the floppy's sectors in logical order: sector r (1-based) of
// cylinder c, head h lies at ((c * heads + h) * SPT + r - 1) * 512.
#pragma once

#include <cstddef>
#include <cstdint>

struct FloppyKind {
  std::size_t imageSize;
  int cylinders;
  int heads;
  int sectorsPerTrack;
  int sectorSize;
  int templateResourceId;  // resource type "BINARY"
};

inline constexpr std::size_t kFloppySectorSize = 512;
inline constexpr std::size_t kHdImageSize = 1474560;  // 0x168000
inline constexpr std::size_t kDdImageSize = 737280;   // 0xB4000

inline constexpr FloppyKind kFloppyHd{kHdImageSize, 80, 2, 18, 512, 900};
inline constexpr FloppyKind kFloppyDd{kDdImageSize, 80, 2, 9, 512, 901};

constexpr const FloppyKind& GetFloppyKind(bool highDensity) {
  return highDensity ? kFloppyHd : kFloppyDd;
}

constexpr std::size_t FloppyImageSize(bool highDensity) {
  return GetFloppyKind(highDensity).imageSize;
}

// Byte offset of sector (c, h, r) in an image of the kind.
constexpr std::size_t FloppySectorOffset(const FloppyKind& kind, int cylinder, int head,
                                         int sector) {
  return static_cast<std::size_t>((cylinder * kind.heads + head) * kind.sectorsPerTrack + sector -
                                  1) *
         kFloppySectorSize;
}
