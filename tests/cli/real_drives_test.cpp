// The tool on real drives: a card image on loop devices, its partition on a
// loop device of its own and mounted with fusefat (root, /dev/loop-control
// and fusefat needed; skipped elsewhere). A loop device is a fixed disk, as
// the system disk is: the commands that write raw sectors refuse it unless
// --any-disk is given, whether it is named by its letter or by a device node.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/loop_devices.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

using linuxtest::FusefatMount;
using linuxtest::LoopDevice;

const testsupport::ReferenceCard kCard = Card(64ull << 20, 16, 63);

// The columns of the `drives` line whose device node is `node`; empty when
// there is none.
std::vector<std::string> DriveLine(const std::string& node) {
  const CliResult drives = RunCli({"drives"});
  EXPECT_EQ(drives.exitCode, 0) << Describe(drives);
  std::istringstream lines(drives.out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> columns;
    std::istringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '\t')) columns.push_back(field);
    if (columns.size() == 8 && columns[5] == node) return columns;
  }
  return {};
}

TEST(RealDrives, RawWritesRefuseAFixedDiskUnlessAskedFor) {
  const std::string reason = linuxtest::FusefatUnavailable();
  if (!reason.empty()) GTEST_SKIP() << reason;
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string image = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, kCard));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(image, kCard);
  LoopDevice whole(image);
  LoopDevice part(image, volume.offset, volume.sectors * 512);
  ASSERT_FALSE(whole.node().empty());
  ASSERT_FALSE(part.node().empty());
  const std::string folder = dir.File("mnt");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  auto mount = std::make_unique<FusefatMount>(part.node(), folder);
  ASSERT_TRUE(mount->mounted()) << "fusefat did not mount";

  const std::vector<std::string> line = DriveLine(part.node());
  ASSERT_EQ(line.size(), 8u) << "the mount has no drive with its node";
  const std::string letter = line[0];
  EXPECT_EQ(line[1], "Harddisk Drive");
  EXPECT_EQ(line[6], "-");  // a loop device names no vendor nor model
  EXPECT_EQ(line[7], folder);

  const std::string refused = "quillfen-cli: " + letter + " (" + part.node() +
                              ") is no removable card drive but a Harddisk Drive: raw sectors are "
                              "written only to removable drives; add --any-disk to write to it "
                              "all the same\n";
  const std::string before = testsupport::ReadHostBytes(image, 0, kCard.sizeBytes);
  for (const std::string& card : {letter, part.node(), whole.node()}) {
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"erase", card},
                                               {"make-usable", card},
                                               {"delete", card},
                                               {"create", card, "--count", "1"}}) {
      SCOPED_TRACE(command[0] + " " + card);
      const CliResult result = RunCli(command);
      EXPECT_EQ(result.exitCode, 1) << Describe(result);
      EXPECT_EQ(result.err, refused);
    }
  }
  const CliResult german = RunCli({"--lang", "de", "erase", letter});
  EXPECT_EQ(german.err, "quillfen-cli: " + letter + " (" + part.node() +
                            ") ist kein Wechseldatenträger, sondern ein Festplatten Laufwerk: "
                            "Sektoren werden nur auf Wechseldatenträger geschrieben; mit "
                            "--any-disk trotzdem darauf schreiben\n");
  EXPECT_TRUE(testsupport::ReadHostBytes(image, 0, kCard.sizeBytes) == before)
      << "a refused command changed the disk";

  // Asked for, they write; the nodes name the same drive.
  const CliResult created =
      RunCli({"create", part.node(), "--count", "1", "--name", "Fixed", "--any-disk"});
  ASSERT_EQ(created.exitCode, 0) << Describe(created);
  EXPECT_EQ(StateOf(whole.node())["flags"], "0x00F");
  const CliResult erased = RunCli({"erase", letter, "--any-disk"});
  EXPECT_EQ(erased.exitCode, 0) << Describe(erased);
  EXPECT_EQ(StateOf(part.node())["flags"], "0x001");

  // A device without a drive on it (its volume not mounted) is worked on
  // through the device, as its image would be; still a fixed disk.
  const std::string blank = dir.File("blank.img");
  ASSERT_TRUE(testsupport::WriteHostFile(blank, std::string(1 << 20, '\0')));
  LoopDevice unmounted(blank);
  ASSERT_FALSE(unmounted.node().empty());
  const CliResult none = RunCli({"state", unmounted.node()});
  EXPECT_EQ(none.exitCode, 0) << Describe(none);
  EXPECT_EQ(none.out, RunCli({"state", blank}).out);
  const CliResult fixed = RunCli({"erase", unmounted.node()});
  EXPECT_EQ(fixed.exitCode, 1);
  EXPECT_NE(fixed.err.find("(" + unmounted.node() + ") is no removable card drive"),
            std::string::npos)
      << fixed.err;
  mount.reset();
}

}  // namespace
}  // namespace clitest
