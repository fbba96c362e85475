// `create`, `make-usable` and `state` on card images made by sfdisk and
// mkfs.fat, checked with mtools and fsck.fat.
#include <gtest/gtest.h>

#include "base/clock.h"
#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

using testsupport::ReadHostBytes;
using testsupport::ReferenceCard;

constexpr std::uint64_t kMiB = 1024 * 1024;
const testsupport::ReferenceCard kFat16At63 = Card(64 * kMiB, 16, 63);

struct NamedCard {
  const char* name;  // for test names
  ReferenceCard card;
};
// The test list and failure messages name the case, not its bytes.
void PrintTo(const NamedCard& c, std::ostream* os) {
  *os << c.name;
}

class CreateOnReferenceCard : public ::testing::TestWithParam<NamedCard> {};

TEST_P(CreateOnReferenceCard, LeavesOneProtectedRunRecordedInSectorZero) {
  SKIP_WITHOUT_CARD_TOOLS();
  const ReferenceCard& layout = GetParam().card;
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, layout));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, layout);
  const std::string sector0Before = ReadHostBytes(card, 0, 512);

  const platform::LocalTime from = platform::GetLocalTime();
  const CliResult created = RunCli({"create", card, "--count", "3", "--name", "Reference Card"});
  const platform::LocalTime to = platform::GetLocalTime();
  ASSERT_EQ(created.exitCode, 0) << Describe(created);
  EXPECT_EQ(created.err, "") << "no progress when standard error is no terminal";

  ExpectFreshContainer(ContainerOf(volume), 3, true, "Reference Card", from, to);
  EXPECT_EQ(testsupport::MtoolsAttributes(volume, kContainerOnVolume), "RS")
      << "read-only and system, nothing else";
  const auto runs = testsupport::MtoolsRuns(volume, kContainerOnVolume);
  EXPECT_EQ(runs.size(), 1u);
  ASSERT_FALSE(runs.empty());

  const std::string sector0After = ReadHostBytes(card, 0, 512);
  const std::uint64_t startSector = testsupport::ClusterToImageSector(volume, runs.front().first);
  EXPECT_EQ(StartSectorRecord(sector0After), startSector);
  ExpectOnlyRecordChanged(sector0Before, sector0After);
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;

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
                         ::testing::Values(NamedCard{"Fat16At63", kFat16At63},
                                           NamedCard{"Fat32At2048", Card(128 * kMiB, 32, 2048)},
                                           NamedCard{"BareFat16", Card(32 * kMiB, 16, 0)}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(CreateCommand, MakesDoubleDensityContainersWithOptionsInAnyPlace) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kFat16At63));
  const platform::LocalTime from = platform::GetLocalTime();
  const CliResult created = RunCli({"--dd", "--count=2", "create", card});
  const platform::LocalTime to = platform::GetLocalTime();
  ASSERT_EQ(created.exitCode, 0) << Describe(created);
  ExpectFreshContainer(ContainerOf(testsupport::VolumeOf(card, kFat16At63)), 2, false, "", from,
                       to);
  EXPECT_EQ(StateOf(card)["kind"], "DD");
}

// The count is refused before the card is touched: the old container, its
// protection and the start sector record stay as they were.
TEST(CreateCommand, RefusesCountsThatCannotWorkAndKeepsTheOldContainer) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kFat16At63));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, kFat16At63);
  const CliResult first = RunCli({"create", card, "--count", "20", "--name", "Keep Me"});
  ASSERT_EQ(first.exitCode, 0) << Describe(first);
  const std::string container = ContainerOf(volume);
  const std::string sector0 = ReadHostBytes(card, 0, 512);

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
  EXPECT_EQ(ContainerOf(volume), container);
  EXPECT_EQ(testsupport::MtoolsAttributes(volume, kContainerOnVolume), "RS")
      << "read-only and system, nothing else";
  EXPECT_EQ(ReadHostBytes(card, 0, 512), sector0);

  // 25 images fit only once the old 20 are gone; the name carries over.
  const CliResult bigger = RunCli({"create", card, "--count", "25"});
  ASSERT_EQ(bigger.exitCode, 0) << Describe(bigger);
  auto state = StateOf(card);
  EXPECT_EQ(state["flags"], "0x00F");
  EXPECT_EQ(state["images"], "25");
  EXPECT_EQ(state["name"], "Keep Me");
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
}

TEST(CreateCommand, FragmentedFreeSpaceGivesAContainerThatIsNotUsable) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kFat16At63));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, kFat16At63);
  const std::string image = testsupport::MtoolsImage(volume);
  // Sixty 1 MiB files fill the card; deleting every other one leaves 1 MiB
  // holes and less than the container's 8 MiB in one piece at the end.
  const std::string files = testsupport::Quote(dir.path() + "/fill");
  std::string out;
  ASSERT_EQ(testsupport::RunCommand("mkdir -p " + files +
                                        " && for i in $(seq -w 1 60); do head -c 1048576 "
                                        "/dev/zero > " +
                                        files + "/f$i.bin; done 2>&1",
                                    &out),
            0)
      << out;
  ASSERT_EQ(testsupport::Mtools("mcopy", image, files + "/* ::/", &out), 0) << out;
  std::string evenFiles;
  for (int i = 2; i <= 60; i += 2)
    evenFiles += (i < 10 ? " ::/f0" : " ::/f") + std::to_string(i) + ".bin";
  ASSERT_EQ(testsupport::Mtools("mdel", image, evenFiles, &out), 0) << out;
  const std::string sector0 = ReadHostBytes(card, 0, 512);

  const CliResult created = RunCli({"create", card, "--count", "3"});
  EXPECT_EQ(created.exitCode, 1) << Describe(created);
  EXPECT_EQ(created.err, "FFA-Error: DCF is Fragmented\n");
  EXPECT_GT(testsupport::MtoolsRuns(volume, kContainerOnVolume).size(), 1u);
  const CliResult usable = RunCli({"make-usable", card});
  EXPECT_EQ(usable.exitCode, 1);
  EXPECT_EQ(usable.err, "FFA-Error: DCF is Fragmented\n");

  const auto state = StateOf(card);
  const unsigned long flags = std::stoul(state.at("flags"), nullptr, 16);
  EXPECT_EQ(flags & 0x002, 0x002u) << "the container itself is valid";
  EXPECT_EQ(flags & 0x004, 0u) << "but not in one piece";
  EXPECT_EQ(ReadHostBytes(card, 0, 512), sector0) << "the start sector record stays untouched";
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
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
