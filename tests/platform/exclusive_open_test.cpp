// Opens are exclusive across processes too: while one program holds a file,
// another cannot open, truncate or delete it, and the file is free again
// once the holder closes it or ends.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/host/host_folder_drive.h"
#include "support/temp_dir.h"

namespace {

using platform::Disposition;
using platform::kGenericRead;
using platform::kGenericWrite;

constexpr char kLetter = 'N';
const char* const kPath = "N:\\shared.bin";

// A second process that runs `step` when told, answers its int, and keeps
// whatever the step left open until it is told to end.
class OtherProcess {
 public:
  explicit OtherProcess(std::function<int(platform::File*)> step) {
    int toChild[2];
    int toParent[2];
    if (pipe(toChild) != 0 || pipe(toParent) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(toChild[1]);
      close(toParent[0]);
      platform::File held;
      char command = 0;
      while (read(toChild[0], &command, 1) == 1 && command == 's') {
        const int answer = step(&held);
        if (write(toParent[1], &answer, sizeof answer) != sizeof answer) break;
      }
      _exit(0);  // closing everything it held
    }
    close(toChild[0]);
    close(toParent[1]);
    toChild_ = toChild[1];
    fromChild_ = toParent[0];
  }
  ~OtherProcess() { End(); }

  // Runs the step once in the other process; INT_MIN when it is gone.
  int Step() {
    const char command = 's';
    int answer = INT_MIN;
    if (write(toChild_, &command, 1) != 1 ||
        read(fromChild_, &answer, sizeof answer) != sizeof answer) {
      return INT_MIN;
    }
    return answer;
  }
  void End() {
    if (pid_ <= 0) return;
    close(toChild_);
    close(fromChild_);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
};

class ExclusiveOpenTest : public testing::Test {
 protected:
  ExclusiveOpenTest() : scoped_(kLetter, std::make_shared<platform::HostFolderDrive>(dir_.path())) {
    std::ofstream(dir_.File("shared.bin"), std::ios::binary) << "contents";
  }
  void SetUp() override { ASSERT_TRUE(scoped_.attached()); }
  std::string HostContents() const {
    std::ifstream in(dir_.File("shared.bin"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  testsupport::TempDir dir_;
  platform::ScopedDrive scoped_;
};

// What the other program's attempt gives while this one holds the file.
int Attempt(std::uint32_t access, Disposition disposition) {
  platform::File file = platform::OpenFile(kPath, access, disposition);
  return file.IsOpen() ? 0 : static_cast<int>(platform::GetLastError());
}

TEST_F(ExclusiveOpenTest, AnotherProcessIsRefusedWhileThisOneHoldsTheFile) {
  struct Case {
    const char* what;
    std::function<int()> attempt;
  };
  const Case cases[] = {
      {"open for reading", [] { return Attempt(kGenericRead, Disposition::kOpenExisting); }},
      {"open for writing", [] { return Attempt(kGenericWrite, Disposition::kOpenAlways); }},
      {"create always", [] { return Attempt(kGenericWrite, Disposition::kCreateAlways); }},
      {"truncate", [] { return Attempt(kGenericWrite, Disposition::kTruncateExisting); }},
      {"delete",
       [] { return platform::RemoveFile(kPath) ? 0 : static_cast<int>(platform::GetLastError()); }},
  };
  for (const std::uint32_t heldAccess : {kGenericRead, kGenericRead | kGenericWrite}) {
    platform::File held = platform::OpenFile(kPath, heldAccess, Disposition::kOpenExisting);
    ASSERT_TRUE(held.IsOpen());
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      OtherProcess other([&](platform::File*) { return c.attempt(); });
      EXPECT_EQ(other.Step(), static_cast<int>(platform::kErrorSharingViolation));
    }
    EXPECT_EQ(HostContents(), "contents");
    held.Close();
  }
  // Released: the other program gets it now.
  OtherProcess other(
      [](platform::File*) { return Attempt(kGenericWrite, Disposition::kOpenExisting); });
  EXPECT_EQ(other.Step(), 0);
}

TEST_F(ExclusiveOpenTest, ThisProcessIsRefusedWhileAnotherHoldsTheFile) {
  OtherProcess other([](platform::File* held) {
    *held = platform::OpenFile(kPath, kGenericRead, Disposition::kOpenExisting);
    return held->IsOpen() ? 0 : static_cast<int>(platform::GetLastError());
  });
  ASSERT_EQ(other.Step(), 0);

  EXPECT_FALSE(platform::OpenFile(kPath, kGenericRead, Disposition::kOpenExisting).IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
  EXPECT_FALSE(platform::OpenFile(kPath, kGenericWrite, Disposition::kCreateAlways).IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
  EXPECT_FALSE(platform::RemoveFile(kPath));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
  EXPECT_EQ(HostContents(), "contents");

  // A holder that ends without closing releases the file all the same.
  other.End();
  platform::File mine = platform::OpenFile(kPath, kGenericWrite, Disposition::kOpenExisting);
  EXPECT_TRUE(mine.IsOpen());
}

// A program started while a file is open does not inherit it: once this
// process closes the file, it is free although that program still runs.
TEST_F(ExclusiveOpenTest, StartedProgramsDoNotKeepTheFile) {
  platform::File held = platform::OpenFile(kPath, kGenericRead, Disposition::kOpenExisting);
  ASSERT_TRUE(held.IsOpen());
  ASSERT_EQ(testsupport::RunCommand("sleep 2 </dev/null >/dev/null 2>&1 &"), 0);
  held.Close();
  platform::File again = platform::OpenFile(kPath, kGenericWrite, Disposition::kOpenExisting);
  EXPECT_TRUE(again.IsOpen()) << platform::GetLastError();
}

}  // namespace
