#include "gui/static_language.h"

CStaticLanguage::CStaticLanguage(QWidget* parent, LanguageTexts& texts)
    : QLabel(parent), text_(texts) {
  // The label exists as soon as the object does; it keeps its first text
  // until the texts are set or the language switches.
  text_.SetSink([this](const std::string& text) {
    setText(QString::fromStdString(text));
    // A line with a name of its own (a status line) is read by that name; its
    // text is what a screen reader reads as the description.
    if (!accessibleName().isEmpty()) setAccessibleDescription(this->text());
  });
}

void CStaticLanguage::SetTexts(const char* english, const char* german) {
  text_.SetTexts(english, german);
}
