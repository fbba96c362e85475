// Files the tool reads (an FPGA update, a floppy image for a slot): a device
// or a pipe is named as what it is without waiting on it, and a file that is
// too long is refused by its length before any of it is read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace clitest {
namespace {

// A file of that length without any blocks on the disk; empty on failure.
std::string SparseFile(const testsupport::TempDir& dir, const std::string& name,
                       std::uint64_t bytes) {
  const std::string path = dir.File(name);
  std::ofstream(path).close();
  return truncate(path.c_str(), static_cast<off_t>(bytes)) == 0 ? path : std::string();
}

TEST(InputFiles, DevicesPipesAndOverlongFilesAreRefusedForWhatTheyAre) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, Card(64ull << 20, 16, 63)));
  ASSERT_EQ(RunCli({"create", card, "--count", "1"}).exitCode, 0);
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, Card(64ull << 20, 16, 63));
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string gib3 = SparseFile(dir, "3g.bin", 3ull << 30);
  const std::string gib5 = SparseFile(dir, "5g.bin", 5ull << 30);
  ASSERT_FALSE(gib3.empty());
  ASSERT_FALSE(gib5.empty());

  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string error;
  };
  const std::string notAFile = ": not a regular file (a device or a pipe)\n";
  const Case cases[] = {
      {"update from a device", {"fpga", card, "/dev/zero"}, "quillfen-cli: /dev/zero" + notAFile},
      {"update from a pipe", {"fpga", card, pipe}, "quillfen-cli: " + pipe + notAFile},
      {"update of 3 GiB", {"fpga", card, gib3}, "DDA-Error: Wrong Image Size\n"},
      {"update of 5 GiB", {"fpga", card, gib5}, "DDA-Error: Wrong Image Size\n"},
      {"slot image from a pipe",
       {"write-slot", card, "1", pipe},
       "quillfen-cli: " + pipe + notAFile},
      {"slot image from a device",
       {"write-slot", card, "1", "/dev/zero"},
       "quillfen-cli: /dev/zero" + notAFile},
      {"slot image of 5 GiB",
       {"write-slot", card, "1", gib5},
       "DDA-Error: Wrong Floppy/Image Size (HD / DD)\n"},
      {"in German",
       {"--lang", "de", "fpga", card, "/dev/zero"},
       "quillfen-cli: /dev/zero: keine gewöhnliche Datei (ein Gerät oder eine Pipe)\n"},
  };
  const std::string before = ContainerOf(volume);
  ASSERT_FALSE(before.empty());
  RunOptions options;
  options.timeoutSeconds = 60;  // a pipe must never be waited on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CliResult result = RunCli(c.args, options);
    EXPECT_EQ(result.exitCode, 1) << Describe(result);
    EXPECT_EQ(result.err, c.error);
    EXPECT_TRUE(ContainerOf(volume) == before) << "the container changed";
  }
}

}  // namespace
}  // namespace clitest
