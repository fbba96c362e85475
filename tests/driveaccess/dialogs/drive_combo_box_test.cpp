#include <QAbstractItemView>
#include <QTest>

#include <gtest/gtest.h>

#include "driveaccess/dialogs/drive_combo_box.h"

namespace {

TEST(DriveComboBox, ColumnsFollowTheWidestTextAndTheGap) {
  CDriveComboBox combo;
  const QFontMetrics metrics(combo.font());
  EXPECT_EQ(combo.AddItem("[ E ]", "CARD"), 0);
  EXPECT_EQ(combo.AddItem("[ F ]", "Removable Drive"), 1);
  const int first = qMax(metrics.horizontalAdvance("[ E ]"), metrics.horizontalAdvance("[ F ]"));
  const int second =
      qMax(metrics.horizontalAdvance("CARD"), metrics.horizontalAdvance("Removable Drive"));
  EXPECT_EQ(combo.Model().Edges(), (std::vector<int>{first + 4 + 11, first + 15 + second + 5}));
  EXPECT_EQ(combo.count(), 2);
  EXPECT_EQ(combo.itemText(1), "[ F ] Removable Drive");
  EXPECT_EQ(combo.itemData(1).toInt(), 1);
  EXPECT_EQ(combo.ItemHeight(), metrics.height() + 4);
}

TEST(DriveComboBox, ValuesOutOfRangeAndReset) {
  CDriveComboBox combo;
  combo.AddItem("[ E ]", "CARD");
  EXPECT_EQ(combo.SetItemValue(0, 5), 0);
  EXPECT_EQ(combo.SetItemValue(1, 9), -1);
  EXPECT_EQ(combo.GetItemValue(0), 5);
  combo.ResetContent();
  EXPECT_EQ(combo.count(), 0);
  EXPECT_TRUE(combo.Model().Edges().empty());
  EXPECT_EQ(combo.SetItemValue(0, 1), -1);
  EXPECT_EQ(combo.AddItem("[ G ]", "X"), 0);
}

TEST(DriveComboBox, TheListIsWideEnoughForBothColumns) {
  CDriveComboBox combo;
  combo.resize(60, combo.sizeHint().height());
  combo.AddItem("[ E ]", "A very long volume label indeed");
  combo.show();
  combo.showPopup();
  EXPECT_GE(combo.view()->width(), combo.Model().Edges().back());
  combo.hidePopup();
}

TEST(DriveComboBox, ClosedFieldShowsBothColumnsOnlyWithItsFlag) {
  CDriveComboBox combo;
  combo.AddItem("[ E ]", "CARDLABEL");
  combo.resize(300, combo.sizeHint().height());
  combo.show();
  // The second column and the line between are drawn in the field only
  // with flag 2: more ink.
  auto separatorInk = [&] {
    const QImage image = combo.grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) < 128) ++dark;
      }
    }
    return dark;
  };
  const int without = separatorInk();
  combo.SetStyleFlags(DRIVE_COMBO_COLUMNS_IN_FIELD, 0);
  EXPECT_GT(separatorInk(), without + 20);
  EXPECT_EQ(combo.Model().StyleFlags(), DRIVE_COMBO_CENTER_FIRST | DRIVE_COMBO_COLUMNS_IN_FIELD);
}

TEST(DriveComboBox, DownArrowOpensTheList) {
  CDriveComboBox combo;
  combo.AddItem("[ E ]", "CARD");
  combo.AddItem("[ F ]", "CARD2");
  combo.show();
  QTest::keyClick(&combo, Qt::Key_Down);
  EXPECT_TRUE(combo.view()->isVisible());
  EXPECT_EQ(combo.currentIndex(), 0);
  combo.hidePopup();
}

}  // namespace
