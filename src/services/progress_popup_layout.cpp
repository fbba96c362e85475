#include "services/progress_popup_layout.h"

#include <algorithm>

#include "services/progress_state.h"

int ProgressPopupHeight(std::uint32_t options) {
  int height = kPopupLineHeight + 8;
  if (options & kProgressTwoLines) height += kPopupLineHeight;
  if ((options & kProgressNoBar) == 0) height += kPopupBarHeight + 2;
  return height;
}

int ProgressPopupWidth(int widestLine) {
  return std::max(kPopupMinWidth, widestLine + kPopupWidthPadding);
}

PopupRect ProgressBarRect(const PopupRect& client) {
  return PopupRect{client.left + kPopupMargin, client.bottom - kPopupMargin - kPopupBarHeight,
                   client.right - kPopupMargin, client.bottom - kPopupMargin};
}

PopupRect ProgressTextRect(const PopupRect& client) {
  return PopupRect{client.left + kPopupMargin, client.top + kPopupMargin,
                   client.right - kPopupMargin, client.bottom - kPopupMargin};
}

std::vector<PopupRect> ProgressLineBands(const PopupRect& textRect, std::size_t lineCount) {
  std::vector<PopupRect> bands;
  int top = textRect.top;
  for (std::size_t i = 0; i < lineCount; ++i) {
    bands.push_back(PopupRect{textRect.left, top, textRect.right, top + kPopupLineHeight});
    top += kPopupLineHeight + 1;
  }
  return bands;
}

std::vector<std::string> SplitProgressLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}
