// check CARD [--repair]: one finding a line with its severity, exit 1 while
// there are findings, and a repair that asks nothing and ends clean.
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/temp_dir.h"
#include "support/volume_patch.h"

namespace clitest {
namespace {

TEST(CheckCommand, ListsFindingsAndRepairEndsClean) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, Card(64ull << 20, 16, 63)));
  ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
  EXPECT_EQ(RunCli({"check", card}).exitCode, 0);

  ASSERT_TRUE(testsupport::WriteImageBytes(card, 432, std::string(4, '\0')));
  const CliResult found = RunCli({"--lang", "de", "check", card});
  EXPECT_EQ(found.exitCode, 1) << Describe(found);
  EXPECT_EQ(found.out.rfind("Fehler: Der Start Sektor ist in Sektor 0 nicht eingetragen.", 0), 0u)
      << found.out;

  const CliResult repaired = RunCli({"check", card, "--repair"});
  EXPECT_EQ(repaired.exitCode, 0) << Describe(repaired);
  EXPECT_NE(repaired.out.find("After the repair:\nNo findings"), std::string::npos) << repaired.out;
  EXPECT_EQ(RunCli({"check", card}).exitCode, 0);
}

}  // namespace
}  // namespace clitest
