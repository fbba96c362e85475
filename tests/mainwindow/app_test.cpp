// The desktop program as a whole: its command line, the card images it
// attaches, and what it leaves behind.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include "container/ffa_store.h"
#include "container/floppy_choice.h"
#include "mainwindow/main_window_fixture.h"
#include "mainwindow/slot_test_support.h"
#include "mainwindow/tarnwick_app.h"
#include "platform/files.h"
#include "services/help_files.h"
#include "support/test_data.h"

namespace {
using mwtest::CardKind;

TEST(StartOptions, ImagesScreenshotAndUsage) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  StartOptions o = ParseStartOptions({"a.img", "--screenshot", "shot.png", "b.img"});
  EXPECT_EQ(o.cardImages, (std::vector<std::string>{"a.img", "b.img"}));
  EXPECT_EQ(o.screenshotPath, "shot.png");
  EXPECT_TRUE(o.error.empty());
  o = ParseStartOptions({"--screenshot=x.png", "--", "--odd.img"});
  EXPECT_EQ(o.screenshotPath, "x.png");
  EXPECT_EQ(o.cardImages, std::vector<std::string>{"--odd.img"});
  EXPECT_TRUE(ParseStartOptions({"--help"}).showUsage);
  EXPECT_EQ(ParseStartOptions({"--screenshot"}).error, "--screenshot needs a file name");
  EXPECT_EQ(ParseStartOptions({"--bogus"}).error, "unknown option --bogus");
  EXPECT_TRUE(ParseStartOptions({}).cardImages.empty());
}

TEST(StartOptions, FloppyImagesRepeat) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  const StartOptions o =
      ParseStartOptions({"--floppy", "a.img", "card.img", "--floppy=b.img", "--", "--floppy"});
  EXPECT_EQ(o.floppyImages, (std::vector<std::string>{"a.img", "b.img"}));
  EXPECT_EQ(o.cardImages, (std::vector<std::string>{"card.img", "--floppy"}));
  EXPECT_TRUE(o.error.empty());
  EXPECT_EQ(ParseStartOptions({"--floppy"}).error, "--floppy needs an image file");
  EXPECT_EQ(ParseStartOptions({"--floppy="}).error, "--floppy needs an image file");
}

class AppTest : public mwtest::MainWindowTest {
 protected:
  // Help pages as a run leaves them in the temporary folder.
  void LeaveHelpPages() {
    ASSERT_TRUE(testsupport::WriteHostFile(GetHelpFiles().EnglishPath(), "<html></html>"));
    ASSERT_TRUE(testsupport::WriteHostFile(GetHelpFiles().GermanPath(), "<html></html>"));
  }
  void ExpectHelpPagesGone() {
    EXPECT_FALSE(platform::PathExists(GetHelpFiles().EnglishPath()));
    EXPECT_FALSE(platform::PathExists(GetHelpFiles().GermanPath()));
  }
};

TEST_F(AppTest, AScreenshotOfTheWindowOnTheCardsNamed) {
  if (!MakeCard(CardKind::kUsable)) return;
  card_.TakeOut();  // the program attaches it
  LeaveHelpPages();
  const std::string png = dir_.File("window.png");
  EXPECT_EQ(CTarnwickApp().Run({QString::fromStdString(card_.path()), "--screenshot",
                                QString::fromStdString(png)}),
            0);
  const QImage image(QString::fromStdString(png));
  EXPECT_GT(image.width(), 400);
  EXPECT_GT(image.height(), 300);
  // The status line's green is in the picture.
  bool green = false;
  for (int y = 0; y < image.height() && !green; y += 2) {
    for (int x = 0; x < image.width() && !green; x += 2) {
      green = image.pixelColor(x, y) == QColor(0x00, 0xA0, 0x00);
    }
  }
  EXPECT_TRUE(green);
  // The image is detached again, and the help pages are gone.
  EXPECT_FALSE(platform::FindDrive('D'));
  ExpectHelpPagesGone();
}

TEST_F(AppTest, ClosingTheWindowEndsTheRunAndCleansUp) {
  if (!MakeCard(CardKind::kNoContainer)) return;
  card_.TakeOut();
  LeaveHelpPages();
  // Once the window runs, read what it shows and close it as the user does.
  QString shownStatus;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* window = qobject_cast<CTarnwickDlg*>(QApplication::activeModalWidget());
    if (window == nullptr || !window->isVisible()) return;
    closer.stop();
    shownStatus = qobject_cast<QLabel*>(window->Control(CTarnwickDlg::kIdStatus))->text();
    window->close();
  });
  closer.start(20);
  EXPECT_EQ(CTarnwickApp().Run({QString::fromStdString(card_.path())}), 0);
  EXPECT_EQ(shownStatus, "--- no Dornveld Container File ---");
  ExpectHelpPagesGone();
}

TEST_F(AppTest, FloppyImagesAreTheFloppyDrivesWhileTheWindowRuns) {
  if (!MakeCard(CardKind::kUsable)) return;
  card_.TakeOut();
  const std::string floppy = dir_.File("disk.img");
  ASSERT_TRUE(mwtest::MakeFloppyImage(floppy, true, "x\n"));
  std::vector<char> seen;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* window = qobject_cast<CTarnwickDlg*>(QApplication::activeModalWidget());
    if (window == nullptr || !window->isVisible()) return;
    closer.stop();
    for (const CDriveInfo& drive : FfaListFloppyDrives()) seen.push_back(drive.Letter());
    window->close();
  });
  closer.start(20);
  EXPECT_EQ(CTarnwickApp().Run(
                {"--floppy", QString::fromStdString(floppy), QString::fromStdString(card_.path())}),
            0);
  EXPECT_EQ(seen, std::vector<char>{'A'});
  EXPECT_FALSE(platform::FindDrive('A')) << "detached again on the way out";
}

// Started on a container file (as the file manager starts it), the window
// shows it as one, the card-only commands off, and a slot written through
// it reads back.
TEST_F(AppTest, AContainerFileOpensAsOneAndItsSlotsWork) {
  if (!MakeCard(CardKind::kUsable)) return;
  ByteBuffer container;
  ASSERT_TRUE(FfaReadFile(FfaGetContainerPath(kLetter), container, 64u << 20));
  card_.TakeOut();
  const std::string file = dir_.File("backup.dfp");
  std::vector<std::string> files = {dir_.File("disk.img"), dir_.File("back.img")};
  ASSERT_TRUE(FfaWriteFile(file, container));
  ASSERT_TRUE(mwtest::MakeFloppyImage(files[0], true, "x\n"));
  const ByteBuffer image = mwtest::ReadBytes(files[0]);
  using Dlg = CTarnwickDlg;
  QString status;
  std::vector<bool> enabled;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* window = qobject_cast<Dlg*>(QApplication::activeModalWidget());
    if (window == nullptr || !window->isVisible()) return;
    closer.stop();
    status = qobject_cast<QLabel*>(window->Control(Dlg::kIdStatus))->text();
    qobject_cast<QListWidget*>(window->Control(Dlg::kIdSlotList))->setCurrentRow(1);
    for (const int id : {Dlg::kIdCreate, Dlg::kIdMakeUsable, Dlg::kIdErase, Dlg::kIdHexCard,
                         Dlg::kIdFileToSlot, Dlg::kIdFpgaUpdate, Dlg::kIdSaveContainerName}) {
      enabled.push_back(window->Control(id)->isEnabled());
    }
    std::size_t next = 0;
    window->SetChooseFileFunction([&](bool, std::string& path, int) {
      path = files.at(next++);
      return true;
    });
    window->OnFileToSlot();
    window->OnSlotToFile();
    window->close();
  });
  closer.start(20);
  EXPECT_EQ(CTarnwickApp().Run({QString::fromStdString(file)}), 0);
  EXPECT_EQ(status, "--- Dornveld Container File on disk, not a Card ---");
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, true, true, true}));
  EXPECT_TRUE(mwtest::ReadBytes(files[1]) == image);
  const ByteBuffer stored = mwtest::ReadBytes(file);
  ASSERT_EQ(stored.size(), container.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), stored.begin() + 2 * 0x200000));
  EXPECT_FALSE(platform::FindDrive('D')) << "detached again on the way out";
}

TEST_F(AppTest, AUsageErrorEndsWithTwo) {
  EXPECT_EQ(CTarnwickApp().Run({"--nonsense"}), 2);
  EXPECT_EQ(CTarnwickApp().Run({"--help"}), 0);
}

}  // namespace
