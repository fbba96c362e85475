// The drive list: which drives it offers, how it follows device changes
// (one search for a burst), and card images attached from the menu.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

#include "driveaccess/change_settle.h"
#include "mainwindow/main_window_fixture.h"
#include "platform/device_events.h"
#include "platform/drive_images.h"
#include "platform/linux/drive_table_watch.h"

namespace {
using mwtest::CardKind;
using mwtest::DeviceEventFeed;
using platform::DeviceEventKind;
using Dlg = CTarnwickDlg;

constexpr int kSettleMs = static_cast<int>(CChangeSettle::kSettleTime.count());

std::uint32_t Bit(char letter) {
  return 1u << (letter - 'A');
}

// Only the drive table's letter events: what attaching and detaching a card
// image reports, and nothing of the machine's disks and mounts.
class DriveTableEvents : public platform::IDeviceEvents {
 public:
  DriveTableEvents() : table_(platform::DriveTableWatch::Open()) {}
  std::vector<platform::EventDescriptor> Descriptors() const override {
    return {{table_->fd(), false}};
  }
  void Read(std::vector<platform::DeviceEvent>* events) override { table_->Read(events); }
  bool Wait(int) override { return false; }
  platform::DiskEventFeed Feed() const override { return platform::DiskEventFeed::kNone; }

 private:
  std::unique_ptr<platform::DriveTableWatch> table_;
};

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
  events_.Feed({DeviceEventFeed::Letters(DeviceEventKind::kLetterArrival, Bit('T'))});
  WaitForDriveSearch();
  EXPECT_EQ(window_->DriveSearchCount(), searches + 1);
  EXPECT_EQ(window_->GetSelectedDrive()->driveName, "R:");
  EXPECT_EQ(window_->SelectedSlot(), 2);
  EXPECT_EQ(Text(Dlg::kIdSlotName), "Empty 3");
  EXPECT_TRUE(Enabled(Dlg::kIdFloppyToSlot));

  // The other drive goes: the selection stays where it was.
  other.TakeOut();
  events_.Feed({DeviceEventFeed::Letters(DeviceEventKind::kLetterRemoval, Bit('S'))});
  WaitForDriveSearch();
  EXPECT_EQ(DriveEntries(), QStringList{"[ R ] TEST CARD"});
  EXPECT_EQ(window_->SelectedSlot(), 2);
}

TEST_F(DriveSearchTest, ABurstOfDeviceChangesRunsOneSearch) {
  Open();
  const int searches = window_->DriveSearchCount();
  // One card put into a reader: the medium, the partition, the mount, the
  // letter; fed at once and then in pieces a moment apart.
  std::vector<platform::DeviceEvent> insert;
  for (int i = 0; i < 10; ++i) {
    insert.push_back(DeviceEventFeed::Disk(DeviceEventKind::kMediaArrival, "/dev/sdr"));
    insert.push_back(DeviceEventFeed::Disk(DeviceEventKind::kPartitionArrival, "/dev/sdr"));
    insert.push_back(DeviceEventFeed::Disk(DeviceEventKind::kVolumeMount, "/dev/sdr"));
    insert.push_back(DeviceEventFeed::Letters(DeviceEventKind::kLetterArrival, Bit('R')));
  }
  events_.Feed(insert);
  QApplication::processEvents();
  EXPECT_TRUE(window_->DriveSearchPending());
  for (int i = 0; i < 4; ++i) {
    QTest::qWait(kSettleMs / 6);
    events_.Feed({DeviceEventFeed::Disk(DeviceEventKind::kMediaRemoval, "/dev/sdr")});
  }
  EXPECT_EQ(window_->DriveSearchCount(), searches);
  WaitForDriveSearch();
  QTest::qWait(2 * kSettleMs);
  EXPECT_EQ(window_->DriveSearchCount(), searches + 1);

  // Changes that cannot bring or take a card drive ask for no search.
  events_.Feed({DeviceEventFeed::Disk(DeviceEventKind::kPartitionChange, "/dev/sdr"),
                DeviceEventFeed::Disk(DeviceEventKind::kVolumeDismount, "/dev/sdr"),
                DeviceEventFeed::Disk(DeviceEventKind::kDiskLayoutChange, "/dev/sdr")});
  QApplication::processEvents();
  EXPECT_FALSE(window_->DriveSearchPending());
  QTest::qWait(2 * kSettleMs);
  EXPECT_EQ(window_->DriveSearchCount(), searches + 1);
}

TEST_F(DriveSearchTest, TheCardGoneLeavesTheReaderSelectedWithoutACard) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  SelectSlot(1);
  card_.TakeOut();
  platform::ScopedDrive reader(kLetter, std::make_shared<mwtest::EmptyReader>());
  events_.Feed({DeviceEventFeed::Disk(DeviceEventKind::kMediaRemoval, "/dev/sdr")});
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
  QTest::qWait(3 * kSettleMs);
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
  QApplication::processEvents();  // the command runs once the action returned
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
    QApplication::processEvents();  // the command runs once the action returned
    EXPECT_EQ(watcher.Seen().size(), 1);
  }
  WaitForDriveSearch();
  EXPECT_EQ(DriveEntries().size(), 1);

  window_->MenuAction(Dlg::kCmdDetachCardImage)->trigger();
  QApplication::processEvents();  // the command runs once the action returned
  WaitForDriveSearch();
  EXPECT_TRUE(DriveEntries().isEmpty());
  // The letter may be taken again at once by a host device that another
  // program (or test) attached meanwhile; the image is what must be gone.
  EXPECT_FALSE(platform::IsCardImageDrive(drive->Letter()));
}

// Attaching or detaching a card image is a device change: the drive table
// says so, and the list is rebuilt once, keeping the selected drive and slot.
TEST_F(DriveSearchTest, CardImagesAttachedAndDetachedRebuildTheListOnceKeepingTheSelection) {
  if (!MakeCard(CardKind::kUsable)) return;
  mwtest::TestCard other;
  std::string reason;
  ASSERT_TRUE(other.Make('S', CardKind::kNoContainer, &reason)) << reason;
  other.TakeOut();
  Open(std::make_unique<DriveTableEvents>());
  ASSERT_EQ(DriveEntries(), QStringList{"[ R ] TEST CARD"});
  SelectSlot(2);
  auto searchedOnce = [&](int before) {
    WaitForDriveSearch();
    QTest::qWait(2 * kSettleMs);
    EXPECT_EQ(window_->DriveSearchCount(), before + 1);
    EXPECT_EQ(window_->GetSelectedDrive()->driveName, "R:");
    EXPECT_EQ(window_->SelectedSlot(), 2);
    EXPECT_EQ(Text(Dlg::kIdSlotName), "Empty 3");
  };

  // From the menu: its own note and the drive table's report are one burst.
  int searches = window_->DriveSearchCount();
  window_->SetChooseCardImageFunction([&] { return std::optional<std::string>(other.path()); });
  window_->MenuAction(Dlg::kCmdAttachCardImage)->trigger();
  QApplication::processEvents();  // the command runs once the action returned
  searchedOnce(searches);
  ASSERT_EQ(DriveEntries().size(), 2);
  const char attached = DriveEntries()[0] == "[ R ] TEST CARD" ? DriveEntries()[1][2].toLatin1()
                                                               : DriveEntries()[0][2].toLatin1();
  ASSERT_TRUE(platform::IsCardImageDrive(attached));

  // Detached elsewhere (the command-line options of another window, a
  // script): the drive table alone tells.
  searches = window_->DriveSearchCount();
  ASSERT_TRUE(platform::DetachCardImage(attached));
  searchedOnce(searches);
  EXPECT_EQ(DriveEntries(), QStringList{"[ R ] TEST CARD"});

  // The selected card out and back in within a moment: one search, and it
  // is still selected with its slot.
  searches = window_->DriveSearchCount();
  card_.TakeOut();
  ASSERT_TRUE(card_.PutBackIn());
  searchedOnce(searches);
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

namespace {
// A card image deleted while the window shows it goes away as a pulled card
// does: the list loses it, and its old state is not shown on.
TEST_F(DriveSearchTest, ACardImageDeletedWhileShownGoesAway) {
  if (!MakeCard(CardKind::kUsable)) return;
  platform::DeviceEventOptions options;
  options.refreshNativeDrives = false;  // the host's own volumes stay unbound
  std::uint32_t error = 0;
  Open(platform::OpenDeviceEvents(options, &error));
  ASSERT_EQ(DriveEntries(), QStringList{"[ R ] TEST CARD"});
  ASSERT_EQ(Severity(), 0);
  const int searches = window_->DriveSearchCount();
  ASSERT_EQ(std::remove(card_.path().c_str()), 0);
  QTRY_VERIFY_WITH_TIMEOUT(window_->DriveSearchCount() > searches, 5000);
  WaitForDriveSearch();
  EXPECT_TRUE(DriveEntries().isEmpty());
  EXPECT_FALSE(platform::FindDrive(kLetter));
  EXPECT_EQ(StatusText(), "--- No Compact Flash Card ---");
  EXPECT_TRUE(SlotNames().isEmpty());
  EXPECT_FALSE(Enabled(Dlg::kIdErase));
  EXPECT_FALSE(Enabled(Dlg::kIdFloppyToSlot));
}
}  // namespace
