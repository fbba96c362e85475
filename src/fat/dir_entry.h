// The 32-byte directory entry: field access, DOS time stamps, and the
// long-name entries that precede a short entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/clock.h"
#include "fat/names.h"

namespace fat {

namespace attr {
inline constexpr std::uint8_t kReadOnly = 0x01;
inline constexpr std::uint8_t kHidden = 0x02;
inline constexpr std::uint8_t kSystem = 0x04;
inline constexpr std::uint8_t kVolume = 0x08;
inline constexpr std::uint8_t kDirectory = 0x10;
inline constexpr std::uint8_t kArchive = 0x20;
inline constexpr std::uint8_t kLongName = 0x0F;
// What callers may set on a file or folder.
inline constexpr std::uint8_t kChangeable = kReadOnly | kHidden | kSystem | kArchive;
}  // namespace attr

inline constexpr std::size_t kEntrySize = 32;
inline constexpr std::uint8_t kDeletedMark = 0xE5;
// Each long-name entry carries 13 UTF-16 units; a name takes at most 20.
inline constexpr std::size_t kLongNameUnitsPerEntry = 13;

using RawEntry = std::array<std::uint8_t, kEntrySize>;

namespace entry {
inline constexpr std::size_t kName = 0;
inline constexpr std::size_t kAttributes = 11;
inline constexpr std::size_t kCaseBits = 12;
inline constexpr std::size_t kCreateTenths = 13;
inline constexpr std::size_t kCreateTime = 14;
inline constexpr std::size_t kCreateDate = 16;
inline constexpr std::size_t kAccessDate = 18;
inline constexpr std::size_t kClusterHigh = 20;
inline constexpr std::size_t kWriteTime = 22;
inline constexpr std::size_t kWriteDate = 24;
inline constexpr std::size_t kClusterLow = 26;
inline constexpr std::size_t kSize = 28;
}  // namespace entry

bool IsLongNameEntry(const std::uint8_t* e);
bool IsVolumeLabelEntry(const std::uint8_t* e);
ShortName EntryShortName(const std::uint8_t* e);
// On FAT12/16 the high half is not part of the cluster number.
std::uint32_t EntryFirstCluster(const std::uint8_t* e, int fatType);
void SetEntryFirstCluster(std::uint8_t* e, std::uint32_t cluster);
std::uint32_t EntrySize(const std::uint8_t* e);

std::uint16_t DosDate(const platform::LocalTime& t);
std::uint16_t DosTime(const platform::LocalTime& t);
platform::LocalTime FromDos(std::uint16_t date, std::uint16_t time, std::uint8_t tenths = 0);

// Sets create, access and write stamps to `now`.
void StampCreated(std::uint8_t* e, const platform::LocalTime& now);
// Sets the write stamp and the access date to `now`.
void StampWritten(std::uint8_t* e, const platform::LocalTime& now);

// A fresh short entry.
RawEntry MakeShortEntry(const ShortName& name, std::uint8_t attributes, std::uint32_t cluster,
                        const platform::LocalTime& now);

// The long-name entries for `name`, in the order they are stored (last part
// first, marked 0x40).
std::vector<RawEntry> MakeLongNameEntries(const std::u16string& name, std::uint8_t checksum);

// The 13 name units of one long-name entry.
void LongNameUnits(const std::uint8_t* e, char16_t* units);

}  // namespace fat
