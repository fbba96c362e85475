// The Win32 headers for the Windows backend's files. They define A/W macros
// for names the platform layer uses itself (DeleteFile, CreateDirectory,
// GetDriveType, QueryDosDevice, ...); those are undone here so that the
// platform's own declarations keep their names. Win32 calls are spelt with
// their A suffix instead.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
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
