#include "container/slot_info.h"

#include <cstring>

#include "base/bytes.h"
#include "container/card_names.h"
#include "container/container_layout.h"

bool BuildSlotInfo(std::uint8_t* record, const std::string& name,
                   const platform::LocalTime& localTime) {
  if (CheckCardName(name) != 0) return false;
  std::memset(record, 0, kSlotInfoSize);
  le::Write16(record + kSlotInfoMarkerOffset, 1);
  (void)SetSlotInfoName(record, name);  // checked above
  le::Write16(record + kSlotInfoYearOffset, localTime.year);
  record[kSlotInfoMonthOffset] = localTime.month;
  record[kSlotInfoDayOffset] = localTime.day;
  record[kSlotInfoHourOffset] = localTime.hour;
  record[kSlotInfoMinuteOffset] = localTime.minute;
  record[kSlotInfoSecondOffset] = localTime.second;
  record[kSlotInfoEndMark1Offset] = kSlotInfoEndMark1;
  record[kSlotInfoEndMark2Offset] = kSlotInfoEndMark2;
  return true;
}

bool SetSlotInfoName(std::uint8_t* record, const std::string& name) {
  return WriteCardName(record + kSlotInfoNameOffset, kSlotInfoNameFieldSize, kSlotNameMaxLength,
                       name);
}

std::string SlotInfoName(const std::uint8_t* record) {
  return ReadCardName(record + kSlotInfoNameOffset, kSlotInfoNameFieldSize);
}

platform::LocalTime SlotInfoTime(const std::uint8_t* record) {
  platform::LocalTime t;
  t.year = le::Read16(record + kSlotInfoYearOffset);
  t.month = record[kSlotInfoMonthOffset];
  t.day = record[kSlotInfoDayOffset];
  t.hour = record[kSlotInfoHourOffset];
  t.minute = record[kSlotInfoMinuteOffset];
  t.second = record[kSlotInfoSecondOffset];
  t.milliseconds = 0;
  return t;
}

std::string EmptySlotName(unsigned slotNumber) {
  return "Empty " + std::to_string(slotNumber);
}
