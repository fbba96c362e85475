// A container file on disk given as CARD: the slot and name commands work on
// it in place; the commands that need a card refuse it and leave it alone.
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

std::string FileBytes(const std::string& path) {
  std::string content;
  testsupport::ReadHostFile(path, &content);
  return content;
}

TEST(ContainerFileCommands, SlotsWorkOnTheFileAndCardCommandsRefuseIt) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const testsupport::ReferenceCard kind = Card(64ull * 1024 * 1024, 16, 2048);
  const std::string card = dir.File("card.img");
  const std::string file = dir.File("backup.bin");  // known by its signature, not its name
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kind));
  ASSERT_EQ(RunCli({"create", card, "--count", "3", "--name", "Backup"}).exitCode, 0);
  ASSERT_TRUE(testsupport::WriteHostFile(file, ContainerOf(testsupport::VolumeOf(card, kind))));
  EXPECT_EQ(StateOf(file)["flags"], "0x802");

  const std::string floppy = dir.File("games.img");
  const std::string back = dir.File("back.img");
  ASSERT_TRUE(testsupport::WriteHostFile(floppy, std::string(1474560, 'G')));
  const CliResult written = RunCli({"write-slot", file, "2", floppy, "--name", "Games"});
  ASSERT_EQ(written.exitCode, 0) << Describe(written);
  ASSERT_EQ(RunCli({"read-slot", file, "2", back}).exitCode, 0);
  EXPECT_EQ(FileBytes(back), FileBytes(floppy));
  EXPECT_NE(RunCli({"slots", file}).out.find("2\tGames\t"), std::string::npos);

  const std::string before = FileBytes(file);
  const std::vector<std::vector<std::string>> refused = {{"create", file, "--count", "2"},
                                                         {"erase", file},
                                                         {"make-usable", file},
                                                         {"delete", file},
                                                         {"hex", file, "0", "1"}};
  for (const auto& command : refused) {
    const CliResult result = RunCli(command);
    EXPECT_EQ(result.exitCode, 1) << command[0];
    EXPECT_NE(result.err.find("a container file is no card"), std::string::npos) << result.err;
  }
  EXPECT_EQ(FileBytes(file), before);
}

}  // namespace
}  // namespace clitest
