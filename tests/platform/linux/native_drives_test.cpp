// Native drives at their letters, scanned from a made-up sysfs tree,
// mountinfo file and process list: nothing here looks at the host's disks.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "container/floppy_choice.h"
#include "driveaccess/drive_kind.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/host/host_folder_drive.h"
#include "platform/linux/linux_drive.h"
#include "platform/linux/native_drives.h"
#include "platform/linux/virtual_drive_state.h"
#include "support/temp_dir.h"

namespace {
namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Real(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

class FakeSystem {
 public:
  FakeSystem() {
    root_ = Real(dir_.path());
    paths_.sysBlock = root_ + "/sys/block";
    paths_.dev = root_ + "/dev";
    paths_.udevData = root_ + "/udev";
    paths_.mountInfo = root_ + "/mountinfo";
    paths_.proc = root_ + "/proc";
    fs::create_directories(paths_.sysBlock);
    fs::create_directories(paths_.dev);
    fs::create_directories(paths_.proc);
    SetMounts("");
  }

  // A disk under /sys/devices, linked from /sys/block.
  std::string AddDisk(const std::string& parent, const std::string& name, const std::string& dev,
                      std::uint64_t sectors, bool removable, const std::string& model = "") {
    const std::string folder = root_ + "/sys/devices/" + parent + "/block/" + name;
    Write(folder + "/dev", dev + "\n");
    Write(folder + "/size", std::to_string(sectors) + "\n");
    Write(folder + "/removable", removable ? "1\n" : "0\n");
    Write(folder + "/ro", "0\n");
    if (!model.empty()) Write(folder + "/device/model", model + "\n");
    fs::create_directory_symlink(folder, paths_.sysBlock + "/" + name);
    return folder;
  }
  void AddPartition(const std::string& diskFolder, const std::string& name, const std::string& dev,
                    std::uint64_t start, std::uint64_t sectors) {
    const std::string folder = diskFolder + "/" + name;
    Write(folder + "/dev", dev + "\n");
    Write(folder + "/partition", "1\n");
    Write(folder + "/start", std::to_string(start) + "\n");
    Write(folder + "/size", std::to_string(sectors) + "\n");
  }
  void SetMounts(const std::string& text) { Write(paths_.mountInfo, text); }
  std::string MountDir(const std::string& name) {
    const std::string path = root_ + "/mnt/" + name;
    fs::create_directories(path);
    return path;
  }

  const std::string& root() const { return root_; }
  platform::NativePaths& paths() { return paths_; }

 private:
  testsupport::TempDir dir_;
  std::string root_;
  platform::NativePaths paths_;
};

std::shared_ptr<platform::LinuxDrive> Native(char letter) {
  return std::dynamic_pointer_cast<platform::LinuxDrive>(platform::FindDrive(letter));
}

// Native drives are detached at the end, whatever happened.
struct DetachAtEnd {
  ~DetachAtEnd() { platform::DetachNativeDrives(); }
};

TEST(NativeDrivesTest, RefreshAttachesKeepsRenewsAndDetaches) {
  const std::uint32_t used = platform::GetLogicalDrives() & 0x3F;
  ASSERT_EQ(used, 0u) << "letters A: to F: must be free for this test";
  DetachAtEnd cleanup;
  FakeSystem sys;
  const std::string usb = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
  const std::string sdb = sys.AddDisk(usb, "sdb", "8:16", 1000944, true, "CF Card Reader  ");
  sys.AddPartition(sdb, "sdb1", "8:17", 63, 1000881);
  const std::string sdc = sys.AddDisk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0",
                                      "sdc", "8:32", 2000000, false, "SATA SSD");
  sys.AddPartition(sdc, "sdc1", "8:33", 2048, 1000000);
  sys.AddDisk("platform/floppy.0", "fd0", "2:0", 2880, true);
  sys.AddDisk("virtual", "loop5", "7:5", 1000, false);
  Write(sys.paths().udevData + "/b8:17", "E:ID_FS_LABEL=CARD\nE:ID_FS_VERSION=FAT32\n");
  const std::string card = sys.MountDir("card");
  const std::string dev = sys.paths().dev;
  sys.SetMounts("30 1 8:17 / " + card + " rw - vfat " + dev + "/sdb1 rw\n");

  // First scan: the floppy drive at A:, the card at C:.
  EXPECT_EQ(platform::RefreshNativeDrives(sys.paths()), 2u);
  auto a = Native('A');
  auto c = Native('C');
  ASSERT_TRUE(a && c);
  EXPECT_EQ(platform::QueryDosDevice('A'), "\\Device\\Floppy0");
  EXPECT_EQ(a->Files(), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNotReady);
  EXPECT_FALSE(a->VolumeInformation(nullptr, nullptr));
  std::uint32_t number = 0;
  EXPECT_EQ(a->DeviceNumber(&number), platform::kErrorInvalidFunction);

  EXPECT_EQ(c->Type(), platform::DriveType::kRemovable);
  EXPECT_EQ(c->DeviceName().rfind("\\Device\\HarddiskVolume", 0), 0u);
  platform::StorageProperties props;
  ASSERT_EQ(c->QueryStorageProperties(&props), platform::kErrorSuccess);
  EXPECT_TRUE(props.hotplug);
  EXPECT_EQ(props.busType, platform::kBusTypeUsb);
  EXPECT_EQ(props.productId, "CF Card Reader");
  std::string label, fileSystem;
  ASSERT_TRUE(c->VolumeInformation(&label, &fileSystem));
  EXPECT_EQ(label, "CARD");  // the node is not readable here: udev's view stands
  EXPECT_EQ(fileSystem, "FAT32");
  EXPECT_EQ(c->VolumeGuidPath().rfind("\\\\?\\Volume{", 0), 0u);
  // The drive's files are the files under the mount point.
  {
    platform::File file = platform::OpenFile("C:\\hello.txt", platform::kGenericWrite,
                                             platform::Disposition::kCreateNew);
    ASSERT_TRUE(file.IsOpen());
    ASSERT_TRUE(file.WriteExact("hi", 2));
  }
  EXPECT_TRUE(fs::exists(card + "/hello.txt"));

  // An image-like drive takes D:; the second disk's volume is mounted
  // through fusefat (no device in the mount, found from the process).
  platform::ScopedDrive image('D', std::make_shared<platform::HostFolderDrive>(sys.root()));
  ASSERT_TRUE(image.attached());
  const auto imageDrive = platform::FindDrive('D');
  const std::string fuse = sys.MountDir("fuse");
  Write(sys.paths().proc + "/4242/cmdline", std::string("fusefat\0-o\0rw\0\0", 16) + dev + "/sdc1" +
                                                std::string(1, '\0') + fuse + std::string(1, '\0'));
  Write(sys.paths().proc + "/self/cmdline", "ignored");
  sys.SetMounts("30 1 8:17 / " + card + " rw - vfat " + dev + "/sdb1 rw\n" + "31 1 0:44 / " + fuse +
                " rw - fuse.fusefat fusefat rw\n");
  EXPECT_EQ(platform::RefreshNativeDrives(sys.paths()), 3u);
  EXPECT_EQ(Native('A'), a);
  EXPECT_EQ(Native('C'), c);  // unchanged drives are kept as they are
  EXPECT_EQ(platform::FindDrive('D'), imageDrive);
  auto e = Native('E');
  ASSERT_TRUE(e);
  EXPECT_EQ(e->volume().volumeNode, dev + "/sdc1");
  EXPECT_EQ(e->volume().diskNode, dev + "/sdc");
  EXPECT_EQ(e->Type(), platform::DriveType::kFixed);
  ASSERT_TRUE(e->VolumeInformation(&label, &fileSystem));
  EXPECT_EQ(fileSystem, "FAT");
  std::uint32_t numberC = 0, numberE = 0;
  ASSERT_EQ(c->DeviceNumber(&numberC), platform::kErrorSuccess);
  ASSERT_EQ(e->DeviceNumber(&numberE), platform::kErrorSuccess);
  EXPECT_NE(numberC, numberE);

  // The card goes; the second volume is mounted elsewhere: C: is freed and
  // E: renewed in place.
  const std::string moved = sys.MountDir("moved");
  sys.SetMounts("32 1 8:33 / " + moved + " rw - vfat " + dev + "/sdc1 rw\n");
  EXPECT_EQ(platform::RefreshNativeDrives(sys.paths()), 2u);
  EXPECT_EQ(platform::FindDrive('C'), nullptr);
  ASSERT_TRUE(Native('E'));
  EXPECT_NE(Native('E'), e);
  EXPECT_EQ(Native('E')->volume().mountPoint, moved);
  std::uint32_t renumbered = 0;
  ASSERT_EQ(Native('E')->DeviceNumber(&renumbered), platform::kErrorSuccess);
  EXPECT_EQ(renumbered, numberE);
  EXPECT_EQ(platform::FindDrive('D'), imageDrive);

  platform::DetachNativeDrives();
  EXPECT_EQ(platform::GetLogicalDrives() & 0x3F, 1u << 3);  // only the image's D:
}

TEST(NativeDrivesTest, FileSystemNamesAsWindowsShowsThem) {
  struct Case {
    const char* fsType;
    const char* udevType;
    const char* udevVersion;
    int fatType;
    const char* expected;
  };
  const Case cases[] = {
      {"vfat", "", "", 32, "FAT32"},        {"vfat", "", "", 16, "FAT"},
      {"vfat", "", "FAT32", 0, "FAT32"},    {"fuse.fusefat", "", "", 12, "FAT"},
      {"msdos", "", "", 0, "FAT"},          {"ntfs3", "", "", 0, "NTFS"},
      {"fuseblk", "exfat", "", 0, "exFAT"}, {"fuseblk", "", "", 0, "NTFS"},
      {"iso9660", "", "", 0, "CDFS"},       {"ext4", "", "", 0, "EXT4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fsType);
    EXPECT_EQ(platform::FileSystemName(c.fsType, c.udevType, c.udevVersion, c.fatType), c.expected);
  }
}

// A mount the virtual disk driver recorded (here a loop device that UDisks2
// mounted) is shown at the driver's letter, bound to its folder, and not a
// second time as a native volume; once unmounted, the letter is free again.
TEST(NativeDrivesTest, VirtualDriveMountIsShownAtItsLetterOnly) {
  ASSERT_EQ(platform::GetLogicalDrives() & (1u << ('M' - 'A')), 0u) << "M: must be free";
  DetachAtEnd cleanup;
  FakeSystem sys;
  sys.AddDisk("virtual", "loop7", "7:7", 2880, false);
  const std::string media = sys.MountDir("QUILLFEN");
  const std::string dev = sys.paths().dev;
  const std::string mounted = "31 1 7:7 / " + media + " rw - vfat " + dev + "/loop7 rw\n";
  sys.SetMounts(mounted);

  const std::string state = sys.root() + "/runtime/quillfen-vdisk";
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_RUNTIME_DIR", (sys.root() + "/runtime").c_str(), 1);
  struct Restore {
    const char* old;
    std::string saved;
    ~Restore() {
      if (old != nullptr) {
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
      } else {
        unsetenv("XDG_RUNTIME_DIR");
      }
    }
  } restore{old, saved};
  ASSERT_EQ(mkdir((sys.root() + "/runtime").c_str(), 0700), 0);
  ASSERT_EQ(platform::PrepareVirtualDriveStateFolder(state), 0u);
  platform::VirtualDriveRecord record;
  record.number = 2;
  record.letter = 'M';
  record.image = sys.root() + "/floppy.img";
  record.folder = media;
  record.method = platform::VirtualMountMethod::kUdisks;
  record.device = dev + "/loop7";
  record.object = "/org/freedesktop/UDisks2/block_devices/loop7";
  ASSERT_EQ(platform::WriteVirtualDriveRecord(state, record), 0u);
  Write(media + "/README.TXT", "on the floppy");

  EXPECT_EQ(platform::RefreshNativeDrives(sys.paths()), 0u);  // the loop device is not native
  ASSERT_NE(platform::FindDrive('M'), nullptr);
  EXPECT_EQ(platform::GetDriveType('M'), platform::DriveType::kRemovable);
  EXPECT_EQ(platform::QueryDosDevice('M'), "\\Device\\ImDisk2");
  EXPECT_TRUE(platform::PathExists("M:\\README.TXT"));
  std::string label, fileSystem;
  ASSERT_TRUE(platform::FindDrive('M')->VolumeInformation(&label, &fileSystem));
  EXPECT_EQ(fileSystem, "FAT");

  // Unmounted from outside: the letter goes, and the loop device is still
  // no native drive while nothing has it mounted.
  sys.SetMounts("");
  EXPECT_EQ(platform::RefreshNativeDrives(sys.paths()), 0u);
  EXPECT_EQ(platform::FindDrive('M'), nullptr);
}

}  // namespace

// Disk copies are offered every floppy drive: the built-in one and a USB
// floppy drive with a disk in it, which udev did not mark.
TEST(NativeDrivesTest, UsbFloppyDriveIsOfferedForDiskCopies) {
  ASSERT_EQ(platform::GetLogicalDrives() & 0x3, 0u) << "letters A: and B: must be free";
  DetachAtEnd cleanup;
  FakeSystem sys;
  sys.AddDisk("platform/floppy.0", "fd0", "2:0", 2880, true);
  sys.AddDisk("pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host9/target9:0:0/9:0:0:0", "sdf", "8:80",
              2880, true, "USB-FDU         ");
  sys.AddDisk("pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/host7/target7:0:0/7:0:0:0", "sdg", "8:96",
              60088320, true, "Ultra Fit       ");
  platform::RefreshNativeDrives(sys.paths());

  struct Recorder : IFloppyDriveChooser {
    void ShowNoFloppyDrive(const std::string&) override { ++none; }
    bool Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) override {
      for (const CDriveInfo& d : drives) offered.push_back(d.Letter());
      *chosen = 1;
      return true;
    }
    int none = 0;
    std::vector<char> offered;
  } chooser;
  CDriveInfo chosen;
  ASSERT_TRUE(FfaChooseFloppyDrive(chosen, chooser));
  EXPECT_EQ(chooser.offered, (std::vector<char>{'A', 'B'}));
  EXPECT_EQ(chosen.Letter(), 'B');
  EXPECT_EQ(chosen.kind, DRIVE_KIND_FLOPPY);
  EXPECT_EQ(platform::QueryDosDevice('B').rfind("\\Device\\Floppy", 0), 0u);
}
