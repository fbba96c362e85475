// Progress of long work on standard error, as one line rewritten in place.
// Shown only when standard error is a terminal, so scripts and logs get
// nothing of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/progress_display.h"
#include "services/progress_state.h"

class TerminalProgress : public CProgressState {
 public:
  TerminalProgress(const std::string& text, std::uint32_t options);
  ~TerminalProgress() override;
  void Hide() override;

 protected:
  void Redraw() override;

 private:
  void Erase();
  std::string shown_;  // the line on the terminal now; empty when none
};

class TerminalProgressOwner : public IProgressOwner {
 public:
  std::unique_ptr<IProgressDisplay> CreateProgress(const std::string& text,
                                                   std::uint32_t options) override;
};

// True when standard error is a terminal.
bool ProgressWanted();
// The owner to hand to core operations: null (no display) unless wanted.
IProgressOwner* ProgressOwner();
// A display of its own for the slot transfers; null unless wanted.
std::unique_ptr<TerminalProgress> MakeProgress(const std::string& text);
