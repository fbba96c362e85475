#include "fat/dir_entry.h"

#include <cstring>

#include "base/bytes.h"

namespace fat {
namespace {
// Offsets of the 13 UTF-16 units inside a long-name entry.
constexpr std::size_t kUnitOffsets[kLongNameUnitsPerEntry] = {1,  3,  5,  7,  9,  14, 16,
                                                              18, 20, 22, 24, 28, 30};
}  // namespace

bool IsLongNameEntry(const std::uint8_t* e) {
  return (e[entry::kAttributes] & 0x3F) == attr::kLongName;
}

bool IsVolumeLabelEntry(const std::uint8_t* e) {
  return !IsLongNameEntry(e) &&
         (e[entry::kAttributes] & (attr::kVolume | attr::kDirectory)) == attr::kVolume;
}

ShortName EntryShortName(const std::uint8_t* e) {
  ShortName n;
  std::memcpy(n.data(), e, n.size());
  return n;
}

std::uint32_t EntryFirstCluster(const std::uint8_t* e, int fatType) {
  std::uint32_t c = le::Read16(e + entry::kClusterLow);
  if (fatType == 32) c |= static_cast<std::uint32_t>(le::Read16(e + entry::kClusterHigh)) << 16;
  return c;
}

void SetEntryFirstCluster(std::uint8_t* e, std::uint32_t cluster) {
  le::Write16(e + entry::kClusterLow, static_cast<std::uint16_t>(cluster));
  le::Write16(e + entry::kClusterHigh, static_cast<std::uint16_t>(cluster >> 16));
}

std::uint32_t EntrySize(const std::uint8_t* e) {
  return le::Read32(e + entry::kSize);
}

std::uint16_t DosDate(const platform::LocalTime& t) {
  const int year = t.year < 1980 ? 0 : (t.year > 2107 ? 127 : t.year - 1980);
  return static_cast<std::uint16_t>((year << 9) | ((t.month & 0x0F) << 5) | (t.day & 0x1F));
}

std::uint16_t DosTime(const platform::LocalTime& t) {
  return static_cast<std::uint16_t>(((t.hour & 0x1F) << 11) | ((t.minute & 0x3F) << 5) |
                                    ((t.second / 2) & 0x1F));
}

platform::LocalTime FromDos(std::uint16_t date, std::uint16_t time, std::uint8_t tenths) {
  platform::LocalTime t;
  t.year = static_cast<std::uint16_t>(1980 + (date >> 9));
  t.month = static_cast<std::uint8_t>((date >> 5) & 0x0F);
  t.day = static_cast<std::uint8_t>(date & 0x1F);
  t.hour = static_cast<std::uint8_t>(time >> 11);
  t.minute = static_cast<std::uint8_t>((time >> 5) & 0x3F);
  t.second = static_cast<std::uint8_t>((time & 0x1F) * 2 + (tenths >= 100 ? 1 : 0));
  t.milliseconds = static_cast<std::uint16_t>((tenths % 100) * 10);
  return t;
}

void StampCreated(std::uint8_t* e, const platform::LocalTime& now) {
  e[entry::kCreateTenths] =
      static_cast<std::uint8_t>((now.second % 2) * 100 + now.milliseconds / 10);
  le::Write16(e + entry::kCreateTime, DosTime(now));
  le::Write16(e + entry::kCreateDate, DosDate(now));
  StampWritten(e, now);
}

void StampWritten(std::uint8_t* e, const platform::LocalTime& now) {
  le::Write16(e + entry::kAccessDate, DosDate(now));
  le::Write16(e + entry::kWriteTime, DosTime(now));
  le::Write16(e + entry::kWriteDate, DosDate(now));
}

RawEntry MakeShortEntry(const ShortName& name, std::uint8_t attributes, std::uint32_t cluster,
                        const platform::LocalTime& now) {
  RawEntry e{};
  std::memcpy(e.data(), name.data(), name.size());
  e[entry::kAttributes] = attributes;
  SetEntryFirstCluster(e.data(), cluster);
  StampCreated(e.data(), now);
  return e;
}

std::vector<RawEntry> MakeLongNameEntries(const std::u16string& name, std::uint8_t checksum) {
  const std::size_t count = (name.size() + kLongNameUnitsPerEntry - 1) / kLongNameUnitsPerEntry;
  std::vector<RawEntry> out;
  for (std::size_t k = count; k >= 1; --k) {
    RawEntry e{};
    e[0] = static_cast<std::uint8_t>(k | (k == count ? 0x40 : 0));
    e[entry::kAttributes] = attr::kLongName;
    e[13] = checksum;
    for (std::size_t u = 0; u < kLongNameUnitsPerEntry; ++u) {
      const std::size_t index = (k - 1) * kLongNameUnitsPerEntry + u;
      // The name ends with one 0x0000 when it does not fill the entry, then 0xFFFF.
      const char16_t unit = index < name.size()    ? name[index]
                            : index == name.size() ? char16_t{0}
                                                   : char16_t{0xFFFF};
      le::Write16(e.data() + kUnitOffsets[u], unit);
    }
    out.push_back(e);
  }
  return out;
}

void LongNameUnits(const std::uint8_t* e, char16_t* units) {
  for (std::size_t u = 0; u < kLongNameUnitsPerEntry; ++u) {
    units[u] = static_cast<char16_t>(le::Read16(e + kUnitOffsets[u]));
  }
}

}  // namespace fat
