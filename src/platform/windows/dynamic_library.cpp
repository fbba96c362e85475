#include "platform/dynamic_library.h"

#include "platform/errors.h"
#include "platform/windows/win32.h"

namespace platform {

ModuleHandle LoadDynamicLibrary(const char* name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(kErrorInvalidParameter);
    return nullptr;
  }
  HMODULE module = LoadLibraryA(name);
  if (module == nullptr) SetLastError(::GetLastError());
  return reinterpret_cast<ModuleHandle>(module);
}

void* FindSymbol(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  // Exported under their decorated name on 32-bit builds, undecorated here.
  auto* library = reinterpret_cast<HMODULE>(module);
  FARPROC address = GetProcAddress(library, name);
  if (address == nullptr) {
    char plain[256];
    if (const char* undecorated = UndecoratedStdcallName(name, plain, sizeof plain)) {
      address = GetProcAddress(library, undecorated);
    }
  }
  if (address == nullptr) SetLastError(kErrorProcNotFound);
  return reinterpret_cast<void*>(address);
}

void UnloadDynamicLibrary(ModuleHandle module) {
  if (module != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(module));
}

}  // namespace platform
