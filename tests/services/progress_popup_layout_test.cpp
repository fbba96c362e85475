#include "services/progress_popup_layout.h"

#include <gtest/gtest.h>

#include "services/progress_state.h"

namespace {

TEST(ProgressPopupLayout, HeightFollowsLinesAndBar) {
  EXPECT_EQ(ProgressPopupHeight(kProgressVisible), 55);
  EXPECT_EQ(ProgressPopupHeight(kProgressVisible | kProgressNoBar), 33);
  EXPECT_EQ(ProgressPopupHeight(kProgressTwoLines), 80);
  EXPECT_EQ(ProgressPopupHeight(kProgressTwoLines | kProgressNoBar), 58);
}

TEST(ProgressPopupLayout, WidthIsWidestLinePlus60AtLeast300) {
  EXPECT_EQ(ProgressPopupWidth(200), 300);
  EXPECT_EQ(ProgressPopupWidth(240), 300);
  EXPECT_EQ(ProgressPopupWidth(241), 301);
  EXPECT_EQ(ProgressPopupWidth(400), 460);
}

TEST(ProgressPopupLayout, BarSitsAboveTheBottomMarginAndBandsStack) {
  const PopupRect client{0, 0, 296, 51};  // 300 x 55 less the client edge
  const PopupRect bar = ProgressBarRect(client);
  EXPECT_EQ(bar.left, 2);
  EXPECT_EQ(bar.right, 294);
  EXPECT_EQ(bar.top, 29);
  EXPECT_EQ(bar.bottom, 49);
  const std::vector<PopupRect> bands = ProgressLineBands(ProgressTextRect(client), 2);
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(bands[0].top, 2);
  EXPECT_EQ(bands[0].Height(), 25);
  EXPECT_EQ(bands[1].top, bands[0].bottom + 1);
}

TEST(ProgressPopupLayout, SplitsAtEveryLineBreak) {
  EXPECT_EQ(SplitProgressLines(""), std::vector<std::string>{""});
  EXPECT_EQ(SplitProgressLines("a\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitProgressLines("a\n"), (std::vector<std::string>{"a", ""}));
}

}  // namespace
