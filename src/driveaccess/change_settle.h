// Turns a burst of change notices into one: a card put into a reader gives
// several device events within a moment, and the drives should be searched
// once, after the last of them. Notices less than the settle time apart form
// one burst; it is due when the settle time passed without a notice, or when
// it has lasted the longest wait (a steady trickle still gets its turn). The
// caller passes the time, so that tests need no clock.
#pragma once

#include <chrono>
#include <optional>

class CChangeSettle {
 public:
  using Clock = std::chrono::steady_clock;
  using Ms = std::chrono::milliseconds;

  static constexpr Ms kSettleTime{300};
  static constexpr Ms kLongestWait{2000};

  explicit CChangeSettle(Ms settle = kSettleTime, Ms longest = kLongestWait);

  void Note(Clock::time_point now);
  bool pending() const { return pending_; }
  // The time until the burst is due (zero when it is due now, rounded up to
  // whole milliseconds otherwise); nothing when no burst is pending.
  std::optional<Ms> Remaining(Clock::time_point now) const;
  // True, once, when a burst is due; that ends the burst.
  bool TakeDue(Clock::time_point now);

 private:
  Ms settle_;
  Ms longest_;
  bool pending_ = false;
  Clock::time_point first_;
  Clock::time_point last_;
};
