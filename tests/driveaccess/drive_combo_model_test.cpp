#include "driveaccess/drive_combo_model.h"

#include <gtest/gtest.h>

namespace {

TEST(DriveComboModel, ColumnsGrowToTheWidestTextPlusGap) {
  CDriveComboModel model;
  EXPECT_EQ(model.AddItem("[ E ]", "CARD"), 0);
  EXPECT_EQ(model.Edges(), (std::vector<int>{0, 0}));
  model.MeasureItem({30, 40});
  EXPECT_EQ(model.Edges(), (std::vector<int>{30 + 4 + 11, 45 + 40 + 5}));
  EXPECT_EQ(model.AddItem("[ F ]", "Removable Drive"), 1);
  model.MeasureItem({28, 100});  // narrower first column keeps its width
  EXPECT_EQ(model.Edges(), (std::vector<int>{45, 45 + 105}));
  model.MeasureItem({50, 10});  // a wider first column moves the second edge along
  EXPECT_EQ(model.Edges(), (std::vector<int>{65, 65 + 105}));
  EXPECT_EQ(model.FirstTextRight(), 65 - 4 - 4);
  EXPECT_EQ(model.SeparatorX(), 65 - 1 - 4);
  EXPECT_EQ(CDriveComboModel::ItemLeft(0), 3);
  EXPECT_EQ(CDriveComboModel::ItemLeft(7), 7);
}

TEST(DriveComboModel, DropDownWidensOnlyWhenTooNarrow) {
  CDriveComboModel model;
  model.AddItem("a", "b");
  model.MeasureItem({10, 100});
  const int last = model.Edges().back();
  EXPECT_EQ(model.DropDownWidth(last, 17), last);
  EXPECT_EQ(model.DropDownWidth(last - 1, 17), last + 17 + 4);
}

TEST(DriveComboModel, ValuesResetAndStyleFlags) {
  CDriveComboModel model;
  model.AddItem("a", "b");
  model.AddItem("c", "d");
  EXPECT_EQ(model.SetItemValue(1, 7), 1);
  EXPECT_EQ(model.GetItemValue(1), 7);
  EXPECT_EQ(model.GetItemValue(0), 0);
  EXPECT_EQ(model.SetItemValue(2, 9), -1);
  EXPECT_EQ(model.SetItemValue(-1, 9), -1);
  EXPECT_EQ(model.GetItemValue(0), 0);
  EXPECT_EQ(model.GetItemValue(1), 7);

  EXPECT_EQ(model.StyleFlags(), DRIVE_COMBO_CENTER_FIRST);
  model.SetStyleFlags(DRIVE_COMBO_COLUMNS_IN_FIELD, 0);
  EXPECT_EQ(model.StyleFlags(), DRIVE_COMBO_CENTER_FIRST | DRIVE_COMBO_COLUMNS_IN_FIELD);
  model.SetStyleFlags(0, DRIVE_COMBO_CENTER_FIRST);
  EXPECT_EQ(model.StyleFlags(), DRIVE_COMBO_COLUMNS_IN_FIELD);

  model.MeasureItem({10, 10});
  model.ResetContent();
  EXPECT_EQ(model.Count(), 0u);
  EXPECT_TRUE(model.Edges().empty());
  EXPECT_EQ(model.AddItem("x", "y"), 0);
  EXPECT_EQ(model.Edges(), (std::vector<int>{0, 0}));
}

}  // namespace
