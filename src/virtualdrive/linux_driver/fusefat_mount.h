// Mounting an image file with fusefat, a FAT file system in user space that
// needs no rights beyond /dev/fuse, and unmounting it with fusermount.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace linux_driver {

// The command lines, with the programs as found.
std::vector<std::string> FusefatMountCommand(const std::string& fusefat, const std::string& image,
                                             const std::string& folder, bool readOnly);
std::vector<std::string> FuseUnmountCommand(const std::string& fusermount,
                                            const std::string& folder);

// True when fusefat and fusermount are installed and /dev/fuse may be used.
bool FusefatAvailable();

// Mounts the image (a real path) at the folder (a real path to an empty
// folder). fusefat goes into the background once the mount is in place; on
// success *process is the process that serves it. 0 or an error code;
// nothing stays mounted on failure.
std::uint32_t MountWithFusefat(const std::string& image, const std::string& folder, bool readOnly,
                               long* process);

// Unmounts the folder and waits until the serving process has ended, so that
// every write has reached the image file. kErrorBusy while something still
// uses the mount (it stays mounted then).
std::uint32_t UnmountFusefat(const std::string& folder, long process);

// True while the process is a fusefat serving the image (so a stale process
// number that went to another program since is not waited for).
bool FusefatServes(long process, const std::string& image);

// Takes away a mount whose process was killed (the mount stays behind without
// a server); lazily when something still holds it.
void ClearDeadFuseMount(const std::string& folder);

}  // namespace linux_driver
