// A folder of the user's private temporary folder that belongs to this
// running program alone, for the files a command keeps there while an
// outside program works on them.
#pragma once

#include <string>

namespace platform {

// "<GetTempPath()>instance-<n>/" with its trailing separator: the lowest n
// whose lock no other running instance holds. The lock (flock on a file in
// the folder, not passed on to started programs) is held until the process
// ends, so that a second instance picks another folder while the first
// runs, and the system drops it with the process however that ends. The
// first instance always gets the same folder, so that what a crashed run
// left there is overwritten by the next. Empty, with the last error set,
// when no folder can be made or locked. Should the folder be removed from
// outside, the next call claims one anew.
std::string InstanceTemporaryFolder();

// The step behind it: claims the lowest free "instance-<n>/" under `base`
// (which ends in a separator) for the process's lifetime; every call claims
// one more.
std::string ClaimInstanceFolder(const std::string& base);

}  // namespace platform
