// A terminal shows the bytes as the program writes them: UTF-8 under a UTF-8
// locale, nothing to set.
#include "platform/utf8_console.h"

namespace platform {

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace platform
