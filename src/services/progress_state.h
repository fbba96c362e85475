// The state of a progress display and the text it shows, without any
// drawing: the desktop popup and the command-line tool derive from it and
// draw in Redraw().
#pragma once

#include <cstdint>
#include <string>

#include "base/progress_display.h"

class CProgressState : public IProgressDisplay {
 public:
  // Starts visible when the options hold kProgressVisible; a derived display
  // draws itself at the end of its own constructor (no virtual call here).
  CProgressState(const std::string& text, std::uint32_t options);
  ~CProgressState() override = default;

  void Show() override;
  void Hide() override;
  void SetText(const std::string& text) override;
  // Range 0..maximum, position 0; the placeholder values stay, no redraw.
  void SetBarRange(int maximum) override;
  void Refresh() override;

  // Container file operations: kind 0 the total, kind 1 the amount done.
  void SetProgressState(int kind, int value) override;
  // Drive search: shown as value of 100.
  void OnDriveSearchProgress(int state, int value) override;
  // Raw transfers; never ask the transfer to stop.
  bool OnProgress(int position, int total) override;
  bool OnReadProgress(int position, int total) override;

  // The text with [CUR], [MAX] and [PERCENT] filled in (unchanged without a bar).
  std::string FormattedText() const;

  std::uint32_t Options() const { return options_; }
  bool BarShown() const { return barShown_; }
  bool TwoLines() const { return (options_ & kProgressTwoLines) != 0; }
  bool IsVisible() const { return visible_; }
  int CurrentValue() const { return current_; }
  int Maximum() const { return maximum_; }
  int BarMinimum() const { return barMinimum_; }
  int BarMaximum() const { return barMaximum_; }
  int BarPosition() const { return barPosition_; }
  const std::string& Text() const { return text_; }

 protected:
  // Paints the current state and lets pending events run; nothing here.
  virtual void Redraw() {}

 private:
  bool DiskTransferProgress(int position, int total);
  void SetBar(int minimum, int maximum, int position);

  std::uint32_t options_;
  bool barShown_;
  bool visible_;
  int current_ = -1;
  int maximum_ = -1;
  int barMinimum_ = 0;
  int barMaximum_ = 1;
  int barPosition_ = 0;
  std::string text_;
};

// Fills the placeholders of `text` for a display with a bar; exposed for the
// popup's width fitting. Every occurrence is replaced, [CUR] first, then
// [MAX], then [PERCENT].
std::string FormatProgressText(const std::string& text, int current, int maximum);
