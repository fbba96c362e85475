#include "platform/dynamic_library.h"

#include <cstring>

namespace platform {

const char* UndecoratedStdcallName(const char* name, char* buffer, unsigned bufferSize) {
  if (name == nullptr || name[0] != '_' || bufferSize == 0) return nullptr;
  const char* at = std::strrchr(name, '@');
  if (at == nullptr || at == name + 1 || at[1] == '\0') return nullptr;
  for (const char* p = at + 1; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return nullptr;
  }
  const std::size_t length = static_cast<std::size_t>(at - (name + 1));
  if (length + 1 > bufferSize) return nullptr;
  std::memcpy(buffer, name + 1, length);
  buffer[length] = '\0';
  return buffer;
}

}  // namespace platform
