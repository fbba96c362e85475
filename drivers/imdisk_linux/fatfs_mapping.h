// What quillfen-fatfs translates between the FAT engine and the kernel's
// file calls: error kinds to errno values, FAT attributes to file modes and
// back, DOS local time stamps to time_t, and the pieces of a path.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "base/clock.h"
#include "fat/status.h"
#include "fat/volume.h"

namespace fatfs {

// The errno value (positive) for an engine error; 0 for kOk.
int ErrnoFromFat(fat::Error error);

// The mode of an entry: a folder or a regular file, writable by its owner
// unless the read-only attribute is set.
mode_t ModeFromAttributes(std::uint8_t attributes);

// The attributes after a change of mode: only the owner's write permission
// counts (it clears or sets the read-only attribute); the rest stays.
std::uint8_t AttributesWithMode(std::uint8_t attributes, mode_t mode);

// A DOS time stamp, which holds local time, as seconds since the epoch.
std::time_t TimeFromLocal(const platform::LocalTime& time);

// The stat record of an entry of a volume with clusters of `clusterBytes`,
// owned by the user who serves it.
void FillStat(const fat::DirEntryInfo& info, std::uint32_t clusterBytes, uid_t owner, gid_t group,
              struct stat* st);

// "/a/b/c" -> "/a/b"; the root's parent is the root.
std::string ParentPath(const std::string& path);

// Whether a rename may replace what is at its target: 0, or the errno value
// that refuses it (a folder only over an empty folder, a file only over a file).
int ReplaceCheck(bool sourceIsFolder, bool targetIsFolder, bool targetIsEmpty);

}  // namespace fatfs
