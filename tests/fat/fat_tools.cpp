#include "fat_tools.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "support/temp_dir.h"

namespace fat {
std::ostream& operator<<(std::ostream& out, const Status& status) {
  return out << ErrorName(status.error) << (status.message.empty() ? "" : ": ") << status.message;
}
}  // namespace fat

namespace fattest {

bool HaveFatTools() {
  return testsupport::HaveProgram("mkfs.fat") && testsupport::HaveProgram("fsck.fat") &&
         testsupport::HaveProgram("sfdisk") && testsupport::HaveProgram("mcopy");
}

int Run(const std::string& command, std::string* output) {
  return testsupport::RunCommand("MTOOLS_SKIP_CHECK=1 " + command + " 2>&1", output);
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

bool MakeReferenceImage(const std::string& path, std::uint64_t sizeMiB, int fatType,
                        std::uint32_t partitionStart, const std::string& mkfsArgs,
                        ImageVolume* volume, std::string* error) {
  std::string out;
  const std::uint64_t total = sizeMiB * 2048;
  if (Run("rm -f " + Quote(path) + " && truncate -s " + std::to_string(sizeMiB) + "M " +
              Quote(path),
          &out) != 0) {
    *error = out;
    return false;
  }
  volume->path = path;
  volume->offset = 0;
  volume->sectors = total;
  std::string mkfs = "mkfs.fat -F " + std::to_string(fatType) + " " + mkfsArgs;
  if (partitionStart != 0) {
    const int type = fatType == 12 ? 1 : fatType == 16 ? 6 : 0x0C;
    std::ostringstream script;
    script << "start=" << partitionStart << ", type=" << std::hex << type;
    if (Run("echo " + Quote(script.str()) + " | sfdisk -q " + Quote(path), &out) != 0) {
      *error = "sfdisk: " + out;
      return false;
    }
    volume->offset = static_cast<std::uint64_t>(partitionStart) * 512;
    volume->sectors = total - partitionStart;
    mkfs += " -h " + std::to_string(partitionStart) + " --offset " +
            std::to_string(partitionStart) + " " + Quote(path) + " " +
            std::to_string(volume->sectors / 2);
    // mkfs.fat counts 1 KiB blocks; an odd last sector stays outside the volume.
    volume->sectors -= volume->sectors % 2;
  } else {
    mkfs += " " + Quote(path);
  }
  if (Run(mkfs, &out) != 0) {
    *error = "mkfs.fat: " + out;
    return false;
  }
  return true;
}

std::string MtoolsImage(const ImageVolume& v) {
  return "-i " + Quote(v.path + "@@" + std::to_string(v.offset));
}

bool FsckClean(const ImageVolume& v, std::string* report) {
  std::string target = v.path;
  std::string copy;
  if (v.offset != 0) {
    copy = v.path + ".part";
    std::string out;
    if (Run("dd if=" + Quote(v.path) + " of=" + Quote(copy) +
                " bs=512 skip=" + std::to_string(v.offset / 512) +
                " count=" + std::to_string(v.sectors) + " conv=sparse status=none",
            &out) != 0) {
      *report = "dd: " + out;
      return false;
    }
    target = copy;
  }
  const int rc = Run("fsck.fat -n " + Quote(target), report);
  if (!copy.empty()) Run("rm -f " + Quote(copy));
  return rc == 0;
}

std::vector<std::string> MtoolsNames(const ImageVolume& v, const std::string& folder) {
  std::string out;
  std::vector<std::string> names;
  if (Run("mdir -a -b " + MtoolsImage(v) + " " + Quote("::" + folder), &out) != 0) return names;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("::", 0) != 0) continue;
    if (!line.empty() && line.back() == '/') line.pop_back();
    names.push_back(line.substr(line.rfind('/') + 1));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool MtoolsRead(const ImageVolume& v, const std::string& path, std::string* content) {
  testsupport::TempDir dir;
  const std::string host = dir.File("out.bin");
  std::string out;
  if (Run("mcopy -n " + MtoolsImage(v) + " " + Quote("::" + path) + " " + Quote(host), &out) != 0) {
    return false;
  }
  std::ifstream in(host, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  *content = data.str();
  return true;
}

std::string MtoolsAttributes(const ImageVolume& v, const std::string& path) {
  std::string out;
  if (Run("mattrib " + MtoolsImage(v) + " " + Quote("::" + path), &out) != 0) return "?";
  const std::size_t name = out.find("::");
  std::string letters;
  for (std::size_t i = 0; i < name && i < out.size(); ++i) {
    if (out[i] >= 'A' && out[i] <= 'Z') letters.push_back(out[i]);
  }
  std::sort(letters.begin(), letters.end());
  return letters;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> MtoolsRuns(const ImageVolume& v,
                                                                const std::string& path) {
  std::string out;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;
  if (Run("mshowfat " + MtoolsImage(v) + " " + Quote("::" + path), &out) != 0) return runs;
  std::size_t at = 0;
  while ((at = out.find('<', at)) != std::string::npos) {
    const std::size_t close = out.find('>', at);
    const std::string run = out.substr(at + 1, close - at - 1);
    const std::size_t dash = run.find('-');
    const std::uint64_t first = std::stoull(run.substr(0, dash));
    const std::uint64_t last =
        dash == std::string::npos ? first : std::stoull(run.substr(dash + 1));
    runs.emplace_back(first, last);
    at = close;
  }
  return runs;
}

bool MtoolsPut(const ImageVolume& v, const std::string& hostFile, const std::string& target) {
  std::string out;
  return Run("mcopy -o " + MtoolsImage(v) + " " + Quote(hostFile) + " " + Quote("::" + target),
             &out) == 0;
}

bool MtoolsMkdir(const ImageVolume& v, const std::string& folder) {
  std::string out;
  return Run("mmd " + MtoolsImage(v) + " " + Quote("::" + folder), &out) == 0;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> AsFatPairs(
    const std::vector<fat::ClusterRun>& runs) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
  for (const fat::ClusterRun& r : runs) {
    out.emplace_back(r.logicalCluster + 2, r.logicalCluster + 2 + r.length - 1);
  }
  return out;
}

std::string TestBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(random() & 0xFF);
  return out;
}

bool WriteHostFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out);
}

std::unique_ptr<fat::MemorySectorDevice> MakeMemoryVolume(std::uint64_t bytes, int fatType,
                                                          std::uint32_t sectorsPerCluster) {
  auto device = std::make_unique<fat::MemorySectorDevice>(bytes / 512);
  fat::FormatOptions options;
  options.fatType = fatType;
  options.sectorsPerCluster = sectorsPerCluster;
  options.serial = 0x12345678;
  if (!fat::FormatVolume(*device, options).ok()) return nullptr;
  return device;
}

fat::Status PutFile(fat::Volume& volume, const std::string& path, const std::string& content,
                    std::uint8_t attributes) {
  fat::Status s;
  auto file = volume.CreateFile(path, attributes, &s);
  if (!file) return s;
  std::size_t done = 0;
  s = file->Write(content.data(), content.size(), &done);
  if (!s.ok()) return s;
  return file->Close();
}

fat::Status GetFile(fat::Volume& volume, const std::string& path, std::string* content) {
  fat::Status s;
  auto file = volume.OpenFile(path, false, &s);
  if (!file) return s;
  content->assign(file->Size(), '\0');
  std::size_t done = 0;
  s = file->ReadAt(0, content->data(), content->size(), &done);
  if (s.ok() && done != content->size()) s = fat::Fail(fat::Error::kIo, "short read");
  return s;
}

}  // namespace fattest
