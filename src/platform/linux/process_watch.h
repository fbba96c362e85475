// Whether a process that is not our child has ended, and waiting for that.
#pragma once

#include <string>

namespace platform {

// True when a /proc/<pid>/stat text shows a process that has ended but was
// not reaped yet (state Z or X), or is no stat text at all.
bool StatShowsEnded(const std::string& statText);

// True when the process is gone or has ended.
bool ProcessHasEnded(long pid);

// Waits up to `timeoutMs` for the process to end; true when it did.
bool WaitForProcessEnd(long pid, unsigned timeoutMs);

}  // namespace platform
