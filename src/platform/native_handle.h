// An open file of the OS as the backends hold it: a descriptor on POSIX
// systems, a HANDLE's value on Windows. Wide enough for either; the backend
// that made it converts it back.
#pragma once

#include <cstdint>

namespace platform {

using NativeHandle = std::intptr_t;

}  // namespace platform
