#include "platform/windows/windows_raw_device.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/errors.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {
// Unbuffered transfers need sector-aligned memory; a page covers every
// sector size, and VirtualAlloc gives whole pages.
constexpr std::size_t kAlignment = 4096;
constexpr std::uint32_t kBounceBytes = 1u << 20;
constexpr DWORD kDescriptorBytes = 16384;

std::uint32_t LastError() {
  const DWORD code = ::GetLastError();
  return code == 0 ? kErrorGenFailure : static_cast<std::uint32_t>(code);
}

// A device opened without access rights for its queries.
class QueryHandle {
 public:
  explicit QueryHandle(const std::string& path)
      : handle_(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {}
  ~QueryHandle() {
    if (ok()) CloseHandle(handle_);
  }
  QueryHandle(const QueryHandle&) = delete;
  QueryHandle& operator=(const QueryHandle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool Control(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
             DWORD* returned = nullptr) {
  DWORD bytes = 0;
  const BOOL ok =
      DeviceIoControl(handle, code, const_cast<void*>(in), inSize, out, outSize, &bytes, nullptr);
  if (returned != nullptr) *returned = bytes;
  return ok != FALSE;
}

class WindowsRawDevice : public IRawDevice {
 public:
  WindowsRawDevice(HANDLE handle, bool locked) : handle_(handle), locked_(locked) {}
  ~WindowsRawDevice() override {
    if (locked_) Control(handle_, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0);
    CloseHandle(handle_);
    if (bounce_ != nullptr) VirtualFree(bounce_, 0, MEM_RELEASE);
  }

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    return Transfer(static_cast<std::uint8_t*>(buffer), nullptr, count, done);
  }

  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override {
    return Transfer(nullptr, static_cast<const std::uint8_t*>(buffer), count, done);
  }

  std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) override {
    LARGE_INTEGER move;
    move.QuadPart = distance;
    LARGE_INTEGER now;
    const DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                         : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                          : FILE_END;
    if (!SetFilePointerEx(handle_, move, &now, method)) return LastError();
    if (position != nullptr) *position = static_cast<std::uint64_t>(now.QuadPart);
    return kErrorSuccess;
  }

  std::uint32_t GetGeometry(DiskGeometry* geometry) override {
    DISK_GEOMETRY answer{};
    if (!Control(handle_, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &answer, sizeof answer)) {
      return LastError();
    }
    geometry->cylinders = static_cast<std::uint64_t>(answer.Cylinders.QuadPart);
    geometry->mediaType = static_cast<MediaType>(answer.MediaType);
    geometry->tracksPerCylinder = answer.TracksPerCylinder;
    geometry->sectorsPerTrack = answer.SectorsPerTrack;
    geometry->bytesPerSector = answer.BytesPerSector;
    return kErrorSuccess;
  }

  std::uint32_t GetPartitionLength(std::uint64_t* bytes) override {
    PARTITION_INFORMATION_EX partition{};
    if (Control(handle_, IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &partition,
                sizeof partition)) {
      *bytes = static_cast<std::uint64_t>(partition.PartitionLength.QuadPart);
      return kErrorSuccess;
    }
    // Floppy drives and some readers know no partitions; their length stands.
    GET_LENGTH_INFORMATION length{};
    if (!Control(handle_, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length)) {
      return LastError();
    }
    *bytes = static_cast<std::uint64_t>(length.Length.QuadPart);
    return kErrorSuccess;
  }

  std::uint32_t Flush() override { return FlushFileBuffers(handle_) ? kErrorSuccess : LastError(); }

 private:
  // ReadFile/WriteFile of n bytes, through an aligned bounce buffer when the
  // caller's memory is not aligned as unbuffered transfers need.
  std::uint32_t Transfer(std::uint8_t* read, const std::uint8_t* write, std::uint32_t n,
                         std::uint32_t* done) {
    *done = 0;
    const std::uint8_t* user = read != nullptr ? read : write;
    const bool aligned = reinterpret_cast<std::uintptr_t>(user) % kAlignment == 0;
    if (!aligned && bounce_ == nullptr) {
      bounce_ = static_cast<std::uint8_t*>(
          VirtualAlloc(nullptr, kBounceBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
      if (bounce_ == nullptr) return kErrorNotEnoughMemory;
    }
    while (*done < n) {
      const std::uint32_t piece = aligned ? n - *done : std::min(n - *done, kBounceBytes);
      std::uint8_t* io = aligned ? const_cast<std::uint8_t*>(user) + *done : bounce_;
      DWORD moved = 0;
      BOOL ok;
      if (read != nullptr) {
        ok = ReadFile(handle_, io, piece, &moved, nullptr);
        if (ok && !aligned) std::memcpy(read + *done, io, moved);
      } else {
        if (!aligned) std::memcpy(io, write + *done, piece);
        ok = WriteFile(handle_, io, piece, &moved, nullptr);
      }
      if (!ok) {
        // What moved counts; the next call fails again.
        return *done != 0 ? kErrorSuccess : LastError();
      }
      if (moved == 0) break;
      *done += moved;
    }
    return kErrorSuccess;
  }

  HANDLE handle_;
  bool locked_;
  std::uint8_t* bounce_ = nullptr;
};
}  // namespace

std::uint32_t OpenWindowsRawDevice(const std::string& devicePath, bool forWriting, bool lockVolume,
                                   std::unique_ptr<IRawDevice>* device) {
  const DWORD access = GENERIC_READ | (forWriting ? GENERIC_WRITE : 0);
  const HANDLE handle = CreateFileA(
      devicePath.c_str(), access, 0, nullptr, OPEN_EXISTING,
      FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  bool locked = false;
  if (lockVolume) {
    // Raw writes into a mounted volume are refused by Windows; the lock
    // also keeps the file system from writing its cache over them.
    if (!Control(handle, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0)) {
      const std::uint32_t code = LastError();
      CloseHandle(handle);
      return code;
    }
    locked = true;
    Control(handle, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0);
  }
  *device = std::make_unique<WindowsRawDevice>(handle, locked);
  return kErrorSuccess;
}

std::uint32_t QueryStorageDeviceNumber(const std::string& devicePath, std::uint32_t* number) {
  const QueryHandle device(devicePath);
  if (!device.ok()) return LastError();
  STORAGE_DEVICE_NUMBER answer{};
  if (!Control(device.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &answer, sizeof answer)) {
    return LastError();
  }
  *number = answer.DeviceNumber;
  return kErrorSuccess;
}

std::string DescriptorProductId(const std::uint8_t* answer, std::uint32_t size) {
  STORAGE_DEVICE_DESCRIPTOR descriptor{};
  if (size < sizeof descriptor) return {};
  std::memcpy(&descriptor, answer, sizeof descriptor);
  const std::uint32_t offset = descriptor.ProductIdOffset;
  if (offset == 0 || offset >= size) return {};
  const char* begin = reinterpret_cast<const char*>(answer) + offset;
  std::string name(begin, strnlen(begin, size - offset));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::uint32_t QueryStorageDeviceProperties(const std::string& devicePath,
                                           StorageProperties* properties) {
  const QueryHandle device(devicePath);
  if (!device.ok()) return LastError();
  bool answered = false;
  STORAGE_HOTPLUG_INFO hotplug{};
  if (Control(device.get(), IOCTL_STORAGE_GET_HOTPLUG_INFO, nullptr, 0, &hotplug, sizeof hotplug)) {
    properties->hotplug = hotplug.DeviceHotplug != 0;
    answered = true;
  }
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::vector<std::uint8_t> answer(kDescriptorBytes);
  DWORD returned = 0;
  if (Control(device.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, answer.data(),
              kDescriptorBytes, &returned) &&
      returned >= sizeof(STORAGE_DEVICE_DESCRIPTOR)) {
    STORAGE_DEVICE_DESCRIPTOR descriptor{};
    std::memcpy(&descriptor, answer.data(), sizeof descriptor);
    properties->busType = static_cast<std::uint32_t>(descriptor.BusType);
    properties->productId = DescriptorProductId(answer.data(), returned);
    answered = true;
  }
  return answered ? kErrorSuccess : LastError();
}

bool QueryDiskWriteProtected(const std::string& devicePath) {
  const QueryHandle device(devicePath);
  if (!device.ok()) return false;
  if (Control(device.get(), IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0)) return false;
  return ::GetLastError() == ERROR_WRITE_PROTECT;
}

}  // namespace platform
