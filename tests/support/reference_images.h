// Card images made with the independent tools (sfdisk, mkfs.fat), and mtools
// calls on them, for tests that hold our code to those tools.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

struct ReferenceCard {
  std::uint64_t sizeBytes = 64ull << 20;
  int fatBits = 16;                   // 12, 16 or 32
  std::uint64_t partitionStart = 63;  // sectors; 0 makes a bare volume without MBR
  std::string label = "REF CARD";
  // False leaves the boot sector's hidden sectors field 0, as some tools do
  // when they format at an offset.
  bool hiddenSectors = true;
};

// Makes the image with sfdisk and mkfs.fat (hidden sectors set to the
// partition start). False when a tool failed.
bool MakeReferenceCard(const std::string& path, const ReferenceCard& card);

// "-i image@@offset" for mtools, where offset is the partition's first byte.
std::string MtoolsImage(const std::string& path, std::uint64_t partitionStart);

// Runs an mtools command ("mdir", "mattrib", ...) with its arguments on the
// image; returns its exit status and its output in *output.
int Mtools(const std::string& tool, const std::string& image, const std::string& arguments,
           std::string* output = nullptr);

// Runs `fsck.fat -n` on the volume of the image (copied out of the image
// first when it lies behind a partition table); 0 when the volume is clean.
int FsckVolume(const std::string& path, std::uint64_t partitionStart, std::string* output = nullptr);

}  // namespace testsupport
