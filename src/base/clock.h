// Local time of the platform, injectable so that tests get fixed time stamps.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// The fields of a Windows SYSTEMTIME that the program uses.
struct LocalTime {
  std::uint16_t year = 1980;
  std::uint8_t month = 1;   // 1 ... 12
  std::uint8_t day = 1;     // 1 ... 31
  std::uint8_t hour = 0;    // 0 ... 23
  std::uint8_t minute = 0;  // 0 ... 59
  std::uint8_t second = 0;  // 0 ... 59
  std::uint16_t milliseconds = 0;
  bool operator==(const LocalTime&) const = default;
};

using LocalTimeSource = std::function<LocalTime()>;

// The current local time, from the installed source (the system clock unless a
// test installed another one).
LocalTime GetLocalTime();

// Installs a source and returns the previous one; an empty source restores the
// system clock.
LocalTimeSource SetLocalTimeSource(LocalTimeSource source);

// Installs a fixed time for the lifetime of the object.
class ScopedFixedLocalTime {
 public:
  explicit ScopedFixedLocalTime(const LocalTime& time);
  ~ScopedFixedLocalTime();
  ScopedFixedLocalTime(const ScopedFixedLocalTime&) = delete;
  ScopedFixedLocalTime& operator=(const ScopedFixedLocalTime&) = delete;

 private:
  LocalTimeSource previous_;
};

}  // namespace platform
