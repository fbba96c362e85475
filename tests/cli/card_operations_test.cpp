// The desktop window and the tool run the same card operations: for one
// failure of each command family, the operation run here with a scripted user
// (as the window runs it) and the tool on the same card give the same result
// and the same text.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "container/card_operations.h"
#include "container/container_creation.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "platform/drive.h"
#include "platform/files.h"
#include "platform/image/image_drive.h"
#include "services/error_report.h"
#include "support/scoped_language.h"
#include "support/scripted_user.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace clitest {
namespace {

constexpr std::size_t kDdImage = 737280;

class SameResult : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_CARD_TOOLS();
    ASSERT_TRUE(testsupport::MakeReferenceCard(card_, Card(64ull << 20, 16, 63)));
    ASSERT_EQ(RunCli({"create", card_, "--count", "2"}).exitCode, 0);
  }

  // The operation's result on the card attached in this process.
  int InProcess(const std::function<int(char letter)>& operation) {
    std::uint32_t error = 0;
    const char letter = platform::AttachCardImage(card_, {}, 0, &error);
    if (letter == 0) {
      ADD_FAILURE() << "the card cannot be attached: " << error;
      return 0;
    }
    const int code = operation(letter);
    platform::DriveTable::Instance().Detach(letter);
    return code;
  }

  // The tool fails with the text the window shows for the operation's code.
  void ExpectTheToolToSay(int code, const std::vector<std::string>& args) {
    ASSERT_NE(code, 0);
    const CliResult cli = RunCli(args);
    EXPECT_EQ(cli.exitCode, 1) << Describe(cli);
    EXPECT_EQ(cli.err, ResultCodeText(code) + "\n");
  }

  static SlotTarget Slot(char letter, int slot) {
    SlotTarget target;
    target.drive = letter;
    target.slot = slot;
    return target;
  }

  testsupport::ScopedLanguage english_{kLanguageEnglish};
  testsupport::TempDir dir_;
  std::string card_ = dir_.File("card.img");
  std::string ddImage_ = dir_.File("dd.img");
  testsupport::ScriptedUser user_;
};

TEST_F(SameResult, SlotTransferOfAnImageOfTheOtherKind) {
  ASSERT_TRUE(testsupport::WriteHostFile(ddImage_, std::string(kDdImage, '\xF6')));
  user_.files = {ddImage_};
  const int code = InProcess([&](char letter) { return CardFileToSlot(Slot(letter, 0), user_); });
  ExpectTheToolToSay(code, {"write-slot", card_, "1", ddImage_});
}

TEST_F(SameResult, SlotNameOfARecordPastTheEndOfAShortContainer) {
  // The container ends in the middle of slot 2, before its record.
  const int code = InProcess([&](char letter) {
    const std::string path = FfaGetContainerPath(letter);
    EXPECT_EQ(FfaSetProtection(path, false), 0);
    {
      platform::File file =
          platform::OpenFile(path, platform::kGenericRead | platform::kGenericWrite,
                             platform::Disposition::kOpenExisting);
      EXPECT_TRUE(file.SetLength(2 * kContainerBlockSize + kContainerBlockSize / 2));
      EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(FfaSetProtection(path, true), 0);
    return CardWriteSlotName(Slot(letter, 1), "Short");
  });
  ExpectTheToolToSay(code, {"slot-name", card_, "2", "Short"});
}

TEST_F(SameResult, ContainerCreationWithTooManyImages) {
  const int code = InProcess([&](char letter) {
    ContainerCreationRequest request;
    request.count = 100;
    return CreateContainer(letter, request, nullptr).code;
  });
  ExpectTheToolToSay(code, {"create", card_, "--count", "100"});
}

TEST_F(SameResult, FpgaUpdateTooLong) {
  const std::string update = dir_.File("update.bin");
  ASSERT_TRUE(testsupport::WriteHostFile(update, std::string((1u << 20) + 1, '\x5A')));
  const int code =
      InProcess([&](char letter) { return CardStoreFpgaUpdate(letter, &update, user_); });
  ExpectTheToolToSay(code, {"fpga", card_, update});
}

TEST_F(SameResult, WholeCardCopyIntoAFolderThatIsNotThere) {
  const std::string copy = dir_.File("no/such/folder/copy.img");
  user_.files = {copy};
  const int code = InProcess([&](char letter) { return CardCopyToImageFile(letter, user_, 4096); });
  ExpectTheToolToSay(code, {"dump", card_, copy});
}

// The tool has no external edit; what it takes back is the tool's write-slot
// of the edited file.
TEST_F(SameResult, EditedImageTakenBackInTheWrongSize) {
  const std::string edited = dir_.File("edited.img");
  ASSERT_TRUE(testsupport::WriteHostFile(edited, std::string(kDdImage, '\xF6')));
  user_.answers = {true};
  const int code = InProcess([&](char letter) {
    return CardTakeBackEditedImage(Slot(letter, 0), edited, 0x12345678u, user_);
  });
  EXPECT_EQ(user_.questions.size(), 1u);
  EXPECT_FALSE(platform::PathExists(edited)) << "the edited file is deleted in every case";
  ASSERT_TRUE(testsupport::WriteHostFile(edited, std::string(kDdImage, '\xF6')));
  ExpectTheToolToSay(code, {"write-slot", card_, "1", edited});
}

}  // namespace
}  // namespace clitest
