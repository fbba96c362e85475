#include "cli/cli_test_support.h"

#include <sstream>
#include <tuple>

#include "base/bytes.h"
#include "container/container_layout.h"
#include "container/ffa_template.h"
#include "container/main_header.h"
#include "container/slot_block.h"
#include "container/slot_info.h"
#include "support/mtools_views.h"

namespace clitest {
namespace {
auto Key(const platform::LocalTime& t) {
  return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
}
}  // namespace

std::map<std::string, std::string> ParseState(const std::string& out) {
  std::map<std::string, std::string> state;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t colon = line.find(": ");
    if (colon != std::string::npos) state[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return state;
}

std::map<std::string, std::string> StateOf(const std::string& card) {
  const CliResult result = RunCli({"state", card});
  EXPECT_EQ(result.exitCode, 0) << Describe(result);
  return ParseState(result.out);
}

testsupport::ReferenceCard Card(std::uint64_t sizeBytes, int fatBits, std::uint64_t start) {
  testsupport::ReferenceCard card;
  card.sizeBytes = sizeBytes;
  card.fatBits = fatBits;
  card.partitionStart = start;
  return card;
}

std::string ContainerOf(const testsupport::ImageVolume& volume) {
  std::string container;
  if (!testsupport::MtoolsRead(volume, kContainerOnVolume, &container)) return {};
  return container;
}

void ExpectFreshContainer(const std::string& file, unsigned count, bool highDensity,
                          const std::string& name, const platform::LocalTime& from,
                          const platform::LocalTime& to) {
  ASSERT_EQ(file.size(), (count + 1) * kContainerBlockSize);
  const std::uint8_t* container = Bytes(file);
  // The header at the offsets the controller reads.
  EXPECT_EQ(file.substr(0, 16), "DornveldFLPDrive");
  EXPECT_EQ(le::Read16(&container[16]), 1);
  EXPECT_EQ(std::string(&file[18]), name);
  EXPECT_EQ(le::Read16(&container[274]), count);
  EXPECT_EQ(container[276] & 1, highDensity ? 1 : 0);
  EXPECT_EQ(container[277], 0) << "no FPGA update";
  EXPECT_EQ(le::Read16(&container[278]), 1);
  ByteBuffer header(kContainerBlockSize);
  ASSERT_EQ(BuildMainHeaderBlock(header, name, highDensity, static_cast<std::uint16_t>(count)), 0);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), container)) << "header block";
  for (std::size_t i = kMainHeaderSize; i < kContainerBlockSize; ++i) {
    if (container[i] != 0xFF) {
      ADD_FAILURE() << "header block filler at " << i;
      break;
    }
  }

  ByteBuffer blank;
  ASSERT_TRUE(FfaLoadTemplate(highDensity, blank));
  const std::uint8_t* firstRecord = &container[GetSlotPartOffset(0, kSlotPartSlotInfo)];
  const platform::LocalTime stamp = SlotInfoTime(firstRecord);
  EXPECT_LE(Key(from), Key(stamp));
  EXPECT_LE(Key(stamp), Key(to));
  for (unsigned slot = 0; slot < count; ++slot) {
    const std::uint8_t* record = &container[GetSlotPartOffset(slot, kSlotPartSlotInfo)];
    EXPECT_EQ(SlotInfoName(record), "Empty " + std::to_string(slot + 1));
    EXPECT_EQ(record[510], 'J');
    EXPECT_EQ(record[511], 'O');
    ByteBuffer expected;
    ASSERT_EQ(BuildEmptySlotBlock(expected, slot + 1, highDensity, blank, stamp), 0);
    const std::uint8_t* start = container + GetSlotPartOffset(slot, 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), start)) << "slot block " << slot + 1;
  }
}

std::uint32_t StartSectorRecord(const std::string& sector0) {
  return sector0.size() < 436 ? 0 : le::Read32(Bytes(sector0) + 432);
}

void ExpectOnlyRecordChanged(const std::string& before, const std::string& after) {
  ASSERT_EQ(before.size(), 512u);
  ASSERT_EQ(after.size(), 512u);
  for (std::size_t i = 0; i < 512; ++i) {
    if (i >= 432 && i < 436) continue;
    EXPECT_EQ(before[i], after[i]) << "sector 0 byte " << i;
  }
}

}  // namespace clitest
