// quillfen-fatfs as a program: its command line, its mount options, and for
// real on this machine the promises the driver library builds on: it returns
// once the mount serves, refuses what it cannot serve with nothing left
// mounted, and ends only after the image file holds everything.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "imdisk_linux/fatfs_start.h"
#include "imdisk_linux/tests/driver_env.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

TEST(FatfsStartTest, CommandLineAndMountOptions) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    fatfs::FatfsCommandLine expected;
  };
  const Case cases[] = {
      {{"quillfen-fatfs", "/a.img", "/m"}, true, {"/a.img", "/m", false}},
      {{"quillfen-fatfs", "-r", "a b.img", "m"}, true, {"a b.img", "m", true}},
      {{"quillfen-fatfs", "--", "-a.img", "-m"}, true, {"-a.img", "-m", false}},
      {{"quillfen-fatfs", "-r", "--", "-r", "m"}, true, {"-r", "m", true}},
      {{"quillfen-fatfs", "/a.img"}, false, {}},
      {{"quillfen-fatfs", "/a.img", "/m", "/x"}, false, {}},
      {{"quillfen-fatfs", "-f", "/a.img", "/m"}, false, {}},
      {{"quillfen-fatfs", "", "/m"}, false, {}},
  };
  for (const Case& c : cases) {
    fatfs::FatfsCommandLine line;
    std::string why;
    const bool ok = fatfs::ParseFatfsCommandLine(c.args, &line, &why);
    EXPECT_EQ(ok, c.ok) << c.args.size() << " arguments, second " << c.args[1];
    if (!ok) {
      EXPECT_FALSE(why.empty());
      continue;
    }
    EXPECT_EQ(line.image, c.expected.image);
    EXPECT_EQ(line.folder, c.expected.folder);
    EXPECT_EQ(line.readOnly, c.expected.readOnly);
  }

  EXPECT_EQ(fatfs::FatfsMountOptions("/tmp/a.img", false),
            "fsname=/tmp/a.img,subtype=quillfen-fatfs,big_writes");
  // libfuse splits options at commas unless escaped.
  EXPECT_EQ(fatfs::FatfsMountOptions("/tmp/x, y\\z.img", true),
            "fsname=/tmp/x\\, y\\\\z.img,subtype=quillfen-fatfs,big_writes,ro");
}

class FatfsProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = drivertest::FatfsMissing();
    if (!missing.empty()) GTEST_SKIP() << missing;
    image_ = dir_.File("floppy, one.img");
    folder_ = dir_.File("mount point");
    ASSERT_TRUE(drivertest::MakeFloppyImage(image_));
    ASSERT_EQ(mkdir(folder_.c_str(), 0700), 0);
  }
  void TearDown() override {
    if (drivertest::IsMountPoint(folder_)) {
      testsupport::RunCommand("fusermount -u -z " + testsupport::Quote(folder_) +
                              " >/dev/null 2>&1");
    }
    if (server_ != 0) platform::WaitForProcessEnd(server_, 5000);
  }

  int Start(const std::string& options, const std::string& image) {
    return testsupport::RunCommand(testsupport::Quote(drivertest::FatfsProgramPath()) + " " +
                                   options + " " + testsupport::Quote(image) + " " +
                                   testsupport::Quote(folder_) + " >/dev/null 2>&1");
  }

  long Server() const {
    char resolved[PATH_MAX];
    const std::string folder = realpath(folder_.c_str(), resolved) ? resolved : folder_;
    for (const auto& p : platform::ReadFuseServerProcesses(platform::NativePaths{})) {
      if (p.fsType == platform::kFatfsFileSystemType && p.mount.mountPoint == folder) return p.pid;
    }
    return 0;
  }

  testsupport::ImageVolume Volume() const { return testsupport::ImageVolume{image_, 0, 2880}; }

  testsupport::TempDir dir_;
  std::string image_;
  std::string folder_;
  long server_ = 0;
};

TEST_F(FatfsProgramTest, ReturnsOnceTheMountServesAndEndsOnlyAfterTheImageHoldsEverything) {
  ASSERT_EQ(Start("", image_), 0);
  // In place and served the moment the program has returned.
  EXPECT_TRUE(drivertest::IsMountPoint(folder_));
  std::string hello;
  ASSERT_TRUE(testsupport::ReadHostFile(folder_ + "/HELLO.TXT", &hello));
  EXPECT_EQ(hello, "hello\n");
  server_ = Server();
  ASSERT_NE(server_, 0);

  // Written and still open when the server is told to stop: the data is in
  // the image once the process is gone.
  const std::string content = testsupport::TestBytes(70000, 11);
  FILE* open = std::fopen((folder_ + "/Still Open.bin").c_str(), "wb");
  ASSERT_NE(open, nullptr);
  ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), open), content.size());
  ASSERT_EQ(std::fflush(open), 0);
  ASSERT_EQ(kill(static_cast<pid_t>(server_), SIGTERM), 0);
  ASSERT_TRUE(platform::WaitForProcessEnd(server_, 10000));
  std::fclose(open);  // the mount is gone by now
  EXPECT_FALSE(drivertest::IsMountPoint(folder_));
  std::string stored;
  ASSERT_TRUE(testsupport::MtoolsRead(Volume(), "/Still Open.bin", &stored));
  EXPECT_TRUE(stored == content) << "the open file did not reach the image whole";
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(Volume(), &report)) << report;
}

TEST_F(FatfsProgramTest, RefusesWhatItCannotServeWithNothingMounted) {
  const std::string noise = dir_.File("noise.img");
  ASSERT_TRUE(testsupport::WriteHostFile(noise, testsupport::TestBytes(1474560, 9)));
  EXPECT_EQ(Start("", noise), 1);
  EXPECT_EQ(Start("", dir_.File("missing.img")), 1);
  EXPECT_EQ(Start("-x", image_), 2);  // a wrong command line
  EXPECT_FALSE(drivertest::IsMountPoint(folder_));
  EXPECT_EQ(Server(), 0);

  // Read-only: every change is refused, and the image stays as it was.
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(image_, &before));
  ASSERT_EQ(Start("-r", image_), 0);
  server_ = Server();
  EXPECT_FALSE(testsupport::WriteHostFile(folder_ + "/NEW.TXT", "x"));
  EXPECT_NE(unlink((folder_ + "/HELLO.TXT").c_str()), 0);
  EXPECT_EQ(errno, EROFS);
  std::string hello;
  EXPECT_TRUE(testsupport::ReadHostFile(folder_ + "/HELLO.TXT", &hello));
  ASSERT_EQ(testsupport::RunCommand("fusermount -u " + testsupport::Quote(folder_)), 0);
  ASSERT_TRUE(platform::WaitForProcessEnd(server_, 10000));
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(image_, &after));
  EXPECT_TRUE(after == before) << "a read-only mount changed the image";
}

}  // namespace
