// Deleting, erasing and renaming the container.
#include "container/card_names.h"
#include "container/container_file.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/main_header.h"
#include "container/write_verify.h"
#include "platform/files.h"
#include "platform/path_resolver.h"

using platform::Disposition;

int FfaDelete(const std::string& path) {
  // A container file opened as a card is the user's own file: its header is
  // never wiped, nor the file deleted.
  if (platform::IsDrivePath(path)) {
    if (const int rc = RefuseContainerFile(path[0])) return rc;
  }
  if (!platform::PathExists(path)) return FFA_ERR_NOT_FOUND;
  if (FfaSetProtection(path, false) != FFA_OK) return FFA_ERR_SET_ATTRIBUTES;
  // Wipe the header first, so the card's sectors no longer carry a valid
  // container once the file is gone: the wipe is on the medium before the
  // entry goes, the start sector record may still point there.
  {
    platform::File file =
        platform::OpenFile(path, platform::kGenericWrite, Disposition::kOpenExisting);
    if (file.IsOpen()) {
      const std::uint8_t zeros[kMainHeaderSize] = {};
      if (file.WriteExact(zeros, kMainHeaderSize)) file.Flush();
      file.Close();
    }
  }
  if (!platform::RemoveFile(path)) {
    // The failed delete is the one to tell; the protection goes back on as
    // far as the card lets it.
    (void)FfaSetProtection(path, true);
    (void)FfaFlushCard(path);
    return FFA_ERR_DELETE;
  }
  return FfaFlushCard(path) == FFA_OK ? FFA_OK : FFA_ERR_DELETE;
}

int FfaDeleteOnDrive(char drive) {
  return FfaDelete(FfaGetContainerPath(drive));
}

int FfaErase(char drive) {
  // Not looked at: a container that stays keeps its folder, whose removal
  // then fails.
  (void)FfaDeleteOnDrive(drive);
  const std::string folder = FfaGetFolderPath(drive);
  if (!platform::PathExists(folder)) return FFA_ERR_NOT_FOUND;
  if (!platform::SetAttributes(folder, platform::kAttributeNormal)) return FFA_ERR_SET_ATTRIBUTES;
  if (!platform::RemoveFolder(folder)) {
    (void)FfaFlushCard(folder);  // the failed removal is the one to tell
    return FFA_ERR_DELETE;
  }
  return FfaFlushCard(folder) == FFA_OK ? FFA_OK : FFA_ERR_DELETE;
}

int FfaRename(char drive, const std::string& name) {
  const std::string path = FfaGetContainerPath(drive);
  if (!platform::PathExists(path)) return FFA_ERR_NOT_FOUND;
  MainHeader header;
  if (const int rc = FfaCheckMainHeader(path, header.Bytes())) return rc;
  if (!header.SetName(name)) return CheckCardName(name);
  if (const int rc = FfaSetProtection(path, false)) return rc;
  platform::File file = platform::OpenFile(path, platform::kGenericRead | platform::kGenericWrite,
                                           Disposition::kOpenExisting);
  if (!file.IsOpen()) {
    (void)FfaSetProtection(path, true);  // the open's failure is the one to tell
    return FFA_ERR_OPEN;
  }
  int result = FFA_OK;
  if (!file.Seek(0, platform::SeekOrigin::kBegin) ||
      !file.WriteExact(header.Bytes(), kMainHeaderSize)) {
    result = FFA_ERR_WRITE;
  }
  if (!file.Close() && result == FFA_OK) result = FFA_ERR_WRITE;
  const int protectedAgain = FfaSetProtection(path, true);
  if (FfaFlushCard(path) != FFA_OK && result == FFA_OK) result = FFA_ERR_WRITE;
  if (result != FFA_OK || protectedAgain != FFA_OK)
    return result != FFA_OK ? result : protectedAgain;
  return FfaVerifyWritten(path, 0, header.Bytes(), kMainHeaderSize);
}
