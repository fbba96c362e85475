#include "platform/profile_store.h"

#include <mutex>

#include "platform/process.h"

namespace platform {
namespace {
std::mutex g_companyMutex;
std::string g_company = "Dornveld";
}  // namespace

void SetProfileRegistryKey(const std::string& company) {
  std::lock_guard<std::mutex> lock(g_companyMutex);
  g_company = company;
}

std::string ProfileCompany() {
  std::lock_guard<std::mutex> lock(g_companyMutex);
  return g_company;
}

std::string ProfileApplicationName() {
  std::string name = GetModuleFileName();
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name.empty() ? std::string("Quillfen") : name;
}

}  // namespace platform
