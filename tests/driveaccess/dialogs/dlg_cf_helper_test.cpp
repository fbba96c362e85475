// The card helper window on card images made with sfdisk and mkfs.fat: its
// buttons while an operation runs on the worker thread, the texts the worker
// posts, Cancel, and the flash format on the image's bytes.
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

#include "driveaccess/dialogs/dlg_cf_helper.h"
#include "driveaccess/direct_disk_access.h"
#include "gui/accessible_names.h"
#include "gui/ui_test_support.h"
#include "support/test_data.h"

namespace {
using Dlg = CDlgCFHelper;

constexpr char kLetter = 'L';

class CardHelperDialogTest : public testing::Test {
 protected:
  void Make(std::uint64_t sizeBytes, std::uint64_t partitionStart = 63) {
    card_.sizeBytes = sizeBytes;
    card_.partitionStart = partitionStart;
    std::string reason;
    if (!attached_.Make(kLetter, card_, &reason)) GTEST_SKIP() << reason;
  }
  void Open(const CDriveInfo& drive) {
    dialog_ = std::make_unique<Dlg>(drive, nullptr);
    dialog_->InitDialog();
    dialog_->show();
  }
  QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(dialog_->Control(id)); }
  QString Output() const {
    return qobject_cast<QPlainTextEdit*>(dialog_->Control(Dlg::kIdOutput))->toPlainText();
  }
  bool Idle() const {
    return Button(Dlg::kIdRead)->isEnabled() && Button(Dlg::kIdFormat)->isEnabled() &&
           Button(Dlg::kIdClose)->isEnabled() && !Button(Dlg::kIdCancel)->isVisible();
  }
  bool WaitUntilIdle() const {
    return QTest::qWaitFor([&] { return !dialog_->IsRunning() && Idle(); }, 60000);
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  testsupport::ReferenceCard card_;
  uitest::AttachedCard attached_;
  std::unique_ptr<Dlg> dialog_;
};

TEST_F(CardHelperDialogTest, ReadTestShowsItsProgressAndFinishes) {
  Make(16ull << 20);
  Open(attached_.Drive());
  EXPECT_EQ(dialog_->windowTitle(), "CF Helper");
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Button(Dlg::kIdRead)->text(), "Read RAW Sector");
  EXPECT_EQ(gui::AccessibleName(dialog_->Control(Dlg::kIdOutput)), "Card helper output");
  auto* output = qobject_cast<QPlainTextEdit*>(dialog_->Control(Dlg::kIdOutput));
  QSignalSpy shown(output, &QPlainTextEdit::textChanged);
  Button(Dlg::kIdRead)->click();
  // Running: nothing to start or close, Cancel offered.
  EXPECT_FALSE(Button(Dlg::kIdRead)->isEnabled());
  EXPECT_FALSE(Button(Dlg::kIdFormat)->isEnabled());
  EXPECT_FALSE(Button(Dlg::kIdClose)->isEnabled());
  EXPECT_TRUE(Button(Dlg::kIdCancel)->isVisible());
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(Output(), "Sector Count: 32768\nRead Sector 32768 / 32768\nFinished");
  // The window shows the newest of the worker's texts when it gets round to
  // it, never all 164 of them; the last one always.
  EXPECT_GE(shown.count(), 1);
  EXPECT_LT(shown.count(), 32768 / 200 + 1);
}

TEST_F(CardHelperDialogTest, CancelStopsTheReadTestAndTheWindowStaysOpenMeanwhile) {
  Make(512ull << 20);  // a million sectors: long enough to cancel
  Open(attached_.Drive());
  Button(Dlg::kIdRead)->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Output().contains("Read Sector"); }, 20000));
  // Escape and closing are refused while the worker reports to the window.
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  dialog_->close();
  EXPECT_TRUE(dialog_->isVisible());
  Button(Dlg::kIdCancel)->click();
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_TRUE(Output().startsWith("Sector Count: 1048576\nRead Sector ")) << Output().toStdString();
  EXPECT_TRUE(Output().endsWith(" / 1048576\nCanceled")) << Output().toStdString();
  Button(Dlg::kIdClose)->click();
  EXPECT_FALSE(dialog_->isVisible());
}

// Answers the question the window asks (Yes or No) and records it.
class Answer : public QObject {
 public:
  explicit Answer(QMessageBox::StandardButton answer) : answer_(answer) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      text = box->text();
      defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
      box->button(answer_)->click();
    });
    timer_.start(10);
  }
  QString text;
  bool defaultIsNo = false;

 private:
  QMessageBox::StandardButton answer_;
  QTimer timer_;
};

TEST_F(CardHelperDialogTest, FlashFormatAsksFirstNamingTheCardWithNoAsTheDefault) {
  Make(16ull << 20);
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(attached_.path(), &before));
  Open(attached_.Drive());
  {
    Answer no(QMessageBox::No);
    Button(Dlg::kIdFormat)->click();
    EXPECT_EQ(no.text,
              "Format FLASH overwrites sectors 0 to 15 of the card in drive L: (\"REF CARD\", "
              "16 MBytes) with zeros.\nIts partition table and start sector are lost.\n\n"
              "Format the card now ?");
    EXPECT_TRUE(no.defaultIsNo);
  }
  EXPECT_FALSE(dialog_->FormatRan());
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Output(), "");
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(attached_.path(), &after));
  EXPECT_TRUE(after == before);  // not a byte written
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  Answer nein(QMessageBox::No);
  Button(Dlg::kIdFormat)->click();
  EXPECT_TRUE(
      nein.text.startsWith("Formatiere FLASH überschreibt die Sektoren 0 bis 15 der Karte "
                           "in Laufwerk L: (\"REF CARD\", 16 MBytes) mit Nullen."))
      << nein.text.toStdString();
}

TEST_F(CardHelperDialogTest, FlashFormatZeroesTheFirstSixteenSectors) {
  Make(16ull << 20, 2048);
  {
    // The gap before the partition gets bytes that zeroes can be told from.
    std::fstream image(attached_.path(), std::ios::in | std::ios::out | std::ios::binary);
    const std::string gap = testsupport::TestBytes(2047 * 512, 4);
    image.seekp(512);
    image.write(gap.data(), static_cast<std::streamsize>(gap.size()));
    ASSERT_TRUE(image.good());
  }
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(attached_.path(), &before));
  Open(attached_.Drive());
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(Button(Dlg::kIdFormat)->text(), "Formatiere FLASH");
  Answer yes(QMessageBox::Yes);
  Button(Dlg::kIdFormat)->click();
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(Output(), "Fertig");
  EXPECT_TRUE(dialog_->FormatRan());
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(attached_.path(), &after));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, 16 * 512), std::string(16 * 512, '\0'));
  EXPECT_EQ(after.substr(16 * 512), before.substr(16 * 512));
}

TEST_F(CardHelperDialogTest, ADriveThatCannotBeOpenedShowsNothing) {
  Open(uitest::FloppyRecord('Q', ""));  // no drive at that letter
  Button(Dlg::kIdRead)->click();
  ASSERT_TRUE(WaitUntilIdle());
  Button(Dlg::kIdFormat)->click();
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(Output(), "");
}

TEST_F(CardHelperDialogTest, DestroyingTheWindowDuringAReadTestWaitsForTheWorker) {
  Make(512ull << 20);
  Open(attached_.Drive());
  Button(Dlg::kIdRead)->click();
  ASSERT_TRUE(dialog_->IsRunning());
  dialog_.reset();  // asks the worker to stop and waits for it
  // The worker is gone, and with it its hold on the card.
  CDirectDiskAccess disk;
  EXPECT_EQ(disk.Open(kLetter, false), 0);
}

}  // namespace
