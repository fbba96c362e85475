// The window menu's whole-set commands on a card image: enabled with a
// container only, one summary at the end, the slot list updated.
#include <QAction>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

#include "container/file_choice_kind.h"
#include "mainwindow/main_window_fixture.h"
#include "support/test_data.h"

namespace {
using mwtest::CardKind;
using mwtest::ModalWatcher;
using Dlg = CTarnwickDlg;

class ImageSetsTest : public mwtest::MainWindowTest {
 protected:
  // The folder dialog answered with `folder`; the entry triggered as a user
  // does; the one message it shows.
  QStringList Run(int command, const std::string& folder) {
    window_->SetChooseFileFunction([folder](bool, std::string& path, int kind) {
      EXPECT_EQ(kind, kFileKindFolder);
      path = folder;
      return true;
    });
    ModalWatcher watcher({QMessageBox::Yes});
    window_->MenuAction(command)->trigger();
    QTest::qWait(0);
    [&] { QTRY_COMPARE(watcher.Seen().size(), 1); }();
    return watcher.Seen();
  }
};

TEST_F(ImageSetsTest, ExportThenImportWithOneSummaryEach) {
  if (!MakeCard(CardKind::kUsable, 3)) return;
  Open();
  ASSERT_TRUE(window_->MenuAction(Dlg::kCmdExportImages)->isEnabled());
  ASSERT_TRUE(window_->MenuAction(Dlg::kCmdImportImages)->isEnabled());
  const std::string folder = dir_.File("set");
  EXPECT_EQ(Run(Dlg::kCmdExportImages, folder),
            QStringList{QString::fromStdString("3 images exported to " + folder + ".")});

  // Renamed files come back as slot names; a short file is refused.
  ASSERT_EQ(std::rename((folder + "/02-Empty 2.img").c_str(), (folder + "/02-Disk B.img").c_str()),
            0);
  ASSERT_EQ(std::remove((folder + "/index.txt").c_str()), 0);
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/short.img", "short"));
  const QStringList summary = Run(Dlg::kCmdImportImages, folder);
  ASSERT_EQ(summary.size(), 1);
  EXPECT_TRUE(summary[0].startsWith("3 images written into the slots")) << summary[0].toStdString();
  EXPECT_TRUE(summary[0].contains("short.img: ")) << summary[0].toStdString();
  EXPECT_EQ(SlotNames().at(1), "Disk B");
}

TEST_F(ImageSetsTest, EntriesNeedAContainerAndImportAWritableOne) {
  Open();
  EXPECT_FALSE(window_->MenuAction(Dlg::kCmdExportImages)->isEnabled());
  EXPECT_FALSE(window_->MenuAction(Dlg::kCmdImportImages)->isEnabled());
  window_.reset();
  if (!MakeCard(CardKind::kReadOnly)) return;
  Open();
  EXPECT_TRUE(window_->MenuAction(Dlg::kCmdExportImages)->isEnabled());
  EXPECT_FALSE(window_->MenuAction(Dlg::kCmdImportImages)->isEnabled());
}

}  // namespace
