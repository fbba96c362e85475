// Classifying drive letters, the card reader marks, and the drive search.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driveaccess/drive_info.h"
#include "driveaccess/drive_kind.h"
#include "driveaccess/drive_list.h"
#include "fake_drive.h"
#include "platform/drive.h"

namespace {
using ddatest::AttachedFake;
using ddatest::CardOptions;
using ddatest::FakeDriveOptions;
using ddatest::FloppyOptions;
using ddatest::ScopedLanguage;

FakeDriveOptions Drive(platform::DriveType type, std::string deviceName) {
  FakeDriveOptions options = CardOptions();
  options.type = type;
  options.deviceName = std::move(deviceName);
  return options;
}

TEST(QueryDrive, KindFromDriveTypeAndDeviceName) {
  struct Case {
    platform::DriveType type;
    const char* deviceName;
    unsigned kind;  // 0: not a drive
  };
  const Case cases[] = {
      {platform::DriveType::kRemovable, "\\Device\\Floppy0", DRIVE_KIND_FLOPPY},
      {platform::DriveType::kRemovable, "\\DEVICE\\FLOPPY1", DRIVE_KIND_FLOPPY},
      {platform::DriveType::kRemovable, "\\Device\\fLoPpYdisk", DRIVE_KIND_FLOPPY},
      {platform::DriveType::kRemovable, "\\Device\\Harddisk2\\DR2", DRIVE_KIND_REMOVABLE},
      {platform::DriveType::kRemovable, "Floppy", DRIVE_KIND_REMOVABLE},  // no backslash
      {platform::DriveType::kFixed, "\\Device\\Floppy0", DRIVE_KIND_HARDDISK},
      {platform::DriveType::kCdrom, "\\Device\\CdRom0", DRIVE_KIND_CDROM},
      {platform::DriveType::kRemote, "\\Device\\LanmanRedirector", DRIVE_KIND_NETWORK},
      {platform::DriveType::kRamdisk, "\\Device\\Ram", DRIVE_KIND_RAMDISK},
      {platform::DriveType::kUnknown, "\\Device\\X", 0},
      {platform::DriveType::kNoRootDir, "\\Device\\X", 0},
      {static_cast<platform::DriveType>(9), "\\Device\\X", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deviceName);
    AttachedFake fake('T', Drive(c.type, c.deviceName), nullptr);
    CDriveInfo record;
    EXPECT_EQ(QueryDrive('T', record, DRIVE_KIND_ALL), c.kind != 0);
    EXPECT_EQ(record.kind, c.kind);
    EXPECT_EQ(record.driveName, "T:");
    EXPECT_EQ(record.deviceName, c.deviceName);
  }
}

TEST(QueryDrive, OutsideTheMaskOnlyNamesAndKind) {
  AttachedFake fake('T', FloppyOptions(), nullptr);
  CDriveInfo record;
  record.volumeLabel = "OLD";
  record.marks = 7;
  EXPECT_FALSE(QueryDrive('T', record, DRIVE_KIND_REMOVABLE));
  EXPECT_EQ(record.driveName, "T:");
  EXPECT_EQ(record.deviceName, "\\Device\\Floppy0");
  EXPECT_EQ(record.kind, DRIVE_KIND_FLOPPY);
  EXPECT_EQ(record.marks, 0u);
  EXPECT_TRUE(record.volumeLabel.empty());

  // A letter without a drive has no kind and no device name.
  EXPECT_FALSE(QueryDrive('U', record, DRIVE_KIND_ALL));
  EXPECT_EQ(record.driveName, "U:");
  EXPECT_EQ(record.kind, 0u);
  EXPECT_TRUE(record.deviceName.empty());
}

TEST(QueryDrive, MarksFromTheStorageProperties) {
  struct Case {
    const char* name;
    std::optional<platform::StorageProperties> storage;
    unsigned marks;
  };
  const Case cases[] = {
      {"USB card reader", platform::StorageProperties{true, 7, "CF Card Reader"}, 7},
      {"internal CompactFlash slot", platform::StorageProperties{false, 1, "CompactFlash"}, 4},
      {"USB stick", platform::StorageProperties{true, 7, "USB Flash Disk"}, 3},
      {"CFast is not CF", platform::StorageProperties{true, 7, "CFast Reader"}, 3},
      {"name cut at its end", platform::StorageProperties{false, 0, std::string("SD\0CF", 5)}, 0},
      {"device cannot be asked", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDriveOptions options = CardOptions();
    options.storage = c.storage;
    AttachedFake fake('T', options, nullptr);
    CDriveInfo record;
    EXPECT_TRUE(QueryDrive('t', record, DRIVE_KIND_REMOVABLE));
    EXPECT_EQ(record.marks, c.marks);
    EXPECT_EQ(record.driveName, "t:");
  }
}

TEST(QueryDrive, ReaderWithoutCardShowsItsKind) {
  FakeDriveOptions options = CardOptions();
  options.label.reset();  // no medium: the volume cannot be asked
  AttachedFake fake('T', options, nullptr);
  CDriveInfo record;
  ASSERT_TRUE(QueryDrive('T', record, DRIVE_KIND_REMOVABLE));
  EXPECT_EQ(record.marks, 7u);
  EXPECT_TRUE(record.volumeLabel.empty());
  EXPECT_TRUE(record.fileSystemName.empty());
  ScopedLanguage english(kLanguageEnglish);
  EXPECT_EQ(record.GetDisplayText(), "Removable Drive");

  fake.drive().options.label = std::string("CNC");
  fake.drive().options.fileSystem = "FAT32";
  ASSERT_TRUE(QueryDrive('T', record, DRIVE_KIND_REMOVABLE));
  EXPECT_EQ(record.GetDisplayText(), "CNC");
  EXPECT_EQ(record.fileSystemName, "FAT32");
}

class SearchCallback : public IDriveInfoCallback {
 public:
  std::vector<std::pair<int, int>> notices;
  void OnDriveSearchProgress(int state, int value) override { notices.emplace_back(state, value); }
};

std::string Letters(const CDriveList& list) {
  std::string letters;
  for (const CDriveInfo& record : list.Records()) letters += record.Letter();
  return letters;
}

TEST(DriveList, SearchesEveryLetterInOrder) {
  // Attached out of letter order on purpose.
  AttachedFake stick('K', Drive(platform::DriveType::kRemovable, "\\Device\\Harddisk3\\DR3"),
                     nullptr);
  AttachedFake card('E', CardOptions(), nullptr);
  AttachedFake floppy('B', FloppyOptions(1), nullptr);
  AttachedFake fixed('C', Drive(platform::DriveType::kFixed, "\\Device\\HarddiskVolume1"), nullptr);
  AttachedFake cdrom('Z', Drive(platform::DriveType::kCdrom, "\\Device\\CdRom0"), nullptr);
  const std::uint32_t others =
      platform::GetLogicalDrives() & ~((1u << 10) | (1u << 4) | (1u << 1) | (1u << 2) | (1u << 25));

  SearchCallback callback;
  CDriveList list;
  list.SetCallback(&callback);
  const int found = list.EnumerateDrives(DRIVE_KIND_REMOVABLE);
  EXPECT_EQ(found, static_cast<int>(list.Count()));

  std::vector<std::pair<int, int>> expected = {{0, 0}};
  for (int i = 0; i < 27; ++i) expected.emplace_back(2, 3 * i);
  expected.emplace_back(1, 0);
  EXPECT_EQ(callback.notices, expected);

  if (others == 0) {
    EXPECT_EQ(Letters(list), "EK");
    EXPECT_EQ(list[0].marks, 7u);
    EXPECT_EQ(list[1].marks, 7u);  // the fake's storage answer is a card reader

    list.SetCallback(nullptr);
    EXPECT_EQ(list.EnumerateDrives(DRIVE_KIND_FLOPPY), 1);
    EXPECT_EQ(Letters(list), "B");
    EXPECT_EQ(list.EnumerateDrives(DRIVE_KIND_ALL), 5);
    EXPECT_EQ(Letters(list), "BCEKZ");
    EXPECT_EQ(list.EnumerateDrives(DRIVE_KIND_NETWORK | DRIVE_KIND_CDROM), 1);
    EXPECT_EQ(Letters(list), "Z");
  } else {
    // Other drives are attached in this process: check the order alone.
    const std::string letters = Letters(list);
    EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end())) << letters;
  }
  EXPECT_EQ(callback.notices.size(), expected.size());  // no notices without a callback
}

}  // namespace
