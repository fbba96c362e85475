// The card tools (hex, dump, new-card-image, delete, erase), the demo, and a
// card without raw rights.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "container/card_state.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

using testsupport::ReadHostBytes;

const testsupport::ReferenceCard kCard = Card(64ull * 1024 * 1024, 16, 63);

// The volume of a card the tool made, from its start sector to the card's end.
testsupport::ImageVolume VolumeAt(const std::string& card, std::uint64_t start,
                                  std::uint64_t sizeBytes) {
  return {card, start * 512, sizeBytes / 512 - start};
}

TEST(HexCommand, ShowsSectorsWithOffsetsAndRefusesAStartPastTheEnd) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kCard));
  const CliResult hex = RunCli({"hex", card, "63", "2"});
  ASSERT_EQ(hex.exitCode, 0) << Describe(hex);
  const std::string expected = ReadHostBytes(card, 63 * 512, 1024);
  ASSERT_EQ(expected.size(), 1024u);
  std::istringstream lines(hex.out);
  std::string line;
  std::size_t count = 0;
  while (std::getline(lines, line)) {
    unsigned long long offset = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%llx", &offset), 1) << line;
    EXPECT_EQ(offset, 63 * 512 + count * 16);
    for (std::size_t i = 0; i < 16; ++i) {
      char byte[3];
      std::snprintf(byte, sizeof byte, "%02X", Bytes(expected)[count * 16 + i]);
      EXPECT_EQ(line.substr(line.find(' ') + 2 + i * 3, 2), byte) << line;
    }
    ++count;
  }
  EXPECT_EQ(count, 64u) << "16 bytes a line";

  const std::string end = std::to_string(kCard.sizeBytes / 512);
  const CliResult past = RunCli({"hex", card, end, "1"});
  EXPECT_EQ(past.exitCode, 1);
  EXPECT_EQ(past.err, "DDA-Error: Set File Position\n");
  EXPECT_EQ(past.out, "");
}

TEST(DumpCommand, CopiesTheWholeCard) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kCard));
  ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
  const std::string copy = dir.File("copy.img");
  const CliResult dumped = RunCli({"dump", card, copy});
  ASSERT_EQ(dumped.exitCode, 0) << Describe(dumped);
  EXPECT_EQ(testsupport::RunCommand("cmp -s " + card + " " + copy), 0);
}

TEST(NewCardImageCommand, MakesCardsThatTheToolsAndTheContainerAccept) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const struct {
    const char* name;
    std::vector<std::string> options;
    std::uint64_t start;  // sectors
    std::uint64_t sizeBytes;
    const char* partitionType;  // sfdisk's type, "" for a bare volume
  } kCases[] = {
      {"default", {"--size", "64M"}, 2048, 64ull << 20, "6"},
      {"fat32",
       {"--size", "134217728", "--fat", "32", "--start", "63", "--label", "MY CARD"},
       63,
       128ull << 20,
       "c"},
      {"bare", {"--size", "32M", "--no-mbr"}, 0, 32ull << 20, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string card = dir.File(std::string(c.name) + ".img");
    std::vector<std::string> args = {"new-card-image", card};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliResult made = RunCli(args);
    ASSERT_EQ(made.exitCode, 0) << Describe(made);
    EXPECT_EQ(std::filesystem::file_size(card), c.sizeBytes);
    std::string table;
    testsupport::RunCommand("sfdisk -d " + card + " 2>/dev/null", &table);
    if (*c.partitionType) {
      EXPECT_NE(table.find("start=" + std::string(c.start < 100 ? "          " : "        ") +
                           std::to_string(c.start)),
                std::string::npos)
          << table;
      EXPECT_NE(table.find(std::string("type=") + c.partitionType), std::string::npos) << table;
    }
    const testsupport::ImageVolume volume = VolumeAt(card, c.start, c.sizeBytes);
    std::string report;
    EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
    ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
    EXPECT_EQ(StateOf(card)["flags"], "0x00F");
    EXPECT_EQ(testsupport::MtoolsRuns(volume, kContainerOnVolume).size(), 1u);
    EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
  }
}

TEST(EraseCommand, RemovesContainerFolderAutorunAndProgramCopy) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kCard));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, kCard);
  const std::string sector0 = ReadHostBytes(card, 0, 512);
  ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
  const std::string extra = dir.File("autorun.inf");
  ASSERT_TRUE(testsupport::WriteHostFile(extra, std::string(300, 'x')));
  for (const char* target : {"/autorun.inf", "/quillfen-cli", "/keep.txt"}) {
    ASSERT_TRUE(testsupport::MtoolsPut(volume, extra, target)) << target;
  }

  const CliResult erased = RunCli({"erase", card});
  EXPECT_EQ(erased.exitCode, 0) << Describe(erased);
  EXPECT_EQ(erased.err, "");
  std::string listing;
  testsupport::Mtools("mdir", testsupport::MtoolsImage(volume), "-a -b ::/", &listing);
  EXPECT_EQ(listing, "::/keep.txt\n");
  EXPECT_EQ(ReadHostBytes(card, 0, 512), sector0) << "the record is cleared, nothing else changed";
  EXPECT_EQ(StateOf(card)["flags"], "0x001");
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;

  // Nothing left to erase is no failure either; deleting a missing container is.
  EXPECT_EQ(RunCli({"erase", card}).exitCode, 0);
  const CliResult deleted = RunCli({"delete", card});
  EXPECT_EQ(deleted.exitCode, 1);
  EXPECT_EQ(deleted.err, "FFA-Error: File not found\n");
}

// What erase could not do is a failure with its text, and the card stays as
// it was: a card the user may not write keeps its container, a card without a
// FAT volume is not touched at all.
TEST(EraseCommand, ReportsWhatItCouldNotDo) {
  SKIP_WITHOUT_CARD_TOOLS();
  struct Case {
    const char* what;
    bool readOnly;
    bool volumeWiped;
    const char* error;
    const char* flags;
  };
  const Case cases[] = {
      {"read-only card", true, false, "FFA-Error: Can't set FileAttribte\n", "0x00F"},
      {"no FAT volume", false, true, "The disk media is not recognized. It may not be formatted.\n",
       "0x200"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::TempDir dir;
    const std::string card = dir.File("card.img");
    ASSERT_TRUE(testsupport::MakeReferenceCard(card, kCard));
    ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
    RunOptions options;
    if (c.volumeWiped) {
      // The start sector record stays; the volume's boot sector is gone.
      std::fstream image(card, std::ios::binary | std::ios::in | std::ios::out);
      image.seekp(static_cast<std::streamoff>(kCard.partitionStart * 512));
      image.write(std::string(512, '\0').data(), 512);
    }
    if (c.readOnly) {
      ASSERT_EQ(chmod(card.c_str(), 0444), 0);
      ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
      // Root writes whatever the mode says; the tool runs as nobody then.
      if (geteuid() == 0) options.runAsUser = 65534;
    }
    const std::string before = ReadHostBytes(card, 0, kCard.sizeBytes);
    ASSERT_EQ(before.size(), kCard.sizeBytes);
    const CliResult erased = RunCli({"erase", card}, options);
    EXPECT_EQ(erased.exitCode, 1) << Describe(erased);
    EXPECT_EQ(erased.err, c.error);
    EXPECT_TRUE(ReadHostBytes(card, 0, kCard.sizeBytes) == before) << "the card changed";
    EXPECT_EQ(StateOf(card)["flags"], c.flags);
  }
}

TEST(DemoCommand, RunsTwiceOnItsOwnCardImage) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir home;
  RunOptions options;
  options.env = {{"XDG_DATA_HOME", home.path()}};
  for (int run = 0; run < 2; ++run) {
    const CliResult demo = RunCli({"demo"}, options);
    ASSERT_EQ(demo.exitCode, 0) << "run " << run << "\n" << Describe(demo);
    EXPECT_NE(demo.out.find("flags: 0x00F\n"), std::string::npos) << demo.out;
    EXPECT_NE(demo.out.find("images: 5\n"), std::string::npos);
    EXPECT_NE(demo.out.find("\n2\tTools\t"), std::string::npos);
    EXPECT_NE(demo.out.find("\n5\tEmpty 5\t"), std::string::npos);
  }
  const std::string card = home.path() + "/Quillfen/demo-card.img";
  constexpr std::uint64_t kDemoBytes = 64ull << 20;
  EXPECT_EQ(std::filesystem::file_size(card), kDemoBytes);
  const testsupport::ImageVolume volume = VolumeAt(card, 63, kDemoBytes);
  std::string label;
  testsupport::Mtools("mlabel", testsupport::MtoolsImage(volume), "-s ::", &label);
  EXPECT_NE(label.find("DEMO CF"), std::string::npos) << label;
  const std::string container = ContainerOf(volume);
  ASSERT_EQ(container.size(), 6u * 2097152);
  const std::string floppy = home.File("slot2.img");
  ASSERT_TRUE(testsupport::WriteHostFile(floppy, container.substr(2 * 2097152, 1474560)));
  std::string text;
  EXPECT_EQ(
      testsupport::RunCommand("MTOOLS_SKIP_CHECK=1 mtype -i " + floppy + " ::README.TXT", &text),
      0);
  EXPECT_NE(text.find("Quillfen demo"), std::string::npos);
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
}

// A card the user may not open raw: the tool cannot get there with an image
// path, so the drive is attached here with the refusal switched on.
TEST(CardWithoutRawRights, StillShowsItsContainer) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kCard));
  ASSERT_EQ(RunCli({"create", card, "--count", "2"}).exitCode, 0);
  platform::ImageDriveOptions options;
  options.denyRawAccess = true;
  std::uint32_t error = 0;
  const char letter = platform::AttachCardImage(card, options, 0, &error);
  ASSERT_NE(letter, 0) << error;
  std::uint64_t size = 0;
  CardState state;
  const std::uint32_t flags = FfaGetCardState(std::string(1, letter) + ":", size, state);
  platform::DriveTable::Instance().Detach(letter);
  EXPECT_EQ(flags, CARD_NO_RAW_RIGHTS | CARD_CONTAINER_VALID);
  EXPECT_EQ(state.Header.ImageCount(), 2);
}

}  // namespace
}  // namespace clitest
