// The drive list: which drives it offers, how it follows device changes
// (one search for a burst), and card images attached from the menu.
#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "mainwindow/main_window_fixture.h"

namespace {
using mwtest::CardKind;
using Dlg = CTarnwickDlg;

class DriveSearchTest : public mwtest::MainWindowTest {};

TEST_F(DriveSearchTest, ADeviceChangeKeepsTheSelectedDriveAndSlot) {
  if (!MakeCard(CardKind::kUsable)) return;
  mwtest::TestCard other;
  std::string reason;
  ASSERT_TRUE(other.Make('S', CardKind::kNoContainer, &reason)) << reason;
  Open();
  ASSERT_EQ(DriveEntries(), (QStringList{"[ R ] TEST CARD", "[ S ] TEST CARD"}));
  Get<QComboBox>(Dlg::kIdDriveList)->setCurrentIndex(1);
  EXPECT_EQ(StatusText(), "--- no Dornveld Container File ---");
  Get<QComboBox>(Dlg::kIdDriveList)->setCurrentIndex(0);
  SelectSlot(2);

  const int searches = window_->DriveSearchCount();
  window_->OnVolumeArrival(1u << ('T' - 'A'));
  WaitForDriveSearch();
  EXPECT_EQ(window_->DriveSearchCount(), searches + 1);
  EXPECT_EQ(window_->GetSelectedDrive()->driveName, "R:");
  EXPECT_EQ(window_->SelectedSlot(), 2);
  EXPECT_EQ(Text(Dlg::kIdSlotName), "Empty 3");
  EXPECT_TRUE(Enabled(Dlg::kIdFloppyToSlot));

  // The other drive goes: the selection stays where it was.
  other.TakeOut();
  window_->OnVolumeRemoveComplete(1u << ('S' - 'A'));
  WaitForDriveSearch();
  EXPECT_EQ(DriveEntries(), QStringList{"[ R ] TEST CARD"});
  EXPECT_EQ(window_->SelectedSlot(), 2);
}

TEST_F(DriveSearchTest, ABurstOfDeviceChangesRunsOneSearch) {
  Open();
  const int searches = window_->DriveSearchCount();
  for (int i = 0; i < 10; ++i) {
    window_->OnMediaArrival();
    window_->OnVolumeArrival(1u << 17);
    window_->OnMediaRemoval();
  }
  EXPECT_TRUE(window_->DriveSearchPending());
  EXPECT_EQ(window_->DriveSearchCount(), searches);
  WaitForDriveSearch();
  QTest::qWait(2 * Dlg::kDeviceSettleMs);
  EXPECT_EQ(window_->DriveSearchCount(), searches + 1);
}

TEST_F(DriveSearchTest, TheCardGoneLeavesTheReaderSelectedWithoutACard) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  SelectSlot(1);
  card_.TakeOut();
  platform::ScopedDrive reader(kLetter, std::make_shared<mwtest::EmptyReader>());
  window_->OnMediaRemoval();
  WaitForDriveSearch();
  EXPECT_EQ(DriveEntries(), QStringList{"[ R ] Removable Drive"});
  EXPECT_EQ(StatusText(), "--- No Compact Flash Card ---");
  EXPECT_EQ(Severity(), 2);
  EXPECT_TRUE(SlotNames().isEmpty());
  EXPECT_EQ(Text(Dlg::kIdSize), "");
  EXPECT_EQ(Text(Dlg::kIdType), "");
  for (int id : {Dlg::kIdCreate, Dlg::kIdMakeUsable, Dlg::kIdErase, Dlg::kIdFpgaUpdate,
                 Dlg::kIdHexCard, Dlg::kIdContainerName, Dlg::kIdFloppyToSlot}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
}

TEST_F(DriveSearchTest, ASearchWaitsForTheCommandThatRuns) {
  Open();
  const int searches = window_->DriveSearchCount();
  window_->setEnabled(false);  // as while a command's progress is shown
  window_->ScheduleDriveSearch();
  QTest::qWait(3 * Dlg::kDeviceSettleMs);
  EXPECT_EQ(window_->DriveSearchCount(), searches);
  EXPECT_TRUE(window_->DriveSearchPending());
  window_->setEnabled(true);
  WaitForDriveSearch();
  EXPECT_EQ(window_->DriveSearchCount(), searches + 1);
}

TEST_F(DriveSearchTest, OnlyCardReadersUnlessAllRemovableDrivesAreShown) {
  if (!MakeCard(CardKind::kUsable)) return;
  mwtest::TestCard stick;
  std::string reason;
  ASSERT_TRUE(stick.Make('T', CardKind::kNoContainer, &reason)) << reason;
  stick.TakeOut();
  std::uint32_t error = 0;
  platform::ImageDriveOptions plain;
  plain.productName = "Flash Disk";  // no CF word: a USB stick
  auto drive = platform::ImageDrive::OpenCard(stick.path(), plain, &error);
  ASSERT_TRUE(drive);
  platform::ScopedDrive attached('T', drive);
  Open();
  EXPECT_EQ(DriveEntries(), QStringList{"[ R ] TEST CARD"});
  settings_.showAllRemovableDrives = true;
  window_->SearchDrives();
  EXPECT_EQ(DriveEntries(), (QStringList{"[ R ] TEST CARD", "[ T ] TEST CARD"}));
}

TEST_F(DriveSearchTest, AttachAndDetachACardImageFromTheMenu) {
  mwtest::TestCard image;
  std::string reason;
  if (!image.Make('U', CardKind::kStartSectorNotSet, &reason)) {
    GTEST_SKIP() << reason;
  }
  image.TakeOut();  // a file on disk, not yet a drive
  Open();
  ASSERT_TRUE(DriveEntries().isEmpty());
  EXPECT_FALSE(window_->MenuAction(Dlg::kCmdDetachCardImage)->isEnabled());

  window_->SetChooseCardImageFunction([&] { return std::optional<std::string>(image.path()); });
  window_->MenuAction(Dlg::kCmdAttachCardImage)->trigger();
  WaitForDriveSearch();
  ASSERT_EQ(DriveEntries().size(), 1);
  const std::optional<CDriveInfo> drive = window_->GetSelectedDrive();
  ASSERT_TRUE(drive);
  EXPECT_GE(drive->Letter(), 'D');
  EXPECT_EQ(StatusText(), "--- Start-Sector not set ---");
  EXPECT_TRUE(window_->MenuAction(Dlg::kCmdDetachCardImage)->isEnabled());

  // Attached once; a second attach of the same image is refused with a message.
  {
    mwtest::ModalWatcher watcher;
    window_->MenuAction(Dlg::kCmdAttachCardImage)->trigger();
    EXPECT_EQ(watcher.Seen().size(), 1);
  }
  WaitForDriveSearch();
  EXPECT_EQ(DriveEntries().size(), 1);

  window_->MenuAction(Dlg::kCmdDetachCardImage)->trigger();
  WaitForDriveSearch();
  EXPECT_TRUE(DriveEntries().isEmpty());
  EXPECT_FALSE(platform::FindDrive(drive->Letter()));
}

TEST_F(DriveSearchTest, DetachLeavesADriveThatIsNoCardImage) {
  Open();
  platform::ScopedDrive reader(kLetter, std::make_shared<mwtest::EmptyReader>());
  window_->SearchDrives();
  ASSERT_EQ(DriveEntries(), QStringList{"[ R ] Removable Drive"});
  EXPECT_FALSE(window_->MenuAction(Dlg::kCmdDetachCardImage)->isEnabled());
  window_->OnDetachCardImage();
  EXPECT_TRUE(platform::FindDrive(kLetter));
}

}  // namespace
