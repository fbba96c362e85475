// The language the user interface shows at the moment.
//
// Every component that returns a message holds the English and the German
// text side by side and picks one here at the moment the text is made.
#pragma once

#include <string>

// Language ids: 0 none chosen yet, 1 English, 2 German. Only 2 is German.
inline constexpr int kLanguageNone = 0;
inline constexpr int kLanguageEnglish = 1;
inline constexpr int kLanguageGerman = 2;

int CurrentLanguageId();
void SetCurrentLanguageId(int id);  // done by the language texts' SwitchLanguage
bool IsGermanLanguage();

// The text of the current language: German when the language is German,
// English otherwise.
inline std::string Localized(const char* english, const char* german) {
  return IsGermanLanguage() ? german : english;
}
