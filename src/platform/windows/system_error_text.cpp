#include "base/current_language.h"
#include "platform/errors.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {

// FormatMessageA answers in the system's ANSI code page; the program's texts
// are UTF-8.
std::string Utf8FromAnsi(const char* text, int size) {
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, size, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, size, buffer.data(), wide);
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace

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
  std::string message = Utf8FromAnsi(text, static_cast<int>(n));
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message.empty() ? StandardErrorText(code) : message;
}

}  // namespace platform
