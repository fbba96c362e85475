// quillfen-fatfs IMAGE FOLDER: shows the FAT volume of an image file at a
// folder, through FUSE, with the program's own FAT engine, so that what is
// written there gets the short names, dates and FAT entries that DOS and
// Windows write. It returns once the mount is in place and serves it in the
// background until it is unmounted; the serving process ends only after
// everything has reached the image file.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fat/volume.h"
#include "imdisk_linux/fatfs_fuse.h"
#include "imdisk_linux/fatfs_operations.h"
#include "imdisk_linux/fatfs_start.h"
#include "platform/file_sector_device.h"

namespace {
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

int Refuse(const std::string& what) {
  std::fprintf(stderr, "quillfen-fatfs: %s\n", what.c_str());
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  fatfs::FatfsCommandLine line;
  std::string why;
  if (!fatfs::ParseFatfsCommandLine(std::vector<std::string>(argv, argv + argc), &line, &why)) {
    std::fprintf(stderr, "quillfen-fatfs: %s\nusage: quillfen-fatfs [-r] IMAGE FOLDER\n",
                 why.c_str());
    return 2;
  }
  // Real paths: the mount names the image, and the server leaves the
  // working folder.
  const std::string image = RealPath(line.image);
  const std::string folder = RealPath(line.folder);
  if (image.empty()) return Refuse("cannot find " + line.image);
  if (folder.empty()) return Refuse("cannot find " + line.folder);

  fat::Status status;
  std::unique_ptr<platform::FileSectorDevice> device =
      platform::FileSectorDevice::Open(image, !line.readOnly, &status);
  if (!device) return Refuse(image + ": " + status.message);
  std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(*device, !line.readOnly, &status);
  if (!volume) return Refuse(image + " holds no FAT volume: " + status.message);

  fatfs::FatfsOperations operations(*volume, ::getuid(), ::getgid());
  const int served =
      fatfs::ServeInBackground(folder, fatfs::FatfsMountOptions(image, line.readOnly),
                               fatfs::FatfsFuseOperations(), &operations);
  // Here in the server after the unmount, or where the mount failed.
  const int flushed = operations.Destroy();
  volume.reset();
  device.reset();
  if (served != 0) return Refuse("cannot serve " + image + " at " + folder);
  return flushed == 0 ? 0 : 1;
}
