#include "gui/ex_static.h"

#include "gui/colors.h"

namespace Dornveld::GUI {

std::uint32_t CExStatic::BackgroundColorRef(int severity) {
  switch (severity) {
    case kSeverityOk:
      return 0x00A000;
    case kSeverityWarning:
      return 0x00DCDC;
    default:
      return 0x0000FF;
  }
}

std::uint32_t CExStatic::TextColorRef(int severity) {
  return severity == kSeverityWarning ? 0x000000 : 0xFFFFFF;
}

CExStatic::CExStatic(QWidget* parent) : QLabel(parent) {
  setAutoFillBackground(true);
  setMargin(4);
  setWordWrap(true);
  SetSeverity(kSeverityError);
}

void CExStatic::SetStatus(const QString& text, int severity) {
  setText(text);
  SetSeverity(severity);
}

void CExStatic::SetSeverity(int severity) {
  severity_ = (severity == kSeverityOk || severity == kSeverityWarning) ? severity : kSeverityError;
  QPalette colors = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colors.setColor(group, QPalette::Window, gui::ColorFromColorRef(BackgroundColorRef(severity_)));
    colors.setColor(group, QPalette::WindowText, gui::ColorFromColorRef(TextColorRef(severity_)));
  }
  setPalette(colors);
}

}  // namespace Dornveld::GUI
