// The machine's drives at the letters Windows gives them (GetLogicalDrives).
// Letters held by anything else (image drives) are left alone.
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "platform/windows/win32.h"
#include "platform/windows/windows_drive.h"

namespace platform {
namespace {
std::mutex g_refreshMutex;
}  // namespace

std::uint32_t RefreshDrives() {
  std::lock_guard<std::mutex> lock(g_refreshMutex);
  DriveTable& table = DriveTable::Instance();
  const DWORD mask = ::GetLogicalDrives();
  std::uint32_t attached = 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::shared_ptr<IDrive> held = table.Find(letter);
    const auto native = std::dynamic_pointer_cast<WindowsDrive>(held);
    if (held && !native) continue;  // an image drive or a folder keeps its letter
    const bool present = (mask & (1u << (letter - 'A'))) != 0;
    const std::optional<WindowsDriveRecord> record =
        present ? DescribeWindowsDrive(letter) : std::nullopt;
    if (native && (!record || native->record() != *record)) {
      table.Detach(letter);
    } else if (native) {
      ++attached;
      continue;
    }
    if (record && table.Attach(letter, std::make_shared<WindowsDrive>(*record))) ++attached;
  }
  return attached;
}

}  // namespace platform
