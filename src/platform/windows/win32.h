// <windows.h> for the Windows backend. Its A/W macros would rename the
// platform layer's own functions of the same names (DeleteFile,
// GetTempPath, RegOpenKey, ...): they are taken away here, and the backend
// calls the ...A functions by their full names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the others build on its types.
#include <dbt.h>
#include <winioctl.h>

#undef CreateDirectory
#undef DeleteFile
#undef GetDiskFreeSpace
#undef GetDriveType
#undef GetModuleFileName
#undef GetProfileInt
#undef GetProfileString
#undef GetTempPath
#undef QueryDosDevice
#undef RegCreateKey
#undef RegDeleteValue
#undef RegOpenKey
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RemoveDirectory
#undef WriteProfileString
