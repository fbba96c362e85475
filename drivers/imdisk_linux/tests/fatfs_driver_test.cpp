// The Linux driver library for real, through the program's binding: an image
// mounted with quillfen-fatfs at a letter, its files at that letter and in
// the mount's folder, the changes in the image (with Windows short names and
// today's dates) once released, and the mount taken away from outside.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "imdisk_linux/tests/driver_env.h"
#include "platform/drive.h"
#include "platform/files.h"
#include "platform/install_folders.h"
#include "platform/linux/native_drives.h"
#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/process.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/test_data.h"
#include "virtualdrive/virtual_disk_manager.h"

namespace {
using drivertest::kDriverLibrary;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// Today's local date as mdir shows it.
std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// The line of mdir's listing that starts with the short name ("NOTES    TXT").
std::string ListingLine(const std::string& listing, const std::string& shortName) {
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(shortName, 0) == 0) return line;
  }
  return {};
}

bool ReadThroughDrive(const std::string& path, std::string* content) {
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  if (!file.IsOpen()) return false;
  char buffer[4096];
  std::uint32_t done = 0;
  content->clear();
  while (file.Read(buffer, sizeof buffer, &done) && done > 0) content->append(buffer, done);
  return true;
}

class FatfsDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = drivertest::FatfsMissing();
    if (!missing.empty()) GTEST_SKIP() << missing;
    sandbox_ = std::make_unique<drivertest::DriverSandbox>();
    // A blank and a comma: the image's name goes into the mount's options.
    image_ = sandbox_->dir().File("floppy, one.img");
    ASSERT_TRUE(drivertest::MakeFloppyImage(image_));
    manager_ = std::make_unique<CVirtualDiskManager>(std::vector<std::string>{kDriverLibrary});
    ASSERT_TRUE(manager_->Initialize());
  }
  void TearDown() override {
    if (manager_) {
      // Whatever a test left mounted goes; a letter with nothing on it fails.
      for (char letter : {'M', 'N'}) (void)manager_->UnmountImage(letter);
    }
    platform::DetachNativeDrives();
    manager_.reset();
    sandbox_.reset();
  }

  testsupport::ImageVolume Volume() const { return testsupport::ImageVolume{image_, 0, 2880}; }

  // The one record, after a mount.
  platform::VirtualDriveRecord OnlyRecord() const {
    const auto records = sandbox_->Records();
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? platform::VirtualDriveRecord{} : records[0];
  }

  std::unique_ptr<drivertest::DriverSandbox> sandbox_;
  std::unique_ptr<CVirtualDiskManager> manager_;
  std::string image_;
};

TEST_F(FatfsDriverTest, ImageAtALetterTakesChangesBackIntoTheFile) {
  VirtualDiskVersion library, driver;
  ASSERT_NE(manager_->GetVersion(library, driver), 0);
  EXPECT_EQ(library.major, 1u);
  EXPECT_EQ(driver.major, 1u);

  ASSERT_NE(manager_->MountImage(image_.c_str(), 'M'), 0);
  VirtualDiskInfo info;
  ASSERT_NE(manager_->FindDeviceByDriveLetter(info, 'M'), 0);
  EXPECT_EQ(info.deviceNumber, 0u);
  EXPECT_EQ(info.imageFileName, RealPath(image_));
  EXPECT_EQ(info.geometry.cylinders, 80);
  EXPECT_EQ(info.geometry.tracksPerCylinder, 2u);
  EXPECT_EQ(info.geometry.sectorsPerTrack, 18u);
  EXPECT_EQ(info.geometry.bytesPerSector, 512u);
  const platform::VirtualDriveRecord record = OnlyRecord();
  EXPECT_EQ(record.method, platform::VirtualMountMethod::kFatfs);
  EXPECT_EQ(record.folder.rfind(RealPath(sandbox_->StateFolder()) + "/", 0), 0u);

  // The drive table shows the folder at the letter, as a removable drive.
  platform::RefreshNativeDrives();
  ASSERT_NE(platform::FindDrive('M'), nullptr);
  EXPECT_EQ(platform::GetDriveType('M'), platform::DriveType::kRemovable);
  EXPECT_EQ(platform::QueryDosDevice('M'), "\\Device\\ImDisk0");
  std::string hello;
  ASSERT_TRUE(ReadThroughDrive("M:\\HELLO.TXT", &hello));
  EXPECT_EQ(hello, "hello\n");
  const std::string content = testsupport::TestBytes(20000, 3);
  {
    platform::File file = platform::OpenFile("M:\\NOTES.BIN", platform::kGenericWrite,
                                             platform::Disposition::kCreateNew);
    ASSERT_TRUE(file.IsOpen()) << platform::GetLastError();
    ASSERT_TRUE(file.WriteExact(content.data(), static_cast<std::uint32_t>(content.size())));
    ASSERT_TRUE(file.Close());
  }
  // A second mount of the letter, or of the same image, is refused.
  EXPECT_EQ(manager_->MountImage(image_.c_str(), 'N'), 0);
  EXPECT_EQ(manager_->MountImage(sandbox_->dir().File("other.img").c_str(), 'M'), 0);

  // Released: at once the image holds the change, and it is a clean volume.
  ASSERT_NE(manager_->UnmountImage('M'), 0);
  std::string back;
  ASSERT_TRUE(testsupport::MtoolsRead(Volume(), "/NOTES.BIN", &back));
  EXPECT_TRUE(back == content) << "the written file did not reach the image whole";
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(Volume(), &report)) << report;
  EXPECT_TRUE(platform::ProcessHasEnded(record.process));

  EXPECT_EQ(manager_->QueryDevice(info, 0), 0);
  EXPECT_TRUE(sandbox_->Records().empty());
  EXPECT_FALSE(drivertest::IsMountPoint(record.folder));
  struct stat st {};
  EXPECT_NE(stat(record.folder.c_str(), &st), 0) << "the mount folder stayed";
  platform::RefreshNativeDrives();
  EXPECT_EQ(platform::FindDrive('M'), nullptr);
  EXPECT_EQ(manager_->UnmountImage('M'), 0);
}

// What a user does in the file manager, with ordinary file calls on the
// mount's folder; the image then holds it as Windows would have written it.
TEST_F(FatfsDriverTest, FilesEditedInTheFolderKeepTheirShortNamesAndTodaysDate) {
  const std::string dayBefore = Today();
  ASSERT_NE(manager_->MountImage(image_.c_str(), 'M'), 0);
  const std::string folder = OnlyRecord().folder;
  ASSERT_FALSE(folder.empty());
  const std::string inner = testsupport::TestBytes(3000, 5);
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/NOTES.TXT", "first notes\n"));
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/Long Name.txt", "a long name\n"));
  ASSERT_EQ(mkdir((folder + "/Sub Folder").c_str(), 0755), 0);
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/Sub Folder/Inner File.dat", inner));
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/draft.txt", "the report\n"));
  ASSERT_EQ(rename((folder + "/draft.txt").c_str(), (folder + "/Final Report.txt").c_str()), 0);
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/scratch.tmp", "scratch"));
  ASSERT_EQ(unlink((folder + "/scratch.tmp").c_str()), 0);
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/NOTES.TXT", "second notes\n"));
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/HELLO.TXT", "hello again, longer\n"));
  std::string back;
  ASSERT_TRUE(testsupport::ReadHostFile(folder + "/Final Report.txt", &back));
  EXPECT_EQ(back, "the report\n");
  ASSERT_NE(manager_->UnmountImage('M'), 0);

  std::string listing;
  ASSERT_EQ(testsupport::Mtools("mdir", "-i " + testsupport::Quote(image_), "::/", &listing), 0)
      << listing;
  std::string innerListing;
  ASSERT_EQ(testsupport::Mtools("mdir", "-i " + testsupport::Quote(image_), "'::/Sub Folder'",
                                &innerListing),
            0)
      << innerListing;
  const std::string today = Today();
  for (const auto& [text, shortName] :
       {std::pair{&listing, "NOTES    TXT"}, std::pair{&listing, "LONGNA~1 TXT"},
        std::pair{&listing, "FINALR~1 TXT"}, std::pair{&listing, "SUBFOL~1     <DIR>"},
        std::pair{&listing, "HELLO    TXT"}, std::pair{&innerListing, "INNERF~1 DAT"}}) {
    const std::string line = ListingLine(*text, shortName);
    EXPECT_FALSE(line.empty()) << shortName << " is missing in\n" << *text;
    EXPECT_TRUE(line.find(today) != std::string::npos || line.find(dayBefore) != std::string::npos)
        << "not today's date (" << today << "): " << line;
  }
  EXPECT_EQ(ListingLine(listing, "SCRATCH"), "") << listing;
  EXPECT_EQ(ListingLine(listing, "DRAFT"), "") << listing;
  EXPECT_EQ(ListingLine(listing, "~"), "") << "a short name made of nothing but its number";

  for (const auto& [path, content] :
       {std::pair<std::string, std::string>{"/NOTES.TXT", "second notes\n"},
        {"/Long Name.txt", "a long name\n"},
        {"/Final Report.txt", "the report\n"},
        {"/HELLO.TXT", "hello again, longer\n"},
        {"/Sub Folder/Inner File.dat", inner}}) {
    std::string stored;
    ASSERT_TRUE(testsupport::MtoolsRead(Volume(), path, &stored)) << path;
    EXPECT_TRUE(stored == content) << path << " holds \"" << stored.substr(0, 40) << "\"";
  }
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(Volume(), &report)) << report;
}

TEST_F(FatfsDriverTest, QueryFailsOnceTheMountIsTakenAwayFromOutside) {
  VirtualDiskInfo info;
  // Unmounted in a shell.
  ASSERT_NE(manager_->MountImage(image_.c_str(), 'M'), 0);
  const platform::VirtualDriveRecord first = OnlyRecord();
  ASSERT_NE(manager_->QueryDevice(info, first.number), 0);
  ASSERT_EQ(testsupport::RunCommand("fusermount -u " + testsupport::Quote(first.folder)), 0);
  EXPECT_EQ(manager_->QueryDevice(info, first.number), 0);
  EXPECT_TRUE(platform::ProcessHasEnded(first.process));
  EXPECT_TRUE(sandbox_->Records().empty());
  EXPECT_EQ(manager_->UnmountImage('M'), 0);  // nothing left to release
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(Volume(), &report)) << report;

  // The server killed: its mount stays behind without it, and counts as gone.
  ASSERT_NE(manager_->MountImage(image_.c_str(), 'M'), 0);
  const platform::VirtualDriveRecord second = OnlyRecord();
  platform::RefreshNativeDrives();
  ASSERT_NE(platform::FindDrive('M'), nullptr);
  ASSERT_EQ(kill(static_cast<pid_t>(second.process), SIGKILL), 0);
  ASSERT_TRUE(platform::WaitForProcessEnd(second.process, 5000));
  platform::RefreshNativeDrives();
  EXPECT_EQ(platform::FindDrive('M'), nullptr);
  EXPECT_EQ(manager_->QueryDevice(info, second.number), 0);
  EXPECT_FALSE(drivertest::IsMountPoint(second.folder)) << "the dead mount was not cleared";
  EXPECT_TRUE(sandbox_->Records().empty());

  // Nothing stale is in the way of the next mount at the letter.
  ASSERT_NE(manager_->MountImage(image_.c_str(), 'M'), 0);
  ASSERT_NE(manager_->FindDeviceByDriveLetter(info, 'M'), 0);
  ASSERT_NE(manager_->UnmountImage('M'), 0);
}

TEST_F(FatfsDriverTest, FileWithoutAFatVolumeIsRefusedWithNothingLeftBehind) {
  const std::string noise = sandbox_->dir().File("noise.img");
  ASSERT_TRUE(testsupport::WriteHostFile(noise, testsupport::TestBytes(1474560, 9)));
  const std::string zeros = sandbox_->dir().File("zeros.img");
  ASSERT_TRUE(testsupport::WriteHostFile(zeros, std::string(737280, '\0')));
  for (const std::string& path : {noise, zeros, sandbox_->dir().File("missing.img")}) {
    EXPECT_EQ(manager_->MountImage(path.c_str(), 'M'), 0) << path;
  }
  EXPECT_EQ(manager_->MountImage(image_.c_str(), 0), 0);  // no letter
  EXPECT_TRUE(sandbox_->Records().empty());
  EXPECT_FALSE(drivertest::IsMountPoint(sandbox_->StateFolder() + "/drive-M"));
  for (const platform::FuseServerProcess& p :
       platform::ReadFuseServerProcesses(platform::NativePaths{})) {
    EXPECT_NE(p.mount.device, RealPath(noise));
    EXPECT_NE(p.mount.device, RealPath(zeros));
  }
  VirtualDiskInfo info;
  EXPECT_EQ(manager_->FindDeviceByDriveLetter(info, 'M'), 0);
}

TEST(LinuxDriverBindingTest, TheProgramFindsTheLibraryBesideItselfAndWhereItIsInstalled) {
  const std::string folder = kDriverLibrary.substr(0, kDriverLibrary.find_last_of('/') + 1);
  platform::SetModuleFileNameOverride(folder + "quillfen");
  std::vector<std::string> names = DefaultVirtualDiskLibraryNames();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], kDriverLibrary);
  EXPECT_EQ(names[2], "ImDisk.cpl");  // then the system's search

  // An installed tree: the program in bin/, the library in its private folder.
  testsupport::TempDir root;
  std::filesystem::create_directories(root.File("bin"));
  platform::SetModuleFileNameOverride(root.File("bin/quillfen"));
  const std::string installed = platform::GetPrivateLibraryFolder();
  ASSERT_FALSE(installed.empty());
  std::filesystem::create_directories(installed);
  std::filesystem::create_symlink(kDriverLibrary, installed + "ImDisk.cpl");
  names = DefaultVirtualDiskLibraryNames();
  platform::SetModuleFileNameOverride("");
  const VirtualDiskDriverBinding binding = BindVirtualDiskDriver({names[0], names[1]});
  EXPECT_NE(binding.module, nullptr) << names[1];
  EXPECT_NE(binding.getVersion, nullptr);
}

}  // namespace
