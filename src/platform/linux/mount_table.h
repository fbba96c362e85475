// The mounted file systems as /proc/self/mountinfo lists them, and the device
// or image behind a FAT file system in user space, from its server's command
// line: fusefat's mount source names no device, and ours stays in the table
// when its server was killed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct MountEntry {
  std::uint32_t mountId = 0;
  std::uint32_t parentId = 0;
  std::uint32_t major = 0;  // of the mounted device; anonymous (0:n) for FUSE
  std::uint32_t minor = 0;
  std::string root;        // the folder of the file system seen at the mount point
  std::string mountPoint;  // with the kernel's octal escapes resolved
  std::string options;     // per-mount options ("rw,relatime")
  std::string fsType;      // "vfat", "fuse.fusefat", "fuse.quillfen-fatfs", ...
  std::string source;      // "/dev/sdb1", "fusefat", the image of quillfen-fatfs, ...
  std::string superOptions;
};

// Parses the text of a mountinfo file. Lines that do not have the expected
// fields are skipped.
std::vector<MountEntry> ParseMountInfo(const std::string& text);

// Resolves the octal escapes the kernel writes for blanks, tabs, line breaks
// and backslashes ("\040" -> ' ').
std::string UnescapeMountField(const std::string& field);

// Splits a /proc/<pid>/cmdline text at its zero bytes; empty pieces (fusefat
// overwrites parts of its own arguments with zeros) are dropped.
std::vector<std::string> SplitCommandLine(const std::string& raw);

// Our own FAT file system in user space: its program and the file system type
// of its mounts, whose source is the image file it serves.
inline constexpr char kFatfsProgram[] = "quillfen-fatfs";
inline constexpr char kFatfsFileSystemType[] = "fuse.quillfen-fatfs";
inline constexpr char kFusefatFileSystemType[] = "fuse.fusefat";

// A mount served by a FAT server in user space (fusefat, quillfen-fatfs),
// whose source names no device until its process is looked up.
inline bool IsServedInUserSpace(const MountEntry& mount) {
  return mount.fsType == kFusefatFileSystemType || mount.fsType == kFatfsFileSystemType;
}

// What a FAT server in user space serves: the device or image file, and the
// folder it is mounted at.
struct FuseServedMount {
  std::string device;
  std::string mountPoint;
};

// The device and mount point of a fusefat process, from its arguments
// ("fusefat -o rw+ /dev/loop1 /mnt/card"); nothing when the program is not
// fusefat or the two are missing.
std::optional<FuseServedMount> FusefatMountFromArgs(const std::vector<std::string>& args);

// The same for a quillfen-fatfs process ("quillfen-fatfs [-r] IMAGE FOLDER").
std::optional<FuseServedMount> FatfsMountFromArgs(const std::vector<std::string>& args);

}  // namespace platform
