#include "container/slot_editing.h"

#include "base/command_words.h"
#include "base/crc32.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "platform/instance_folder.h"

std::string TemporaryImagePath() {
  const std::string folder = platform::InstanceTemporaryFolder();
  return folder.empty() ? std::string() : folder + kTemporaryImageName;
}

std::optional<std::uint32_t> FileCrc32(const std::string& path) {
  ByteBuffer bytes;
  if (!FfaReadFile(path, bytes, kMaxCrcFileSize)) return std::nullopt;
  return Crc32(bytes.data(), bytes.size());
}

std::string ExternalEditCommandLine(const std::string& software, const std::string& imagePath) {
  std::string line = !software.empty() && software[0] == '"' ? software : '"' + software + '"';
  return line + " \"" + imagePath + '"';
}

bool ExternalEditArguments(const std::string& software, const std::string& imagePath,
                           std::vector<std::string>& argv) {
  if (!SplitCommandWords(ExternalEditCommandLine(software, imagePath), argv) || argv.empty()) {
    return false;
  }
  // The image is always the last word: where its path held characters the
  // shell reads inside quotes, it is passed as written.
  argv.back() = imagePath;
  return true;
}

std::uint32_t SlotFirstSector(std::uint32_t slot) {
  return static_cast<std::uint32_t>(GetSlotPartOffset(slot, kSlotPartImage) / 512);
}

std::uint32_t SlotSectorCount() {
  return static_cast<std::uint32_t>(kContainerBlockSize / 512);
}
