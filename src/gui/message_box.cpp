#include "gui/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "gui/ui_texts.h"
#include "services/language_texts.h"

namespace gui {

namespace {
constexpr int kProductNameKey = 102;
}

QString MessageBoxCaption() {
  const std::string caption = GetLanguageTexts().GetText(kProductNameKey);
  // Before a language is chosen the tables give nothing.
  return caption.empty() ? kTextProductName.Get() : QString::fromStdString(caption);
}

void ShowMessage(QWidget* parent, const std::string& text) {
  ShowMessage(parent, text, MessageBoxCaption());
}

void ShowMessage(QWidget* parent, const std::string& text, const QString& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption, QString::fromStdString(text), QMessageBox::Ok,
                  parent);
  box.exec();
}

bool AskYesNo(QWidget* parent, const std::string& text, DefaultAnswer defaultAnswer) {
  QMessageBox box(QMessageBox::NoIcon, MessageBoxCaption(), QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.button(QMessageBox::Yes)->setText(kTextYes.Get());
  box.button(QMessageBox::No)->setText(kTextNo.Get());
  box.setEscapeButton(QMessageBox::No);
  box.setDefaultButton(defaultAnswer == DefaultAnswer::kNo ? QMessageBox::No : QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace gui
