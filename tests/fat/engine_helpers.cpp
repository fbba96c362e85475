#include "engine_helpers.h"

namespace fat {
std::ostream& operator<<(std::ostream& out, const Status& status) {
  return out << ErrorName(status.error) << (status.message.empty() ? "" : ": ") << status.message;
}
}  // namespace fat

namespace fattest {

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

std::vector<std::pair<std::uint64_t, std::uint64_t>> AsFatPairs(
    const std::vector<fat::ClusterRun>& runs) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> out;
  for (const fat::ClusterRun& r : runs) {
    out.emplace_back(r.logicalCluster + 2, r.logicalCluster + 2 + r.length - 1);
  }
  return out;
}

}  // namespace fattest
