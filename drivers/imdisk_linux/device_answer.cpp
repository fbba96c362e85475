#include "imdisk_linux/device_answer.h"

#include <cstring>

#include "base/bytes.h"
#include "base/unicode.h"
#include "virtualdrive/virtual_disk_driver.h"

namespace linux_driver {
namespace {
constexpr std::size_t kImageOffsetOffset = 32;
constexpr std::size_t kFlagsOffset = 40;
}  // namespace

bool WriteDeviceAnswer(const DeviceDescription& device, std::uint8_t* answer, std::size_t size) {
  if (answer == nullptr || size < kAnswerNameOffset) return false;
  std::memset(answer, 0, size);
  le::Write32(answer, device.number);
  std::uint8_t* geometry = answer + kAnswerGeometryOffset;
  le::Write32(geometry, static_cast<std::uint32_t>(device.geometry.cylinders));
  le::Write32(geometry + 4, static_cast<std::uint32_t>(
                                static_cast<std::uint64_t>(device.geometry.cylinders) >> 32));
  le::Write32(geometry + 8, device.geometry.mediaType);
  le::Write32(geometry + 12, device.geometry.tracksPerCylinder);
  le::Write32(geometry + 16, device.geometry.sectorsPerTrack);
  le::Write32(geometry + 20, device.geometry.bytesPerSector);
  le::Write32(answer + kImageOffsetOffset, 0);
  le::Write32(answer + kFlagsOffset, device.flags);
  le::Write16(answer + kAnswerDriveLetterOffset, static_cast<unsigned char>(device.letter));

  const std::u16string name = Utf8ToUtf16(device.image);
  std::size_t chars = (size - kAnswerNameOffset) / 2;
  if (chars > name.size()) chars = name.size();
  if (chars > 0x7FFF) chars = 0x7FFF;  // the length field counts bytes in 16 bits
  // A cut never splits a surrogate pair.
  if (chars < name.size() && chars > 0 && name[chars - 1] >= 0xD800 && name[chars - 1] <= 0xDBFF) {
    --chars;
  }
  le::Write16(answer + kAnswerNameLengthOffset, static_cast<std::uint16_t>(chars * 2));
  for (std::size_t i = 0; i < chars; ++i) {
    le::Write16(answer + kAnswerNameOffset + 2 * i, name[i]);
  }
  return true;
}

}  // namespace linux_driver
