// The one place where a result code becomes the text the user is shown. The
// desktop window puts it in a message box; the command-line tool prints it.
#pragma once

#include <string>

// Empty for 0 (success) and 1223 (cancelled by the user), which are never
// shown. A positive code is a system error with the system's text; a
// negative one is looked up in its family by range: raw access -722..-700,
// container store -213..-200, file placement -809..-800, the virtual disk
// binding -602..-601. Any other negative code reads "Error Unknown: <code>"
// in the current language.
std::string ResultCodeText(int code);
