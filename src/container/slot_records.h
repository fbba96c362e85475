// The 512-byte slot records of a container file, read and written in place
// beside the slot blocks they end: the slot list shows their names, and a
// slot is renamed by rewriting its record alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The records of `count` slots from `first` (0-based), 512 bytes each, read
// through one read-only open of the container at `path`. *read (when given)
// counts the records read whole before a failure. DDA_ERR_FILE_NOT_FOUND when
// the file cannot be opened, DDA_ERR_SET_POSITION when a record's position
// cannot be reached, the system error of a failed read.
[[nodiscard]] int FfaReadSlotRecords(const std::string& path, std::uint32_t first,
                                     std::uint32_t count, std::vector<std::uint8_t>& records,
                                     std::uint32_t* read = nullptr);

// One slot's record into `record` (kSlotInfoSize bytes): DDA_ERR_FILE_NOT_FOUND
// when the container cannot be opened, DDA_ERR_SET_POSITION when the record's
// position cannot be reached. A record cut short keeps what was read, as a
// plain read of 512 bytes does; writing it back then finds the file too short.
// Reads buffer.size() bytes of the slot's image without lifting the file's
// protection: looking at what a slot holds writes nothing to the card.
[[nodiscard]] int FfaPeekSlotImage(const std::string& path, std::uint32_t slot,
                                   std::vector<std::uint8_t>& buffer);
[[nodiscard]] int FfaReadSlotInfo(const std::string& path, std::uint32_t slot,
                                  std::uint8_t* record);

// Writes one slot record back, with the container's protection lifted
// around the write and set again on every path. DDA_ERR_FILE_NOT_FOUND,
// DDA_ERR_SET_POSITION (also for a container shorter than the record's end,
// which is never grown), FFA_ERR_WRITE, or the protection's own failure.
[[nodiscard]] int FfaWriteSlotRecord(const std::string& path, std::uint32_t slot,
                                     const std::uint8_t* record);
