// A label with a pair of texts of its own (English and German) that follows
// every language switch, such as the main dialog's driver information line.
#pragma once

#include <QLabel>

#include "services/language_texts.h"

class CStaticLanguage : public QLabel {
  Q_OBJECT

 public:
  explicit CStaticLanguage(QWidget* parent = nullptr, LanguageTexts& texts = GetLanguageTexts());

  // Stores both (null as empty) and shows the current language's one.
  void SetTexts(const char* english, const char* german);
  const std::string& English() const { return text_.English(); }
  const std::string& German() const { return text_.German(); }

 private:
  LanguageBoundText text_;
};
