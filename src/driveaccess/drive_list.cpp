#include "driveaccess/drive_list.h"

#include <cstdint>

#include "platform/drive.h"

namespace {
// Progress states of the drive search.
constexpr int kSearchStart = 0;
constexpr int kSearchEnd = 1;
constexpr int kSearchStep = 2;
// 27 steps of 3 so that the bar runs 0 to 78 over the letters.
constexpr int kSearchSteps = 27;
constexpr int kStepWidth = 3;
}  // namespace

int CDriveList::EnumerateDrives(unsigned kindMask) {
  records_.clear();
  if (callback_) callback_->OnDriveSearchProgress(kSearchStart, 0);
  const std::uint32_t mask = platform::GetLogicalDrives();
  for (int i = 0; i < kSearchSteps; ++i) {
    if (callback_) callback_->OnDriveSearchProgress(kSearchStep, kStepWidth * i);
    if (i >= 26 || (mask & (std::uint32_t{1} << i)) == 0) continue;
    CDriveInfo record;
    if (QueryDrive(static_cast<char>('A' + i), record, kindMask)) records_.push_back(record);
  }
  if (callback_) callback_->OnDriveSearchProgress(kSearchEnd, 0);
  return static_cast<int>(records_.size());
}
