// The sector hex viewer on a card image made with sfdisk and mkfs.fat, and
// in data mode on a slot block.
#include <QAccessible>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "driveaccess/dialogs/hex_view.h"
#include "gui/accessible_names.h"
#include "gui/ui_test_support.h"
#include "support/test_data.h"

namespace {
using Dlg = CDlgShowHexData;

constexpr char kLetter = 'H';

class HexViewerTest : public testing::Test {
 protected:
  void SetUp() override {
    card_.sizeBytes = 16ull << 20;
    std::string reason;
    if (!attached_.Make(kLetter, card_, &reason)) GTEST_SKIP() << reason;
  }
  void Open() {
    dialog_ = std::make_unique<Dlg>(attached_.Drive(), nullptr);
    dialog_->InitDialog();
    dialog_->show();
  }
  QString Status() const { return Field(Dlg::kIdStatus)->text(); }
  QLineEdit* Field(int id) const { return qobject_cast<QLineEdit*>(dialog_->Control(id)); }
  // Types into a field and presses Enter.
  void Enter(int id, const QString& text) {
    Field(id)->selectAll();
    QTest::keyClick(Field(id), Qt::Key_Delete);
    QTest::keyClicks(Field(id), text);
    QTest::keyClick(Field(id), Qt::Key_Return);
  }
  std::uint32_t Sectors() const { return static_cast<std::uint32_t>(card_.sizeBytes / 512); }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  testsupport::ReferenceCard card_;
  uitest::AttachedCard attached_;
  std::unique_ptr<Dlg> dialog_;
};

TEST_F(HexViewerTest, ShowsSectorZeroAtOnce) {
  Open();
  EXPECT_EQ(dialog_->windowTitle(), "Show Hex Data");
  EXPECT_EQ(Status(), "Ok");
  EXPECT_EQ(Field(Dlg::kIdSector)->text(), "0x00000000");
  EXPECT_EQ(Field(Dlg::kIdCount)->text(), "1");
  const CHexView* hex = dialog_->HexDisplay();
  ASSERT_EQ(hex->LineCount(), 32u);
  // The master boot record: the partition entry and the signature.
  const std::string mbr = testsupport::ReadHostBytes(attached_.path(), 0, 512);
  ASSERT_EQ(mbr.size(), 512u);
  EXPECT_TRUE(hex->LineText(31).startsWith("000001F0 "));
  EXPECT_TRUE(hex->LineText(31).contains(" 55 AA  ")) << hex->LineText(31).toStdString();
  char entry[64];
  std::snprintf(entry, sizeof entry, "000001C0  %02X %02X %02X",
                static_cast<unsigned char>(mbr[0x1C0]), static_cast<unsigned char>(mbr[0x1C1]),
                static_cast<unsigned char>(mbr[0x1C2]));
  EXPECT_TRUE(hex->LineText(28).startsWith(entry)) << hex->LineText(28).toStdString();
  EXPECT_EQ(gui::AccessibleName(Field(Dlg::kIdSector)), "Sector");
  EXPECT_EQ(gui::AccessibleName(Field(Dlg::kIdCount)), "Count");
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(Field(Dlg::kIdSector))->state().editable);
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(Field(Dlg::kIdStatus))->state().readOnly);
}

TEST_F(HexViewerTest, EnterReadsTheRunTheFieldsName) {
  Open();
  Enter(Dlg::kIdSector, "x3F");  // the boot sector of the partition at 63
  EXPECT_EQ(Status(), "Ok");
  EXPECT_TRUE(dialog_->HexDisplay()->LineText(0).startsWith("00007E00  EB "));
  Enter(Dlg::kIdCount, "b11");
  EXPECT_EQ(dialog_->HexDisplay()->LineCount(), 3u * 32);
  EXPECT_TRUE(dialog_->HexDisplay()->LineText(95).startsWith("000083F0 "));
}

// A number not begun yet reads as 0, as the fields' numbers are read.
TEST_F(HexViewerTest, EnterWithANumberNotBegunReadsWithZero) {
  Open();
  Enter(Dlg::kIdSector, "x3F");
  ASSERT_TRUE(dialog_->HexDisplay()->LineText(0).startsWith("00007E00 "));
  for (const char* begun : {"", "0x"}) {
    Enter(Dlg::kIdSector, "x3F");
    Enter(Dlg::kIdSector, begun);  // sector 0 again: the master boot record
    EXPECT_EQ(Status(), "Ok") << begun;
    EXPECT_TRUE(dialog_->HexDisplay()->LineText(0).startsWith("00000000 ")) << begun;
  }
  Enter(Dlg::kIdCount, "-");  // no sectors
  EXPECT_EQ(Status(), "Ok");
  EXPECT_EQ(dialog_->HexDisplay()->LineCount(), 0u);
}

TEST_F(HexViewerTest, AStartAtTheEndIsRefusedWithAnEmptyDisplay) {
  Open();
  Enter(Dlg::kIdSector, QString::number(Sectors()));
  EXPECT_EQ(Status(), "DDA-Error: Set File Position");
  EXPECT_EQ(dialog_->HexDisplay()->LineCount(), 0u);
  EXPECT_TRUE(dialog_->Bytes().empty());
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  Enter(Dlg::kIdSector, QString::number(Sectors()));
  EXPECT_EQ(Status(), "DDA-Fehler: Setzen der Dateiposition");
}

TEST_F(HexViewerTest, ARunPastTheEndFailsInTheRead) {
  Open();
  Enter(Dlg::kIdSector, QString::number(Sectors() - 1));
  Enter(Dlg::kIdCount, "2");
  EXPECT_EQ(Status(), "DDA-Error: Read from Drive");
  EXPECT_EQ(dialog_->HexDisplay()->LineCount(), 0u);
}

TEST_F(HexViewerTest, CountZeroShowsOkAndNothing) {
  Open();
  Enter(Dlg::kIdCount, "0");
  EXPECT_EQ(Status(), "Ok");
  EXPECT_EQ(dialog_->HexDisplay()->LineCount(), 0u);
}

TEST_F(HexViewerTest, TheReadDisablesTheDialogOnlyWhileItRuns) {
  Open();
  EXPECT_TRUE(dialog_->isEnabled());
  Enter(Dlg::kIdCount, "64");
  EXPECT_TRUE(dialog_->isEnabled());
  EXPECT_EQ(dialog_->HexDisplay()->LineCount(), 64u * 32);
}

TEST(HexViewerDataMode, ShowsTheBlockAndIgnoresEnter) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  const std::string text = testsupport::TestBytes(2u << 20, 7);
  const ByteBuffer block(text.begin(), text.end());
  constexpr std::uint32_t kStart = (3u * (2u << 20)) / 512;  // slot 2's block
  Dlg dialog(block, kStart, 4096, nullptr);
  dialog.InitDialog();
  dialog.show();
  auto* sector = qobject_cast<QLineEdit*>(dialog.Control(Dlg::kIdSector));
  auto* count = qobject_cast<QLineEdit*>(dialog.Control(Dlg::kIdCount));
  auto* status = qobject_cast<QLineEdit*>(dialog.Control(Dlg::kIdStatus));
  EXPECT_TRUE(sector->isReadOnly());
  EXPECT_TRUE(count->isReadOnly());
  // A screen reader hears them, and the status, as read-only fields.
  for (QLineEdit* field : {sector, count, status}) {
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(field);
    ASSERT_NE(heard, nullptr);
    EXPECT_TRUE(heard->state().readOnly) << gui::AccessibleName(field).toStdString();
    EXPECT_FALSE(heard->state().editable) << gui::AccessibleName(field).toStdString();
  }
  EXPECT_EQ(gui::AccessibleName(sector), "Sector");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(count)->text(QAccessible::Value), "4096");
  ASSERT_NE(QAccessible::queryAccessibleInterface(sector)->textInterface(), nullptr);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(sector)->textInterface()->text(0, 4), "0x00");
  EXPECT_EQ(sector->text(), "0x00003000");
  EXPECT_EQ(count->text(), "4096");
  EXPECT_EQ(status->text(), "");
  const CHexView* hex = dialog.HexDisplay();
  ASSERT_EQ(hex->LineCount(), 131072u);
  EXPECT_TRUE(hex->LineText(0).startsWith("00600000 "));
  EXPECT_TRUE(hex->LineText(131071).startsWith("007FFFF0 "));
  // Typing changes nothing and Enter reads nothing.
  QTest::keyClicks(sector, "5");
  QTest::keyClick(sector, Qt::Key_Return);
  EXPECT_EQ(sector->text(), "0x00003000");
  EXPECT_EQ(status->text(), "");
  EXPECT_EQ(dialog.Bytes(), block);
  EXPECT_TRUE(dialog.isVisible());
}

TEST(HexView, OffsetsWidenForPositionsPastFourGigabytes) {
  CHexView view;
  const std::uint8_t bytes[20] = {'A'};
  view.SetBytes(bytes, sizeof bytes, 0xFFFFFFF0ull);
  ASSERT_EQ(view.LineCount(), 2u);
  EXPECT_TRUE(view.LineText(0).startsWith("0FFFFFFF0 "));
  EXPECT_TRUE(view.LineText(1).startsWith("100000000 "));
  view.Clear();
  EXPECT_EQ(view.LineCount(), 0u);
}

}  // namespace
