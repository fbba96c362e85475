#include "support/reference_images.h"

#include <fstream>

#include "base/bytes.h"
#include "support/temp_dir.h"

namespace testsupport {
namespace {
// Runs a command with its standard error into *output.
int Run(const std::string& command, std::string* output = nullptr) {
  return RunCommand(command + " 2>&1", output);
}

std::uint64_t VolumeBlocks(const ReferenceCard& card) {
  return (card.sizeBytes / 512 - card.partitionStart) / 2;
}
}  // namespace

bool HaveFatTools() {
  for (const char* tool : {"sfdisk", "mkfs.fat", "fsck.fat", "mcopy", "mattrib", "mshowfat"}) {
    if (!HaveProgram(tool)) return false;
  }
  return true;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

bool MakeReferenceCard(const std::string& path, const ReferenceCard& card, std::string* error) {
  std::string ignored;
  std::string& out = error != nullptr ? *error : ignored;
  const std::string q = Quote(path);
  if (Run("rm -f " + q + " && truncate -s " + std::to_string(card.sizeBytes) + " " + q, &out) !=
      0) {
    return false;
  }
  std::string offset;
  if (card.partitionStart != 0) {
    const char* type = card.fatBits == 32 ? "0c" : card.fatBits == 16 ? "06" : "01";
    const std::string script = "start=" + std::to_string(card.partitionStart) + ", type=" + type;
    if (Run("echo " + Quote(script) + " | sfdisk -q " + q, &out) != 0) {
      out = "sfdisk: " + out;
      return false;
    }
    offset = " --offset " + std::to_string(card.partitionStart);
    if (card.hiddenSectors) offset += " -h " + std::to_string(card.partitionStart);
  }
  if (Run("mkfs.fat -F " + std::to_string(card.fatBits) + offset + " -n " + Quote(card.label) +
              " -i 12345678 " + card.mkfsOptions + " " + q + " " +
              std::to_string(VolumeBlocks(card)),
          &out) != 0) {
    out = "mkfs.fat: " + out;
    return false;
  }
  return true;
}

ImageVolume VolumeOf(const std::string& path, const ReferenceCard& card) {
  return ImageVolume{path, card.partitionStart * 512, VolumeBlocks(card) * 2};
}

std::string MtoolsImage(const ImageVolume& volume) {
  return "-i " + Quote(volume.path + "@@" + std::to_string(volume.offset));
}

int Mtools(const std::string& tool, const std::string& image, const std::string& arguments,
           std::string* output) {
  return Run("MTOOLS_SKIP_CHECK=1 " + tool + " " + image + " " + arguments, output);
}

bool FsckClean(const ImageVolume& volume, std::string* report) {
  if (volume.offset == 0) return Run("fsck.fat -n " + Quote(volume.path), report) == 0;
  const std::string copy = Quote(volume.path + ".part");
  bool clean = false;
  if (Run("dd if=" + Quote(volume.path) + " of=" + copy +
              " bs=512 skip=" + std::to_string(volume.offset / 512) +
              " count=" + std::to_string(volume.sectors) + " conv=sparse status=none",
          report) != 0) {
    *report = "dd: " + *report;
  } else {
    clean = Run("fsck.fat -n " + copy, report) == 0;
  }
  RunCommand("rm -f " + copy);
  return clean;
}

std::uint64_t ClusterToImageSector(const ImageVolume& volume, std::uint64_t cluster) {
  std::ifstream in(volume.path, std::ios::binary);
  std::uint8_t boot[512] = {};
  in.seekg(static_cast<std::streamoff>(volume.offset));
  if (!in.read(reinterpret_cast<char*>(boot), sizeof boot) || cluster < 2) return 0;
  const std::uint64_t reserved = le::Read16(boot + 14);
  const std::uint64_t fats = boot[16];
  const std::uint64_t rootSectors = (le::Read16(boot + 17) * 32u + 511) / 512;
  const std::uint64_t fatSize =
      le::Read16(boot + 22) != 0 ? le::Read16(boot + 22) : le::Read32(boot + 36);
  return volume.offset / 512 + reserved + fats * fatSize + rootSectors + (cluster - 2) * boot[13];
}

}  // namespace testsupport
