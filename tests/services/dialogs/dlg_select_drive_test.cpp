// The drive selection dialog on a list of drive records.
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "gui/accessible_names.h"
#include "gui/ui_test_support.h"
#include "services/dialogs/dlg_select_drive.h"
#include "services/dialogs/floppy_drive_chooser.h"

namespace {

class SelectDriveTest : public testing::Test {
 protected:
  void Open() {
    dialog_ = std::make_unique<CDlgSelectDrive>(drives_, nullptr);
    dialog_->InitDialog();
    dialog_->show();
    list_ = qobject_cast<QTableWidget*>(dialog_->Control(CDlgSelectDrive::kIdList));
    select_ = qobject_cast<QPushButton*>(dialog_->Control(CDlgSelectDrive::kIdSelect));
    ASSERT_NE(list_, nullptr);
    ASSERT_NE(select_, nullptr);
  }
  // A point in the list below the last item.
  QPoint BesideTheItems() const {
    const QRect last = list_->visualItemRect(list_->item(list_->rowCount() - 1, 1));
    return QPoint(last.center().x(), last.bottom() + 20);
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  std::vector<CDriveInfo> drives_ = {uitest::FloppyRecord('B', ""),
                                     uitest::FloppyRecord('A', "SYSTEM")};
  std::unique_ptr<CDlgSelectDrive> dialog_;
  QTableWidget* list_ = nullptr;
  QPushButton* select_ = nullptr;
};

TEST_F(SelectDriveTest, OpensWithTheFirstItemSelectedInListOrder) {
  Open();
  EXPECT_EQ(dialog_->windowTitle(), "Select Drive");
  ASSERT_EQ(list_->rowCount(), 2);
  // Not sorted: the records keep their order.
  EXPECT_EQ(list_->item(0, 0)->text(), "B:");
  EXPECT_EQ(list_->item(0, 1)->text(), "Floppy Drive");  // no label: the kind
  EXPECT_EQ(list_->item(1, 1)->text(), "SYSTEM");
  EXPECT_EQ(list_->horizontalHeaderItem(0)->text(), "Drive");
  EXPECT_EQ(list_->horizontalHeaderItem(1)->text(), "Label");
  EXPECT_EQ(list_->selectionModel()->selectedRows().size(), 1);
  EXPECT_TRUE(list_->item(0, 0)->isSelected());
  EXPECT_EQ(list_->currentRow(), 0);
  EXPECT_TRUE(select_->isEnabled());
  EXPECT_EQ(select_->text(), "&Select");
  EXPECT_EQ(gui::AccessibleName(list_), "Drives");
  EXPECT_GE(list_->columnWidth(0), 50);
}

TEST_F(SelectDriveTest, EnterTakesTheSelectedDrive) {
  Open();
  QTest::keyClick(list_, Qt::Key_Return);
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_EQ(dialog_->ChosenIndex(), 0);
}

TEST_F(SelectDriveTest, AClickBesideTheItemsDisablesSelect) {
  Open();
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, BesideTheItems());
  EXPECT_FALSE(list_->selectionModel()->hasSelection());
  EXPECT_FALSE(select_->isEnabled());
  // A double click there does nothing either.
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, BesideTheItems());
  QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, BesideTheItems());
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(dialog_->ChosenIndex(), -1);
  // Clicking an item enables Select again.
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                    list_->visualItemRect(list_->item(1, 1)).center());
  EXPECT_TRUE(select_->isEnabled());
}

TEST_F(SelectDriveTest, DoubleClickOnAnItemSelectsIt) {
  Open();
  const QPoint item = list_->visualItemRect(list_->item(1, 0)).center();
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, item);
  QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, item);
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_EQ(dialog_->ChosenIndex(), 1);
}

TEST_F(SelectDriveTest, OnlyTheFirstOfSeveralSelectedItemsCounts) {
  Open();
  list_->selectAll();
  select_->click();
  EXPECT_EQ(dialog_->ChosenIndex(), 0);
}

TEST_F(SelectDriveTest, CancelAndEscapeChooseNothing) {
  Open();
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
  EXPECT_EQ(dialog_->ChosenIndex(), -1);
  Open();
  qobject_cast<QPushButton*>(dialog_->Control(CDlgSelectDrive::kIdCancel))->click();
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

TEST_F(SelectDriveTest, FollowsTheLanguageHeadersIncluded) {
  Open();
  EXPECT_EQ(dialog_->Control(CDlgSelectDrive::kIdCancel)->property("text").toString(), "&Close");
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(dialog_->windowTitle(), "Laufwerk wählen");
  EXPECT_EQ(select_->text(), "&Auswahl");
  EXPECT_EQ(dialog_->Control(CDlgSelectDrive::kIdCancel)->property("text").toString(),
            "&Schließen");
  EXPECT_EQ(list_->horizontalHeaderItem(0)->text(), "Laufwerk");
  EXPECT_EQ(list_->horizontalHeaderItem(1)->text(), "Bezeichnung");
  // The columns grow to their headers.
  const QFontMetrics metrics(list_->horizontalHeader()->font());
  EXPECT_GT(list_->columnWidth(0), metrics.horizontalAdvance("Laufwerk"));
  EXPECT_EQ(list_->item(0, 1)->text(), "Floppy Drive");  // the records' texts as they were made
}

TEST_F(SelectDriveTest, AnEmptyListOffersNothingToSelect) {
  drives_.clear();
  Open();
  EXPECT_EQ(list_->rowCount(), 0);
  EXPECT_FALSE(select_->isEnabled());
}

TEST(FloppyChooser, TheDialogPicksTheDrive) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  const std::vector<CDriveInfo> drives = {uitest::FloppyRecord('A', "")};
  CDialogFloppyChooser chooser(nullptr);
  std::size_t chosen = 99;
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(dialog, Qt::Key_Return);
  });
  EXPECT_TRUE(chooser.Choose(drives, &chosen));
  EXPECT_EQ(chosen, 0u);
}

}  // namespace
