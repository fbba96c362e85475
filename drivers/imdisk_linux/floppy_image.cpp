#include "imdisk_linux/floppy_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/bytes.h"
#include "fat/boot_sector.h"
#include "platform/errors.h"

namespace linux_driver {
namespace {
struct KnownFloppy {
  std::uint64_t size;
  std::uint32_t cylinders;
  std::uint32_t sectorsPerTrack;
  std::uint32_t mediaType;
};

constexpr KnownFloppy kKnownFloppies[] = {
    {1474560, 80, 18, kMediaF3_1Pt44}, {737280, 80, 9, kMediaF3_720},
    {2949120, 80, 36, kMediaF3_2Pt88}, {1228800, 80, 15, kMediaF5_1Pt2},
    {368640, 40, 9, kMediaF5_360},
};
}  // namespace

VirtualDiskGeometry FloppyGeometry(std::uint64_t size, std::uint32_t bytesPerSector,
                                   std::uint32_t sectorsPerTrack, std::uint32_t heads) {
  VirtualDiskGeometry geometry;
  for (const KnownFloppy& known : kKnownFloppies) {
    if (known.size == size) {
      geometry.cylinders = known.cylinders;
      geometry.mediaType = known.mediaType;
      geometry.tracksPerCylinder = 2;
      geometry.sectorsPerTrack = known.sectorsPerTrack;
      geometry.bytesPerSector = 512;
      return geometry;
    }
  }
  geometry.bytesPerSector = bytesPerSector != 0 ? bytesPerSector : 512;
  geometry.sectorsPerTrack = sectorsPerTrack != 0 ? sectorsPerTrack : 1;
  geometry.tracksPerCylinder = heads != 0 ? heads : 1;
  geometry.mediaType = kMediaRemovable;
  const std::uint64_t track =
      static_cast<std::uint64_t>(geometry.sectorsPerTrack) * geometry.tracksPerCylinder;
  geometry.cylinders = static_cast<std::int64_t>(size / geometry.bytesPerSector / track);
  return geometry;
}

bool DescribeFloppyImage(const std::uint8_t* bootSector, std::uint64_t size,
                         VirtualDiskGeometry* geometry, std::string* why) {
  fat::Geometry fat;
  fat::Status status;
  // First for the sector size, then against the image's size in those sectors.
  if (!fat::ParseBootSector(bootSector, 0, &fat, &status) ||
      !fat::ParseBootSector(bootSector, size / fat.bytesPerSector, &fat, &status)) {
    *why = status.message;
    return false;
  }
  *geometry = FloppyGeometry(size, fat.bytesPerSector, le::Read16(bootSector + 24),
                             le::Read16(bootSector + 26));
  return true;
}

std::uint32_t ReadFloppyImage(const std::string& path, VirtualDiskGeometry* geometry) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return platform::ErrorFromErrno(errno);
  struct stat st {};
  std::uint8_t sector[512] = {};
  const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    ::pread(fd, sector, sizeof sector, 0) == static_cast<ssize_t>(sizeof sector);
  ::close(fd);
  std::string why;
  if (!read ||
      !DescribeFloppyImage(sector, static_cast<std::uint64_t>(st.st_size), geometry, &why)) {
    return platform::kErrorUnrecognizedMedia;
  }
  return platform::kErrorSuccess;
}

}  // namespace linux_driver
