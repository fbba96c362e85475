// The console shows UTF-8 while the program runs, and the code pages the
// user had afterwards: the console outlives the program, and older programs
// run in it after ours expect its OEM code page.
#include "platform/utf8_console.h"

#include "platform/windows/win32.h"

namespace platform {

// Without a console (output to a file or pipe) GetConsoleOutputCP answers 0
// and nothing is set: the bytes go out unchanged, as they should.
Utf8Console::Utf8Console() {
  const UINT output = GetConsoleOutputCP();
  if (output != 0 && output != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) previousOutput_ = output;
  const UINT input = GetConsoleCP();
  if (input != 0 && input != CP_UTF8 && SetConsoleCP(CP_UTF8)) previousInput_ = input;
}

Utf8Console::~Utf8Console() {
  if (previousOutput_ != 0) SetConsoleOutputCP(previousOutput_);
  if (previousInput_ != 0) SetConsoleCP(previousInput_);
}

}  // namespace platform
