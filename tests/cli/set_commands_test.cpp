// export and import through the tool: a set goes out of one card and into
// another unchanged; refusals fail the run and say why, in either language.
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "driveaccess/dda_error_codes.h"
#include "services/error_report.h"
#include "support/scoped_language.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

constexpr std::size_t kHdImage = 1474560;

std::string FileBytes(const std::string& path) {
  std::string content;
  testsupport::ReadHostFile(path, &content);
  return content;
}

TEST(SetCommands, ExportImportAndRefusals) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string from = dir.File("from.img");
  const std::string to = dir.File("to.img");
  const std::string set = dir.File("set");
  for (const std::string& card : {from, to}) {
    ASSERT_TRUE(testsupport::MakeReferenceCard(card, Card(64ull << 20, 16, 63)));
    ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
  }
  const std::string disks[] = {std::string(kHdImage, '\x11'), std::string(kHdImage, '\x22')};
  const char* names[] = {"Ölkanne", "a/b"};
  for (int slot = 0; slot < 2; ++slot) {
    const std::string file = dir.File("disk" + std::to_string(slot) + ".img");
    ASSERT_TRUE(testsupport::WriteHostFile(file, disks[slot]));
    ASSERT_EQ(RunCli({"write-slot", from, std::to_string(slot + 1), file, "--name", names[slot]})
                  .exitCode,
              0);
  }
  const CliResult exported = RunCli({"export", from, set});
  ASSERT_EQ(exported.exitCode, 0) << Describe(exported);
  EXPECT_EQ(FileBytes(set + "/02-a_b.img"), disks[1]);

  const CliResult imported = RunCli({"import", to, set});
  ASSERT_EQ(imported.exitCode, 0) << Describe(imported);
  const CliResult slots = RunCli({"slots", to});
  EXPECT_NE(slots.out.find("1\tÖlkanne\t"), std::string::npos) << slots.out;
  EXPECT_NE(slots.out.find("2\ta/b\t"), std::string::npos) << slots.out;
  ASSERT_EQ(RunCli({"read-slot", to, "1", dir.File("back.img")}).exitCode, 0);
  EXPECT_EQ(FileBytes(dir.File("back.img")), disks[0]);

  // A file of the wrong size fails the run with the size error; a third
  // image for two slots is refused before anything is written.
  ASSERT_TRUE(testsupport::WriteHostFile(set + "/short.img", "short"));
  const CliResult refused = RunCli({"import", to, set});
  EXPECT_EQ(refused.exitCode, 1);
  {
    testsupport::ScopedLanguage english(kLanguageEnglish);
    EXPECT_NE(refused.err.find("short.img: " + ResultCodeText(DDA_ERR_WRONG_FLOPPY_SIZE)),
              std::string::npos)
        << refused.err;
  }
  ASSERT_TRUE(testsupport::WriteHostFile(set + "/third.img", disks[0]));
  const CliResult tooMany = RunCli({"import", to, set, "--lang", "de"});
  EXPECT_EQ(tooMany.exitCode, 1);
  EXPECT_NE(tooMany.err.find("1 hätten keinen Platz"), std::string::npos) << tooMany.err;
}

}  // namespace
}  // namespace clitest
