// The four functions of the virtual disk driver's control library, under the
// names the program's binding looks up, with the arguments it passes.
#include <cstdint>
#include <string>
#include <type_traits>

#include "base/unicode.h"
#include "imdisk_linux/linux_virtual_disk.h"
#include "virtualdrive/virtual_disk_driver.h"

namespace {
constexpr std::int32_t kTrue = 1;
constexpr std::int32_t kFalse = 0;
// Our version words: library 1.0.0, driver 1.0.
constexpr std::uint32_t kLibraryVersion = 0x0100;
constexpr std::uint32_t kDriverVersion = 0x0100;
constexpr std::uint32_t kReadOnlyFlag = 0x01;

std::u16string Text(const char16_t* text) {
  return text != nullptr ? std::u16string(text) : std::u16string();
}

// The letter of a mount point "X:" (any case), or 0.
char LetterOf(const char16_t* mountPoint) {
  const std::u16string text = Text(mountPoint);
  if (text.size() != 2 || text[1] != u':') return 0;
  char16_t letter = text[0];
  if (letter >= u'a' && letter <= u'z') letter = static_cast<char16_t>(letter - u'a' + u'A');
  return letter >= u'A' && letter <= u'Z' ? static_cast<char>(letter) : 0;
}
}  // namespace

extern "C" {

__attribute__((visibility("default"))) std::int32_t ImDiskGetVersion(std::uint32_t* library,
                                                                     std::uint32_t* driver) {
  // Without a way to mount there is no driver, as when it is not installed.
  if (library == nullptr || driver == nullptr || !linux_driver::DriverPresent()) return kFalse;
  *library = kLibraryVersion;
  *driver = kDriverVersion;
  return kTrue;
}

__attribute__((visibility("default"))) std::int32_t ImDiskCreateDevice(
    void* /*statusWindow*/, VirtualDiskGeometry* /*geometry*/, std::int64_t* imageOffset,
    std::uint32_t flags, const char16_t* fileName, std::int32_t /*nativePath*/,
    char16_t* mountPoint) {
  // The whole image file only: it holds one floppy.
  if (imageOffset != nullptr && *imageOffset != 0) return kFalse;
  const char letter = LetterOf(mountPoint);
  const std::string image = Utf16ToUtf8(Text(fileName));
  if (letter == 0 || image.empty()) return kFalse;
  return linux_driver::CreateDevice(image, letter, (flags & kReadOnlyFlag) != 0) == 0 ? kTrue
                                                                                      : kFalse;
}

__attribute__((visibility("default"))) std::int32_t ImDiskRemoveDevice(
    void* /*statusWindow*/, std::uint32_t /*deviceNumber*/, const char16_t* mountPoint) {
  // The mount point selects the device.
  const char letter = LetterOf(mountPoint);
  if (letter == 0) return kFalse;
  return linux_driver::RemoveDevice(letter) == 0 ? kTrue : kFalse;
}

__attribute__((visibility("default"))) std::int32_t ImDiskQueryDevice(std::uint32_t deviceNumber,
                                                                      void* answer,
                                                                      std::uint32_t answerSize) {
  return linux_driver::QueryDevice(deviceNumber, static_cast<std::uint8_t*>(answer), answerSize)
             ? kTrue
             : kFalse;
}

}  // extern "C"

// The exports must match what the binding calls through.
static_assert(std::is_same_v<decltype(&ImDiskCreateDevice), ImDiskCreateDeviceProc>);
static_assert(std::is_same_v<decltype(&ImDiskRemoveDevice), ImDiskRemoveDeviceProc>);
static_assert(std::is_same_v<decltype(&ImDiskGetVersion), ImDiskGetVersionProc>);
static_assert(std::is_same_v<decltype(&ImDiskQueryDevice), ImDiskQueryDeviceProc>);
