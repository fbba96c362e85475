// State of the stand-in virtual disk driver library that the tests load in
// place of the real driver's control library. The test reaches it through the
// library's extra export "FakeImDiskControl".
#pragma once

#include <cstdint>

struct FakeImDiskDevice {
  bool present;
  char16_t driveLetter;  // 0: none
  char16_t fileName[600];
  std::uint16_t nameLengthOverride;  // non-zero: reported name length in bytes
  std::int64_t cylinders;
  std::uint32_t mediaType;
  std::uint32_t tracksPerCylinder;
  std::uint32_t sectorsPerTrack;
  std::uint32_t bytesPerSector;
};

struct FakeImDiskCall {
  int count;
  void* statusWindow;
  std::uint32_t flags;
  std::int32_t nativePath;
  std::uint32_t deviceNumber;
  bool geometryAllZero;
  std::int64_t imageOffset;
  char16_t fileName[600];
  char16_t mountPoint[300];
};

struct FakeImDiskState {
  static constexpr int kDevices = 41;  // device numbers 0 to 40
  FakeImDiskDevice devices[kDevices];
  std::uint32_t libraryVersion;
  std::uint32_t driverVersion;
  bool versionFails;
  bool createFails;
  bool removeFails;
  int queryCalls;
  FakeImDiskCall create;
  FakeImDiskCall remove;
};

using FakeImDiskStateProc = FakeImDiskState* (*)();
inline constexpr const char* kFakeImDiskStateName = "FakeImDiskControl";
