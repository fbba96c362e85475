// Progress of the container file operations.
#pragma once

#include <string>

class IProgressStateCallback {
 public:
  virtual ~IProgressStateCallback() = default;
  // kind 0 gives the total, kind 1 the amount done.
  virtual void SetProgressState(int kind, int value) = 0;
  // A phase of its own begins (the read-back after a write), with its text;
  // a callback that shows no text lets it pass.
  virtual void SetPhaseText(const std::string& text) { (void)text; }
};
