// Storing or clearing the FPGA update in the container's main header block.
#include "container/fpga_store.h"

#include <algorithm>
#include <memory>

#include "base/bytes.h"
#include "base/current_language.h"
#include "base/progress_display.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/fpga_update.h"
#include "container/main_header.h"
#include "container/write_verify.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {
// Why an update file could not be read: the size error for one that is too
// long (found before it is read), "file not found" for a missing one, else
// the system's code (a device or a pipe is no file).
int UpdateFileError() {
  const std::uint32_t code = platform::GetLastError();
  if (code == platform::kErrorFileTooLarge) return DDA_ERR_WRONG_IMAGE_SIZE;
  if (code == platform::kErrorFileNotFound || code == platform::kErrorPathNotFound) {
    return DDA_ERR_FILE_NOT_FOUND;
  }
  return code != platform::kErrorSuccess ? static_cast<int>(code) : DDA_ERR_FILE_NOT_FOUND;
}

constexpr std::size_t kHeaderSectorSize = 512;

bool WriteAt(platform::File& file, std::size_t offset, const std::uint8_t* bytes, std::size_t n) {
  return file.Seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::kBegin) &&
         file.WriteExact(bytes, static_cast<std::uint32_t>(n));
}

// Writes the changed header block so that the card never shows a valid
// update over data that is half written: a stored update that changes is
// first taken out of the header; the new data follows; the header that
// names it comes last. Each step is on the medium before the next begins.
int WriteHeaderBlock(platform::File& file, const ByteBuffer& before, const ByteBuffer& after) {
  ByteBuffer onCard(before.begin(), before.begin() + kHeaderSectorSize);
  // Only the bytes that change behind the header sector are written.
  std::size_t from = kHeaderSectorSize;
  std::size_t to = after.size();
  while (from < to && before[from] == after[from]) ++from;
  while (to > from && before[to - 1] == after[to - 1]) --to;
  if (from < to) {
    if (MainHeader(before.data()).FpgaPresent() != 0) {
      ByteBuffer cleared = before;
      // Clearing a whole header block cannot fail.
      (void)SetFpgaUpdate(cleared, nullptr);
      onCard.assign(cleared.begin(), cleared.begin() + kHeaderSectorSize);
      if (!WriteAt(file, 0, onCard.data(), kHeaderSectorSize) || !file.Flush()) {
        return FFA_ERR_WRITE;
      }
    }
    if (!WriteAt(file, from, after.data() + from, to - from) || !file.Flush()) {
      return FFA_ERR_WRITE;
    }
  }
  if (std::equal(onCard.begin(), onCard.end(), after.begin())) return FFA_OK;
  return WriteAt(file, 0, after.data(), kHeaderSectorSize) ? FFA_OK : FFA_ERR_WRITE;
}
}  // namespace

int FfaWriteFpgaUpdate(char drive, const std::string* filePath, IProgressOwner* parent) {
  ByteBuffer data;
  if (filePath != nullptr && !FfaReadFile(*filePath, data, kMaxFpgaLength)) {
    return UpdateFileError();
  }

  const std::string path = FfaGetContainerPath(drive);
  if (!platform::PathExists(path)) return FFA_ERR_NOT_FOUND;
  std::uint8_t header[kMainHeaderSize];
  if (const int rc = FfaCheckMainHeader(path, header)) return rc;

  std::unique_ptr<IProgressDisplay> progress;
  if (parent) {
    progress =
        parent->CreateProgress(filePath ? Localized("Write FPGA Update", "Schreibe FPGA Update")
                                        : Localized("Clear FPGA Update", "Lösche FPGA Update"),
                               kProgressVisible);
  }
  auto step = [&](int value) {
    if (progress) progress->SetProgressState(value == 0 ? 0 : 1, value == 0 ? 10 : value);
  };
  step(0);

  if (const int rc = FfaSetProtection(path, false)) return rc;
  platform::File file = platform::OpenFile(path, platform::kGenericRead | platform::kGenericWrite,
                                           platform::Disposition::kOpenExisting);
  if (!file.IsOpen()) {
    (void)FfaSetProtection(path, true);  // the open's failure is the one to tell
    return FFA_ERR_OPEN;
  }
  step(1);
  ByteBuffer block(kContainerBlockSize);
  int result = FFA_OK;
  // A header block that cannot be read whole is never written back.
  if (!file.ReadExact(block.data(), static_cast<std::uint32_t>(block.size()))) {
    result = static_cast<int>(platform::GetLastError());
  }
  const ByteBuffer before = block;
  if (result == FFA_OK) {
    step(4);
    result = SetFpgaUpdate(block, filePath ? &data : nullptr);
    step(6);
    platform::SleepMs(200);
  }
  if (result == FFA_OK) {
    result = WriteHeaderBlock(file, before, block);
    if (result == FFA_OK) step(10);
  }
  if (!file.Close() && result == FFA_OK) result = FFA_ERR_WRITE;
  const int protectedAgain = FfaSetProtection(path, true);
  if (FfaFlushCard(path) != FFA_OK && result == FFA_OK) result = FFA_ERR_WRITE;
  if (result != FFA_OK || protectedAgain != FFA_OK)
    return result != FFA_OK ? result : protectedAgain;
  return FfaVerifyWritten(path, 0, block.data(), block.size(), progress.get());
}

int CardStoreFpgaUpdate(char drive, const std::string* file, ICardUser& user) {
  if (drive == '\0') return DDA_ERR_INVALID_DRIVE;
  return FfaWriteFpgaUpdate(drive, file, user.Progress());
}

bool FpgaWriteAllowed(std::uint32_t cardFlags, std::string_view path) {
  return (cardFlags & (CARD_RAW_ACCESS | CARD_CONTAINER_FILE)) != 0 &&
         path.find_first_not_of(" \t\r\n") != std::string_view::npos;
}
