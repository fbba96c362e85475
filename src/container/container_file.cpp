#include "container/container_file.h"

#include <cstring>

#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "platform/drive_images.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/path_resolver.h"

bool IsContainerFile(const std::string& path) {
  // A drive path is a card already, never a file to attach.
  if (platform::IsDrivePath(path)) return false;
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  std::uint8_t signature[kContainerSignatureLength];
  return file.IsOpen() && file.ReadExact(signature, kContainerSignatureLength) &&
         std::memcmp(signature, kContainerSignature, kContainerSignatureLength) == 0;
}

char AttachCardFile(const std::string& path, const platform::ImageDriveOptions& options,
                    std::uint32_t* error) {
  if (IsContainerFile(path)) {
    // The file sits where a card keeps its container, below the root.
    const std::string inner = FfaGetContainerPath('A').substr(3);
    return platform::AttachContainerFile(path, inner, options.readOnly, '\0', error);
  }
  return platform::AttachCardImage(path, options, '\0', error);
}

bool DetachCardFile(char letter) {
  return platform::DetachContainerFile(letter) || platform::DetachCardImage(letter);
}

bool IsOpenContainerFile(const std::string& path) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string file = ContainerFileOf(letter);
    if (!file.empty() && platform::IsSameFile(path, file)) return true;
  }
  return false;
}

bool IsContainerFileCard(char drive) {
  return platform::IsContainerFileDrive(drive);
}

std::string ContainerFileOf(char drive) {
  return platform::ContainerFileDrivePath(drive);
}

int RefuseContainerFile(char drive) {
  return IsContainerFileCard(drive) ? static_cast<int>(platform::kErrorNotSupported) : 0;
}
