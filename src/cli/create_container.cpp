#include "cli/create_container.h"

#include "container/card_names.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/files.h"

namespace {
// The bytes the old container gives back when it is deleted; 0 when there is
// none or it cannot be measured (then it cannot be deleted either).
std::uint64_t OldContainerBytes(char drive) {
  const std::string path = FfaGetContainerPath(drive);
  if (!platform::PathExists(path)) return 0;
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  std::uint64_t end = 0;
  if (!file.IsOpen() || !file.Seek(0, platform::SeekOrigin::kEnd, &end)) return 0;
  return end;
}
}  // namespace

int CheckNewContainer(char drive, std::uint64_t count) {
  if (count > kMaxImageCount) return FFA_ERR_TOO_MANY_IMAGES;
  if (count < kMinImageCount) return FFA_ERR_TOO_FEW_IMAGES;
  const std::uint64_t required = (count + 1) * kContainerBlockSize;
  const std::uint64_t available = FfaGetDriveFreeBytes(drive) + OldContainerBytes(drive);
  return required > available ? FFA_ERR_FREE_SPACE : FFA_OK;
}

int CreateContainerOnCard(char drive, std::uint64_t count, bool highDensity,
                          const std::string& name, IProgressOwner* owner) {
  if (const int rc = CheckNewContainer(drive, count)) return rc;
  if (const int rc = CheckCardName(name)) return rc;
  // As the creation dialog does: failures of these two show up in FfaCreate.
  FfaDeleteOnDrive(drive);
  FfaTouchCard(drive);
  if (const int rc =
          FfaCreate(drive, static_cast<std::uint32_t>(count), name, highDensity, owner)) {
    return rc;
  }
  return FfaMakeUsable(drive);
}
