// The slot commands and the FPGA update through the tool, on a FAT32 card
// made by sfdisk and mkfs.fat.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "container/container_layout.h"
#include "container/slot_info.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

using testsupport::WriteHostFile;

const testsupport::ReferenceCard kCard = Card(128ull * 1024 * 1024, 32, 2048);
constexpr std::size_t kHdImage = 1474560;

// A whole host file; empty when it cannot be read.
std::string FileBytes(const std::string& path) {
  std::string content;
  testsupport::ReadHostFile(path, &content);
  return content;
}

class SlotCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_CARD_TOOLS();
    ASSERT_TRUE(testsupport::MakeReferenceCard(card_, kCard));
    const CliResult created = RunCli({"create", card_, "--count", "4", "--name", "Slots"});
    ASSERT_EQ(created.exitCode, 0) << Describe(created);
  }

  // A 1.44 MB floppy image made by mkfs.fat; each with its own volume id, so
  // no two are alike.
  std::string MakeFloppy(const std::string& name) {
    const std::string path = dir_.File(name);
    char id[16];
    std::snprintf(id, sizeof id, "%08X", 0x0BADF00Du + ++floppies_);
    EXPECT_EQ(testsupport::RunCommand("mkfs.fat -C -n FLOPPY -i " + std::string(id) + " " + path +
                                      " 1440 >/dev/null 2>&1"),
              0);
    return path;
  }

  std::string Container() { return ContainerOf(volume_); }

  void ExpectCleanAndProtected() {
    std::string report;
    EXPECT_TRUE(testsupport::FsckClean(volume_, &report)) << report;
    EXPECT_EQ(testsupport::MtoolsAttributes(volume_, kContainerOnVolume), "RS")
        << "read-only and system, nothing else";
    EXPECT_EQ(StateOf(card_)["flags"], "0x00F");
  }

  testsupport::TempDir dir_;
  std::string card_ = dir_.File("card.img");
  testsupport::ImageVolume volume_ = testsupport::VolumeOf(card_, kCard);
  unsigned floppies_ = 0;
};

TEST_F(SlotCommands, ImagesGoInAndComeBackOutUnchanged) {
  const std::string floppy = MakeFloppy("games.img");
  const CliResult written = RunCli({"write-slot", card_, "3", floppy, "--name", "Games"});
  ASSERT_EQ(written.exitCode, 0) << Describe(written);

  const std::string back = dir_.File("back.img");
  const CliResult read = RunCli({"read-slot", card_, "3", back});
  ASSERT_EQ(read.exitCode, 0) << Describe(read);
  EXPECT_EQ(FileBytes(back), FileBytes(floppy));

  const std::string block = dir_.File("block.bin");
  ASSERT_EQ(RunCli({"--block", "read-slot", card_, "3", block}).exitCode, 0);
  const std::string blockBytes = FileBytes(block);
  ASSERT_EQ(blockBytes.size(), kContainerBlockSize);
  EXPECT_EQ(blockBytes.substr(0, kHdImage), FileBytes(floppy));
  EXPECT_EQ(SlotInfoName(Bytes(blockBytes) + kSlotInfoOffset), "Games");

  // Writing again without --name keeps the slot's name.
  const std::string other = MakeFloppy("other.img");
  ASSERT_NE(FileBytes(other), FileBytes(floppy));
  ASSERT_EQ(RunCli({"write-slot", card_, "3", other}).exitCode, 0);
  const CliResult slots = RunCli({"slots", card_});
  ASSERT_EQ(slots.exitCode, 0) << Describe(slots);
  const std::vector<std::string> names = {"Empty 1", "Empty 2", "Games", "Empty 4"};
  std::istringstream lines(slots.out);
  std::string line;
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.substr(0, line.rfind('\t')), std::to_string(i + 1) + "\t" + names[i]);
    EXPECT_EQ(line.size() - line.rfind('\t') - 1, std::string("2024-01-01 00:00:00").size());
  }
  EXPECT_FALSE(std::getline(lines, line)) << "one line per slot";
  EXPECT_EQ(Container().substr(GetSlotPartOffset(2, kSlotPartImage), kHdImage), FileBytes(other));
  ExpectCleanAndProtected();
}

TEST_F(SlotCommands, NamesChangeOnlyTheirOwnFields) {
  const std::string before = Container();
  ASSERT_EQ(RunCli({"slot-name", card_, "2", "A Name Longer Than Fifteen"}).exitCode, 0);
  ASSERT_EQ(RunCli({"rename", card_, "Renamed Card"}).exitCode, 0);
  const std::string after = Container();
  ASSERT_EQ(after.size(), before.size());

  const std::size_t record = GetSlotPartOffset(1, kSlotPartSlotInfo);
  EXPECT_EQ(SlotInfoName(Bytes(after) + record), "A Name Longer T");
  for (std::size_t i = 0; i < after.size(); ++i) {
    const bool headerName = i >= 18 && i < 18 + 256;
    const bool slotName = i >= record + 2 && i < record + 18;
    if (!headerName && !slotName && before[i] != after[i]) {
      ADD_FAILURE() << "byte " << i << " changed";
      break;
    }
  }
  EXPECT_EQ(StateOf(card_)["name"], "Renamed Card");
  ExpectCleanAndProtected();
}

TEST_F(SlotCommands, RefusedTransfersLeaveTheContainerAlone) {
  const std::string floppy = MakeFloppy("ok.img");
  const std::string small = dir_.File("small.img");
  ASSERT_TRUE(WriteHostFile(small, std::string(1000, '\xE5')));
  const std::string before = Container();
  const struct {
    std::vector<std::string> args;
    const char* text;
  } kCases[] = {
      {{"write-slot", card_, "5", floppy}, "DDA-Error: No Image Selected"},
      {{"read-slot", card_, "99", dir_.File("x.img")}, "DDA-Error: No Image Selected"},
      {{"slot-name", card_, "70000", "X"}, "DDA-Error: No Image Selected"},
      {{"write-slot", card_, "1", small}, "DDA-Error: Wrong Floppy/Image Size (HD / DD)"},
      {{"write-slot", card_, "1", dir_.File("missing.img")}, "DDA-Error: Open a File"},
      {{"read-slot", card_, "1", dir_.path() + "/no/such/folder/out.img"},
       "DDA-Error: Open a File"},
  };
  for (const auto& c : kCases) {
    const CliResult result = RunCli(c.args);
    EXPECT_EQ(result.exitCode, 1) << c.args[0] << " " << c.args[2] << "\n" << Describe(result);
    EXPECT_EQ(result.err, std::string(c.text) + "\n") << c.args[0] << " " << c.args[2];
  }
  EXPECT_EQ(Container(), before);
  ExpectCleanAndProtected();
}

TEST_F(SlotCommands, FpgaUpdateIsStoredRefusedAndCleared) {
  const std::string update = dir_.File("update.bin");
  std::string bytes(1024 * 1024, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(WriteHostFile(update, bytes));
  ASSERT_EQ(RunCli({"fpga", card_, update}).exitCode, 0);
  auto state = StateOf(card_);
  EXPECT_EQ(state["fpga"], "1048576");
  EXPECT_EQ(state["images"], "0") << "the controller sees no images while an update waits";
  const std::string stored = Container();
  EXPECT_EQ(stored.substr(kFpgaDataOffset, bytes.size()), bytes);

  bytes.push_back(0);
  const std::string tooLong = dir_.File("toolong.bin");
  ASSERT_TRUE(WriteHostFile(tooLong, bytes));
  const CliResult refused = RunCli({"fpga", card_, tooLong});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "DDA-Error: Wrong Image Size\n");
  EXPECT_EQ(Container(), stored);

  ASSERT_EQ(RunCli({"fpga", card_, "--clear"}).exitCode, 0);
  state = StateOf(card_);
  EXPECT_EQ(state["fpga"], "none");
  EXPECT_EQ(state["images"], "4");
  ExpectCleanAndProtected();

  // A missing file is found out before the card is looked at at all.
  ASSERT_EQ(RunCli({"delete", card_}).exitCode, 0);
  const CliResult missing = RunCli({"fpga", card_, dir_.File("nothing.bin")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "DDA-Error: File not found\n");
}

}  // namespace
}  // namespace clitest
