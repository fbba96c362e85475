#include "services/progress_state.h"

#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

// Replaces every occurrence, left to right, never rescanning inserted text.
// The placeholders are ASCII and UTF-8 continuation bytes never are, so a
// byte search cannot match inside a multibyte character.
void ReplaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
  std::size_t pos = 0;
  while ((pos = text.find(placeholder, pos)) != std::string::npos) {
    text.replace(pos, placeholder.size(), value);
    pos += value.size();
  }
}

std::string FormatUnsigned(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(value));
  return buffer;
}

// current * 100 / maximum, truncated. The product is taken in 64 bits: in 32
// bits it overflows from about 21.5 million on (sector or byte counts of
// large cards). A maximum of 0 or less gives 0 instead of dividing by it.
int Percent(int current, int maximum) {
  if (maximum <= 0) return 0;
  const std::int64_t percent = static_cast<std::int64_t>(current) * 100 / maximum;
  if (percent > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(percent);
}

}  // namespace

std::string FormatProgressText(const std::string& text, int current, int maximum) {
  std::string result = text;
  std::string cur = "0";
  std::string max = "0";
  std::string percent = "0 %";
  if (current >= 0) {
    cur = FormatUnsigned(current);
    max = FormatUnsigned(maximum);
    percent = FormatUnsigned(Percent(current, maximum)) + " %";
  }
  ReplaceAll(result, "[CUR]", cur);
  ReplaceAll(result, "[MAX]", max);
  ReplaceAll(result, "[PERCENT]", percent);
  return result;
}

CProgressState::CProgressState(const std::string& text, std::uint32_t options)
    : options_(options),
      barShown_((options & kProgressNoBar) == 0),
      visible_((options & kProgressVisible) != 0),
      text_(text) {}

void CProgressState::Show() {
  visible_ = true;
  Refresh();
}

void CProgressState::Hide() {
  visible_ = false;
}

void CProgressState::SetText(const std::string& text) {
  text_ = text;
}

void CProgressState::SetBarRange(int maximum) {
  SetBar(0, maximum, 0);
}

void CProgressState::Refresh() {
  Redraw();
}

void CProgressState::SetProgressState(int kind, int value) {
  if (kind == 0) {
    maximum_ = value;
    SetBar(0, value, 0);
  } else if (kind == 1) {
    current_ = value;
    barPosition_ = value;
  } else {
    barPosition_ = 0;
  }
  Refresh();
}

void CProgressState::OnDriveSearchProgress(int state, int value) {
  maximum_ = 100;
  current_ = value;
  if (state == 0) {
    SetBar(0, 100, 0);
  } else if (state == 1) {
    barPosition_ = 0;
  } else if (state == 2) {
    barPosition_ = value;
  }
  Refresh();
}

bool CProgressState::OnProgress(int position, int total) {
  return DiskTransferProgress(position, total);
}

bool CProgressState::OnReadProgress(int position, int total) {
  return DiskTransferProgress(position, total);
}

bool CProgressState::DiskTransferProgress(int position, int total) {
  current_ = position;
  maximum_ = total;
  if (position == -1) {
    SetBar(0, total, 0);
  } else if (position >= 0) {
    barPosition_ = position;
  } else if (position == -2 || position == -3) {
    barPosition_ = 0;
  }
  Refresh();
  return false;
}

std::string CProgressState::FormattedText() const {
  if (!barShown_) return text_;
  return FormatProgressText(text_, current_, maximum_);
}

void CProgressState::SetBar(int minimum, int maximum, int position) {
  barMinimum_ = minimum;
  barMaximum_ = maximum;
  barPosition_ = position;
}
