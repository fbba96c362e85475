// The virtual drive's window in each of its states, over a driver that the
// test controls: what it says and shows, when it may be closed, what it
// tells its caller, and where minimising goes.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "gui/accessible_names.h"
#include "gui/icons.h"
#include "gui/ui_test_support.h"
#include "platform/drive.h"
#include "platform/host/host_folder_drive.h"
#include "support/temp_dir.h"
#include "virtualdrive/dialogs/dlg_unmount.h"

namespace {

class FakeDriver : public IVirtualDiskManager {
 public:
  bool Initialize() override { return true; }
  int GetVersion(VirtualDiskVersion&, VirtualDiskVersion&) override { return 1; }
  char GetFreeDriveLetter() override { return letter; }
  int MountImage(const char* imageFile, char driveLetter) override {
    mounted = imageFile;
    mountLetter = driveLetter;
    return mountWorks ? 1 : 0;
  }
  int UnmountImage(char driveLetter) override {
    ++unmounts;
    unmountLetter = driveLetter;
    return unmountWorks ? 1 : 0;
  }
  int QueryDevice(VirtualDiskInfo& info, unsigned deviceNumber) override {
    ++queries;
    queried = deviceNumber;
    if (gone) return 0;
    info.deviceNumber = deviceNumber;
    return 1;
  }
  int FindDeviceByDriveLetter(VirtualDiskInfo& info, char) override {
    if (!deviceKnown) return 0;
    info.deviceNumber = 7;
    return 1;
  }
  void ClearStatusWindow() override { statusWindow = nullptr; }
  void SetStatusWindow(VirtualDiskStatusWindow window) override { statusWindow = window; }

  char letter = 'V';
  bool mountWorks = true;
  bool deviceKnown = true;
  bool unmountWorks = true;
  bool gone = false;
  std::string mounted;
  char mountLetter = '?';
  char unmountLetter = '?';
  int unmounts = 0;
  int queries = 0;
  unsigned queried = 99;
  VirtualDiskStatusWindow statusWindow = nullptr;
};

class DlgUnmountTest : public ::testing::Test {
 protected:
  std::unique_ptr<CDlgUnmount> Open(bool openFileManager = false) {
    auto dialog = std::make_unique<CDlgUnmount>(driver_, openFileManager, &parent_);
    dialog->SetImageFile("/run/user/1000/quillfen/instance-0/DorFlashImage.img");
    dialog->SetOpenFolderFunction([this](const std::string& folder) { opened_.push_back(folder); });
    dialog->InitDialog();
    dialog->show();
    QApplication::processEvents();
    return dialog;
  }
  // The status line as it shows; a screen reader hears the same text as the
  // line's description, beside its name.
  static QString Status(CDlgUnmount& dialog) {
    QWidget* line = dialog.Control(CDlgUnmount::kIdStatus);
    const QString shown = qobject_cast<QLabel*>(line)->text();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(line)->text(QAccessible::Description), shown);
    return shown;
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  QWidget parent_;
  FakeDriver driver_;
  std::vector<std::string> opened_;
};

TEST_F(DlgUnmountTest, MountedAndWatchedUntilTheButtonReleasesTheDrive) {
  parent_.show();
  auto dialog = Open();
  EXPECT_EQ(dialog->windowTitle(), "Virtual Disk Manager");
  EXPECT_EQ(driver_.mounted, "/run/user/1000/quillfen/instance-0/DorFlashImage.img");
  EXPECT_EQ(driver_.mountLetter, 0) << "mounted at the kept free letter";
  EXPECT_EQ(driver_.statusWindow, dialog->Control(CDlgUnmount::kIdDriverStatus));
  EXPECT_EQ(Status(*dialog), "Mount Disk Image ok.");
  EXPECT_EQ(gui::AccessibleName(dialog->Control(CDlgUnmount::kIdStatus)), "Mount status");
  EXPECT_EQ(dialog->ButtonIcon(), gui::kIconUnmount);
  EXPECT_TRUE(dialog->DeviceFound());
  EXPECT_TRUE(dialog->Watching());
  EXPECT_FALSE(dialog->Closable());
  EXPECT_TRUE(opened_.empty()) << "the file manager opens only when the setting says so";
  auto* button = qobject_cast<QPushButton*>(dialog->Control(CDlgUnmount::kIdUnmount));
  EXPECT_TRUE(button->text().isEmpty());
  EXPECT_EQ(gui::AccessibleName(button), "Unmount the Image Entry from the virtual drive");

  // The watch asks for the device found, every 300 ms.
  QTRY_VERIFY_WITH_TIMEOUT(driver_.queries >= 2, 2000);
  EXPECT_EQ(driver_.queried, 7u);
  // Escape and the close box do not leave a mounted drive.
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  dialog->close();
  EXPECT_TRUE(dialog->isVisible());

  // A failed release leaves the drive and the window as they were.
  driver_.unmountWorks = false;
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(Status(*dialog), "Error Unmount Disk Image.");
  EXPECT_FALSE(dialog->Released());

  driver_.unmountWorks = true;
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(driver_.unmountLetter, 0);
  EXPECT_TRUE(dialog->Released());
  EXPECT_TRUE(dialog->DeviceFound());
  dialog.reset();
  EXPECT_EQ(driver_.statusWindow, nullptr) << "the driver forgets the window with it";
}

TEST_F(DlgUnmountTest, RemovedFromOutsideBecomesClosableWithoutASecondRelease) {
  auto dialog = Open();
  driver_.gone = true;
  QTRY_VERIFY_WITH_TIMEOUT(dialog->Closable(), 2000);
  EXPECT_EQ(Status(*dialog), "Unmount with external program (Systemcontrol, Console).");
  EXPECT_EQ(dialog->ButtonIcon(), gui::kIconCloseOnly);
  EXPECT_FALSE(dialog->Watching());
  EXPECT_TRUE(dialog->Released());
  EXPECT_TRUE(dialog->DeviceFound());
  QTest::mouseClick(qobject_cast<QPushButton*>(dialog->Control(CDlgUnmount::kIdUnmount)),
                    Qt::LeftButton);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(driver_.unmounts, 0);
}

TEST_F(DlgUnmountTest, FailedMountClosesOnEscapeWithBothFlagsFalse) {
  driver_.mountWorks = false;
  auto dialog = Open();
  EXPECT_EQ(Status(*dialog), "Error Mount Disk Image.");
  EXPECT_EQ(dialog->ButtonIcon(), gui::kIconCloseOnly);
  EXPECT_TRUE(dialog->Closable());
  EXPECT_FALSE(dialog->Watching());
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_FALSE(dialog->DeviceFound());
  EXPECT_FALSE(dialog->Released());
  EXPECT_EQ(driver_.unmounts, 0);
}

TEST_F(DlgUnmountTest, DeviceNotFoundStillReleasesThroughTheButton) {
  driver_.deviceKnown = false;
  auto dialog = Open(true);
  EXPECT_EQ(Status(*dialog), "Error Retrive Drive Information.");
  EXPECT_EQ(dialog->ButtonIcon(), gui::kIconUnmount);
  EXPECT_FALSE(dialog->Closable());
  EXPECT_FALSE(dialog->Watching());
  EXPECT_TRUE(opened_.empty());
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_TRUE(dialog->isVisible());
  dialog->OnUnmount();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(dialog->Released());
  EXPECT_FALSE(dialog->DeviceFound());
}

TEST_F(DlgUnmountTest, FileManagerOpensOnTheDrivesFolder) {
  testsupport::TempDir folder;
  platform::ScopedDrive drive('V', std::make_shared<platform::HostFolderDrive>(folder.path()));
  auto dialog = Open(true);
  EXPECT_EQ(opened_, std::vector<std::string>{folder.path()});
}

TEST_F(DlgUnmountTest, MinimisingMinimisesTheMainWindowInstead) {
  parent_.show();
  auto dialog = Open();
  dialog->setWindowState(dialog->windowState() | Qt::WindowMinimized);
  QApplication::processEvents();
  EXPECT_TRUE(parent_.windowState() & Qt::WindowMinimized);
  EXPECT_FALSE(dialog->windowState() & Qt::WindowMinimized);
}

TEST_F(DlgUnmountTest, GermanTexts) {
  uitest::ScopedLanguage german(kLanguageGerman);
  driver_.mountWorks = false;
  auto dialog = Open();
  EXPECT_EQ(Status(*dialog), "Fehler beim Einbinden der Abbilddatei.");
  EXPECT_EQ(dialog->windowTitle(), "Virtual Disk Manager");
}

}  // namespace
