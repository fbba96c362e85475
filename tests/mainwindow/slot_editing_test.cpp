// Editing a slot outside the program: a small script as the external image
// software, a fake desktop opener for the external program, and the virtual
// drive for real through the Linux driver library and quillfen-fatfs.
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <QListWidget>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "container/card_state.h"
#include "container/slot_editing.h"
#include "gui/icons.h"
#include "imdisk_linux/tests/driver_env.h"
#include "mainwindow/main_window_fixture.h"
#include "mainwindow/slot_test_support.h"
#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "platform/files.h"
#include "platform/host/host_folder_drive.h"
#include "platform/linux/native_drives.h"
#include "platform/user_files.h"
#include "services/dialogs/progress_state_wnd.h"
#include "support/reference_images.h"
#include "virtualdrive/dialogs/dlg_unmount.h"

namespace mwtest {
namespace {

const QString kChanged = "Image File was changed. Save changes ?";

void WriteScript(const std::string& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body;
  chmod(path.c_str(), 0755);
}

class SlotEditingTest : public MainWindowTest {
 protected:
  bool SetUpCard() {
    if (!MakeCard(CardKind::kUsable)) return false;
    std::ofstream(dir_.File("edited.txt")) << "edited outside\n";
    temp_ = TemporaryImagePath();
    EXPECT_FALSE(temp_.empty());
    return !temp_.empty();
  }
  // The slot's image with a file on it, so that a change is a FAT change.
  void PutImageInSlot(unsigned slot) {
    const std::string file = dir_.File("slot.img");
    ASSERT_TRUE(MakeFloppyImage(file, true, "in the slot\n"));
    window_->SetChooseFileFunction([file](bool, std::string& path, int) {
      path = file;
      return true;
    });
    SelectSlot(static_cast<int>(slot));
    window_->OnFileToSlot();
    ASSERT_EQ(FileOnFloppy(SlotImage(kLetter, slot), "NOTE.TXT"), "in the slot\n");
  }

  std::string temp_;
};

TEST_F(SlotEditingTest, ExternalSoftwareEditsTheSlotWhileTheWindowWaitsHidden) {
  if (!SetUpCard()) return;
  Open();
  PutImageInSlot(1);
  // The record of the start sector cleared: taking the edit back records it again.
  std::uint32_t startSector = 0;
  ASSERT_EQ(FfaReadStartSector(kLetter, startSector), 0);
  ASSERT_NE(startSector, 0u);
  ASSERT_EQ(FfaWriteStartSector(kLetter, 0), 0);

  // A path with a blank: the command line quotes it.
  const std::string editor = dir_.File("image tool.sh");
  WriteScript(editor, "printf '%s\\n' \"$@\" > " + testsupport::Quote(dir_.File("args.txt")) +
                          "\nsleep 0.4\nMTOOLS_SKIP_CHECK=1 mcopy -o -i \"$1\" " +
                          testsupport::Quote(dir_.File("edited.txt")) + " ::/EDITED.TXT\n");
  settings_.externalImageSoftware = editor;

  // What the user sees while the program runs.
  bool sawHidden = false;
  bool sawEnabled = false;
  bool sawBusy = false;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (window_->isVisible()) return;
    sawHidden = true;
    sawEnabled = sawEnabled || window_->isEnabled();
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* busy = qobject_cast<CProgressStateWnd*>(top);
      if (busy != nullptr && busy->isVisible() &&
          busy->Text() == "Wait for finished external Program") {
        sawBusy = true;
      }
    }
  });
  look.start(20);
  ModalWatcher watcher({QMessageBox::Yes});
  window_->OnExternalEdit();
  look.stop();

  EXPECT_TRUE(sawHidden);
  EXPECT_FALSE(sawEnabled);
  EXPECT_TRUE(sawBusy) << "the busy window was not painted while the program ran";
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->isEnabled());
  std::string args;
  platform::ReadWholeFile(dir_.File("args.txt"), &args);
  EXPECT_EQ(args, temp_ + "\n");
  EXPECT_EQ(watcher.Seen(), QStringList{kChanged});
  const ByteBuffer slot = SlotImage(kLetter, 1);
  EXPECT_EQ(FileOnFloppy(slot, "EDITED.TXT"), "edited outside\n");
  EXPECT_EQ(FileOnFloppy(slot, "NOTE.TXT"), "in the slot\n");
  std::uint32_t after = 0;
  ASSERT_EQ(FfaReadStartSector(kLetter, after), 0);
  EXPECT_EQ(after, startSector) << "the start sector was not recorded again";
  EXPECT_FALSE(platform::PathExists(temp_));
  EXPECT_EQ(window_->SelectedSlot(), 1);
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(card_.Volume(), &report)) << report;
}

TEST_F(SlotEditingTest, TheWindowRunsOnAfterTheEditWhileItWasHidden) {
  if (!SetUpCard()) return;
  Open();
  SelectSlot(0);
  const std::string editor = dir_.File("editor.sh");
  WriteScript(editor, "sleep 0.2\n");
  settings_.externalImageSoftware = editor;
  // The window runs modally, as the program runs it; the edit hides it for
  // a while, and it must still be running afterwards.
  bool edited = false;
  bool closedByTest = false;
  QTimer::singleShot(50, [&] {
    window_->OnExternalEdit();
    edited = true;
    QTimer::singleShot(300, [&] {
      closedByTest = true;
      window_->reject();
    });
  });
  window_->DoModal();
  EXPECT_TRUE(edited);
  EXPECT_TRUE(closedByTest) << "hiding the window ended its modal loop";
}

TEST_F(SlotEditingTest, AnsweringNoLeavesTheSlotAndStillDeletesTheImage) {
  if (!SetUpCard()) return;
  Open();
  PutImageInSlot(2);
  const ByteBuffer before = SlotImage(kLetter, 2);
  const std::string editor = dir_.File("editor.sh");
  WriteScript(editor, "MTOOLS_SKIP_CHECK=1 mcopy -o -i \"$1\" " +
                          testsupport::Quote(dir_.File("edited.txt")) + " ::/EDITED.TXT\n");
  settings_.externalImageSoftware = editor;
  ModalWatcher watcher({QMessageBox::No});
  window_->OnExternalEdit();
  EXPECT_EQ(watcher.Seen(), QStringList{kChanged});
  EXPECT_TRUE(SlotImage(kLetter, 2) == before);
  EXPECT_FALSE(platform::PathExists(temp_));

  // An editor that changes nothing: nothing is asked.
  WriteScript(editor, "exit 0\n");
  window_->OnExternalEdit();
  EXPECT_EQ(watcher.Seen().size(), 1);
  EXPECT_FALSE(platform::PathExists(temp_));
}

TEST_F(SlotEditingTest, SoftwareThatCannotStartIsReportedWithItsCode) {
  if (!SetUpCard()) return;
  Open();
  SelectSlot(0);
  settings_.externalImageSoftware = dir_.File("no such tool");
  ModalWatcher watcher;
  window_->OnExternalEdit();
  EXPECT_EQ(watcher.Seen(), QStringList{"Error 2 at starting external Image Software !"});
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->isEnabled());
  // Left for the next use to overwrite.
  EXPECT_TRUE(platform::PathExists(temp_));
  platform::RemoveFile(temp_);

  // Without a slot: the missing slot, nothing started.
  Get<QListWidget>(CTarnwickDlg::kIdSlotList)->clearSelection();
  window_->OnExternalEdit();
  window_->OnMountSlot();
  EXPECT_EQ(watcher.Seen().mid(1),
            (QStringList{"DDA-Error: No Image Selected", "DDA-Error: No Image Selected"}));
  EXPECT_FALSE(platform::PathExists(temp_));
}

TEST_F(SlotEditingTest, ExternalProgramGoesToTheDesktopOpener) {
  if (!SetUpCard()) return;
  testsupport::TempDir bin;
  WriteScript(bin.File("xdg-open"),
              "printf '%s\\n' \"$@\" > " + testsupport::Quote(dir_.File("opened.txt")) + "\n");
  ScopedVariable path("PATH", bin.path());
  Open();
  settings_.externalProgram = "\"/opt/some tool/run.sh\"";
  ModalWatcher watcher;
  window_->OnRunExternalProgram();
  std::string opened;
  QTRY_VERIFY_WITH_TIMEOUT(
      platform::ReadWholeFile(dir_.File("opened.txt"), &opened) == 0 && !opened.empty(), 5000);
  EXPECT_EQ(opened, "/opt/some tool/run.sh\n");
  EXPECT_TRUE(watcher.Seen().isEmpty());

  platform::RemoveFile(bin.File("xdg-open"));
  window_->OnRunExternalProgram();
  EXPECT_EQ(watcher.Seen(), QStringList{"Error 2 at starting external Program !"});
}

// A program the user may run is started as a process of its own, not handed
// to the opener, and not waited for.
TEST_F(SlotEditingTest, AnExternalProgramRunsAsItsOwnProcess) {
  if (!SetUpCard()) return;
  testsupport::TempDir bin;
  WriteScript(bin.File("xdg-open"), "touch " + testsupport::Quote(dir_.File("opened")) + "\n");
  ScopedVariable path("PATH", bin.path() + ":/usr/bin:/bin");
  const std::string program = bin.File("run tool");
  WriteScript(program,
              "echo \"$0 $#\" > " + testsupport::Quote(dir_.File("ran.txt")) + "\nsleep 2\n");
  Open();
  settings_.externalProgram = program;
  ModalWatcher watcher;
  QElapsedTimer clock;
  clock.start();
  window_->OnRunExternalProgram();
  EXPECT_LT(clock.elapsed(), 1500) << "waited for the program";
  std::string ran;
  QTRY_VERIFY_WITH_TIMEOUT(platform::ReadWholeFile(dir_.File("ran.txt"), &ran) == 0 && !ran.empty(),
                           5000);
  EXPECT_EQ(ran, program + " 0\n");  // the program itself, without arguments
  EXPECT_FALSE(platform::PathExists(dir_.File("opened")));
  EXPECT_TRUE(watcher.Seen().isEmpty());

  // One that cannot start (its interpreter is missing) says so.
  std::ofstream(program) << "#!/nonexistent/interpreter\n";
  window_->OnRunExternalProgram();
  EXPECT_EQ(watcher.Seen(), QStringList{"Error 2 at starting external Program !"});
}

// The virtual drive for real: the driver library mounts the temporary image
// with quillfen-fatfs in a private folder.
class HostDevicesVirtualDriveSlot : public SlotEditingTest {
 protected:
  bool SetUpDriver() {
    const std::string missing = drivertest::FatfsMissing();
    if (!missing.empty()) {
      [&] { GTEST_SKIP() << missing; }();
      return false;
    }
    if (!SetUpCard()) return false;
    sandbox_ = std::make_unique<drivertest::DriverSandbox>();
    disks_ =
        std::make_unique<CVirtualDiskManager>(std::vector<std::string>{drivertest::kDriverLibrary});
    window_ = std::make_unique<CTarnwickDlg>(nullptr, settings_, *disks_, *help_);
    window_->InitDialog();
    window_->show();
    QApplication::processEvents();
    return true;
  }
  ~HostDevicesVirtualDriveSlot() override {
    window_.reset();
    if (disks_) (void)disks_->UnmountImage(0);  // whatever the test left mounted
    platform::DetachNativeDrives();
    disks_.reset();
    sandbox_.reset();
  }
  // The folder the virtual drive shows, as the drive table has it.
  std::string MountedFolder() {
    platform::RefreshDrives();
    const auto drive = std::dynamic_pointer_cast<platform::HostFolderDrive>(
        platform::FindDrive(disks_->GetFreeDriveLetter()));
    return drive ? drive->folder() : std::string();
  }

  std::unique_ptr<drivertest::DriverSandbox> sandbox_;
  std::unique_ptr<CVirtualDiskManager> disks_;
};

TEST_F(HostDevicesVirtualDriveSlot, ChangeOnTheDriveGoesBackIntoTheSlot) {
  if (!SetUpDriver()) return;
  PutImageInSlot(1);
  EXPECT_TRUE(Enabled(CTarnwickDlg::kIdMount)) << "the driver is there and a slot is selected";
  ASSERT_EQ(FfaWriteStartSector(kLetter, 0), 0);
  // The file manager is opened on the drive's folder (a fake opener here).
  testsupport::TempDir bin;
  WriteScript(bin.File("xdg-open"),
              "printf '%s\\n' \"$1\" > " + testsupport::Quote(dir_.File("opened.txt")) + "\n");
  ScopedVariable path("PATH", bin.path() + ":" + std::getenv("PATH"));
  settings_.openExplorer = true;

  std::string folder;
  bool found = false;
  OnModal<CDlgUnmount> work([&](CDlgUnmount& dialog) {
    found = dialog.DeviceFound();
    EXPECT_EQ(dialog.ButtonIcon(), gui::kIconUnmount);
    EXPECT_EQ(qobject_cast<QLabel*>(dialog.Control(CDlgUnmount::kIdStatus))->text(),
              "Mount Disk Image ok.");
    folder = MountedFolder();
    ASSERT_FALSE(folder.empty());
    std::ofstream(folder + "/NEW.TXT") << "written on the drive\n";
    // Escape does not leave a mounted drive.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.OnUnmount();
  });
  ModalWatcher watcher({QMessageBox::Yes});
  window_->OnMountSlot();
  EXPECT_EQ(work.Count(), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(watcher.Seen().filter(kChanged).size(), 1) << watcher.Seen().join("|").toStdString();
  const ByteBuffer slot = SlotImage(kLetter, 1);
  EXPECT_EQ(FileOnFloppy(slot, "NEW.TXT"), "written on the drive\n");
  EXPECT_EQ(FileOnFloppy(slot, "NOTE.TXT"), "in the slot\n");
  std::uint32_t startSector = 0;
  EXPECT_EQ(FfaReadStartSector(kLetter, startSector), 0);
  EXPECT_NE(startSector, 0u) << "the start sector was not recorded again";
  EXPECT_FALSE(platform::PathExists(temp_));
  std::string opened;
  platform::ReadWholeFile(dir_.File("opened.txt"), &opened);
  EXPECT_EQ(opened, folder + "\n");
}

TEST_F(HostDevicesVirtualDriveSlot, ReleaseWithoutChangeAsksNothing) {
  if (!SetUpDriver()) return;
  PutImageInSlot(0);
  const ByteBuffer before = SlotImage(kLetter, 0);
  OnModal<CDlgUnmount> work([&](CDlgUnmount& dialog) {
    EXPECT_TRUE(dialog.DeviceFound());
    dialog.OnUnmount();
  });
  ModalWatcher watcher;
  window_->OnMountSlot();
  EXPECT_EQ(work.Count(), 1);
  EXPECT_TRUE(watcher.Seen().filter(kChanged).isEmpty());
  EXPECT_TRUE(SlotImage(kLetter, 0) == before);
  EXPECT_FALSE(platform::PathExists(temp_));
}

TEST_F(HostDevicesVirtualDriveSlot, UnmountFromOutsideIsSeenWithinItsWatch) {
  if (!SetUpDriver()) return;
  PutImageInSlot(0);
  qint64 seenAfterMs = -1;
  OnModal<CDlgUnmount> work([&](CDlgUnmount& dialog) {
    const std::string folder = MountedFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_EQ(testsupport::RunCommand("fusermount -u " + testsupport::Quote(folder)), 0);
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.Closable(), 5000);
    seenAfterMs = clock.elapsed();
    EXPECT_EQ(qobject_cast<QLabel*>(dialog.Control(CDlgUnmount::kIdStatus))->text(),
              "Unmount with external program (Systemcontrol, Console).");
    EXPECT_EQ(dialog.ButtonIcon(), gui::kIconCloseOnly);
    EXPECT_TRUE(dialog.Released());
    EXPECT_TRUE(dialog.DeviceFound());
    QTest::keyClick(&dialog, Qt::Key_Escape);  // closable now
  });
  ModalWatcher watcher;
  window_->OnMountSlot();
  EXPECT_EQ(work.Count(), 1);
  // One watch period, plus what the machine needs to take the mount down.
  RecordProperty("removal_seen_after_ms", static_cast<int>(seenAfterMs));
  EXPECT_GE(seenAfterMs, 0);
  EXPECT_LT(seenAfterMs, 2000) << "the removal was seen late";
  EXPECT_TRUE(watcher.Seen().filter(kChanged).isEmpty());
  EXPECT_FALSE(platform::PathExists(temp_));
}

}  // namespace
}  // namespace mwtest
