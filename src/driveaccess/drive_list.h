// The drives found by one search, in letter order A to Z.
#pragma once

#include <cstddef>
#include <vector>

#include "base/drive_info_callback.h"
#include "driveaccess/drive_info.h"

class CDriveList {
 public:
  // Rebuilds the list from every present letter whose kind is in kindMask;
  // returns the number of records. Reports to the callback, if one is set.
  int EnumerateDrives(unsigned kindMask);

  void SetCallback(IDriveInfoCallback* callback) { callback_ = callback; }
  IDriveInfoCallback* Callback() const { return callback_; }

  std::size_t Count() const { return records_.size(); }
  bool IsEmpty() const { return records_.empty(); }
  const CDriveInfo& operator[](std::size_t index) const { return records_[index]; }
  const std::vector<CDriveInfo>& Records() const { return records_; }
  void Clear() { records_.clear(); }

 private:
  std::vector<CDriveInfo> records_;
  IDriveInfoCallback* callback_ = nullptr;  // not owned
};
