#include "base/current_language.h"

#include <atomic>

namespace {
std::atomic<int> g_languageId{kLanguageNone};
}

int CurrentLanguageId() {
  return g_languageId.load();
}

void SetCurrentLanguageId(int id) {
  g_languageId.store(id);
}

bool IsGermanLanguage() {
  return g_languageId.load() == kLanguageGerman;
}
