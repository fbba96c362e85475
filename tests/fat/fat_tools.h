// Reference card images made with the real tools (sfdisk, mkfs.fat) and
// checks of images with fsck.fat and mtools, for the FAT engine tests.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fat/format.h"
#include "fat/sector_device.h"
#include "fat/volume.h"

namespace fat {
// Readable failures: EXPECT_TRUE(s.ok()) << s prints the rule that failed.
std::ostream& operator<<(std::ostream& out, const Status& status);
}  // namespace fat

namespace fattest {

// A FAT volume inside an image file: byte offset and size of the volume.
struct ImageVolume {
  std::string path;
  std::uint64_t offset = 0;  // bytes
  std::uint64_t sectors = 0;
};

// True when mkfs.fat, fsck.fat, sfdisk and mtools are all there.
bool HaveFatTools();

// Runs a shell command with mtools' geometry check off; the output holds
// standard output and standard error.
int Run(const std::string& command, std::string* output = nullptr);
std::string Quote(const std::string& text);

// An image of `sizeMiB` made by mkfs.fat: bare (partitionStart 0) or in one
// partition made by sfdisk at `partitionStart`. `mkfsArgs` go to mkfs.fat.
bool MakeReferenceImage(const std::string& path, std::uint64_t sizeMiB, int fatType,
                        std::uint32_t partitionStart, const std::string& mkfsArgs,
                        ImageVolume* volume, std::string* error);

// "-i 'path@@offset'" for mtools.
std::string MtoolsImage(const ImageVolume& v);

// fsck.fat -n on the volume (copied out of the image first when it lies in
// a partition). True when it finds nothing to fix; its report goes to *report.
bool FsckClean(const ImageVolume& v, std::string* report);

// Names (long where there is one) in a folder, as mdir -b lists them.
std::vector<std::string> MtoolsNames(const ImageVolume& v, const std::string& folder);
// The file's bytes as mcopy extracts them; false when mcopy fails.
bool MtoolsRead(const ImageVolume& v, const std::string& path, std::string* content);
// mattrib's letters for a file ("A", "R", "S", "H"), sorted, e.g. "ARS".
std::string MtoolsAttributes(const ImageVolume& v, const std::string& path);
// The cluster runs of a file as mshowfat shows them, as [first, last] pairs
// of FAT cluster numbers.
std::vector<std::pair<std::uint64_t, std::uint64_t>> MtoolsRuns(const ImageVolume& v,
                                                                const std::string& path);
// Copies a host file into the volume with mcopy; mkdir-like for "::/a/b".
bool MtoolsPut(const ImageVolume& v, const std::string& hostFile, const std::string& target);
bool MtoolsMkdir(const ImageVolume& v, const std::string& folder);

// Runs of ClusterRuns() as FAT cluster pairs, for comparison with mshowfat.
std::vector<std::pair<std::uint64_t, std::uint64_t>> AsFatPairs(
    const std::vector<fat::ClusterRun>& runs);

// Pseudo-random bytes, the same for the same seed.
std::string TestBytes(std::size_t size, std::uint32_t seed);
bool WriteHostFile(const std::string& path, const std::string& content);

// A memory device of `bytes` formatted by the engine.
std::unique_ptr<fat::MemorySectorDevice> MakeMemoryVolume(std::uint64_t bytes, int fatType,
                                                          std::uint32_t sectorsPerCluster = 0);

// Writes `content` into a new file through the engine.
fat::Status PutFile(fat::Volume& volume, const std::string& path, const std::string& content,
                    std::uint8_t attributes = 0);
// Reads a whole file through the engine.
fat::Status GetFile(fat::Volume& volume, const std::string& path, std::string* content);

}  // namespace fattest
