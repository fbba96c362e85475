// Drive kinds and the marks a drive probe sets.
//
// Kinds are single bits so that a drive search can ask for several at once.
#pragma once

#include <string>

inline constexpr unsigned DRIVE_KIND_UNKNOWN = 1;  // never assigned
inline constexpr unsigned DRIVE_KIND_FLOPPY = 2;
inline constexpr unsigned DRIVE_KIND_HARDDISK = 4;
inline constexpr unsigned DRIVE_KIND_CDROM = 16;
inline constexpr unsigned DRIVE_KIND_CDRW = 32;  // never assigned
inline constexpr unsigned DRIVE_KIND_REMOVABLE = 64;
inline constexpr unsigned DRIVE_KIND_NETWORK = 128;
inline constexpr unsigned DRIVE_KIND_RAMDISK = 256;
inline constexpr unsigned DRIVE_KIND_ALL = 0xFFFFFFFFu;

// Marks of a drive record.
inline constexpr unsigned DRIVE_MARK_HOTPLUG = 1;
inline constexpr unsigned DRIVE_MARK_USB = 2;
inline constexpr unsigned DRIVE_MARK_CARD_READER = 4;  // the product name names CF

// The kind's text in the current language; "DriveType Error" for a value
// that is not one kind.
std::string GetDriveKindText(unsigned kind);
