#include "cli/terminal_progress.h"

#include <cstdio>

#include "platform/process.h"

TerminalProgress::TerminalProgress(const std::string& text, std::uint32_t options)
    : CProgressState(text, options) {
  if (IsVisible()) Redraw();
}

TerminalProgress::~TerminalProgress() {
  Erase();
}

void TerminalProgress::Hide() {
  CProgressState::Hide();
  Erase();
}

void TerminalProgress::Redraw() {
  if (!IsVisible()) return;
  std::string line = FormattedText();
  // A title without placeholders still shows how far the bar has gone.
  if (BarShown() && Text().find('[') == std::string::npos && BarMaximum() > 0) {
    line += "  " + std::to_string(BarPosition()) + "/" + std::to_string(BarMaximum());
  }
  // The terminal is the slow part: a line is written only when it changes.
  if (line == shown_) return;
  std::string out = "\r" + line;
  if (line.size() < shown_.size()) out += std::string(shown_.size() - line.size(), ' ');
  std::fputs(out.c_str(), stderr);
  std::fflush(stderr);
  shown_ = line;
}

void TerminalProgress::Erase() {
  if (shown_.empty()) return;
  std::fprintf(stderr, "\r%s\r", std::string(shown_.size(), ' ').c_str());
  std::fflush(stderr);
  shown_.clear();
}

std::unique_ptr<IProgressDisplay> TerminalProgressOwner::CreateProgress(const std::string& text,
                                                                        std::uint32_t options) {
  return std::make_unique<TerminalProgress>(text, options);
}

bool ProgressWanted() {
  return platform::StandardErrorIsTerminal();
}

IProgressOwner* ProgressOwner() {
  static TerminalProgressOwner owner;
  return ProgressWanted() ? &owner : nullptr;
}

std::unique_ptr<TerminalProgress> MakeProgress(const std::string& text) {
  if (!ProgressWanted()) return nullptr;
  return std::make_unique<TerminalProgress>(text, kProgressVisible);
}
