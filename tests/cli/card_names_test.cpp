// Names through the tool: typed and shown as UTF-8, stored on the card as
// Windows-1252 bytes, and a character the card cannot store refused.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "container/container_layout.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace clitest {
namespace {

const testsupport::ReferenceCard kCard = Card(64ull << 20, 16, 63);

std::string Repeat(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(CardNames, StoredInWindows1252AndShownAsTyped) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kCard));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, kCard);
  const CliResult created = RunCli({"create", card, "--count", "2", "--name", "Größe"});
  ASSERT_EQ(created.exitCode, 0) << Describe(created);
  const CliResult renamed = RunCli({"slot-name", card, "1", Repeat("ä", 16)});
  ASSERT_EQ(renamed.exitCode, 0) << Describe(renamed);

  const std::string container = ContainerOf(volume);
  ASSERT_EQ(container.size(), 3 * kContainerBlockSize);
  EXPECT_EQ(container.substr(18, 6),
            "Gr\xF6\xDF"
            "e" +
                std::string(1, '\0'));
  const std::size_t record = GetSlotPartOffset(0, kSlotPartSlotInfo);
  EXPECT_EQ(container.substr(record + 2, 16), std::string(15, '\xE4') + '\0');
  EXPECT_EQ(StateOf(card)["name"], "Größe");
  const CliResult slots = RunCli({"slots", card});
  EXPECT_EQ(slots.out.substr(0, 2 + 30 + 1), "1\t" + Repeat("ä", 15) + "\t") << slots.out;
}

TEST(CardNames, ACharacterTheCardCannotStoreIsRefused) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kCard));
  const testsupport::ImageVolume volume = testsupport::VolumeOf(card, kCard);
  ASSERT_EQ(RunCli({"create", card, "--count", "1", "--name", "Kept"}).exitCode, 0);
  const std::string before = ContainerOf(volume);
  const std::string omega = "\xCE\xA9mega";
  const std::string english = "quillfen-cli: name '" + omega +
                              "': the card stores names in Windows-1252, which has no '\xCE\xA9' "
                              "(U+03A9)\n";
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{"rename", card, omega}, english},
      {{"slot-name", card, "1", omega}, english},
      {{"create", card, "--count", "1", "--name", omega}, english},
      {{"--lang", "de", "rename", card, omega},
       "quillfen-cli: Name '" + omega +
           "': die Karte speichert Namen in Windows-1252, das kein '\xCE\xA9' (U+03A9) kennt\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[c.args[0] == "--lang" ? 2 : 0]);
    const CliResult result = RunCli(c.args);
    EXPECT_EQ(result.exitCode, 1) << Describe(result);
    EXPECT_EQ(result.err, c.error);
    EXPECT_TRUE(ContainerOf(volume) == before) << "the container changed";
  }
}

}  // namespace
}  // namespace clitest
