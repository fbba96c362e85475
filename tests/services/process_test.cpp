#include "platform/process.h"

#include "platform/errors.h"
#include "user_folders_fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <string>

#include "support/test_data.h"

namespace {

// A real folder of this user that nobody else may enter.
::testing::AssertionResult IsPrivateFolder(std::string folder) {
  if (folder.empty() || folder.back() != '/') {
    return ::testing::AssertionFailure() << "'" << folder << "' has no trailing separator";
  }
  folder.pop_back();
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return ::testing::AssertionFailure() << folder << " is no folder";
  }
  if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
    return ::testing::AssertionFailure() << folder << " is not private: uid " << st.st_uid
                                         << ", mode " << std::oct << (st.st_mode & 07777);
  }
  return ::testing::AssertionSuccess();
}

std::string MakeFolder(const std::string& path, mode_t mode) {
  ::mkdir(path.c_str(), 0700);
  ::chmod(path.c_str(), mode);  // past the umask
  return path;
}

TEST(Process, TemporaryFolderIsTheUsersAlone) {
  testsupport::TempDir dir;
  const std::string own = "quillfen-" + std::to_string(::geteuid());
  const std::string run = MakeFolder(dir.File("run"), 0700);
  const std::string open = MakeFolder(dir.File("open"), 0777);
  const std::string shared = MakeFolder(dir.File("shared"), 01777);
  struct Case {
    const char* what;
    const char* runtime;  // null: unset
    std::string expected;
  };
  const Case cases[] = {
      {"runtime folder", run.c_str(), run + "/quillfen/"},
      {"runtime folder that others may enter", open.c_str(), shared + "/" + own + "/"},
      {"relative runtime folder", "run", shared + "/" + own + "/"},
      {"no runtime folder", nullptr, shared + "/" + own + "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedVariable runtime("XDG_RUNTIME_DIR", c.runtime != nullptr ? c.runtime : "");
    if (c.runtime == nullptr) ::unsetenv("XDG_RUNTIME_DIR");
    ScopedVariable tmpdir("TMPDIR", shared + "/");
    EXPECT_EQ(platform::GetTempPath(), c.expected);
    EXPECT_TRUE(IsPrivateFolder(platform::GetTempPath()));
  }
}

// What another user (or an earlier mistake) left under our folder's name in
// the shared temporary folder is never used: a fresh folder of our own
// stands in for it, the same one for the rest of the process.
TEST(Process, TemporaryFolderNeverTakesAFolderSomeoneElseCouldHaveMade) {
  testsupport::TempDir dir;
  const std::string own = "quillfen-" + std::to_string(::geteuid());
  const std::string target = MakeFolder(dir.File("target"), 0700);
  struct Case {
    const char* what;
    std::function<bool(const std::string&)> plant;
  };
  const Case cases[] = {
      {"another user's folder",
       [](const std::string& path) {
         return ::geteuid() == 0 && ::mkdir(path.c_str(), 0700) == 0 &&
                ::chown(path.c_str(), 65534, 65534) == 0;
       }},
      {"our folder that others may write",
       [](const std::string& path) { return MakeFolder(path, 0777) == path; }},
      {"a link to a private folder",
       [&](const std::string& path) { return ::symlink(target.c_str(), path.c_str()) == 0; }},
      {"a plain file",
       [](const std::string& path) { return testsupport::WriteHostFile(path, "x"); }},
  };
  ScopedVariable runtime("XDG_RUNTIME_DIR", "");
  ::unsetenv("XDG_RUNTIME_DIR");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string shared = MakeFolder(dir.File(c.what), 01777);
    const std::string planted = shared + "/" + own;
    if (!c.plant(planted)) {
      std::cout << "[ SKIPPED  ] " << c.what << ": cannot be planted without root\n";
      continue;
    }
    ScopedVariable tmpdir("TMPDIR", shared);
    const std::string folder = platform::GetTempPath();
    EXPECT_TRUE(IsPrivateFolder(folder));
    EXPECT_EQ(folder.rfind(planted + "-", 0), 0u) << folder;
    EXPECT_EQ(platform::GetTempPath(), folder);
  }
}

TEST(Process, OwnProgramPathCanBeOverridden) {
  const std::string real = platform::GetModuleFileName();
  EXPECT_NE(real.find("test_services"), std::string::npos);
  platform::SetModuleFileNameOverride("/x/y.exe");
  EXPECT_EQ(platform::GetModuleFileName(), "/x/y.exe");
  platform::SetModuleFileNameOverride("");
  EXPECT_EQ(platform::GetModuleFileName(), real);
}

TEST(Process, RunsProgramsWithoutAShell) {
  int exitCode = -1;
  ASSERT_TRUE(platform::RunProgram({"sh", "-c", "exit 3"}, true, &exitCode));
  EXPECT_EQ(exitCode, 3);
  // Arguments reach the program as they are, blanks and quotes included.
  ASSERT_TRUE(platform::RunProgram({"test", "a \"b\" $c", "=", "a \"b\" $c"}, true, &exitCode));
  EXPECT_EQ(exitCode, 0);

  platform::SetLastError(0);
  EXPECT_FALSE(platform::RunProgram({"no-such-program-quillfen"}, true, &exitCode));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  EXPECT_FALSE(platform::RunProgram({}, true));
  EXPECT_EQ(platform::FindProgram("no-such-program-quillfen"), "");
  EXPECT_EQ(platform::FindProgram("sh").back(), 'h');

  platform::ProcessId process = 0;
  ASSERT_TRUE(platform::StartProgram({"sleep", "0.3"}, &process));
  EXPECT_EQ(platform::WaitForProgram(process, 20), platform::WaitResult::kTimeout);
  EXPECT_EQ(platform::WaitForProgram(process, 5000, &exitCode), platform::WaitResult::kFinished);
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(platform::RunProgram({"true"}, false));  // not waited for
}

}  // namespace
