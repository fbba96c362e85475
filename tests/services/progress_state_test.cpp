// The progress display's state and text, fed the way the long operations
// feed it.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "services/progress_state.h"

namespace {

// Counts the repaints a callback asks for.
class CountingProgress : public CProgressState {
 public:
  using CProgressState::CProgressState;
  int redraws = 0;

 protected:
  void Redraw() override { ++redraws; }
};

TEST(ProgressStateTest, StartsEmptyAndFollowsOptions) {
  const CProgressState shown("Write Floppy Disk [PERCENT]", kProgressVisible);
  EXPECT_TRUE(shown.IsVisible());
  EXPECT_TRUE(shown.BarShown());
  EXPECT_FALSE(shown.TwoLines());
  EXPECT_EQ(shown.CurrentValue(), -1);
  EXPECT_EQ(shown.Maximum(), -1);
  EXPECT_EQ(shown.BarMinimum(), 0);
  EXPECT_EQ(shown.BarMaximum(), 1);
  EXPECT_EQ(shown.BarPosition(), 0);
  EXPECT_EQ(shown.FormattedText(), "Write Floppy Disk 0 %");

  const CProgressState plain("Read [PERCENT]",
                             kProgressVisible | kProgressNoBar | kProgressTwoLines);
  EXPECT_FALSE(plain.BarShown());
  EXPECT_TRUE(plain.TwoLines());
  const CProgressState hidden("x", 0);
  EXPECT_FALSE(hidden.IsVisible());
}

TEST(ProgressStateTest, FormatsPlaceholders) {
  struct Case {
    const char* text;
    int current;
    int maximum;
    const char* expected;
  };
  const Case cases[] = {
      {"Write Floppy Disk [PERCENT]", 42, 100, "Write Floppy Disk 42 %"},
      {"[CUR] of [MAX]", -1, 100, "0 of 0"},        // before the first report
      {"[CUR]/[MAX] [PERCENT]", -2, 8, "0/0 0 %"},  // end of a transfer
      {"[CUR]/[MAX] [CUR] [PERCENT][PERCENT]", 3, 4, "3/4 3 75 %75 %"},
      {"[PERCENT]", 2, 3, "66 %"},  // truncated
      {"[PERCENT]", 32768, 65536, "50 %"},
      {"[PERCENT]", 5, 0, "0 %"},  // no maximum yet: no division
      {"[PERCENT]", 5, -1, "0 %"},
      {"[PERCENT]", 0, 0, "0 %"},
      // Products beyond 32 bits: big cards count many sectors or bytes.
      {"[PERCENT]", 30000000, 60000000, "50 %"},
      {"[PERCENT]", INT_MAX, INT_MAX, "100 %"},
      {"[CUR] [MAX]", 7, -1, "7 4294967295"},  // "%u" of the raw value
      {"Line 1\n[CUR]\n[CUR", 9, 10, "Line 1\n9\n[CUR"},
      {"Kopiere \xC3\x9C[CUR]\xC3\xA4", 1, 2,
       "Kopiere \xC3\x9C"
       "1\xC3\xA4"},
      {"[MAX[CUR]]", 1, 2, "[MAX1]"},  // [CUR] first, no rescan
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatProgressText(c.text, c.current, c.maximum), c.expected)
        << c.text << " " << c.current << "/" << c.maximum;
  }
}

TEST(ProgressStateTest, NoBarShowsTheTextLiterally) {
  CProgressState p("Read [PERCENT] [CUR]", kProgressVisible | kProgressNoBar);
  EXPECT_EQ(p.FormattedText(), "Read [PERCENT] [CUR]");
  p.SetProgressState(0, 10);
  p.SetProgressState(1, 5);
  EXPECT_EQ(p.FormattedText(), "Read [PERCENT] [CUR]");
}

TEST(ProgressStateTest, DiskTransferFromStartToEnd) {
  for (bool reading : {false, true}) {
    CountingProgress p("[CUR]/[MAX] [PERCENT]", kProgressVisible);
    auto report = [&](int position, int total) {
      return reading ? p.OnReadProgress(position, total) : p.OnProgress(position, total);
    };
    EXPECT_FALSE(report(-1, 8));
    EXPECT_EQ(p.BarMaximum(), 8);
    EXPECT_EQ(p.BarPosition(), 0);
    EXPECT_EQ(p.FormattedText(), "0/0 0 %");
    for (int chunk = 0; chunk < 8; ++chunk) {
      EXPECT_FALSE(report(chunk, 8));
      EXPECT_EQ(p.BarPosition(), chunk);
    }
    EXPECT_EQ(p.FormattedText(), "7/8 87 %");
    EXPECT_FALSE(report(-2, 8));
    EXPECT_EQ(p.CurrentValue(), -2);
    EXPECT_EQ(p.BarPosition(), 0);
    EXPECT_EQ(p.FormattedText(), "0/0 0 %");
    EXPECT_EQ(p.redraws, 10) << "one repaint per notice";
  }
}

TEST(ProgressStateTest, DiskTransferFailureAndOddStates) {
  CProgressState p("[PERCENT]", kProgressVisible);
  p.OnProgress(-1, 90);
  p.OnProgress(45, 90);
  EXPECT_EQ(p.FormattedText(), "50 %");
  p.OnProgress(-4, 90);  // unknown notice: values follow, bar stays
  EXPECT_EQ(p.CurrentValue(), -4);
  EXPECT_EQ(p.BarPosition(), 45);
  EXPECT_FALSE(p.OnProgress(-3, 90));  // failure: never asks to stop
  EXPECT_EQ(p.BarPosition(), 0);
  EXPECT_EQ(p.BarMaximum(), 90);
}

TEST(ProgressStateTest, ContainerOperationProgress) {
  CountingProgress p("Write DCF [PERCENT]", kProgressVisible);
  p.SetProgressState(0, 65536);
  EXPECT_EQ(p.Maximum(), 65536);
  EXPECT_EQ(p.CurrentValue(), -1) << "the total leaves the current value";
  EXPECT_EQ(p.BarMaximum(), 65536);
  p.SetProgressState(1, 32768);
  EXPECT_EQ(p.BarPosition(), 32768);
  EXPECT_EQ(p.FormattedText(), "Write DCF 50 %");
  p.SetProgressState(7, 12345);  // other kinds only reset the bar
  EXPECT_EQ(p.BarPosition(), 0);
  EXPECT_EQ(p.CurrentValue(), 32768);
  EXPECT_EQ(p.Maximum(), 65536);
  EXPECT_EQ(p.redraws, 3);
}

TEST(ProgressStateTest, DriveSearchCountsToHundred) {
  CountingProgress p("Search [PERCENT]", kProgressVisible);
  p.SetBarRange(5);
  p.OnDriveSearchProgress(0, 0);
  EXPECT_EQ(p.BarMaximum(), 100);
  EXPECT_EQ(p.Maximum(), 100);
  p.OnDriveSearchProgress(2, 39);
  EXPECT_EQ(p.BarPosition(), 39);
  EXPECT_EQ(p.FormattedText(), "Search 39 %");
  p.OnDriveSearchProgress(9, 50);  // unknown state: value taken, bar alone
  EXPECT_EQ(p.BarPosition(), 39);
  EXPECT_EQ(p.CurrentValue(), 50);
  p.OnDriveSearchProgress(1, 78);
  EXPECT_EQ(p.BarPosition(), 0);
  EXPECT_EQ(p.FormattedText(), "Search 78 %");
  EXPECT_EQ(p.redraws, 4);
}

TEST(ProgressStateTest, CreatorOperations) {
  CountingProgress p("[CUR]", 0);
  p.SetProgressState(0, 10);
  p.SetProgressState(1, 4);
  const int before = p.redraws;
  p.SetBarRange(200);  // bar only; placeholders keep their values, no repaint
  EXPECT_EQ(p.BarMaximum(), 200);
  EXPECT_EQ(p.BarPosition(), 0);
  EXPECT_EQ(p.CurrentValue(), 4);
  EXPECT_EQ(p.Maximum(), 10);
  p.SetText("Now [MAX]");
  EXPECT_EQ(p.FormattedText(), "Now 10");
  EXPECT_EQ(p.redraws, before);
  p.Show();
  EXPECT_TRUE(p.IsVisible());
  EXPECT_EQ(p.redraws, before + 1);
  p.Hide();
  EXPECT_FALSE(p.IsVisible());
  p.Refresh();
  EXPECT_EQ(p.redraws, before + 2);
}

}  // namespace
