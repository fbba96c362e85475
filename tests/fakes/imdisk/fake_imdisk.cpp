// A stand-in for the virtual disk driver's control library: the four
// functions by the names the driver exports them under on this platform, a
// device table of numbers 0 to 40, and failures on demand.
#include "fake_imdisk.h"

#include <cstring>

namespace {

FakeImDiskState g_state = {};

void CopyText(char16_t* to, std::size_t room, const char16_t* from) {
  std::size_t i = 0;
  for (; from != nullptr && from[i] != 0 && i + 1 < room; ++i) to[i] = from[i];
  to[i] = 0;
}

[[maybe_unused]] std::size_t Length(const char16_t* text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

[[maybe_unused]] void Put16(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

[[maybe_unused]] void Put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) FakeImDiskState* FakeImDiskControl() {
  return &g_state;
}

__attribute__((visibility("default"))) std::int32_t ImDiskGetVersion(std::uint32_t* library,
                                                                     std::uint32_t* driver) {
  if (g_state.versionFails) return 0;
  *library = g_state.libraryVersion;
  *driver = g_state.driverVersion;
  return 1;
}

__attribute__((visibility("default"))) std::int32_t ImDiskCreateDevice(
    void* statusWindow, void* geometry, std::int64_t* imageOffset, std::uint32_t flags,
    const char16_t* fileName, std::int32_t nativePath, char16_t* mountPoint) {
  FakeImDiskCall& call = g_state.create;
  ++call.count;
  call.statusWindow = statusWindow;
  call.flags = flags;
  call.nativePath = nativePath;
  const unsigned char zero[24] = {};
  call.geometryAllZero = geometry != nullptr && std::memcmp(geometry, zero, sizeof zero) == 0;
  call.imageOffset = imageOffset != nullptr ? *imageOffset : -1;
  CopyText(call.fileName, 600, fileName);
  CopyText(call.mountPoint, 300, mountPoint);
  if (g_state.createFails || mountPoint == nullptr || mountPoint[0] == 0) return 0;
  for (FakeImDiskDevice& device : g_state.devices) {
    if (device.present) continue;
    device = FakeImDiskDevice{};
    device.present = true;
    device.driveLetter = mountPoint[0];
    // The driver keeps the name as a native path.
    const char16_t prefix[] = u"\\??\\";
    CopyText(device.fileName, 600, prefix);
    CopyText(device.fileName + 4, 596, fileName);
    device.cylinders = 80;
    device.tracksPerCylinder = 2;
    device.sectorsPerTrack = 18;
    device.bytesPerSector = 512;
    return 1;
  }
  return 0;
}

__attribute__((visibility("default"))) std::int32_t ImDiskRemoveDevice(void* statusWindow,
                                                                       std::uint32_t deviceNumber,
                                                                       const char16_t* mountPoint) {
  FakeImDiskCall& call = g_state.remove;
  ++call.count;
  call.statusWindow = statusWindow;
  call.deviceNumber = deviceNumber;
  CopyText(call.mountPoint, 300, mountPoint);
  if (g_state.removeFails || mountPoint == nullptr || mountPoint[0] == 0) return 0;
  for (FakeImDiskDevice& device : g_state.devices) {
    if (device.present && device.driveLetter == mountPoint[0]) {
      device.present = false;
      return 1;
    }
  }
  return 0;
}

#ifndef FAKE_IMDISK_WITHOUT_QUERY
__attribute__((visibility("default"))) std::int32_t ImDiskQueryDevice(std::uint32_t deviceNumber,
                                                                      void* answer,
                                                                      std::uint32_t size) {
  ++g_state.queryCalls;
  if (deviceNumber >= FakeImDiskState::kDevices || size < 1096) return 0;
  const FakeImDiskDevice& device = g_state.devices[deviceNumber];
  if (!device.present) return 0;
  auto* out = static_cast<unsigned char*>(answer);
  std::memset(out, 0xEE, size);  // fields the caller must not rely on
  Put32(out, deviceNumber);
  Put32(out + 8, static_cast<std::uint32_t>(device.cylinders));
  Put32(out + 12, static_cast<std::uint32_t>(static_cast<std::uint64_t>(device.cylinders) >> 32));
  Put32(out + 16, device.mediaType);
  Put32(out + 20, device.tracksPerCylinder);
  Put32(out + 24, device.sectorsPerTrack);
  Put32(out + 28, device.bytesPerSector);
  Put16(out + 44, device.driveLetter);
  const std::size_t chars = Length(device.fileName);
  const std::size_t fits = chars < 524 ? chars : 524;
  for (std::size_t i = 0; i < fits; ++i) Put16(out + 48 + 2 * i, device.fileName[i]);
  Put16(out + 46, device.nameLengthOverride != 0 ? device.nameLengthOverride
                                                 : static_cast<std::uint32_t>(chars * 2));
  return 1;
}
#endif

}  // extern "C"
