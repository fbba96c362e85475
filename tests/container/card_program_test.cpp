// The program copy and autorun file beside a new container, the count
// field's limits, and the creation steps with their status texts, on a card
// stood in for by a host folder.
#include <gtest/gtest.h>

#include <string>

#include "base/current_language.h"
#include "card_folder_fixture.h"
#include "container/card_program.h"
#include "container/container_creation.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {
using cardtest::CardFolder;

constexpr char kLetter = 'W';
constexpr std::uint64_t kMiB2 = kContainerBlockSize;

class CardProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(card_.attached());
    program_.path = programDir_.File("quillfen");
    program_.name = "quillfen";
    programBytes_ = testsupport::TestBytes(7000, 5);
    ASSERT_TRUE(testsupport::WriteHostFile(program_.path, programBytes_));
    program_.size = programBytes_.size();
  }
  std::string OnCard(const std::string& name) const { return card_.hostRoot() + "/" + name; }
  bool CardHas(const std::string& name) const { return platform::PathExists(OnCard(name)); }
  std::string CardFile(const std::string& name) const {
    std::string content;
    testsupport::ReadHostFile(OnCard(name), &content);
    return content;
  }

  CardFolder card_{kLetter};
  testsupport::TempDir programDir_;
  OwnProgramFile program_;
  std::string programBytes_;
};

TEST_F(CardProgramTest, AutorunNamesTheProgramInFourLines) {
  EXPECT_EQ(FfaAutorunText("quillfen"),
            "[AutoRun]\r\nopen=quillfen\r\nicon=quillfen\r\n"
            "action=Starting Dornveld Tarnwick Software\r\n");
  EXPECT_EQ(FfaAutorunPath('E'), "E:\\autorun.inf");
  EXPECT_EQ(FfaProgramCopyPath('E', program_), "E:\\quillfen");
}

TEST_F(CardProgramTest, ReserveCountsOnlyWhatTheCardDoesNotHoldYet) {
  EXPECT_EQ(FfaProgramReserve(kLetter, program_, false, true), 0u);
  EXPECT_EQ(FfaProgramReserve(kLetter, program_, true, false), 7000u);
  EXPECT_EQ(FfaProgramReserve(kLetter, program_, true, true), 7300u);
  ASSERT_TRUE(testsupport::WriteHostFile(OnCard("quillfen"), std::string(2000, 'o')));
  EXPECT_EQ(FfaProgramReserve(kLetter, program_, true, true), 5300u);
  ASSERT_TRUE(testsupport::WriteHostFile(OnCard("quillfen"), std::string(9000, 'o')));
  EXPECT_EQ(FfaProgramReserve(kLetter, program_, true, true), 300u);
  EXPECT_EQ(FfaProgramReserve(kLetter, program_, true, false), 0u);
}

TEST_F(CardProgramTest, UntickingTheProgramCopyCanRaiseTheMaximum) {
  // Room for five blocks and 100 bytes: a container of four images fits
  // beside nothing, of three beside the program.
  card_.LimitFreeBytes(5 * kMiB2 + 100);
  EXPECT_EQ(FfaCreationMaxCount(kLetter, program_, false, true), 4u);
  EXPECT_EQ(FfaCreationMaxCount(kLetter, program_, true, false), 3u);
  EXPECT_EQ(FfaCreationMaxCount(kLetter, program_, true, true), 3u);
  card_.LimitFreeBytes(kMiB2 + 7200);
  EXPECT_EQ(FfaCreationMaxCount(kLetter, program_, true, true), 0u);
  card_.LimitFreeBytes(200ull * kMiB2);
  EXPECT_EQ(FfaCreationMaxCount(kLetter, program_, true, true), kMaxImageCount);
}

TEST(ImageCountField, ClampsToOneAndTheMaximum) {
  struct Case {
    const char* text;
    unsigned maximum;
    std::optional<unsigned> shown;
  };
  const Case cases[] = {
      {"150", 40, 40},
      {"41", 40, 40},
      {"40", 40, std::nullopt},
      {"7", 40, std::nullopt},
      {"0", 40, 1},
      {"", 40, 1},
      {"99999999999", 99, 99},
      {"150", 0, std::nullopt},
      {"0", 0, 1},
      {"1", 0, std::nullopt},
      {"007", 40, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClampImageCount(c.text, c.maximum), c.shown)
        << '"' << c.text << "\" max " << c.maximum;
    // What the field then shows is left alone.
    if (c.shown) {
      EXPECT_EQ(ClampImageCount(std::to_string(*c.shown), c.maximum), std::nullopt);
    }
  }
  EXPECT_EQ(ImageCountFromText("12"), 12u);
  EXPECT_EQ(ImageCountFromText("123456"), 100u);
}

TEST(ImageCountField, SpinnerFollowsAPositionAtTheOldMaximum) {
  EXPECT_EQ(SpinnerPositionForMaximum(0, -1, 40), 40);   // first computation
  EXPECT_EQ(SpinnerPositionForMaximum(40, 40, 41), 41);  // stood at the maximum
  EXPECT_EQ(SpinnerPositionForMaximum(0, 40, 38), 38);
  EXPECT_EQ(SpinnerPositionForMaximum(20, 40, 41), 20);  // chosen by the user
}

TEST_F(CardProgramTest, PutsTheProgramAndTheAutorunFileOnTheCard) {
  FfaPutProgramOnCard(kLetter, program_, false);
  EXPECT_EQ(CardFile("quillfen"), programBytes_);
  EXPECT_FALSE(CardHas("autorun.inf"));

  ASSERT_TRUE(testsupport::WriteHostFile(OnCard("autorun.inf"), "[AutoRun]\r\nopen=old\r\n"));
  FfaPutProgramOnCard(kLetter, program_, true);
  EXPECT_EQ(CardFile("quillfen"), programBytes_);
  EXPECT_EQ(CardFile("autorun.inf"), FfaAutorunText("quillfen"));

  FfaRemoveProgramFromCard(kLetter, program_);
  EXPECT_FALSE(CardHas("quillfen"));
  EXPECT_FALSE(CardHas("autorun.inf"));
}

TEST_F(CardProgramTest, AProgramRunningFromTheCardIsNeitherDeletedNorCopiedOntoItself) {
  // The card's mount is where the program was started from: the card's copy
  // is the running program, reached as a host path.
  OwnProgramFile running = program_;
  running.path = OnCard("quillfen");
  ASSERT_TRUE(testsupport::WriteHostFile(running.path, programBytes_));
  FfaRemoveProgramFromCard(kLetter, running);
  EXPECT_EQ(CardFile("quillfen"), programBytes_);
  FfaPutProgramOnCard(kLetter, running, true);
  EXPECT_EQ(CardFile("quillfen"), programBytes_);
  EXPECT_EQ(CardFile("autorun.inf"), FfaAutorunText("quillfen"));
}

TEST_F(CardProgramTest, ReadsTheRunningProgramsPathNameAndSize) {
  platform::SetModuleFileNameOverride(program_.path);
  const OwnProgramFile read = ReadOwnProgramFile();
  platform::SetModuleFileNameOverride("");
  EXPECT_EQ(read.path, program_.path);
  EXPECT_EQ(read.name, "quillfen");
  EXPECT_EQ(read.size, 7000u);
  EXPECT_FALSE(GetOwnProgramFile().path.empty());
}

TEST_F(CardProgramTest, CreationPutsTheProgramOnlyWithTheFirstBoxAndAutorunOnlyWithBoth) {
  struct Case {
    bool copyProgram;
    bool createAutorun;
    bool program;
    bool autorun;
  };
  for (const Case c : {Case{true, true, true, true}, Case{true, false, true, false},
                       Case{false, true, false, false}, Case{false, false, false, false}}) {
    // Files of an earlier creation go first, whatever the boxes say.
    ASSERT_TRUE(testsupport::WriteHostFile(OnCard("quillfen"), "old"));
    ASSERT_TRUE(testsupport::WriteHostFile(OnCard("autorun.inf"), "old"));
    ContainerCreationRequest request;
    request.count = 2;
    request.name = "Lathe";
    request.copyProgram = c.copyProgram;
    request.createAutorun = c.createAutorun;
    const CreationOutcome outcome = CreateContainerWithProgram(kLetter, request, program_, nullptr);
    // A folder has no sector 0 to record the start in.
    EXPECT_EQ(outcome.failedStep, CreationStep::kMakeUsable);
    EXPECT_NE(outcome.code, 0);
    EXPECT_EQ(FfaContainerExists(kLetter), FFA_OK);
    EXPECT_EQ(CardHas("quillfen"), c.program) << c.copyProgram << c.createAutorun;
    EXPECT_EQ(CardHas("autorun.inf"), c.autorun) << c.copyProgram << c.createAutorun;
    if (c.program) {
      EXPECT_EQ(CardFile("quillfen"), programBytes_);
    }
  }
}

TEST_F(CardProgramTest, AFailedCreationPutsNoProgramOnTheCard) {
  card_.LimitFreeBytes(2 * kMiB2);
  ContainerCreationRequest request;
  request.count = 5;
  const CreationOutcome outcome = CreateContainerWithProgram(kLetter, request, program_, nullptr);
  EXPECT_EQ(outcome.failedStep, CreationStep::kCreate);
  EXPECT_EQ(outcome.code, FFA_ERR_FREE_SPACE);
  EXPECT_FALSE(CardHas("quillfen"));
  EXPECT_FALSE(CardHas("autorun.inf"));
}

TEST(CreationStatusText, EachStepInBothLanguages) {
  const CreationOutcome ready;
  const CreationOutcome create{CreationStep::kCreate, FFA_ERR_FREE_SPACE};
  const CreationOutcome usable{CreationStep::kMakeUsable, -808};
  const int previous = CurrentLanguageId();
  SetCurrentLanguageId(kLanguageEnglish);
  EXPECT_EQ(CreationStatusText(ready), " Ready to Create DCF");
  EXPECT_EQ(CreationStatusText(create),
            "Create 'Dornveld Container File: " + FfaErrorText(FFA_ERR_FREE_SPACE));
  EXPECT_EQ(CreationStatusText(usable), " Optimize & Get Position: " + FfaErrorText(-808));
  SetCurrentLanguageId(kLanguageGerman);
  EXPECT_EQ(CreationStatusText(ready), "Bereit zur Erstellung der DCD");
  EXPECT_EQ(CreationStatusText(create),
            "Dornveld Container Datei: '" + FfaErrorText(FFA_ERR_FREE_SPACE) + "' erzeugen");
  EXPECT_EQ(CreationStatusText(usable),
            "Dateiposition: '" + FfaErrorText(-808) + "' optimieren und ermitteln");
  SetCurrentLanguageId(previous);
}

}  // namespace
