// What the tool tells of the images in the slots: `slots --contents`, `ls`
// and `get`, held to mtools on the same floppy.
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

using testsupport::RunCommand;

class SlotFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_CARD_TOOLS();
    ASSERT_TRUE(testsupport::MakeReferenceCard(card_, Card(64ull << 20, 16, 63)));
    ASSERT_EQ(RunCli({"create", card_, "--count", "3", "--name", "Files"}).exitCode, 0);
    const std::string floppy = dir_.File("tools.img");
    const testsupport::ImageVolume v{floppy, 0, 2880};
    ASSERT_EQ(RunCommand("mkfs.fat -C -n TOOLS " + floppy + " 1440 >/dev/null"), 0);
    ASSERT_TRUE(testsupport::WriteHostFile(dir_.File("a"), content_));
    ASSERT_TRUE(testsupport::MtoolsMkdir(v, "/UTILS"));
    ASSERT_TRUE(testsupport::MtoolsPut(v, dir_.File("a"), "/UTILS/Read me.txt"));
    ASSERT_EQ(RunCli({"write-slot", card_, "2", floppy, "--name", "Tools"}).exitCode, 0);
    ASSERT_TRUE(testsupport::WriteHostFile(dir_.File("u.img"), std::string(1474560, '\xF6')));
    ASSERT_EQ(RunCli({"write-slot", card_, "3", dir_.File("u.img")}).exitCode, 0);
  }

  testsupport::TempDir dir_;
  std::string card_ = dir_.File("card.img");
  std::string content_ = testsupport::TestBytes(5000, 7);
};

TEST_F(SlotFiles, SlotsWithContentsListsAllThreeKinds) {
  const CliResult en = RunCli({"slots", card_, "--contents"});
  ASSERT_EQ(en.exitCode, 0) << Describe(en);
  EXPECT_NE(en.out.find("\tblank\t\t0\t0\t0\t0\tblank\n"), std::string::npos) << en.out;
  EXPECT_NE(en.out.find("\tfat12\tTOOLS\t1\t1\t5632\t1452032\tFAT12 'TOOLS' \xC2\xB7 1 file"),
            std::string::npos)
      << en.out;
  EXPECT_NE(en.out.find("\tunformatted\t\t0\t0\t0\t0\tunformatted\n"), std::string::npos);
  const CliResult de = RunCli({"--lang", "de", "slots", card_, "--contents"});
  EXPECT_NE(de.out.find("\tunformatiert\n"), std::string::npos) << de.out;
}

TEST_F(SlotFiles, LsAndGetReadTheImageAndWriteNothingToTheCard) {
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(card_, &before));
  const CliResult root = RunCli({"ls", card_, "2"});
  ASSERT_EQ(root.exitCode, 0) << Describe(root);
  EXPECT_EQ(root.out.substr(0, 8), "UTILS/\t\t");
  const CliResult inner = RunCli({"ls", card_, "2", "UTILS"});
  EXPECT_EQ(inner.out.substr(0, 19), "Read me.txt\t5000\t20") << inner.out;

  const std::string out = dir_.File("out.txt");
  ASSERT_EQ(RunCli({"get", card_, "2", "utils/READ ME.TXT", out}).exitCode, 0);
  std::string got;
  ASSERT_TRUE(testsupport::ReadHostFile(out, &got));
  EXPECT_EQ(got, content_);

  struct Failing {
    std::vector<std::string> args;
    const char* says;
  };
  const Failing kCases[] = {
      {{"get", card_, "2", "UTILS/NONE.TXT", dir_.File("x")}, "not found"},
      {{"get", card_, "2", "UTILS", dir_.File("x")}, ""},
      {{"ls", card_, "2", "UTILS/Read me.txt"}, "not a folder"},
      {{"ls", card_, "3"}, ""},  // unformatted
      {{"ls", card_, "4"}, ""},  // no such slot
  };
  for (const Failing& c : kCases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args[3] << Describe(r);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_NE(RunCommand("test -e " + dir_.File("x")), 0) << "a failed get leaves no file";
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(card_, &after));
  EXPECT_TRUE(before == after) << "the card changed";
}

}  // namespace
}  // namespace clitest
