// The command line itself: usage errors, languages, options in any place,
// result code texts, and progress only on a terminal.
#include <gtest/gtest.h>

#include "base/current_language.h"
#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "container/write_verify.h"
#include "platform/errors.h"
#include "services/error_report.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace clitest {
namespace {

const testsupport::ReferenceCard kBareCard = Card(32ull << 20, 16, 0);

TEST(CliUsage, MalformedCommandLinesExitTwoWithTheUsageText) {
  testsupport::TempDir dir;
  const std::string card = dir.File("never-touched.img");
  const std::vector<std::vector<std::string>> kCases = {
      {},
      {"bogus"},
      {"state"},
      {"slots", card, "extra"},
      {"create", card},
      {"create", card, "--count", "3x"},
      {"create", card, "--count", "-3"},
      {"create", card, "--count"},
      {"create", card, "--count", "3", "--count", "4"},
      {"state", card, "--dd"},
      {"delete", card, "--frobnicate"},
      {"read-slot", card, "0", "out.img"},
      {"read-slot", card, "2x", "out.img"},
      {"slot-name", card, " 1", "Name"},
      {"fpga", card},
      {"fpga", card, "update.bin", "--clear"},
      {"hex", card, "zero", "1"},
      {"hex", card, "0", "0x"},
      {"new-card-image", card},
      {"new-card-image", card, "--size", "1000"},
      {"new-card-image", card, "--size", "64M", "--fat", "24"},
      {"new-card-image", card, "--size", "64M", "--no-mbr", "--start", "63"},
      {"--lang", "fr", "drives"},
      {"--dd=yes", "drives"},
  };
  for (const auto& args : kCases) {
    std::string line;
    for (const std::string& a : args) line += a + " ";
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.exitCode, 2) << line << "\n" << Describe(result);
    EXPECT_NE(result.err.find("Usage: quillfen-cli"), std::string::npos) << line;
    EXPECT_EQ(result.out, "") << line;
  }
  EXPECT_FALSE(testsupport::RunCommand("test -e " + card) == 0) << "no usage error made a file";
}

TEST(CliUsage, HelpAndVersionGoToStandardOutput) {
  for (const char* option : {"--help", "-h"}) {
    const CliResult help = RunCli({"state", option});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("new-card-image FILE --size BYTES"), std::string::npos);
  }
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("quillfen-cli ", 0), 0u);
  const CliResult german = RunCli({"--help", "--lang=de"});
  EXPECT_NE(german.out.find("Aufruf: quillfen-cli"), std::string::npos);
}

TEST(CliUsage, CardsThatCannotBeOpenedAreReported) {
  testsupport::TempDir dir;
  const std::string missing = dir.File("missing.img");
  const CliResult image = RunCli({"state", missing});
  EXPECT_EQ(image.exitCode, 1);
  EXPECT_EQ(image.err.rfind(missing + ": ", 0), 0u) << image.err;
  const CliResult letter = RunCli({"slots", "Q:"});
  EXPECT_EQ(letter.exitCode, 1);
  EXPECT_EQ(letter.err, "DDA-Error: No Drive\n");
  const CliResult german = RunCli({"slots", "q", "--lang", "de"});
  EXPECT_EQ(german.err, "DDA-Fehler: Kein Laufwerk\n");
}

TEST(CliUsage, GermanTextsAndOptionsAfterTheArguments) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kBareCard));
  const CliResult tooMany = RunCli({"create", card, "--count", "100", "--lang", "de"});
  EXPECT_EQ(tooMany.exitCode, 1);
  EXPECT_EQ(tooMany.err, "FFA-Fehler: Zu viele Abbilder\n");
  const CliResult noContainer = RunCli({"slots", card, "--lang", "de"});
  EXPECT_EQ(noContainer.exitCode, 1);
  EXPECT_EQ(noContainer.err, "FFA-Fehler: Datei nicht gefunden\n");
  const CliResult usage = RunCli({"slots", card, "--lang", "de", "--block"});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("Aufruf:"), std::string::npos);
}

TEST(CliUsage, ProgressIsShownOnlyOnATerminal) {
  SKIP_WITHOUT_CARD_TOOLS();
  testsupport::TempDir dir;
  const std::string card = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(card, kBareCard));
  RunOptions terminal;
  terminal.stderrIsTerminal = true;
  const CliResult shown = RunCli({"create", card, "--count", "2"}, terminal);
  EXPECT_EQ(shown.exitCode, 0) << Describe(shown);
  EXPECT_NE(shown.err.find("\rCreate Dornveld Container File  3/3"), std::string::npos)
      << shown.err;
  const CliResult hidden = RunCli({"create", card, "--count", "2"});
  EXPECT_EQ(hidden.exitCode, 0);
  EXPECT_EQ(hidden.err, "");
}

// The text choice that the desktop window's error report shares.
TEST(ResultCodeText, PicksTheFamilyByRange) {
  const struct {
    int code;
    const char* english;
    const char* german;
  } kCases[] = {
      {0, "", ""},
      {1223, "", ""},
      {-200, "FFA-Error: Unknown  -200 !", "FFA-Fehler: Unbekannt  -200 !"},
      {-209, "FFA-Error: DCF is Fragmented", "FFA-Fehler: DCD ist fragmentiert"},
      {-213, "FFA-Error: The card did not keep what was written: sector 5 differs",
       "FFA-Fehler: Die Karte hat nicht behalten, was geschrieben wurde: Sektor 5 weicht ab"},
      {-199, "Error Unknown: -199", "Fehler unbekannt: -199"},
      {-214, "Error Unknown: -214", "Fehler unbekannt: -214"},
      {-700, "DDA-Error: Unknown  -700 !", nullptr},
      {-720, "DDA-Error: File not found", "DDA-Fehler: Datei nicht gefunden"},
      {-699, "Error Unknown: -699", "Fehler unbekannt: -699"},
      {-723, "Error Unknown: -723", "Fehler unbekannt: -723"},
      {-808, "DAV-Error: No (Administrtor) Rights", nullptr},
      {-809, "DAV-Error: Unknown  -809 !", nullptr},
      {-799, "Error Unknown: -799", "Fehler unbekannt: -799"},
      {-810, "Error Unknown: -810", "Fehler unbekannt: -810"},
      {-1, "Error Unknown: -1", "Fehler unbekannt: -1"},
  };
  FfaVerifyFailedAtCardSector(5);
  const int previous = CurrentLanguageId();
  for (const auto& c : kCases) {
    SetCurrentLanguageId(kLanguageEnglish);
    EXPECT_EQ(ResultCodeText(c.code), c.english) << c.code;
    SetCurrentLanguageId(kLanguageGerman);
    if (c.german) {
      EXPECT_EQ(ResultCodeText(c.code), c.german) << c.code;
    }
  }
  SetCurrentLanguageId(kLanguageEnglish);
  EXPECT_EQ(ResultCodeText(5), platform::SystemErrorText(5));
  EXPECT_NE(ResultCodeText(5), "");
  SetCurrentLanguageId(previous);
}

}  // namespace
}  // namespace clitest
