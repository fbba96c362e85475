// A container file on disk given as CARD: the slot, name and FPGA commands
// work on it in place; the commands that need a card refuse it and leave it
// as it was.
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

std::string FileBytes(const std::string& path) {
  std::string content;
  testsupport::ReadHostFile(path, &content);
  return content;
}

class ContainerFileCommands : public ::testing::Test {
 protected:
  // A container made on a card, copied off it under a name that says
  // nothing of what it is.
  void SetUp() override {
    SKIP_WITHOUT_CARD_TOOLS();
    const testsupport::ReferenceCard kind = Card(64ull * 1024 * 1024, 16, 2048);
    const std::string card = dir_.File("card.img");
    ASSERT_TRUE(testsupport::MakeReferenceCard(card, kind));
    const CliResult created = RunCli({"create", card, "--count", "3", "--name", "Backup"});
    ASSERT_EQ(created.exitCode, 0) << Describe(created);
    ASSERT_TRUE(testsupport::WriteHostFile(file_, ContainerOf(testsupport::VolumeOf(card, kind))));
  }

  testsupport::TempDir dir_;
  std::string file_ = dir_.File("backup.bin");
};

TEST_F(ContainerFileCommands, SlotsNamesAndFpgaWorkOnTheFile) {
  auto state = StateOf(file_);
  EXPECT_EQ(state["flags"], "0x802");
  EXPECT_EQ(state["container-file"], file_);
  EXPECT_EQ(state["images"], "3");

  const std::string floppy = dir_.File("games.img");
  ASSERT_EQ(testsupport::RunCommand("mkfs.fat -C -n GAMES " + floppy + " 1440 >/dev/null 2>&1"), 0);
  const CliResult written = RunCli({"write-slot", file_, "2", floppy, "--name", "Games"});
  ASSERT_EQ(written.exitCode, 0) << Describe(written);
  const std::string back = dir_.File("back.img");
  ASSERT_EQ(RunCli({"read-slot", file_, "2", back}).exitCode, 0);
  EXPECT_EQ(FileBytes(back), FileBytes(floppy));

  EXPECT_EQ(RunCli({"slot-name", file_, "3", "Third"}).exitCode, 0);
  EXPECT_EQ(RunCli({"rename", file_, "Renamed"}).exitCode, 0);
  const CliResult slots = RunCli({"slots", file_});
  EXPECT_NE(slots.out.find("2\tGames\t"), std::string::npos) << slots.out;
  EXPECT_NE(slots.out.find("3\tThird\t"), std::string::npos) << slots.out;

  const std::string fpga = dir_.File("fpga.bin");
  ASSERT_TRUE(testsupport::WriteHostFile(fpga, std::string(40, 'F')));
  EXPECT_EQ(RunCli({"fpga", file_, fpga}).exitCode, 0);
  state = StateOf(file_);
  EXPECT_EQ(state["name"], "Renamed");
  EXPECT_EQ(state["fpga"], "40");
}

TEST_F(ContainerFileCommands, CardOnlyCommandsRefuseIt) {
  const std::string before = FileBytes(file_);
  const std::vector<std::vector<std::string>> commands = {
      {"create", file_, "--count", "2"},
      {"erase", file_},
      {"make-usable", file_},
      {"delete", file_},
      {"dump", file_, dir_.File("dump.img")},
      {"hex", file_, "0", "1"},
  };
  for (const auto& command : commands) {
    const CliResult result = RunCli(command);
    EXPECT_EQ(result.exitCode, 1) << command[0] << ": " << Describe(result);
    EXPECT_NE(result.err.find("a container file is no card"), std::string::npos)
        << command[0] << ": " << result.err;
  }
  EXPECT_EQ(FileBytes(file_), before);
}

}  // namespace
}  // namespace clitest
