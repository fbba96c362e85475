// resize, defragment and restore from the shell: the images stay, the exit
// status tells, and a folder without a copy changes nothing.
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

TEST(RebuildCommands, ResizeAndDefragmentKeepTheImage) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, Card(64ull << 20, 16, 63)));
  ASSERT_EQ(RunCli({"create", card, "--count", "3"}).exitCode, 0);
  const std::string image = testsupport::TestBytes(1474560, 77);
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("in.img"), image));
  ASSERT_EQ(RunCli({"write-slot", card, "1", dir.File("in.img")}).exitCode, 0);

  EXPECT_EQ(RunCli({"resize", card}).exitCode, 2);
  const CliResult resized = RunCli({"--lang", "de", "resize", card, "--count", "2"});
  EXPECT_EQ(resized.exitCode, 0) << Describe(resized);
  EXPECT_NE(resized.out.find("mit seinen Abbildern neu angelegt"), std::string::npos);
  const CliResult defragmented = RunCli({"defragment", card});
  EXPECT_EQ(defragmented.exitCode, 0) << Describe(defragmented);
  ASSERT_EQ(RunCli({"read-slot", card, "1", dir.File("out.img")}).exitCode, 0);
  std::string out;
  ASSERT_TRUE(testsupport::ReadHostFile(dir.File("out.img"), &out));
  EXPECT_TRUE(out == image);

  const CliResult restored = RunCli({"restore", card, dir.path()});
  EXPECT_EQ(restored.exitCode, 1);
  EXPECT_EQ(restored.err.rfind("Nothing was changed: ", 0), 0u) << restored.err;
}

}  // namespace
}  // namespace clitest
