// Moving a slot block into the container and reading a slot back.
#include <algorithm>

#include "base/progress_state_callback.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/write_verify.h"
#include "platform/errors.h"
#include "platform/files.h"

using platform::Disposition;

namespace {
constexpr std::uint32_t kPieceCount = 64;

void Report(IProgressStateCallback* progress, int kind, std::uint64_t value) {
  if (progress) progress->SetProgressState(kind, static_cast<int>(value));
}

// The common frame of both transfers: checks, protection lifted around an
// exclusive open, the file positioned at the slot.
template <typename Transfer, typename SeekFailure>
int WithSlotOpen(char drive, std::uint32_t slot, std::uint32_t access, std::uint64_t length,
                 IProgressStateCallback* progress, Transfer transfer, SeekFailure seekFailure) {
  const bool writing = (access & platform::kGenericWrite) != 0;
  const std::string path = FfaGetContainerPath(drive);
  if (!platform::PathExists(path)) return FFA_ERR_NOT_FOUND;
  std::uint8_t header[kMainHeaderSize];
  if (const int rc = FfaCheckMainHeader(path, header)) return rc;
  Report(progress, 0, length);
  // A write needs the protection lifted. A read does not: a card whose
  // attributes cannot change (write-protected) is still read, and what was
  // never lifted is not set again.
  const int lifted = FfaSetProtection(path, false);
  if (writing && lifted != FFA_OK) return lifted;
  auto protectAgain = [&] { return lifted == FFA_OK ? FfaSetProtection(path, true) : FFA_OK; };
  platform::File file = platform::OpenFile(path, access, Disposition::kOpenExisting);
  if (!file.IsOpen()) {
    // The open's failure is the one to tell.
    (void)protectAgain();
    return FFA_ERR_OPEN;
  }
  const auto offset = static_cast<std::int64_t>(GetSlotPartOffset(slot, kSlotPartImage));
  int result = file.Seek(offset, platform::SeekOrigin::kBegin)
                   ? transfer(file)
                   : seekFailure(platform::GetLastError());
  const bool closed = file.Close();
  const int protectedAgain = protectAgain();
  if (writing) {
    // The one wait of a slot write: the slot is on the card when this returns.
    if ((!closed || FfaFlushCard(path) != FFA_OK) && result == FFA_OK) result = FFA_ERR_WRITE;
  }
  return result != FFA_OK ? result : protectedAgain;
}
}  // namespace

int FfaWriteSlot(char drive, std::uint32_t slot, const ByteBuffer& block,
                 IProgressStateCallback* progress) {
  const int written = WithSlotOpen(
      drive, slot, platform::kGenericRead | platform::kGenericWrite, block.size(), progress,
      [&](platform::File& file) {
        const std::size_t piece = block.size() / kPieceCount;
        for (std::uint32_t i = 0; i < kPieceCount; ++i) {
          const std::size_t done = i * piece;
          const std::size_t n = (i + 1 == kPieceCount) ? block.size() - done : piece;
          Report(progress, 1, done);
          if (!file.WriteExact(block.data() + done, static_cast<std::uint32_t>(n))) {
            return FFA_ERR_WRITE;
          }
        }
        return FFA_OK;
      },
      [](std::uint32_t) { return FFA_ERR_WRITE; });
  if (written != FFA_OK) return written;
  return FfaVerifyWritten(FfaGetContainerPath(drive), GetSlotPartOffset(slot, kSlotPartImage),
                          block.data(), block.size(), progress);
}

int FfaReadSlot(char drive, std::uint32_t slot, ByteBuffer& buffer,
                IProgressStateCallback* progress) {
  return WithSlotOpen(
      drive, slot, platform::kGenericRead, buffer.size(), progress,
      [&](platform::File& file) {
        const std::size_t piece = buffer.size() / kPieceCount;
        for (std::uint32_t i = 0; i < kPieceCount; ++i) {
          const std::size_t done = i * piece;
          const std::size_t n = (i + 1 == kPieceCount) ? buffer.size() - done : piece;
          Report(progress, 1, done);
          if (!file.ReadExact(buffer.data() + done, static_cast<std::uint32_t>(n))) {
            // A file that ends early gives no stale bytes.
            std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(done), buffer.end(),
                      std::uint8_t{0});
            return static_cast<int>(platform::GetLastError());
          }
        }
        return FFA_OK;
      },
      [](std::uint32_t code) { return static_cast<int>(code); });
}
