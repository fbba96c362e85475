#include "base/display_throttle.h"

DisplayThrottle::DisplayThrottle(std::chrono::milliseconds interval, TimeSource now)
    : interval_(interval), now_(now ? std::move(now) : TimeSource([] { return Clock::now(); })) {}

bool DisplayThrottle::Due() {
  const Clock::time_point now = now_();
  if (last_ && now - *last_ < interval_) {
    held_ = true;
    return false;
  }
  last_ = now;
  held_ = false;
  return true;
}

void DisplayThrottle::Reset() {
  last_.reset();
  held_ = false;
}
