// Two instances of the program at once get two temporary folders; a folder
// is free again once the instance that held it is gone.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/instance_folder.h"
#include "support/temp_dir.h"

namespace {
// Claims a folder in a child process and reports which; the child holds it
// until it ends.
std::string ClaimInChild(const std::string& base, bool* ok) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    const std::string folder = platform::ClaimInstanceFolder(base);
    (void)!write(pipeFds[1], folder.data(), folder.size());
    _exit(0);
  }
  close(pipeFds[1]);
  char buffer[512];
  const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  *ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}
}  // namespace

TEST(InstanceFolderTest, EachRunningInstanceHasItsOwnFolder) {
  testsupport::TempDir dir;
  const std::string base = dir.path() + "/";
  const std::string first = platform::ClaimInstanceFolder(base);
  EXPECT_EQ(first, base + "instance-0/");
  struct stat st {};
  ASSERT_EQ(stat(first.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // While the first is held, another instance (here: another lock holder)
  // gets the next folder.
  EXPECT_EQ(platform::ClaimInstanceFolder(base), base + "instance-1/");

  // A process that ended gave its folder back: a fresh base shows it.
  testsupport::TempDir other;
  const std::string otherBase = other.path() + "/";
  bool ok = false;
  EXPECT_EQ(ClaimInChild(otherBase, &ok), otherBase + "instance-0/");
  EXPECT_TRUE(ok);
  EXPECT_EQ(platform::ClaimInstanceFolder(otherBase), otherBase + "instance-0/")
      << "the folder of an instance that ended is used again";
  // And a child that runs while we hold instance-0 gets instance-1.
  EXPECT_EQ(ClaimInChild(otherBase, &ok), otherBase + "instance-1/");
}

TEST(InstanceFolderTest, ALinkInPlaceOfTheFolderIsNeverUsed) {
  testsupport::TempDir dir;
  testsupport::TempDir elsewhere;
  const std::string base = dir.path() + "/";
  ASSERT_EQ(symlink(elsewhere.path().c_str(), (base + "instance-0").c_str()), 0);
  EXPECT_EQ(platform::ClaimInstanceFolder(base), base + "instance-1/");
}
