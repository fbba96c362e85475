#include "virtualdrive/virtual_disk_driver.h"

#include "base/bytes.h"
#include "base/unicode.h"
#include "platform/install_folders.h"
#include "platform/process.h"

std::vector<std::string> DefaultVirtualDiskLibraryNames() {
  // Each name beside the program first, as Windows looks in the program's
  // folder before the others, then where an installed program keeps it, then
  // through the system's search.
  const std::string folder = platform::GetProgramFolder();
  const std::string installed = platform::GetPrivateLibraryFolder();
  std::vector<std::string> names;
  for (const char* name : {"ImDisk.cpl", "ImDisk32.cpl"}) {
    if (!folder.empty()) names.push_back(folder + name);
    if (!installed.empty()) names.push_back(installed + name);
    names.push_back(name);
  }
  return names;
}

VirtualDiskDriverBinding BindVirtualDiskDriver(const std::vector<std::string>& libraryNames) {
  VirtualDiskDriverBinding binding;
  for (const std::string& name : libraryNames) {
    binding.module = platform::LoadDynamicLibrary(name.c_str());
    if (binding.module != nullptr) break;
  }
  if (binding.module == nullptr) return binding;
  binding.createDevice = reinterpret_cast<ImDiskCreateDeviceProc>(
      platform::FindSymbol(binding.module, kImDiskCreateDeviceName));
  binding.removeDevice = reinterpret_cast<ImDiskRemoveDeviceProc>(
      platform::FindSymbol(binding.module, kImDiskRemoveDeviceName));
  binding.getVersion = reinterpret_cast<ImDiskGetVersionProc>(
      platform::FindSymbol(binding.module, kImDiskGetVersionName));
  binding.queryDevice = reinterpret_cast<ImDiskQueryDeviceProc>(
      platform::FindSymbol(binding.module, kImDiskQueryDeviceName));
  return binding;
}

VirtualDiskVersion SplitLibraryVersion(std::uint32_t word) {
  return VirtualDiskVersion{word >> 8, (word >> 4) & 0x0F, word & 0x0F};
}

VirtualDiskVersion SplitDriverVersion(std::uint32_t word) {
  return VirtualDiskVersion{word >> 8, word & 0xFF, 0};
}

std::u16string StripDevicePrefixes(std::u16string_view name) {
  if (name.starts_with(u"\\??\\")) {
    name.remove_prefix(4);
  } else if (name.starts_with(u"\\DosDevices\\")) {
    name.remove_prefix(12);
  }
  std::u16string result(name);
  if (result.starts_with(u"UNC\\")) {
    result.erase(0, 2);
    result[0] = u'\\';
  }
  return result;
}

VirtualDiskInfo ParseDeviceAnswer(const std::uint8_t* answer, unsigned deviceNumber) {
  VirtualDiskInfo info;
  info.deviceNumber = deviceNumber;
  info.geometry.cylinders = static_cast<std::int64_t>(le::Read64(answer + kAnswerGeometryOffset));
  info.geometry.mediaType = le::Read32(answer + kAnswerGeometryOffset + 8);
  info.geometry.tracksPerCylinder = le::Read32(answer + kAnswerGeometryOffset + 12);
  info.geometry.sectorsPerTrack = le::Read32(answer + kAnswerGeometryOffset + 16);
  info.geometry.bytesPerSector = le::Read32(answer + kAnswerGeometryOffset + 20);
  info.driveLetter = static_cast<char>(answer[kAnswerDriveLetterOffset]);

  std::size_t chars = le::Read16(answer + kAnswerNameLengthOffset) / 2;
  if (chars > kAnswerMaxNameChars) chars = kAnswerMaxNameChars;  // never past the record
  std::u16string name(chars, u'\0');
  for (std::size_t i = 0; i < chars; ++i) name[i] = le::Read16(answer + kAnswerNameOffset + 2 * i);
  info.imageFileName = Utf16ToUtf8(StripDevicePrefixes(name));
  return info;
}

std::u16string MountPointText(char driveLetter) {
  if (driveLetter == 0) return {};
  char letter = driveLetter;
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return std::u16string{static_cast<char16_t>(static_cast<unsigned char>(letter)), u':'};
}
