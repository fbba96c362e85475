// Card images made with the independent tools (sfdisk, mkfs.fat), and mtools
// and fsck.fat calls on them, for tests that hold our code to those tools.
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
  std::string mkfsOptions;  // further mkfs.fat options, e.g. "-s 1 -f 1"
};

// A FAT volume inside an image file.
struct ImageVolume {
  std::string path;
  std::uint64_t offset = 0;  // bytes
  std::uint64_t sectors = 0;
};

// True when sfdisk, mkfs.fat, fsck.fat and mtools are all there.
bool HaveFatTools();

// The text in single quotes for the shell.
std::string Quote(const std::string& text);

// Makes the image with sfdisk and mkfs.fat: fixed volume id, hidden sectors
// set to the partition start unless the card says otherwise. False when a
// tool failed; the tool's output then goes to *error.
bool MakeReferenceCard(const std::string& path, const ReferenceCard& card,
                       std::string* error = nullptr);

// Where MakeReferenceCard puts the volume. mkfs.fat counts 1 KiB blocks, so
// an odd last sector stays outside the volume.
ImageVolume VolumeOf(const std::string& path, const ReferenceCard& card);

// "-i 'image@@offset'" for mtools.
std::string MtoolsImage(const ImageVolume& volume);

// Runs an mtools command ("mdir", "mattrib", ...) with its arguments on the
// image (an MtoolsImage() or "-i device"); returns its exit status and its
// output, standard error included, in *output.
int Mtools(const std::string& tool, const std::string& image, const std::string& arguments,
           std::string* output = nullptr);

// `fsck.fat -n` on the volume (copied out beside the image first when it
// does not start the image). True when it finds nothing to fix; its report
// goes to *report.
bool FsckClean(const ImageVolume& volume, std::string* report);

// The sector of the whole image that holds the first sector of a FAT
// cluster, from the volume's own boot sector; 0 when it cannot be read.
std::uint64_t ClusterToImageSector(const ImageVolume& volume, std::uint64_t cluster);

}  // namespace testsupport
