// What the virtual disk manager tells its callers: versions, device
// descriptions, and the interface through which the main dialog and the mount
// dialog reach the outside virtual disk driver.
#pragma once

#include <cstdint>
#include <string>

// Reasons left as the thread's last error besides the driver's own codes.
// -601: no usable driver binding (before Initialize, or the library is unusable).
inline constexpr std::uint32_t kVirtualDiskErrorNoBinding = 0xFFFFFDA7u;
// -602: the library is not loaded or lacks the operation's entry point.
inline constexpr std::uint32_t kVirtualDiskErrorNoEntryPoint = 0xFFFFFDA6u;

struct VirtualDiskVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
};

// A disk geometry as the driver reports it (Windows DISK_GEOMETRY layout).
struct VirtualDiskGeometry {
  std::int64_t cylinders = 0;
  std::uint32_t mediaType = 0;
  std::uint32_t tracksPerCylinder = 0;
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t bytesPerSector = 0;
};
static_assert(sizeof(VirtualDiskGeometry) == 24, "the driver's geometry record has 24 bytes");

// One virtual device.
struct VirtualDiskInfo {
  std::uint32_t deviceNumber = 0;
  VirtualDiskGeometry geometry;
  char driveLetter = 0;       // 0 when the device has none
  std::string imageFileName;  // the backing file, without device-path prefixes
};

// A window the driver may write progress texts into; null for none.
using VirtualDiskStatusWindow = void*;

// A result as the driver gives it, a Windows BOOL: non-zero is success, 0 a
// failure whose reason is left as the thread's last error.
using WinBool = int;

class IVirtualDiskManager {
 public:
  // True when the driver is usable. The first call binds the library; later
  // calls reuse that binding, so a driver installed meanwhile needs a restart.
  [[nodiscard]] virtual bool Initialize() = 0;
  // Both records are zero unless the result is TRUE.
  [[nodiscard]] virtual WinBool GetVersion(VirtualDiskVersion& library,
                                           VirtualDiskVersion& driver) = 0;
  // The letter for the virtual drive: searched once per run and kept; 0 when
  // every letter is in use (then nothing is kept).
  [[nodiscard]] virtual char GetFreeDriveLetter() = 0;
  // Letter 0 means the kept free letter.
  [[nodiscard]] virtual WinBool MountImage(const char* imageFile, char driveLetter) = 0;
  [[nodiscard]] virtual WinBool UnmountImage(char driveLetter) = 0;
  [[nodiscard]] virtual WinBool QueryDevice(VirtualDiskInfo& info, unsigned deviceNumber) = 0;
  // The first of devices 0 to 31 that holds the letter (0: the kept letter).
  [[nodiscard]] virtual WinBool FindDeviceByDriveLetter(VirtualDiskInfo& info,
                                                        char driveLetter) = 0;
  virtual void ClearStatusWindow() = 0;
  virtual void SetStatusWindow(VirtualDiskStatusWindow window) = 0;
  virtual ~IVirtualDiskManager() = default;
};
