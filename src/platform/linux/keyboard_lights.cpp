// The lock keys from the keyboard lights the kernel lists under
// /sys/class/leds: readable by every user, and true to the keyboard whatever
// window has the focus.
#include <filesystem>
#include <system_error>

#include "platform/keyboard_locks.h"
#include "platform/linux/sysfs_reader.h"

namespace platform {

LockKeyState ReadLockKeys() {
  std::vector<KeyboardLight> lights;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/leds", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find("lock") == std::string::npos) continue;
    std::string brightness;
    if (ReadTextFile(entry.path().string() + "/brightness", &brightness)) {
      lights.push_back({name, brightness});
    }
  }
  return LockKeysFromLights(lights);
}

}  // namespace platform
