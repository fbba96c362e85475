// Progress of the container file operations.
#pragma once

class IProgressStateCallback {
 public:
  virtual ~IProgressStateCallback() = default;
  // kind 0 gives the total, kind 1 the amount done.
  virtual void SetProgressState(int kind, int value) = 0;
};
