// The drive-letter namespace: which letters a drive can take, what the
// table answers about them, and scoped attachment.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/host/host_folder_drive.h"

namespace {

using platform::DriveTable;
using platform::DriveType;

std::shared_ptr<platform::IDrive> MakeDrive(DriveType type, const std::string& device) {
  platform::HostFolderDriveOptions options;
  options.type = type;
  options.deviceName = device;
  return std::make_shared<platform::HostFolderDrive>("/nonexistent", options);
}

TEST(DriveTableTest, LettersThatCanBeAttached) {
  struct Case {
    char letter;
    bool accepted;
    char stored;  // the letter it answers at
  };
  const Case cases[] = {
      {'G', true, 'G'}, {'h', true, 'H'}, {'A', true, 'A'},   {'Z', true, 'Z'},
      {'@', false, 0},  {'[', false, 0},  {'1', false, 0},    {'\0', false, 0},
      {'`', false, 0},  {'{', false, 0},  {'\xC4', false, 0},
  };
  DriveTable& table = DriveTable::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.letter));
    const std::uint32_t maskBefore = table.LogicalDriveMask();
    auto drive = MakeDrive(DriveType::kRemovable, "\\Device\\Test");
    EXPECT_EQ(table.Attach(c.letter, drive), c.accepted);
    if (!c.accepted) {
      EXPECT_EQ(table.LogicalDriveMask(), maskBefore);
      continue;
    }
    EXPECT_EQ(table.Find(c.stored), drive);
    EXPECT_EQ(table.Find(static_cast<char>(c.stored + ('a' - 'A'))), drive);  // either case
    EXPECT_EQ(table.LogicalDriveMask(), maskBefore | (1u << (c.stored - 'A')));
    // A taken letter stays with its drive.
    EXPECT_FALSE(table.Attach(c.stored, MakeDrive(DriveType::kFixed, "\\Device\\Other")));
    EXPECT_EQ(table.Find(c.stored), drive);
    EXPECT_TRUE(table.Detach(c.letter));
    EXPECT_FALSE(table.Detach(c.letter));
    EXPECT_EQ(table.Find(c.stored), nullptr);
    EXPECT_EQ(table.LogicalDriveMask(), maskBefore);
  }
  EXPECT_FALSE(table.Attach('I', nullptr));
  EXPECT_EQ(table.Find('I'), nullptr);
}

TEST(DriveTableTest, FirstFreeLetter) {
  DriveTable& table = DriveTable::Instance();
  ASSERT_TRUE(table.Attach('X', MakeDrive(DriveType::kFixed, "x")));
  const char y = table.AttachFirstFree(MakeDrive(DriveType::kFixed, "y"), 'X');
  const char z = table.AttachFirstFree(MakeDrive(DriveType::kFixed, "z"), 'x');
  const char none = table.AttachFirstFree(MakeDrive(DriveType::kFixed, "none"), 'X');
  EXPECT_EQ(y, 'Y');
  EXPECT_EQ(z, 'Z');
  EXPECT_EQ(none, 0);
  EXPECT_EQ(table.AttachFirstFree(MakeDrive(DriveType::kFixed, "bad"), '#'), 0);
  EXPECT_EQ(table.AttachFirstFree(nullptr, 'A'), 0);
  EXPECT_EQ(table.Find('Y')->DeviceName(), "y");
  for (const char letter : {'X', 'Y', 'Z'}) EXPECT_TRUE(table.Detach(letter));
}

TEST(DriveTableTest, QueriesAnswerLikeTheSystem) {
  platform::ScopedDrive floppy('G', MakeDrive(DriveType::kRemovable, "\\Device\\Floppy0"));
  platform::ScopedDrive fixed('H', MakeDrive(DriveType::kFixed, "\\Device\\HarddiskVolume3"));
  ASSERT_TRUE(floppy.attached() && fixed.attached());

  EXPECT_EQ(platform::GetDriveType('G'), DriveType::kRemovable);
  EXPECT_EQ(platform::GetDriveType('h'), DriveType::kFixed);
  EXPECT_EQ(platform::GetDriveType('I'), DriveType::kNoRootDir);
  EXPECT_EQ(platform::QueryDosDevice('G'), "\\Device\\Floppy0");
  EXPECT_EQ(platform::GetLogicalDrives() & ((1u << ('G' - 'A')) | (1u << ('H' - 'A'))),
            (1u << ('G' - 'A')) | (1u << ('H' - 'A')));

  platform::SetLastError(0);
  EXPECT_EQ(platform::QueryDosDevice('I'), "");
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);

  std::string label = "?";
  std::string fileSystem;
  ASSERT_TRUE(platform::FindDrive('H')->VolumeInformation(&label, &fileSystem));
  EXPECT_EQ(label, "");
  EXPECT_EQ(fileSystem, "HOSTFS");
}

// A scoped drive that did not get its letter must not take away the drive
// that holds it.
TEST(DriveTableTest, ScopedDriveOwnsOnlyWhatItAttached) {
  auto first = MakeDrive(DriveType::kFixed, "first");
  {
    platform::ScopedDrive outer('I', first);
    ASSERT_TRUE(outer.attached());
    {
      platform::ScopedDrive inner('I', MakeDrive(DriveType::kFixed, "second"));
      EXPECT_FALSE(inner.attached());
      EXPECT_EQ(inner.letter(), 'I');
    }
    EXPECT_EQ(platform::FindDrive('I'), first);
  }
  EXPECT_EQ(platform::FindDrive('I'), nullptr);
  // The table let go of it: only this test holds the drive now.
  EXPECT_EQ(first.use_count(), 1);
}

// Listeners hear every letter that gets or loses its drive, and nothing of
// calls that change nothing; a listener may remove itself while it is told.
TEST(DriveTableTest, ListenersHearLettersComeAndGo) {
  DriveTable& table = DriveTable::Instance();
  std::vector<std::string> heard;
  const int id = table.AddListener([&](char letter, bool attached) {
    heard.push_back(std::string(1, letter) + (attached ? "+" : "-"));
    // The table is free again when a listener hears of a change.
    table.LogicalDriveMask();
  });
  int once = 0;
  int onceId = 0;
  onceId = table.AddListener([&](char, bool) {
    ++once;
    table.RemoveListener(onceId);
  });

  ASSERT_TRUE(table.Attach('k', MakeDrive(DriveType::kRemovable, "k")));
  EXPECT_FALSE(table.Attach('K', MakeDrive(DriveType::kRemovable, "again")));
  EXPECT_FALSE(table.Attach('#', MakeDrive(DriveType::kRemovable, "bad")));
  const char free = table.AttachFirstFree(MakeDrive(DriveType::kRemovable, "free"), 'K');
  ASSERT_EQ(free, 'L');
  EXPECT_TRUE(table.Detach('K'));
  EXPECT_FALSE(table.Detach('K'));
  EXPECT_TRUE(table.Detach('L'));
  table.RemoveListener(id);
  ASSERT_TRUE(table.Attach('K', MakeDrive(DriveType::kRemovable, "unheard")));
  table.Detach('K');

  EXPECT_EQ(heard, (std::vector<std::string>{"K+", "L+", "K-", "L-"}));
  EXPECT_EQ(once, 1);
}

}  // namespace
