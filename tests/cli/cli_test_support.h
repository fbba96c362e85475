// Shared checks of the command-line tests: the state listing as a map, and a
// fresh container's bytes checked against the format.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "cli/card_images.h"
#include "cli/cli_runner.h"
#include "platform/bytes.h"
#include "platform/clock.h"

namespace clitest {

// "key: value" lines of `state` as a map.
std::map<std::string, std::string> ParseState(const std::string& out);

// The state of a card through the tool; fails the test when it cannot be read.
std::map<std::string, std::string> StateOf(const std::string& card);

// Skips the test when the reference tools are missing.
#define SKIP_WITHOUT_CARD_TOOLS()                                            \
  if (!::clitest::HaveCardTools()) {                                         \
    GTEST_SKIP() << "needs sfdisk, mkfs.fat, fsck.fat and mtools installed"; \
  }

// A container as `create` leaves it: header fields at their offsets, 0xFF
// filler, slot i named "Empty i" with one time stamp between `from` and `to`,
// each slot block as the format builds it from the blank template.
void ExpectFreshContainer(const ByteBuffer& container, unsigned count, bool highDensity,
                          const std::string& name, const platform::LocalTime& from,
                          const platform::LocalTime& to);

// u32 at byte 432 of sector 0.
std::uint32_t StartSectorRecord(const ByteBuffer& sector0);

// Every byte of two sectors 0 equal except the record's four.
void ExpectOnlyRecordChanged(const ByteBuffer& before, const ByteBuffer& after);

}  // namespace clitest
