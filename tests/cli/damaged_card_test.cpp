// Cards that other systems or a failing host left damaged: a container chain
// that runs into another file, a container entry carrying the volume label
// bit, and a host disk that fills up while a container is created. Nothing
// the tool does on them may cost another file or leave clusters behind.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include "base/bytes.h"
#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/volume_patch.h"

namespace clitest {
namespace {

using testsupport::ReadHostBytes;

constexpr std::uint64_t kMiB = 1024 * 1024;

std::string VolumeBytes(const testsupport::ImageVolume& v) {
  return ReadHostBytes(v.path, v.offset, v.sectors * 512);
}

std::uint32_t EntryCluster(const std::string& entry) {
  return le::Read16(Bytes(entry) + 26) | (le::Read16(Bytes(entry) + 20) << 16);
}

TEST(CrossLinkedContainer, DeleteCreateAndEraseLeaveTheOtherFileAlone) {
  SKIP_WITHOUT_CARD_TOOLS();
  const std::string after = testsupport::TestBytes(20000, 5);
  for (const std::string command : {"delete", "create", "erase"}) {
    SCOPED_TRACE(command);
    testsupport::TempDir dir;
    const std::string card = dir.File("card.img");
    const testsupport::ReferenceCard reference = Card(64 * kMiB, 16, 63);
    ASSERT_TRUE(testsupport::MakeReferenceCard(card, reference));
    ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
    const testsupport::ImageVolume volume = testsupport::VolumeOf(card, reference);
    ASSERT_TRUE(testsupport::WriteHostFile(dir.File("AFTER.BIN"), after));
    ASSERT_TRUE(testsupport::MtoolsPut(volume, dir.File("AFTER.BIN"), "/AFTER.BIN"));
    // The container's last cluster links to AFTER.BIN's first, in both FATs.
    const auto containerRuns = testsupport::MtoolsRuns(volume, kContainerOnVolume);
    const auto afterRuns = testsupport::MtoolsRuns(volume, "/AFTER.BIN");
    ASSERT_FALSE(containerRuns.empty());
    ASSERT_FALSE(afterRuns.empty());
    ASSERT_TRUE(testsupport::SetFatEntry(volume,
                                         static_cast<std::uint32_t>(containerRuns.back().second),
                                         static_cast<std::uint32_t>(afterRuns.front().first)));
    const std::string before = VolumeBytes(volume);

    const CliResult result =
        command == "create" ? RunCli({"create", card, "--count", "2"}) : RunCli({command, card});
    // Refused, and said so: erase too, as the container stays.
    EXPECT_EQ(result.exitCode, 1) << Describe(result);
    EXPECT_NE(result.err.find("FFA-Error"), std::string::npos) << Describe(result);
    std::string content;
    ASSERT_TRUE(testsupport::MtoolsRead(volume, "/AFTER.BIN", &content));
    EXPECT_EQ(content, after);
    EXPECT_TRUE(VolumeBytes(volume) == before) << "the volume changed";
  }
}

// Make usable records no start sector for a container the controller cannot
// trust: one whose chain runs into another file, or whose entry says size 0
// over a chain. The record stays as it was, and the volume's error says why.
TEST(UntrustedContainer, MakeUsableRecordsNoStartSector) {
  SKIP_WITHOUT_CARD_TOOLS();
  for (const int fatBits : {12, 16, 32}) {
    for (const bool crossLinked : {true, false}) {
      SCOPED_TRACE(testing::Message() << "FAT" << fatBits << (crossLinked ? " cross" : " empty"));
      testsupport::TempDir dir;
      const std::string card = dir.File("card.img");
      const testsupport::ReferenceCard reference =
          Card((fatBits == 12 ? 16 : 64) * kMiB, fatBits, 63);
      ASSERT_TRUE(testsupport::MakeReferenceCard(card, reference));
      ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
      const testsupport::ImageVolume volume = testsupport::VolumeOf(card, reference);
      const auto runs = testsupport::MtoolsRuns(volume, kContainerOnVolume);
      ASSERT_FALSE(runs.empty());
      if (crossLinked) {
        ASSERT_TRUE(testsupport::WriteHostFile(dir.File("AFTER.BIN"), "after"));
        ASSERT_TRUE(testsupport::MtoolsPut(volume, dir.File("AFTER.BIN"), "/AFTER.BIN"));
        const auto after = testsupport::MtoolsRuns(volume, "/AFTER.BIN");
        ASSERT_FALSE(after.empty());
        ASSERT_TRUE(testsupport::SetFatEntry(volume, static_cast<std::uint32_t>(runs.back().second),
                                             static_cast<std::uint32_t>(after.front().first)));
      } else {
        const auto folder = testsupport::MtoolsRuns(volume, "/DornveldFLP");
        ASSERT_FALSE(folder.empty());
        const std::uint64_t at = testsupport::FindShortEntry(
            volume, static_cast<std::uint32_t>(folder.front().first), "DORNVE~1DFP");
        ASSERT_NE(at, 0u);
        ASSERT_TRUE(testsupport::WriteImageBytes(card, at + 28, std::string(4, '\0')));
      }
      ASSERT_TRUE(testsupport::WriteImageBytes(card, 432, std::string(4, '\0')));

      const CliResult result = RunCli({"make-usable", card});
      EXPECT_EQ(result.exitCode, 1) << Describe(result);
      EXPECT_NE(result.err.find("The disk structure is corrupted and unreadable."),
                std::string::npos)
          << Describe(result);
      EXPECT_EQ(ReadHostBytes(card, 432, 4), std::string(4, '\0')) << "no start sector recorded";
    }
  }
}

TEST(ContainerEntryWithLabelBit, IsNoContainerAndEraseKeepsItsFolder) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  const testsupport::ReferenceCard reference = Card(64 * kMiB, 16, 63);
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, reference));
  ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, reference);
  const auto folderRuns = testsupport::MtoolsRuns(volume, "/DornveldFLP");
  ASSERT_FALSE(folderRuns.empty());
  const auto folder = static_cast<std::uint32_t>(folderRuns.front().first);
  const std::uint64_t at = testsupport::FindShortEntry(volume, folder, "DORNVE~1DFP");
  ASSERT_NE(at, 0u);
  std::string entry = ReadHostBytes(card, at, 32);
  entry[11] = static_cast<char>(entry[11] | 0x08);
  ASSERT_TRUE(testsupport::WriteImageBytes(card, at, entry));
  const std::uint32_t first = EntryCluster(entry);
  ASSERT_NE(testsupport::GetFatEntry(volume, first), 0u);

  EXPECT_EQ(StateOf(card)["flags"], "0x001") << "a label entry is not the container";
  RunCli({"erase", card});
  EXPECT_EQ(ReadHostBytes(card, at, 32), entry) << "the folder and the entry stay";
  EXPECT_EQ(testsupport::MtoolsNames(volume, "/"), std::vector<std::string>{"DornveldFLP"});
  EXPECT_NE(testsupport::GetFatEntry(volume, first), 0u) << "its clusters stay its own";
}

// A tmpfs of our own, mounted for the test's life.
class SmallHostDisk {
 public:
  SmallHostDisk(const std::string& path, std::uint64_t bytes) : path_(path) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = mkdir(path.c_str(), 0700) == 0 &&
               mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallHostDisk() {
    if (mounted_) umount(path_.c_str());
  }
  SmallHostDisk(const SmallHostDisk&) = delete;
  SmallHostDisk& operator=(const SmallHostDisk&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

TEST(CreateOnAFullHostDisk, LeavesNeitherLostClustersNorDifferingFats) {
  SKIP_WITHOUT_CARD_TOOLS();
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  testsupport::TempDir dir;
  SmallHostDisk disk(dir.File("small"), 48 * kMiB);
  if (!disk.mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here";
  // A sparse 256 MiB card on a host disk of 48 MiB: a container of 40 images
  // (82 MiB) runs out of host space half way.
  const std::string card = dir.File("small/card.img");
  const testsupport::ReferenceCard reference = Card(256 * kMiB, 32, 2048);
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, reference));
  const CliResult created = RunCli({"create", card, "--count", "40"});
  EXPECT_EQ(created.exitCode, 1) << Describe(created);

  const std::string copy = dir.File("copy.img");
  ASSERT_EQ(testsupport::RunCommand("cp --sparse=always " + testsupport::Quote(card) + " " +
                                    testsupport::Quote(copy)),
            0);
  const testsupport::ImageVolume volume = testsupport::VolumeOf(copy, reference);
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
  EXPECT_EQ(StateOf(copy)["flags"], "0x001");
}

}  // namespace
}  // namespace clitest
