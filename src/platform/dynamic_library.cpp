#include "platform/dynamic_library.h"

#include "platform/errors.h"

#include <dlfcn.h>
#include <cstring>

namespace platform {

ModuleHandle LoadDynamicLibrary(const char* name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(kErrorInvalidParameter);
    return nullptr;
  }
  ModuleHandle module = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) SetLastError(kErrorModNotFound);
  return module;
}

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

void* FindSymbol(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  void* address = ::dlsym(module, name);
  if (address == nullptr) {
    char plain[256];
    if (const char* undecorated = UndecoratedStdcallName(name, plain, sizeof plain)) {
      address = ::dlsym(module, undecorated);
    }
  }
  if (address == nullptr) SetLastError(kErrorProcNotFound);
  return address;
}

void UnloadDynamicLibrary(ModuleHandle module) {
  if (module != nullptr) ::dlclose(module);
}

}  // namespace platform
