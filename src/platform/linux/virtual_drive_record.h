// What the virtual disk driver's Linux library records about each image it
// has mounted, so that the drive table (in whatever process) can show the
// image's files at the drive letter: the record's text form and whether its
// mount is still there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/mount_table.h"

namespace platform {

enum class VirtualMountMethod {
  kFatfs,   // a quillfen-fatfs process serves the image file at a folder of ours
  kUdisks,  // UDisks2 set up a loop device and mounted it where it chose
};

struct VirtualDriveRecord {
  std::uint32_t number = 0;  // the driver's device number, 0 to 31
  char letter = 0;           // 'A' to 'Z'
  std::string image;         // the image file, as a real path
  std::string folder;        // where the image's files are seen, as a real path
  VirtualMountMethod method = VirtualMountMethod::kFatfs;
  long process = 0;    // quillfen-fatfs: the process serving the mount
  std::string device;  // UDisks2: the loop device node ("/dev/loop3")
  std::string object;  // UDisks2: the loop device's object path
  bool readOnly = false;

  bool operator==(const VirtualDriveRecord&) const = default;
};

// One "key=value" line per field; blanks are kept, backslashes and line
// breaks inside values are escaped.
std::string FormatVirtualDriveRecord(const VirtualDriveRecord& record);

// Nothing when a field is missing or malformed. Unknown keys are ignored.
std::optional<VirtualDriveRecord> ParseVirtualDriveRecord(const std::string& text);

// True while the record's mount is in place and served: the newest mount at
// the record's folder is a quillfen-fatfs mount of the record's image whose
// process still serves it (ReadMounts keeps the source only then), or the
// mount of the record's loop device. A mount whose process was killed stays in
// the mount table without a server; it does not count.
bool IsVirtualDriveMounted(const VirtualDriveRecord& record, const std::vector<MountEntry>& mounts);

// The newest mount at a folder, or null.
const MountEntry* TopMountAt(const std::vector<MountEntry>& mounts, const std::string& folder);

}  // namespace platform
