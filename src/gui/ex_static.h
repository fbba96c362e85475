// A label that shows a status with its severity in colour, as the main
// dialog's container status line does.
#pragma once

#include <QLabel>

#include <cstdint>

namespace Dornveld::GUI {

class CExStatic : public QLabel {
  Q_OBJECT

 public:
  // Severities and their colours (COLORREF): 0 white on green, 1 black on
  // yellow, 2 white on red.
  static constexpr int kSeverityOk = 0;
  static constexpr int kSeverityWarning = 1;
  static constexpr int kSeverityError = 2;
  static std::uint32_t BackgroundColorRef(int severity);
  static std::uint32_t TextColorRef(int severity);

  explicit CExStatic(QWidget* parent = nullptr);

  // Shows the text in the colours of the severity (values outside 0..2 count
  // as 2).
  void SetStatus(const QString& text, int severity);
  void SetSeverity(int severity);
  int Severity() const { return severity_; }

 private:
  int severity_ = kSeverityError;
};

}  // namespace Dornveld::GUI
