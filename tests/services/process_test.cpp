#include "platform/process.h"

#include "platform/errors.h"
#include "user_folders_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(Process, TemporaryFolderEndsWithASeparator) {
  struct Case {
    const char* tmpdir;  // null: unset
    const char* expected;
  };
  const Case cases[] = {
      {"/var/tmp", "/var/tmp/"}, {"/var/tmp/", "/var/tmp/"}, {"", "/tmp/"}, {nullptr, "/tmp/"}};
  for (const Case& c : cases) {
    ScopedVariable tmpdir("TMPDIR", c.tmpdir != nullptr ? c.tmpdir : "");
    if (c.tmpdir == nullptr) ::unsetenv("TMPDIR");
    EXPECT_EQ(platform::GetTempPath(), c.expected);
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
