// The 512-byte record at the end of each slot block: the slot's name and the
// local time at which the block was built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/clock.h"

inline constexpr std::size_t kSlotInfoMarkerOffset = 0;  // u16, always 1
inline constexpr std::size_t kSlotInfoNameOffset = 2;
inline constexpr std::size_t kSlotInfoNameFieldSize = 16;
inline constexpr std::size_t kSlotNameMaxLength = 15;   // plus the terminator
inline constexpr std::size_t kSlotInfoYearOffset = 20;  // u16
inline constexpr std::size_t kSlotInfoMonthOffset = 22;
inline constexpr std::size_t kSlotInfoDayOffset = 23;
inline constexpr std::size_t kSlotInfoHourOffset = 24;
inline constexpr std::size_t kSlotInfoMinuteOffset = 25;
inline constexpr std::size_t kSlotInfoSecondOffset = 26;
inline constexpr std::size_t kSlotInfoEndMark1Offset = 510;
inline constexpr std::size_t kSlotInfoEndMark2Offset = 511;
inline constexpr std::uint8_t kSlotInfoEndMark1 = 0x4A;  // 'J'
inline constexpr std::uint8_t kSlotInfoEndMark2 = 0x4F;  // 'O'

// Names are stored as Windows-1252 bytes and read and given as UTF-8
// (card_names.h); a name with a character that has no Windows-1252 byte is
// refused (false) and the record is left as it was.

// Writes a whole record (kSlotInfoSize bytes at `record`): zeroes, marker 1,
// the name cut to 15 characters, the six time fields and the end marks.
[[nodiscard]] bool BuildSlotInfo(std::uint8_t* record, const std::string& name,
                                 const platform::LocalTime& localTime);

// Replaces only the name of an existing record (cut to 15 characters).
[[nodiscard]] bool SetSlotInfoName(std::uint8_t* record, const std::string& name);

// The name up to its terminator; a field without one gives all 16 characters.
std::string SlotInfoName(const std::uint8_t* record);

// The time stamp (milliseconds are not stored and read as 0).
platform::LocalTime SlotInfoTime(const std::uint8_t* record);

// The name of slot number `slotNumber` (1-based) in a new container.
std::string EmptySlotName(unsigned slotNumber);
