// The two text tables of the user interface: control texts (keyed by control,
// dialog template or command id) and tooltip texts (keyed by control or command
// id), each entry in English and German.
#pragma once

#include <span>

struct LanguageTextEntry {
  int key;
  const char* english;
  const char* german;
};

std::span<const LanguageTextEntry> ControlTextTable();
std::span<const LanguageTextEntry> TooltipTextTable();

// The web addresses that the tooltips name: the maker of the image tool the
// program suggests, and the download page of the virtual disk driver (also
// opened by a double click on the driver information line).
#define QUILLFEN_IMAGE_TOOL_ADDRESS "https://www.winimage.com"
#define QUILLFEN_VIRTUAL_DISK_DOWNLOAD_ADDRESS "https://www.ltr-data.se/opencode.html/#ImDisk"
inline constexpr const char* kImageToolMakerAddress = QUILLFEN_IMAGE_TOOL_ADDRESS;
inline constexpr const char* kVirtualDiskDownloadAddress = QUILLFEN_VIRTUAL_DISK_DOWNLOAD_ADDRESS;
