#include "driveaccess/change_settle.h"

#include <algorithm>

CChangeSettle::CChangeSettle(Ms settle, Ms longest) : settle_(settle), longest_(longest) {}

void CChangeSettle::Note(Clock::time_point now) {
  if (!pending_) {
    pending_ = true;
    first_ = now;
  }
  last_ = now;
}

std::optional<CChangeSettle::Ms> CChangeSettle::Remaining(Clock::time_point now) const {
  if (!pending_) return std::nullopt;
  const Clock::time_point due = std::min(last_ + settle_, first_ + longest_);
  if (due <= now) return Ms{0};
  return std::chrono::ceil<Ms>(due - now);
}

bool CChangeSettle::TakeDue(Clock::time_point now) {
  const std::optional<Ms> remaining = Remaining(now);
  if (!remaining || remaining->count() > 0) return false;
  pending_ = false;
  return true;
}
