// DOS attributes of host files: the vfat ioctl on vfat mounts, else the write
// permission and an extended attribute.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// True when the path lies on a vfat mount (a real card or stick).
bool IsOnVfat(const std::string& hostPath);

// 0 or an error code. Directories carry kAttributeDirectory; a file without
// any attribute reads as kAttributeNormal.
std::uint32_t ReadDosAttributes(const std::string& hostPath, std::uint32_t* attributes);
// kAttributeNormal clears every attribute. On a mount that keeps no
// permissions (chmod is not supported there, as on fusefat) the call
// succeeds without keeping anything.
std::uint32_t WriteDosAttributes(const std::string& hostPath, std::uint32_t attributes);

}  // namespace platform
