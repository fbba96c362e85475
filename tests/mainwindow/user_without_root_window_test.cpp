// The main window as a user without root, on a card whose volume nothing
// mounts: a private UDisks2 with polkitd (udisks_sandbox.h) and a rule that
// lets the user cloudsdk open block devices. A test program cannot give up
// root and take it back, so the user's half runs in a child: this program
// again, as that user, in the sandbox's mount namespace (where the udev
// database of its loop devices is), with only the window's test. Root, loop
// devices, the daemons, that user, setpriv and nsenter needed; skipped
// elsewhere. Under the host_devices lock, as every test named HostDevices.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "container/dialogs/dlg_create_resize_cif.h"
#include "gui/ex_static.h"
#include "mainwindow/main_window_fixture.h"
#include "platform/drive.h"
#include "support/loop_devices.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/udisks_sandbox.h"

namespace {
using Dlg = CTarnwickDlg;
using Dornveld::GUI::CExStatic;

constexpr const char* kUser = "cloudsdk";
// Tells the child which device is the card; unset, the user's half skips.
constexpr const char* kCardVariable = "QUILLFEN_TEST_USER_CARD";
const char* const kUsable =
    "--- Dornveld Container File: Ok, Not Fragemented, Start Sector Set: Ok ---";

// The letter whose drive is the volume on this device, or 0.
char LetterOf(const std::string& device) {
  for (char l = 'A'; l <= 'Z'; ++l) {
    const std::shared_ptr<platform::IDrive> drive = platform::FindDrive(l);
    if (drive && drive->StorageDevicePath() == device) return l;
  }
  return 0;
}

// Runs the user's half named `test` as the user, on a loop device's card,
// with polkit allowing or refusing the user's opens.
void RunAsTheUser(bool allow, const std::string& test) {
  const std::string loops = linuxtest::LoopDevicesUnavailable();
  if (!loops.empty()) GTEST_SKIP() << loops;
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk and mkfs.fat are not installed";
  for (const char* program : {"setpriv", "nsenter"}) {
    if (!testsupport::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  }
  const passwd* user = getpwnam(kUser);
  if (user == nullptr) GTEST_SKIP() << "no user " << kUser;
  const std::string uid = std::to_string(user->pw_uid);
  testsupport::TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const std::string home = dir.File("home");
  ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
  ASSERT_EQ(chown(home.c_str(), user->pw_uid, user->pw_gid), 0);
  // The kernel makes no partition nodes for loop devices: the volume is the
  // whole device, as on a card formatted without a partition table.
  const std::string image = dir.File("card.img");
  testsupport::ReferenceCard card;
  card.sizeBytes = 24ull << 20;
  card.partitionStart = 0;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card));
  const testsupport::PolkitRule rule(kUser, allow);
  ASSERT_TRUE(rule.written());
  const testsupport::UdisksSandbox sandbox(dir.path(), testsupport::UdisksSandbox::Polkit::kRun,
                                           testsupport::UdisksSandbox::Loops::kCards);
  if (!sandbox.reason().empty()) GTEST_SKIP() << sandbox.reason();
  const linuxtest::LoopDevice loop(image);
  ASSERT_FALSE(loop.node().empty());
  ASSERT_TRUE(sandbox.WaitForBlock(loop.node(), 5000)) << sandbox.Log();

  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::string log = dir.File("window.log");
  const std::string command =
      "timeout 120 nsenter --mount --target " + std::to_string(sandbox.NamespaceProcess()) +
      " -- setpriv --reuid=" + uid + " --regid=" + uid + " --clear-groups env HOME=" + home +
      " DBUS_SYSTEM_BUS_ADDRESS=" + sandbox.address() + " QT_QPA_PLATFORM=offscreen " +
      kCardVariable + "=" + loop.node() + " " + testsupport::Quote(self) +
      " --gtest_also_run_disabled_tests"
      " --gtest_filter=UserWithoutRootWindow.DISABLED_" +
      test + " >" + log + " 2>&1";
  const int status = testsupport::RunCommand(command);
  std::string output;
  testsupport::ReadHostFile(log, &output);
  EXPECT_EQ(status, 0) << output << sandbox.Log();
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(testsupport::VolumeOf(image, card), &report)) << report;
}

TEST(HostDevicesUserWithoutRoot, TheWindowMakesTheCardUsableThroughUdisks) {
  RunAsTheUser(true, "CreatesOnTheCardItShows");
}

TEST(HostDevicesUserWithoutRoot, RefusedTheWindowClaimsNoContainerAndOffersNothing) {
  RunAsTheUser(false, "RefusedShowsNoRightsOnly");
}

// The user's halves, on the card named by $QUILLFEN_TEST_USER_CARD.
class UserWithoutRootWindow : public mwtest::MainWindowTest {
 protected:
  // Opens the window and selects the card's drive.
  void OpenOnTheCard(const char* node) {
    // The loop device is no card reader's: every removable drive is listed.
    settings_.showAllRemovableDrives = true;
    Open();
    const char letter = LetterOf(node);
    ASSERT_NE(letter, 0) << "no drive for " << node;
    auto* combo = Get<QComboBox>(Dlg::kIdDriveList);
    const int entry = combo->findText(QString("[ %1 ]").arg(letter), Qt::MatchStartsWith);
    ASSERT_GE(entry, 0) << DriveEntries().join(", ").toStdString();
    combo->setCurrentIndex(entry);
    QApplication::processEvents();
  }
};

// The card is listed, has no container, and after a create through the
// window's dialog it is usable.
TEST_F(UserWithoutRootWindow, DISABLED_CreatesOnTheCardItShows) {
  const char* node = std::getenv(kCardVariable);
  if (node == nullptr || geteuid() == 0) GTEST_SKIP() << "runs as the user, from the test above";
  ASSERT_NO_FATAL_FAILURE(OpenOnTheCard(node));
  EXPECT_EQ(StatusText(), "--- no Dornveld Container File ---");

  mwtest::RunCreateDialog(*window_, [](CDlgCreateResizeCIF& dialog) {
    qobject_cast<QCheckBox*>(dialog.Control(CDlgCreateResizeCIF::kIdCopyProgram))
        ->setChecked(false);
    qobject_cast<QLineEdit*>(dialog.Control(CDlgCreateResizeCIF::kIdCount))->setText("3");
    qobject_cast<QPushButton*>(dialog.Control(CDlgCreateResizeCIF::kIdCreate))->click();
  });
  EXPECT_EQ(StatusText(), kUsable);
  EXPECT_EQ(SlotNames().size(), 3);
}

// Refused, the card's files are as closed as its sectors: no container is
// claimed, and nothing that writes to the card is offered.
TEST_F(UserWithoutRootWindow, DISABLED_RefusedShowsNoRightsOnly) {
  const char* node = std::getenv(kCardVariable);
  if (node == nullptr || geteuid() == 0) GTEST_SKIP() << "runs as the user, from the test above";
  ASSERT_NO_FATAL_FAILURE(OpenOnTheCard(node));
  EXPECT_EQ(StatusText(), "--- No ADMIN Rights. Only Compact Flash Image handling. ---");
  EXPECT_EQ(Severity(), CExStatic::kSeverityWarning);
  for (const int id : {Dlg::kIdCreate, Dlg::kIdMakeUsable, Dlg::kIdErase, Dlg::kIdFpgaUpdate}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  EXPECT_TRUE(SlotNames().isEmpty());
}

}  // namespace
