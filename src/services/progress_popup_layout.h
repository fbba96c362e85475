// Where the progress popup puts its text lines and bar, in pixels: the
// window's height from its creation options, its width from the widest text
// line, and the rectangles inside its client area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PopupRect {
  int left = 0;
  int top = 0;
  int right = 0;   // exclusive
  int bottom = 0;  // exclusive
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

inline constexpr int kPopupBarHeight = 20;
inline constexpr int kPopupLineHeight = 25;
inline constexpr int kPopupMargin = 2;  // on each side of the client area
inline constexpr int kPopupMinWidth = 300;
inline constexpr int kPopupWidthPadding = 60;
// Windows' client edge: the sunken border drawn inside the window rectangle.
inline constexpr int kPopupClientEdge = 2;
// Fill 0x0057B0B0 as COLORREF (0x00BBGGRR): red 176, green 176, blue 87.
inline constexpr std::uint32_t kPopupBackground = 0x0057B0B0;

// One line and a bar: 55; without a bar: 33; a second line adds 25.
int ProgressPopupHeight(std::uint32_t options);
// The widest line + 60, but never less than 300.
int ProgressPopupWidth(int widestLine);

// The bar's rectangle in the client area (empty without a bar).
PopupRect ProgressBarRect(const PopupRect& client);
// The client area less the margins: where the text goes.
PopupRect ProgressTextRect(const PopupRect& client);
// The band of each line: the first at the top of the text rectangle, each
// 25 pixels high, each further one a pixel below the one before.
std::vector<PopupRect> ProgressLineBands(const PopupRect& textRect, std::size_t lineCount);
// The text split at each "\n" (an empty text is one empty line).
std::vector<std::string> SplitProgressLines(const std::string& text);
