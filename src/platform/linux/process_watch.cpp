#include "platform/linux/process_watch.h"

#include <chrono>

#include "platform/linux/sysfs_reader.h"
#include "platform/process.h"

namespace platform {

bool StatShowsEnded(const std::string& statText) {
  // "pid (name) S ...": the name may hold blanks and parentheses itself.
  const std::size_t close = statText.rfind(')');
  if (close == std::string::npos || close + 2 >= statText.size()) return true;
  const char state = statText[close + 2];
  return state == 'Z' || state == 'X' || state == 'x';
}

bool ProcessHasEnded(long pid) {
  if (pid <= 0) return true;
  std::string text;
  if (!ReadTextFile("/proc/" + std::to_string(pid) + "/stat", &text)) return true;
  return StatShowsEnded(text);
}

bool WaitForProcessEnd(long pid, unsigned timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!ProcessHasEnded(pid)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    SleepMs(10);
  }
  return true;
}

}  // namespace platform
