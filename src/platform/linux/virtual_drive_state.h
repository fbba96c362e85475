// The per-user folder where the virtual disk driver's Linux library keeps a
// record of each mounted image and the folders its own user-space mounts use. The
// library writes it; the drive table reads it. Only the user can enter it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/virtual_drive_record.h"

namespace platform {

// Where the folder lies: "quillfen-vdisk" in $XDG_RUNTIME_DIR, else in the
// user's cache folder ($XDG_CACHE_HOME, else $HOME/.cache). Relative settings
// are ignored, as the XDG rules say; empty when nothing is left. Never a name
// in a folder shared with other users, where another user could make it first.
std::string ChooseVirtualDriveStateFolder(const char* runtimeDir, const char* cacheHome,
                                          const char* home);

// The folder for this process's environment.
std::string VirtualDriveStateFolder();

// Creates the folder (mode 0700) where it is missing and checks that it is
// a real folder of this user that nobody else may enter. 0 or an error code.
std::uint32_t PrepareVirtualDriveStateFolder(const std::string& folder);

// True when the folder exists and passes the same checks (nothing created).
bool IsTrustedVirtualDriveStateFolder(const std::string& folder);

// The records in the folder, by device number; unreadable ones are skipped.
std::vector<VirtualDriveRecord> ReadVirtualDriveRecords(const std::string& folder);

// Writes a record whole (a reader never sees half of one). 0 or an error code.
std::uint32_t WriteVirtualDriveRecord(const std::string& folder, const VirtualDriveRecord& record);
void RemoveVirtualDriveRecord(const std::string& folder, std::uint32_t number);

// The folder a quillfen-fatfs mount at a letter uses.
std::string VirtualDriveMountFolder(const std::string& stateFolder, char letter);

// Holds the folder's lock (between processes too) for its lifetime, so that
// two mounts never take the same device number or letter.
class VirtualDriveStateLock {
 public:
  explicit VirtualDriveStateLock(const std::string& folder);
  ~VirtualDriveStateLock();
  VirtualDriveStateLock(const VirtualDriveStateLock&) = delete;
  VirtualDriveStateLock& operator=(const VirtualDriveStateLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace platform
