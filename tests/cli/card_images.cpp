#include "cli/card_images.h"

#include <fstream>
#include <iterator>
#include <regex>

#include "platform/bytes.h"

namespace clitest {
namespace {
int Run(const std::string& command, std::string* output = nullptr) {
  return testsupport::RunCommand(command + " 2>&1", output);
}
}  // namespace

bool HaveCardTools() {
  for (const char* tool : {"sfdisk", "mkfs.fat", "fsck.fat", "mcopy", "mattrib", "mshowfat"}) {
    if (!testsupport::HaveProgram(tool)) return false;
  }
  return true;
}

bool MakeReferenceCard(const std::string& path, const CardLayout& layout) {
  const std::string part = path + ".part";
  const std::uint64_t partBytes = layout.sizeBytes - VolumeOffset(layout);
  const std::string fat = std::to_string(layout.fatBits);
  if (Run("rm -f " + part + " " + path + " && truncate -s " + std::to_string(partBytes) + " " +
          part + " && mkfs.fat -F " + fat + " -h " + std::to_string(layout.start) +
          " -i 1234ABCD -n REFCARD " + part + " >/dev/null") != 0) {
    return false;
  }
  if (layout.start == 0) return Run("mv " + part + " " + path) == 0;
  const char* type = layout.fatBits == 32 ? "c" : "6";
  return Run("truncate -s " + std::to_string(layout.sizeBytes) + " " + path +
             " && echo 'start=" + std::to_string(layout.start) + ", type=" + type +
             "' | sfdisk -q " + path + " >/dev/null && dd if=" + part + " of=" + path +
             " bs=512 seek=" + std::to_string(layout.start) +
             " conv=notrunc,sparse status=none && rm -f " + part) == 0;
}

std::uint64_t VolumeOffset(const CardLayout& layout) {
  return static_cast<std::uint64_t>(layout.start) * 512;
}

std::string Mtools(const std::string& tool, const std::string& image, const CardLayout& layout) {
  std::string target = image;
  if (layout.start != 0) target += "@@" + std::to_string(VolumeOffset(layout));
  return "MTOOLS_SKIP_CHECK=1 " + tool + " -i '" + target + "' ";
}

ByteBuffer ExtractContainer(const std::string& image, const CardLayout& layout,
                            const testsupport::TempDir& scratch) {
  const std::string out = scratch.File("extracted.dfp");
  Run("rm -f " + out);
  if (Run(Mtools("mcopy", image, layout) + "::/DornveldFLP/DornveldCIF.dfp " + out) != 0) {
    return {};
  }
  return ReadBytes(out);
}

std::string ContainerAttributes(const std::string& image, const CardLayout& layout) {
  std::string output;
  if (Run(Mtools("mattrib", image, layout) + "::/DornveldFLP/DornveldCIF.dfp", &output) != 0) {
    return "";
  }
  // "  S R     ::/DornveldFLP/DornveldCIF.dfp": the letters before the path.
  std::string letters;
  for (char c : output.substr(0, output.find("::"))) {
    if (c != ' ') letters += c;
  }
  return letters;
}

int ContainerRuns(const std::string& image, const CardLayout& layout) {
  std::string output;
  if (Run(Mtools("mshowfat", image, layout) + "::/DornveldFLP/DornveldCIF.dfp", &output) != 0) {
    return 0;
  }
  const std::regex run("<[0-9]+(-[0-9]+)?>");
  return static_cast<int>(std::distance(std::sregex_iterator(output.begin(), output.end(), run),
                                        std::sregex_iterator()));
}

std::uint32_t ContainerFirstCluster(const std::string& image, const CardLayout& layout) {
  std::string output;
  if (Run(Mtools("mshowfat", image, layout) + "::/DornveldFLP/DornveldCIF.dfp", &output) != 0) {
    return 0;
  }
  std::smatch match;
  if (!std::regex_search(output, match, std::regex("<([0-9]+)"))) return 0;
  return static_cast<std::uint32_t>(std::stoul(match[1].str()));
}

std::uint64_t ClusterToCardSector(const std::string& image, const CardLayout& layout,
                                  std::uint32_t cluster) {
  const ByteBuffer boot = ReadBytes(image, VolumeOffset(layout), 512);
  if (boot.size() < 512) return 0;
  const std::uint32_t sectorsPerCluster = boot[13];
  const std::uint32_t reserved = le::Read16(&boot[14]);
  const std::uint32_t fats = boot[16];
  const std::uint32_t rootEntries = le::Read16(&boot[17]);
  std::uint32_t fatSize = le::Read16(&boot[22]);
  if (fatSize == 0) fatSize = le::Read32(&boot[36]);
  const std::uint32_t rootSectors = (rootEntries * 32 + 511) / 512;
  const std::uint64_t dataStart =
      reserved + static_cast<std::uint64_t>(fats) * fatSize + rootSectors;
  return layout.start + dataStart + static_cast<std::uint64_t>(cluster - 2) * sectorsPerCluster;
}

bool VolumeIsClean(const std::string& image, const CardLayout& layout,
                   const testsupport::TempDir& scratch, std::string* report) {
  std::string volume = image;
  if (layout.start != 0) {
    volume = scratch.File("volume.img");
    if (Run("dd if=" + image + " of=" + volume + " bs=512 skip=" + std::to_string(layout.start) +
            " conv=sparse status=none") != 0) {
      return false;
    }
  }
  const bool clean = Run("fsck.fat -n " + volume, report) == 0;
  if (layout.start != 0) Run("rm -f " + volume);
  return clean;
}

ByteBuffer ReadBytes(const std::string& path, std::uint64_t offset, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  in.seekg(static_cast<std::streamoff>(offset));
  ByteBuffer bytes;
  char buffer[65536];
  while (bytes.size() < count && in) {
    const std::size_t want = std::min(sizeof buffer, count - bytes.size());
    in.read(buffer, static_cast<std::streamsize>(want));
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
  }
  return bytes;
}

void WriteBytes(const std::string& path, const ByteBuffer& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace clitest
