// Shared checks of the command-line tests: the state listing as a map, the
// container as mtools reads it, and a fresh container's bytes checked against
// the format.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "base/clock.h"
#include "cli/cli_runner.h"
#include "support/reference_images.h"

namespace clitest {

// "key: value" lines of `state` as a map.
std::map<std::string, std::string> ParseState(const std::string& out);

// The state of a card through the tool; fails the test when it cannot be read.
std::map<std::string, std::string> StateOf(const std::string& card);

// Skips the test when the reference tools are missing.
#define SKIP_WITHOUT_CARD_TOOLS()                                            \
  if (!::testsupport::HaveFatTools()) {                                      \
    GTEST_SKIP() << "needs sfdisk, mkfs.fat, fsck.fat and mtools installed"; \
  }

// A reference card of that size with a FAT12/16/32 volume in one partition
// at `start` (sectors), or bare when `start` is 0.
testsupport::ReferenceCard Card(std::uint64_t sizeBytes, int fatBits, std::uint64_t start);

// Where the container lies on the card's volume, for mtools.
inline constexpr char kContainerOnVolume[] = "/DornveldFLP/DornveldCIF.dfp";

// The container as mtools reads it off the volume; empty when it is missing.
std::string ContainerOf(const testsupport::ImageVolume& volume);

// The bytes of a string, for the format's readers.
inline const std::uint8_t* Bytes(const std::string& bytes) {
  return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

// A container as `create` leaves it: header fields at their offsets, 0xFF
// filler, slot i named "Empty i" with one time stamp between `from` and `to`,
// each slot block as the format builds it from the blank template.
void ExpectFreshContainer(const std::string& container, unsigned count, bool highDensity,
                          const std::string& name, const platform::LocalTime& from,
                          const platform::LocalTime& to);

// u32 at byte 432 of sector 0.
std::uint32_t StartSectorRecord(const std::string& sector0);

// Every byte of two sectors 0 equal except the record's four.
void ExpectOnlyRecordChanged(const std::string& before, const std::string& after);

}  // namespace clitest
