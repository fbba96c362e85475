// `create`, `make-usable` and `state` on card images made by sfdisk and
// mkfs.fat, checked with mtools and fsck.fat.
#include <gtest/gtest.h>

#include "cli/card_images.h"
#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace clitest {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
const CardLayout kFat16At63{"Fat16At63", 16, 63, 64 * kMiB};
const CardLayout kFat32At2048{"Fat32At2048", 32, 2048, 128 * kMiB};
const CardLayout kBareFat16{"BareFat16", 16, 0, 32 * kMiB};

class CreateOnReferenceCard : public ::testing::TestWithParam<CardLayout> {};

TEST_P(CreateOnReferenceCard, LeavesOneProtectedRunRecordedInSectorZero) {
  SKIP_WITHOUT_CARD_TOOLS();
  const CardLayout& layout = GetParam();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(MakeReferenceCard(card, layout));
  const ByteBuffer sector0Before = ReadBytes(card, 0, 512);

  const platform::LocalTime from = platform::GetLocalTime();
  const CliResult created = RunCli({"create", card, "--count", "3", "--name", "Reference Card"});
  const platform::LocalTime to = platform::GetLocalTime();
  ASSERT_EQ(created.exitCode, 0) << Describe(created);
  EXPECT_EQ(created.err, "") << "no progress when standard error is no terminal";

  ExpectFreshContainer(ExtractContainer(card, layout, dir), 3, true, "Reference Card", from, to);
  EXPECT_EQ(ContainerAttributes(card, layout), "SR");
  EXPECT_EQ(ContainerRuns(card, layout), 1);

  const ByteBuffer sector0After = ReadBytes(card, 0, 512);
  const std::uint64_t startSector =
      ClusterToCardSector(card, layout, ContainerFirstCluster(card, layout));
  EXPECT_EQ(StartSectorRecord(sector0After), startSector);
  ExpectOnlyRecordChanged(sector0Before, sector0After);
  std::string report;
  EXPECT_TRUE(VolumeIsClean(card, layout, dir, &report)) << report;

  auto state = StateOf(card);
  EXPECT_EQ(state["flags"], "0x00F");
  EXPECT_EQ(state["size"], std::to_string(layout.sizeBytes));
  EXPECT_EQ(state["name"], "Reference Card");
  EXPECT_EQ(state["kind"], "HD");
  EXPECT_EQ(state["images"], "3");
  EXPECT_EQ(state["fpga"], "none");
  EXPECT_EQ(state["start-sector"], std::to_string(startSector));
}

INSTANTIATE_TEST_SUITE_P(Cards, CreateOnReferenceCard,
                         ::testing::Values(kFat16At63, kFat32At2048, kBareFat16),
                         [](const auto& param) { return std::string(param.param.label); });

TEST(CreateCommand, MakesDoubleDensityContainersWithOptionsInAnyPlace) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(MakeReferenceCard(card, kFat16At63));
  const platform::LocalTime from = platform::GetLocalTime();
  const CliResult created = RunCli({"--dd", "--count=2", "create", card});
  const platform::LocalTime to = platform::GetLocalTime();
  ASSERT_EQ(created.exitCode, 0) << Describe(created);
  ExpectFreshContainer(ExtractContainer(card, kFat16At63, dir), 2, false, "", from, to);
  EXPECT_EQ(StateOf(card)["kind"], "DD");
}

// The count is refused before the card is touched: the old container, its
// protection and the start sector record stay as they were.
TEST(CreateCommand, RefusesCountsThatCannotWorkAndKeepsTheOldContainer) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(MakeReferenceCard(card, kFat16At63));
  const CliResult first = RunCli({"create", card, "--count", "20", "--name", "Keep Me"});
  ASSERT_EQ(first.exitCode, 0) << Describe(first);
  const ByteBuffer container = ExtractContainer(card, kFat16At63, dir);
  const ByteBuffer sector0 = ReadBytes(card, 0, 512);

  const struct {
    const char* count;
    const char* text;
  } kCases[] = {
      {"100", "FFA-Error: Too Many Images"},
      {"0", "FFA-Error: Too Less Images"},
      {"99999999999999999999999", "FFA-Error: Too Many Images"},
      {"99", "FFA-Error: Too Less Free Space"},  // 200 MiB on a 64 MiB card
  };
  for (const auto& c : kCases) {
    const CliResult refused = RunCli({"create", card, "--count", c.count});
    EXPECT_EQ(refused.exitCode, 1) << c.count << "\n" << Describe(refused);
    EXPECT_EQ(refused.err, std::string(c.text) + "\n") << c.count;
  }
  EXPECT_EQ(ExtractContainer(card, kFat16At63, dir), container);
  EXPECT_EQ(ContainerAttributes(card, kFat16At63), "SR");
  EXPECT_EQ(ReadBytes(card, 0, 512), sector0);

  // 25 images fit only once the old 20 are gone; the name carries over.
  const CliResult bigger = RunCli({"create", card, "--count", "25"});
  ASSERT_EQ(bigger.exitCode, 0) << Describe(bigger);
  auto state = StateOf(card);
  EXPECT_EQ(state["flags"], "0x00F");
  EXPECT_EQ(state["images"], "25");
  EXPECT_EQ(state["name"], "Keep Me");
  std::string report;
  EXPECT_TRUE(VolumeIsClean(card, kFat16At63, dir, &report)) << report;
}

TEST(CreateCommand, FragmentedFreeSpaceGivesAContainerThatIsNotUsable) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(MakeReferenceCard(card, kFat16At63));
  // Sixty 1 MiB files fill the card; deleting every other one leaves 1 MiB
  // holes and less than the container's 8 MiB in one piece at the end.
  const std::string files = dir.path() + "/fill";
  std::string script = "mkdir -p " + files +
                       " && for i in $(seq -w 1 60); do head -c 1048576 "
                       "/dev/zero > " +
                       files + "/f$i.bin; done && " + Mtools("mcopy", card, kFat16At63) + files +
                       "/* ::/ && " + Mtools("mdel", card, kFat16At63);
  for (int i = 2; i <= 60; i += 2)
    script += (i < 10 ? " ::/f0" : " ::/f") + std::to_string(i) + ".bin";
  ASSERT_EQ(testsupport::RunCommand(script + " 2>&1"), 0);
  const ByteBuffer sector0 = ReadBytes(card, 0, 512);

  const CliResult created = RunCli({"create", card, "--count", "3"});
  EXPECT_EQ(created.exitCode, 1) << Describe(created);
  EXPECT_EQ(created.err, "FFA-Error: DCF is Fragmented\n");
  EXPECT_GT(ContainerRuns(card, kFat16At63), 1);
  const CliResult usable = RunCli({"make-usable", card});
  EXPECT_EQ(usable.exitCode, 1);
  EXPECT_EQ(usable.err, "FFA-Error: DCF is Fragmented\n");

  const auto state = StateOf(card);
  const unsigned long flags = std::stoul(state.at("flags"), nullptr, 16);
  EXPECT_EQ(flags & 0x002, 0x002u) << "the container itself is valid";
  EXPECT_EQ(flags & 0x004, 0u) << "but not in one piece";
  EXPECT_EQ(ReadBytes(card, 0, 512), sector0) << "the start sector record stays untouched";
  std::string report;
  EXPECT_TRUE(VolumeIsClean(card, kFat16At63, dir, &report)) << report;
}

TEST(StateCommand, CardsWithoutFatVolumeShowOnlyThatFlag) {
  testsupport::TempDir dir;
  const std::string blank = dir.File("blank.img");
  ASSERT_EQ(testsupport::RunCommand("truncate -s 16M " + blank), 0);
  struct Case {
    std::string name;
    std::string image;
  };
  std::vector<Case> cases = {{"all zeros", blank}};
  if (testsupport::HaveProgram("mkfs.ext2")) {
    const std::string ext2 = dir.File("ext2.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 16M " + ext2 + " && mkfs.ext2 -q -F " + ext2 +
                                      " >/dev/null 2>&1"),
              0);
    cases.push_back({"ext2", ext2});
  }
  for (const Case& c : cases) {
    const CliResult result = RunCli({"state", c.image});
    EXPECT_EQ(result.exitCode, 0) << c.name << "\n" << Describe(result);
    EXPECT_EQ(ParseState(result.out)["flags"], "0x200") << c.name;
    EXPECT_EQ(ParseState(result.out).count("name"), 0u) << c.name;
  }
  if (!testsupport::HaveProgram("mkfs.ext2"))
    GTEST_SKIP() << "mkfs.ext2 missing: ext2 card not checked";
}

}  // namespace
}  // namespace clitest
