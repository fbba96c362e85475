// A window as the owner that core operations receive: their progress
// displays become popups over it.
#pragma once

#include <QPointer>
#include <QWidget>

#include "base/progress_display.h"

class CWidgetProgressOwner : public IProgressOwner {
 public:
  explicit CWidgetProgressOwner(QWidget* window) : window_(window) {}

  std::unique_ptr<IProgressDisplay> CreateProgress(const std::string& text,
                                                   std::uint32_t options) override;

 private:
  QPointer<QWidget> window_;
};
