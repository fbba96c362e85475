#include "gui/enter_edit.h"

#include <QKeyEvent>
#include <QString>
#include <QValidator>

#include <cstdio>

#include "services/edit_number.h"

namespace {
// Refuses what can never become a number, so that the field holds only
// numbers or their beginnings.
class EditNumberValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    switch (CheckEditNumber(input.toStdString())) {
      case EditNumberState::kNumber:
        return Acceptable;
      case EditNumberState::kIncomplete:
        return Intermediate;
      default:
        return Invalid;
    }
  }
};
}  // namespace

CEnterEditBase::CEnterEditBase(QWidget* parent) : QLineEdit(parent) {}

void CEnterEditBase::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
  // An intermediate text (a number not begun yet) reads too; only text the
  // validator could never accept is kept from the callback.
  const QValidator* check = validator();
  QString text = this->text();
  int position = cursorPosition();
  if (callback_ != nullptr &&
      (check == nullptr || check->validate(text, position) != QValidator::Invalid)) {
    callback_->OnEnterEditEnter(*this);
  }
}

CEnterEdit::CEnterEdit(QWidget* parent) : CEnterEditBase(parent) {
  setValidator(new EditNumberValidator(this));
}

std::optional<std::int64_t> CEnterEdit::Value() const {
  return ParseEditNumber(text().toStdString());
}

bool CEnterEdit::GetValue(std::uint32_t& out) const {
  const std::optional<std::int64_t> value = ReadEditNumber(text().toStdString());
  if (!value) return false;
  out = static_cast<std::uint32_t>(*value);
  return true;
}

void CEnterEdit::SetValue(std::uint32_t value, const char* format) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  setText(QString::fromLatin1(buffer));
}
