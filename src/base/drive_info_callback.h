// Progress of the drive search: state 0 at the start, 2 for each step (value
// 0 to 78), 1 at the end.
#pragma once

class IDriveInfoCallback {
 public:
  virtual ~IDriveInfoCallback() = default;
  virtual void OnDriveSearchProgress(int state, int value) {
    (void)state;
    (void)value;
  }
};
