// What state a card is in for the controller, and the start sector record in
// sector 0 of the card that tells the controller where the container lies.
#pragma once

#include <cstdint>
#include <string>

#include "container/main_header.h"

class IProgressOwner;

inline constexpr std::uint32_t CARD_RAW_ACCESS = 0x001;
inline constexpr std::uint32_t CARD_CONTAINER_VALID = 0x002;
inline constexpr std::uint32_t CARD_CONTIGUOUS = 0x004;
inline constexpr std::uint32_t CARD_START_SECTOR_SET = 0x008;
inline constexpr std::uint32_t CARD_NO_FAT_VOLUME = 0x200;  // replaces every other flag
inline constexpr std::uint32_t CARD_NO_RAW_RIGHTS = 0x400;
// A container file on disk opened as a card: no raw side, no start sector.
inline constexpr std::uint32_t CARD_CONTAINER_FILE = 0x800;
// With CARD_NO_RAW_RIGHTS: the system refused the volume's files too (a
// volume nothing mounts is read through the device), so whether the card
// holds a container is not known.
inline constexpr std::uint32_t CARD_FILES_UNREADABLE = 0x1000;

struct CardState {
  char DriveLetter = '\0';
  std::uint32_t Flags = 0;
  std::string ContainerPath;  // only when a valid main header was read
  MainHeader Header;          // all zero when there is none
  std::string ContainerFile;  // the file on disk of a container file opened as a card
};

// driveEntry is the drive list entry (its text begins with the letter).
// Fills size (bytes) and state; returns the flags. For a container file the
// size is the file's length.
std::uint32_t FfaGetCardState(const std::string& driveEntry, std::uint64_t& size, CardState& state);
// True when the system refuses the card's raw sectors and, through them, its
// files (a volume nothing mounts): no command can do anything on it.
[[nodiscard]] bool FfaCardRefused(char drive);
[[nodiscard]] int FfaReadStartSector(char drive, std::uint32_t& value);
// Changes only bytes 432 to 435 of sector 0.
[[nodiscard]] int FfaWriteStartSector(char drive, std::uint32_t value);
// kErrorNotSupported for a container file: there is no card to record in.
[[nodiscard]] int FfaMakeUsable(char drive);
// Opens the card for raw writing and closes it at once: the open's result,
// or the flush's at the close.
[[nodiscard]] int FfaTouchCard(char drive);
// Copies the whole card into a file, sectorsPerRead sectors at a time.
[[nodiscard]] int FfaDumpCard(const std::string& driveEntry, const std::string& path,
                              IProgressOwner* parent, std::uint32_t sectorsPerRead);
