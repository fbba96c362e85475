// The display throttle on a clock the test moves.
#include <gtest/gtest.h>

#include "base/display_throttle.h"

namespace {
using namespace std::chrono_literals;

TEST(DisplayThrottle, ShowsAtMostOncePerIntervalAndSaysWhatItHeld) {
  DisplayThrottle::Clock::time_point now{};
  DisplayThrottle throttle(25ms, [&] { return now; });
  EXPECT_TRUE(throttle.Due());  // the first report is shown at once
  EXPECT_FALSE(throttle.Held());
  now += 10ms;
  EXPECT_FALSE(throttle.Due());
  EXPECT_TRUE(throttle.Held());
  now += 14ms;
  EXPECT_FALSE(throttle.Due());  // 24 ms since the last one shown
  now += 1ms;
  EXPECT_TRUE(throttle.Due());
  EXPECT_FALSE(throttle.Held());
  // A thousand reports within one interval are one repaint.
  int shown = 0;
  for (int i = 0; i < 1000; ++i) {
    now += 20us;
    shown += throttle.Due() ? 1 : 0;
  }
  EXPECT_EQ(shown, 0);
  throttle.Reset();
  EXPECT_TRUE(throttle.Due());
}

TEST(LatestValue, KeepsOnlyTheNewestUntilItIsTaken) {
  LatestValue<std::string> latest;
  EXPECT_FALSE(latest.Take());
  latest.Put("Read Sector 200 / 800");
  latest.Put("Read Sector 400 / 800");
  EXPECT_EQ(latest.Take(), std::optional<std::string>("Read Sector 400 / 800"));
  EXPECT_FALSE(latest.Take());
}

}  // namespace
