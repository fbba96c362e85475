#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include "platform/errors.h"

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
