#include "base/current_language.h"
#include "platform/errors.h"
#include "platform/windows/win32.h"

namespace platform {

// The system's message table in the language the program shows; where
// Windows has no text in that language (or none for the code), the table
// kept here.
std::string SystemErrorText(std::uint32_t code) {
  const WORD language = IsGermanLanguage() ? MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)
                                           : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, language, reinterpret_cast<char*>(&text), 0, nullptr);
  if (n == 0 || text == nullptr) return StandardErrorText(code);
  std::string message(text, n);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message.empty() ? StandardErrorText(code) : message;
}

}  // namespace platform
