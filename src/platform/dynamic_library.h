// Libraries loaded at run time (LoadLibraryA, GetProcAddress).
#pragma once

namespace platform {

// A loaded library; null is none.
using ModuleHandle = void*;

// Loads a library. A bare name goes through the system's normal library
// search; a name with a folder is taken as a path. Null with the last error
// set (126, module not found) when it cannot be loaded.
ModuleHandle LoadDynamicLibrary(const char* name);

// The address of an exported function or object, or null with the last error
// set (127, procedure not found). A Windows stdcall name "_Name@N" is found
// under that exact name or, since ELF linkers reserve '@' for symbol versions
// and have no stdcall decoration, under the plain "Name".
void* FindSymbol(ModuleHandle module, const char* name);

// Unloads a library that LoadDynamicLibrary loaded.
void UnloadDynamicLibrary(ModuleHandle module);

// Writes "Name" of a decorated stdcall name "_Name@N" into the buffer and
// returns it; null for any other name or a buffer too small.
const char* UndecoratedStdcallName(const char* name, char* buffer, unsigned bufferSize);

}  // namespace platform
