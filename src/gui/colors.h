// Colours given the Windows way, as COLORREF 0x00BBGGRR.
#pragma once

#include <QColor>

#include <cstdint>

namespace gui {

inline QColor ColorFromColorRef(std::uint32_t colorRef) {
  return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                static_cast<int>((colorRef >> 16) & 0xFF));
}

}  // namespace gui
