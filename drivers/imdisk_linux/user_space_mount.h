// Mounting an image file with quillfen-fatfs, our FAT file system in user
// space (on the FAT engine, so that files get the short names and dates DOS
// expects), which needs no rights beyond /dev/fuse, and unmounting it with
// fusermount.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace linux_driver {

// The command lines, with the programs as found.
std::vector<std::string> FatfsMountCommand(const std::string& fatfs, const std::string& image,
                                           const std::string& folder, bool readOnly);
std::vector<std::string> FuseUnmountCommand(const std::string& fusermount,
                                            const std::string& folder);

// Where quillfen-fatfs lies: beside the library that holds this code (the
// driver library beside the programs), else beside the running program, else
// on the PATH; empty when it is nowhere.
std::string FatfsProgram();

// True when quillfen-fatfs and fusermount are there and /dev/fuse may be used.
bool FatfsAvailable();

// Mounts the image (a real path) at the folder (a real path to an empty
// folder). quillfen-fatfs goes into the background once the mount is in
// place; on success *process is the process that serves it. 0 or an error
// code; nothing stays mounted on failure.
std::uint32_t MountWithFatfs(const std::string& image, const std::string& folder, bool readOnly,
                             long* process);

// Unmounts the folder and waits until the serving process has ended, so that
// every write has reached the image file. kErrorBusy while something still
// uses the mount (it stays mounted then).
std::uint32_t UnmountFatfs(const std::string& folder, long process);

// True while the process is a quillfen-fatfs serving the image (so a stale
// process number that went to another program since is not waited for).
bool FatfsServes(long process, const std::string& image);

// Takes away a mount whose process was killed (the mount stays behind without
// a server); lazily when something still holds it.
void ClearDeadFuseMount(const std::string& folder);

}  // namespace linux_driver
