// How often a display shows the state of long work. Progress reports are
// cheap and may come thousands of times a second; a display repaints at
// most once per interval, so that the window stays responsive and a screen
// reader's questions are answered at once. What a held report changed is
// shown with the next report that is due, or when the work ends.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

// At most about 40 repaints a second.
inline constexpr std::chrono::milliseconds kDisplayInterval{25};

class DisplayThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  using TimeSource = std::function<Clock::time_point()>;

  // The clock is the steady clock unless a test gives one.
  explicit DisplayThrottle(std::chrono::milliseconds interval = kDisplayInterval,
                           TimeSource now = {});

  // True when the display should show what it has now: the first time, and
  // then once the interval has passed since it last did. A report that is
  // not due is held (Held() is true until the next due one).
  bool Due();
  bool Held() const { return held_; }
  // Whatever comes next is due (the work ended or starts anew).
  void Reset();

 private:
  std::chrono::milliseconds interval_;
  TimeSource now_;
  std::optional<Clock::time_point> last_;
  bool held_ = false;
};

// The newest of a stream of values that one thread makes and another shows:
// each Put replaces a value not taken yet, so the showing side takes only
// the newest whenever it gets round to it.
template <class T>
class LatestValue {
 public:
  void Put(T value) {
    std::lock_guard<std::mutex> lock(mutex_);
    value_ = std::move(value);
  }
  // The value put since the last Take, if any.
  std::optional<T> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::optional<T> value = std::move(value_);
    value_.reset();
    return value;
  }

 private:
  std::mutex mutex_;
  std::optional<T> value_;
};
