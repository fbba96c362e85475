#include "services/file_association.h"

#include "platform/file_type_registration.h"
#include "platform/process.h"
#include "platform/registry_store.h"
#include "services/registry.h"

#include <cctype>
#include <string_view>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Adds the program to the "Open with" list of an extension once: the list's
// MRUList names its entries by one letter each.
void AddToOpenWithList(CRegistry& registry, const std::string& extension,
                       const std::string& programName) {
  const std::string path = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\" +
                           extension + "\\OpenWithList";
  std::string mruList;
  registry.ReadValue(platform::kHkeyCurrentUser, path.c_str(), "MRUList", mruList, "");
  for (const char letter : mruList) {
    const char name[2] = {letter, '\0'};
    std::string entry;
    registry.ReadValue(platform::kHkeyCurrentUser, path.c_str(), name, entry, "");
    if (SameIgnoringCase(entry, programName)) return;  // listed already
  }
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    if (mruList.find(letter) != std::string::npos) continue;
    mruList += letter;
    const char name[2] = {letter, '\0'};
    registry.WriteValue(platform::kHkeyCurrentUser, path.c_str(), "MRUList", mruList.c_str());
    registry.WriteValue(platform::kHkeyCurrentUser, path.c_str(), name, programName.c_str());
    return;
  }
  // All 26 letters taken: nothing is added.
}

}  // namespace

std::string AssociationCommandText(const std::string& programPath) {
  return "\"" + programPath + "\" \"%1\"";
}

std::string ProgramFileName(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of("/\\");
  return slash == std::string::npos ? programPath : programPath.substr(slash + 1);
}

void RegisterFileAssociationKeys(const std::string& programPath) {
  const std::string command = AssociationCommandText(programPath);
  const std::string programName = ProgramFileName(programPath);
  CRegistry registry;
  // Failures are ignored: without the rights for the machine-wide classes the
  // per-user entries are still written.
  registry.WriteValue(platform::kHkeyClassesRoot, ".dfp", "", "dfp_auto_file");
  registry.WriteValue(platform::kHkeyClassesRoot, "dfp_auto_file\\shell\\open\\command", "",
                      command.c_str());
  registry.WriteValue(platform::kHkeyClassesRoot,
                      ("Applications\\" + programName + "\\shell\\open\\command").c_str(), "",
                      command.c_str());
  registry.WriteValue(
      platform::kHkeyCurrentUser,
      ("Software\\Classes\\Applications\\" + programName + "\\shell\\open\\command").c_str(), "",
      command.c_str());
  for (const char* extension : {".dfp"}) AddToOpenWithList(registry, extension, programName);
}

void RegisterFileAssociation() {
  const std::string programPath = platform::GetModuleFileName();
  if (programPath.empty()) return;
  RegisterFileAssociationKeys(programPath);
  platform::RegisterContainerFileType(programPath);
}
