#include "container/write_verify.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "base/bytes.h"
#include "base/current_language.h"
#include "base/kept_buffer.h"
#include "base/progress_state_callback.h"
#include "container/ffa_errors.h"
#include "driveaccess/file_placement.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace {
constexpr std::size_t kSectorSize = 512;
// Read back in pieces, so that progress moves and memory stays small; large
// enough that the card works on several requests at once.
constexpr std::size_t kPieceBytes = 8u << 20;

std::atomic<bool> verifyOn{true};

// The last sector that differed, and whether it counts from the card's
// first sector or, where the container's place is unknown, from the file's.
std::atomic<std::uint64_t> failedSector{0};
std::atomic<bool> failedOnCard{true};

void Report(IProgressStateCallback* progress, int kind, std::uint64_t value) {
  if (progress) progress->SetProgressState(kind, static_cast<int>(value));
}

// The card sector of a byte of the container file, when the file lies in
// one piece; else the sector counted in the file.
int FailedAtFileByte(const std::string& path, std::uint64_t byte) {
  FilePlacement placement;
  if (GetFilePlacement(path.c_str(), placement) == 0 && placement.extentCount == 1) {
    return FfaVerifyFailedAtCardSector(placement.startSector + byte / kSectorSize);
  }
  failedSector = byte / kSectorSize;
  failedOnCard = false;
  return FFA_ERR_VERIFY;
}
}  // namespace

bool FfaVerifyEnabled() {
  return verifyOn;
}

void FfaSetVerifyEnabled(bool on) {
  verifyOn = on;
}

int FfaVerifyFailedAtCardSector(std::uint64_t sector) {
  failedSector = sector;
  failedOnCard = true;
  return FFA_ERR_VERIFY;
}

std::string FfaVerifyErrorText() {
  const std::string sector = std::to_string(failedSector.load());
  if (failedOnCard) {
    return Localized("FFA-Error: The card did not keep what was written: sector ",
                     "FFA-Fehler: Die Karte hat nicht behalten, was geschrieben wurde: Sektor ") +
           sector + Localized(" differs", " weicht ab");
  }
  return Localized("FFA-Error: The card did not keep what was written: sector ",
                   "FFA-Fehler: Die Karte hat nicht behalten, was geschrieben wurde: Sektor ") +
         sector + Localized(" of the container file differs", " der Containerdatei weicht ab");
}

int FfaVerifyWritten(const std::string& path, std::uint64_t offset, const std::uint8_t* expected,
                     std::size_t size, IProgressStateCallback* progress) {
  if (!FfaVerifyEnabled() || size == 0) return FFA_OK;
  if (progress) {
    progress->SetPhaseText(Localized("Verify DCF [PERCENT]", "Prüfe DCD [PERCENT]"));
  }
  Report(progress, 0, size);
  // Page-aligned, so that the read-back can land in it directly; kept from
  // the last verify, so it still holds what an earlier one read.
  const KeptBuffer back(std::min(size, kPieceBytes));
  if (!back) return static_cast<int>(platform::kErrorNotEnoughMemory);
  for (std::size_t done = 0; done < size;) {
    Report(progress, 1, done);
    const std::size_t n = std::min(size - done, kPieceBytes);
    // Every sector starts unlike what it should hold, so that one the read
    // leaves out cannot pass with an earlier verify's bytes.
    for (std::size_t at = 0; at < n; at += kSectorSize) {
      back.get()[at] = static_cast<std::uint8_t>(~expected[done + at]);
    }
    if (!platform::ReadFileFromMedium(path, offset + done, back.get(),
                                      static_cast<std::uint32_t>(n))) {
      const std::uint32_t code = platform::GetLastError();
      return code != platform::kErrorSuccess ? static_cast<int>(code) : FFA_ERR_VERIFY;
    }
    if (std::memcmp(back.get(), expected + done, n) != 0) {
      const auto differs = std::mismatch(back.get(), back.get() + n, expected + done);
      return FailedAtFileByte(path,
                              offset + done + static_cast<std::size_t>(differs.first - back.get()));
    }
    done += n;
  }
  Report(progress, 1, size);
  return FFA_OK;
}
