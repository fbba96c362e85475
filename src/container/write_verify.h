// The read-back after a write that the controller will read (a slot block,
// the main header, the FPGA store, the start sector record, a creation):
// what the card holds is read from the medium, past the host's caches, and
// compared with what was written. Cheap readers and worn cards drop or
// change writes and still report success; the controller, far from the PC,
// cannot tell the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class IProgressStateCallback;

// On by default; the settings dialog and quillfen-cli --no-verify turn it
// off for the process.
bool FfaVerifyEnabled();
void FfaSetVerifyEnabled(bool on);

// Bytes [offset, offset + size) of the container file at `path` read back
// and compared with `expected`, with progress as a phase of its own. FFA_OK
// when they are equal or verifying is off; FFA_ERR_VERIFY at the first
// sector that differs (FfaErrorText names it); the system's code of a
// read-back that fails.
[[nodiscard]] int FfaVerifyWritten(const std::string& path, std::uint64_t offset,
                                   const std::uint8_t* expected, std::size_t size,
                                   IProgressStateCallback* progress = nullptr);

// Records a card sector (counted from the card's first sector) that did not
// keep what was written, for FfaErrorText; returns FFA_ERR_VERIFY.
int FfaVerifyFailedAtCardSector(std::uint64_t sector);
// The text of FFA_ERR_VERIFY, naming the last differing sector recorded.
std::string FfaVerifyErrorText();
