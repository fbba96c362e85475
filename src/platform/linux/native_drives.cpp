#include "platform/linux/native_drives.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "platform/linux/linux_drive.h"
#include "platform/linux/native_volumes.h"
#include "platform/linux/virtual_drives.h"

namespace platform {
namespace {
std::mutex g_refreshMutex;

DeviceNumbering& Numbering() {
  static DeviceNumbering numbering;
  return numbering;
}

// The native drives at their letters now.
std::map<char, std::shared_ptr<LinuxDrive>> NativeLetters() {
  std::map<char, std::shared_ptr<LinuxDrive>> found;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (auto drive = std::dynamic_pointer_cast<LinuxDrive>(FindDrive(letter))) {
      found.emplace(letter, std::move(drive));
    }
  }
  return found;
}
}  // namespace

std::uint32_t RefreshNativeDrives() {
  return RefreshNativeDrives(NativePaths{});
}

std::uint32_t RefreshDrives() {
  return RefreshNativeDrives();
}

std::uint32_t RefreshNativeDrives(const NativePaths& paths) {
  std::lock_guard<std::mutex> lock(g_refreshMutex);
  std::vector<MountEntry> mounts = ReadMounts(paths);
  // The virtual drives first, at the letters they were mounted at; their
  // mounts (a loop device that UDisks2 mounted) are not native drives too.
  const std::vector<std::string> virtualFolders = RefreshVirtualDrives(mounts);
  std::erase_if(mounts, [&](const MountEntry& m) {
    return std::find(virtualFolders.begin(), virtualFolders.end(), m.mountPoint) !=
           virtualFolders.end();
  });
  const std::vector<NativeVolume> volumes =
      FindNativeVolumes(ReadBlockDevices(paths), mounts, paths.dev, Numbering());
  std::map<std::string, const NativeVolume*> byKey;
  std::vector<LetterRequest> requests;
  for (const NativeVolume& v : volumes) {
    if (byKey.emplace(v.volumeNode, &v).second) {
      requests.push_back({v.volumeNode, v.deviceClass.floppy});
    }
  }

  DriveTable& table = DriveTable::Instance();
  const std::map<char, std::shared_ptr<LinuxDrive>> native = NativeLetters();
  std::map<char, std::string> current;
  std::uint32_t others = table.LogicalDriveMask();
  for (const auto& [letter, drive] : native) {
    current.emplace(letter, drive->volume().volumeNode);
    others &= ~(1u << (letter - 'A'));
  }

  const LetterPlan plan = PlanLetters(current, others, requests);
  for (const char letter : plan.detach) table.Detach(letter);
  // A drive that stays but whose record changed (mounted elsewhere, medium
  // changed) is renewed at its letter.
  for (const auto& [letter, drive] : native) {
    const auto it = byKey.find(drive->volume().volumeNode);
    if (it == byKey.end() || drive->volume() == *it->second) continue;
    if (table.Find(letter) != drive) continue;
    table.Detach(letter);
    table.Attach(letter, std::make_shared<LinuxDrive>(*it->second));
  }
  for (const auto& [letter, key] : plan.attach) {
    table.Attach(letter, std::make_shared<LinuxDrive>(*byKey.at(key)));
  }
  return static_cast<std::uint32_t>(NativeLetters().size());
}

void DetachNativeDrives() {
  std::lock_guard<std::mutex> lock(g_refreshMutex);
  for (const auto& [letter, drive] : NativeLetters()) DriveTable::Instance().Detach(letter);
  DetachVirtualDrives();
}

}  // namespace platform
