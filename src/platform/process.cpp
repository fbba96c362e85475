#include "platform/process.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/user_files.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::string g_moduleOverride;
}  // namespace

std::string GetModuleFileName() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_moduleOverride.empty()) return g_moduleOverride;
  }
  return RunningProgramPath();
}

void SetModuleFileNameOverride(std::string path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_moduleOverride = std::move(path);
}

std::string GetProgramFolder() {
  const std::string path = GetModuleFileName();
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string GetTempPath() {
  return UserTemporaryFolder();
}

void SleepMs(unsigned ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
