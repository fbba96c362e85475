// The current language switched for the object's life, and switched back.
#pragma once

#include "base/current_language.h"

namespace testsupport {

class ScopedLanguage {
 public:
  explicit ScopedLanguage(int id) : saved_(CurrentLanguageId()) { SetCurrentLanguageId(id); }
  ~ScopedLanguage() { SetCurrentLanguageId(saved_); }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  int saved_;
};

}  // namespace testsupport
