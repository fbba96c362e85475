// The outside virtual disk driver's control library, bound at run time: its
// four functions, their exported names, and the answer record of a device query.
#pragma once

#include "platform/dynamic_library.h"
#include "virtualdrive/virtual_disk.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The driver library uses the Windows standard calling convention, which only
// 32-bit Windows distinguishes.
#if defined(_WIN32) && !defined(_WIN64)
#define VIRTUAL_DISK_API __stdcall
#else
#define VIRTUAL_DISK_API
#endif

extern "C" {
using ImDiskCreateDeviceProc = std::int32_t(VIRTUAL_DISK_API*)(
    void* statusWindow, VirtualDiskGeometry* geometry, std::int64_t* imageOffset,
    std::uint32_t flags, const char16_t* fileName, std::int32_t nativePath, char16_t* mountPoint);
using ImDiskRemoveDeviceProc = std::int32_t(VIRTUAL_DISK_API*)(void* statusWindow,
                                                               std::uint32_t deviceNumber,
                                                               const char16_t* mountPoint);
using ImDiskGetVersionProc = std::int32_t(VIRTUAL_DISK_API*)(std::uint32_t* libraryVersion,
                                                             std::uint32_t* driverVersion);
using ImDiskQueryDeviceProc = std::int32_t(VIRTUAL_DISK_API*)(std::uint32_t deviceNumber,
                                                              void* answer,
                                                              std::uint32_t answerSize);
}

inline constexpr const char* kImDiskCreateDeviceName = "_ImDiskCreateDevice@28";
inline constexpr const char* kImDiskRemoveDeviceName = "_ImDiskRemoveDevice@12";
inline constexpr const char* kImDiskGetVersionName = "_ImDiskGetVersion@8";
inline constexpr const char* kImDiskQueryDeviceName = "_ImDiskQueryDevice@12";

// Floppy device type (0x20) with removable media (0x02); writable, image type
// left to the driver.
inline constexpr std::uint32_t kImDiskMountFlags = 0x22;

// The device query's answer record and the fields read from it.
inline constexpr std::size_t kDeviceAnswerSize = 1096;
inline constexpr std::size_t kAnswerGeometryOffset = 8;
inline constexpr std::size_t kAnswerDriveLetterOffset = 44;
inline constexpr std::size_t kAnswerNameLengthOffset = 46;
inline constexpr std::size_t kAnswerNameOffset = 48;
inline constexpr std::size_t kAnswerMaxNameChars = (kDeviceAnswerSize - kAnswerNameOffset) / 2;

// Room in the mount point buffer, in UTF-16 characters.
inline constexpr std::size_t kMountPointChars = 260;

// The library's module handle and entry points, each null when missing.
struct VirtualDiskDriverBinding {
  platform::ModuleHandle module = nullptr;
  ImDiskCreateDeviceProc createDevice = nullptr;
  ImDiskRemoveDeviceProc removeDevice = nullptr;
  ImDiskGetVersionProc getVersion = nullptr;
  ImDiskQueryDeviceProc queryDevice = nullptr;
};

// The library names tried in turn: each one in the program's folder, then in
// the installed program's private folder, then by bare name through the
// system's search.
std::vector<std::string> DefaultVirtualDiskLibraryNames();

// Loads the first library of the list that loads and looks up the four entry
// points. The library stays loaded for the rest of the process.
VirtualDiskDriverBinding BindVirtualDiskDriver(const std::vector<std::string>& libraryNames);

// Version words as the driver gives them: the library's as major (bits 8 and
// up), minor (bits 4-7) and build (bits 0-3); the driver's as major (bits 8
// and up) and minor (bits 0-7).
VirtualDiskVersion SplitLibraryVersion(std::uint32_t word);
VirtualDiskVersion SplitDriverVersion(std::uint32_t word);

// The backing file's name without the device-path prefixes "\??\" or
// "\DosDevices\", and with "UNC\server" turned into "\\server".
std::u16string StripDevicePrefixes(std::u16string_view name);

// Reads a device query's answer record (kDeviceAnswerSize bytes). A name
// length beyond the record is cut to what the record holds.
VirtualDiskInfo ParseDeviceAnswer(const std::uint8_t* answer, unsigned deviceNumber);

// The mount point text "X:" for a letter, upper-cased; empty for letter 0.
std::u16string MountPointText(char driveLetter);
