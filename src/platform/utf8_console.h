// The console a command-line program writes to, set for the program's UTF-8
// texts while the scope lasts (a Windows console shows its OEM code page
// otherwise; a POSIX terminal takes the bytes as they are).
#pragma once

namespace platform {

class Utf8Console {
 public:
  // SetConsoleOutputCP and SetConsoleCP with CP_UTF8 where there is a
  // console; the previous code pages come back at the end of the scope.
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  // 0: left as it was. (Only the Windows backend sets them.)
  [[maybe_unused]] unsigned previousOutput_ = 0;
  [[maybe_unused]] unsigned previousInput_ = 0;
};

}  // namespace platform
