#include "services/file_association.h"

#include "platform/linux/desktop_association.h"
#include "platform/registry_store.h"
#include "platform/user_files.h"
#include "services/registry.h"
#include "support/temp_dir.h"
#include "user_folders_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;

constexpr const char* kOpenWithList =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.dfp\\OpenWithList";
const std::string kProgram = "/opt/Quill Tools/quillfen";  // the fixture's program path

// PATH with the test's own bin folder first and without the folders that
// hold an installed quillfen, so that the machine's copy stays out of the
// entries the tests look at.
std::string PathWithOwnBin(const std::string& bin) {
  std::string path = bin;
  const char* old = std::getenv("PATH");
  const std::string rest = old != nullptr ? old : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= rest.size();) {
    std::size_t end = rest.find(':', start);
    if (end == std::string::npos) end = rest.size();
    const std::string dir = rest.substr(start, end - start);
    std::error_code error;
    if (!dir.empty() && !std::filesystem::exists(dir + "/quillfen", error)) path += ":" + dir;
    start = end + 1;
  }
  return path;
}

class FileAssociationTest : public UserFoldersTest {
 protected:
  FileAssociationTest() : path_("PATH", PathWithOwnBin(dir_.File("bin"))) {}

  ScopedVariable path_;

  std::string Read(platform::RegKey root, const std::string& path, const char* name) {
    CRegistry registry;
    std::string out;
    registry.ReadValue(root, path.c_str(), name, out, "<missing>");
    return out;
  }
  void Write(platform::RegKey root, const std::string& path, const char* name, const char* value) {
    CRegistry registry;
    ASSERT_EQ(registry.WriteValue(root, path.c_str(), name, value), 0u);
  }
  std::uint32_t TypeOf(platform::RegKey root, const std::string& path) {
    platform::RegKey key = 0;
    std::uint32_t type = 0;
    if (platform::RegOpenKey(root, path.c_str(), &key) != 0) return 0;
    platform::RegQueryValueEx(key, "", &type, nullptr, nullptr);
    platform::RegCloseKey(key);
    return type;
  }
};

TEST_F(FileAssociationTest, CommandTextQuotesThePathAndIsExpandable) {
  EXPECT_EQ(AssociationCommandText("C:\\Tools\\x.exe"), "\"C:\\Tools\\x.exe\" \"%1\"");
  EXPECT_EQ(ProgramFileName("C:\\Tools\\x.exe"), "x.exe");
  EXPECT_EQ(ProgramFileName("/opt/Quill Tools/quillfen"), "quillfen");
  EXPECT_EQ(ProgramFileName("quillfen"), "quillfen");

  RegisterFileAssociation();
  const std::string command = "\"" + kProgram + "\" \"%1\"";
  EXPECT_EQ(Read(kHkeyClassesRoot, ".dfp", ""), "dfp_auto_file");
  const std::string commandKeys[][2] = {
      {"R", "dfp_auto_file\\shell\\open\\command"},
      {"R", "Applications\\quillfen\\shell\\open\\command"},
      {"U", "Software\\Classes\\Applications\\quillfen\\shell\\open\\command"},
  };
  for (const auto& [root, path] : commandKeys) {
    const platform::RegKey key = root == "R" ? kHkeyClassesRoot : kHkeyCurrentUser;
    EXPECT_EQ(Read(key, path, ""), command) << path;
    EXPECT_EQ(TypeOf(key, path), platform::kRegExpandSz) << path;
  }
}

TEST_F(FileAssociationTest, OpenWithListGainsTheProgramOnce) {
  struct Case {
    const char* what;
    const char* mruList;
    std::vector<std::pair<std::string, std::string>> entries;
    const char* expectedList;
    const char* addedLetter;  // null: nothing added
  };
  std::vector<std::pair<std::string, std::string>> allLetters;
  std::string all;
  for (char c = 'a'; c <= 'z'; ++c) {
    all += c;
    allLetters.push_back({std::string(1, c), "other" + std::string(1, c) + ".exe"});
  }
  const std::vector<Case> cases = {
      {"empty list", nullptr, {}, "a", "a"},
      {"other programs", "ab", {{"a", "notepad.exe"}, {"b", "hexed.exe"}}, "abc", "c"},
      {"gap in the letters", "ca", {{"c", "x.exe"}, {"a", "y.exe"}}, "cab", "b"},
      {"listed in another case", "ab", {{"a", "x.exe"}, {"b", "QUILLFEN"}}, "ab", nullptr},
      {"all letters taken", all.c_str(), allLetters, all.c_str(), nullptr},
  };
  for (const Case& c : cases) {
    testsupport::TempDir fresh;
    ScopedVariable config("XDG_CONFIG_HOME", fresh.File("config"));
    ScopedVariable data("XDG_DATA_HOME", fresh.File("data"));
    if (c.mruList != nullptr) Write(kHkeyCurrentUser, kOpenWithList, "MRUList", c.mruList);
    for (const auto& [name, value] : c.entries) {
      Write(kHkeyCurrentUser, kOpenWithList, name.c_str(), value.c_str());
    }
    RegisterFileAssociation();
    RegisterFileAssociation();  // the second run finds the program listed
    EXPECT_EQ(Read(kHkeyCurrentUser, kOpenWithList, "MRUList"), c.expectedList) << c.what;
    if (c.addedLetter != nullptr) {
      EXPECT_EQ(Read(kHkeyCurrentUser, kOpenWithList, c.addedLetter), "quillfen") << c.what;
    }
    for (const auto& [name, value] : c.entries) {
      EXPECT_EQ(Read(kHkeyCurrentUser, kOpenWithList, name.c_str()), value) << c.what;
    }
  }
}

TEST_F(FileAssociationTest, RefusedMachineKeysStillLeaveThePerUserEntries) {
  std::filesystem::create_directories(platform::RegistryStoreFile(kHkeyClassesRoot));
  RegisterFileAssociation();
  EXPECT_EQ(
      Read(kHkeyCurrentUser, "Software\\Classes\\Applications\\quillfen\\shell\\open\\command", ""),
      "\"" + kProgram + "\" \"%1\"");
  EXPECT_EQ(Read(kHkeyCurrentUser, kOpenWithList, "MRUList"), "a");
}

TEST_F(FileAssociationTest, DesktopEntriesNameTheProgram) {
  // Another association in the user's list stays as it is.
  ASSERT_EQ(platform::WriteFileAtomically(ConfigFile("mimeapps.list"),
                                          "[Default Applications]\ntext/plain=editor.desktop;\n"),
            0u);
  RegisterFileAssociation();
  const platform::DesktopAssociationFiles files = platform::DesktopAssociationPaths(kProgram);
  EXPECT_EQ(files.desktopEntry, DataFile("applications/quillfen.desktop"));
  EXPECT_EQ(files.mimePackage, DataFile("mime/packages/dornveld-container.xml"));

  std::string mime, desktop, list;
  ASSERT_EQ(platform::ReadWholeFile(files.mimePackage, &mime), 0u);
  ASSERT_EQ(platform::ReadWholeFile(files.desktopEntry, &desktop), 0u);
  ASSERT_EQ(platform::ReadWholeFile(files.mimeAppsList, &list), 0u);
  EXPECT_NE(mime.find("<glob pattern=\"*.dfp\"/>"), std::string::npos);
  EXPECT_NE(mime.find("type=\"application/x-dornveld-container\""), std::string::npos);
  EXPECT_NE(mime.find("<match type=\"string\" offset=\"0\" value=\"DornveldFLPDrive\"/>"),
            std::string::npos);
  EXPECT_NE(desktop.find("\nExec=\"/opt/Quill Tools/quillfen\" %f\n"), std::string::npos);
  EXPECT_NE(desktop.find("\nMimeType=application/x-dornveld-container;\n"), std::string::npos);
  EXPECT_NE(list.find("text/plain=editor.desktop;\n"), std::string::npos);
  EXPECT_NE(list.find("application/x-dornveld-container=quillfen.desktop;\n"), std::string::npos);

  if (testsupport::HaveProgram("update-mime-database")) {
    // The desktop's MIME database now knows the pattern.
    std::string globs;
    ASSERT_EQ(platform::ReadWholeFile(DataFile("mime/globs2"), &globs), 0u);
    EXPECT_NE(globs.find("application/x-dornveld-container:*.dfp"), std::string::npos);
  }
}

TEST_F(FileAssociationTest, DesktopEntryStartsTheInstalledCopy) {
  // Run out of a build folder, with the program installed: the desktop must
  // not be left pointing into the build folder.
  const std::string installed = dir_.File("bin/quillfen");
  std::filesystem::create_directories(dir_.File("bin"));
  std::ofstream(installed) << "#!/bin/sh\n";
  std::filesystem::permissions(installed, std::filesystem::perms::owner_all);
  RegisterFileAssociation();
  std::string desktop;
  ASSERT_EQ(platform::ReadWholeFile(DataFile("applications/quillfen.desktop"), &desktop), 0u);
  EXPECT_NE(desktop.find("\nExec=\"" + installed + "\" %f\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nIcon=quillfen\n"), std::string::npos);
}

TEST_F(FileAssociationTest, SecondRunChangesNothing) {
  RegisterFileAssociation();
  auto snapshot = [&] {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
      if (!entry.is_regular_file()) continue;
      std::string content;
      platform::ReadWholeFile(entry.path().string(), &content);
      const auto stamp = std::filesystem::last_write_time(entry.path()).time_since_epoch().count();
      files.push_back({entry.path().string(), content + "@" + std::to_string(stamp)});
    }
    std::sort(files.begin(), files.end());
    return files;
  };
  const auto before = snapshot();
  platform::SleepMs(20);
  RegisterFileAssociation();
  EXPECT_EQ(snapshot(), before);
}

TEST(DesktopExecArgument, QuotesAndEscapesByTheDesktopEntryRules) {
  struct Case {
    const char* path;
    const char* exec;
  };
  const Case cases[] = {
      {"/usr/bin/quillfen", "\"/usr/bin/quillfen\""},
      {"/opt/My Tools/q", "\"/opt/My Tools/q\""},
      {"/opt/100%/q", "\"/opt/100%%/q\""},
      {"/opt/a\"b/q", "\"/opt/a\\\\\"b/q\""},
      {"/opt/$HOME/`x`/q", "\"/opt/\\\\$HOME/\\\\`x\\\\`/q\""},
      {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::DesktopExecArgument(c.path), c.exec) << c.path;
}

}  // namespace
