#include "base/clock.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <utility>

namespace platform {
namespace {
std::mutex g_mutex;
LocalTimeSource g_source;

LocalTime SystemLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm parts{};
  {
    // std::localtime shares one result: one caller at a time (localtime_r
    // is not in every C runtime).
    static std::mutex localtimeMutex;
    std::lock_guard<std::mutex> lock(localtimeMutex);
    parts = *std::localtime(&seconds);
  }
  LocalTime t;
  t.year = static_cast<std::uint16_t>(parts.tm_year + 1900);
  t.month = static_cast<std::uint8_t>(parts.tm_mon + 1);
  t.day = static_cast<std::uint8_t>(parts.tm_mday);
  t.hour = static_cast<std::uint8_t>(parts.tm_hour);
  t.minute = static_cast<std::uint8_t>(parts.tm_min);
  t.second = static_cast<std::uint8_t>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
  t.milliseconds = static_cast<std::uint16_t>(ms);
  return t;
}
}  // namespace

LocalTime GetLocalTime() {
  LocalTimeSource source;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    source = g_source;
  }
  return source ? source() : SystemLocalTime();
}

LocalTimeSource SetLocalTimeSource(LocalTimeSource source) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return std::exchange(g_source, std::move(source));
}

ScopedFixedLocalTime::ScopedFixedLocalTime(const LocalTime& time)
    : previous_(SetLocalTimeSource([time] { return time; })) {}

ScopedFixedLocalTime::~ScopedFixedLocalTime() {
  SetLocalTimeSource(std::move(previous_));
}

}  // namespace platform
