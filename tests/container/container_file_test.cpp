// A container file on disk opened as a card: recognised by its signature
// whatever its name, its slots, names and FPGA update worked on in place,
// and the commands that need a card around it refused with the file
// untouched.
#include <gtest/gtest.h>

#include <algorithm>

#include "container/card_folder_fixture.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/card_status.h"
#include "container/container_creation.h"
#include "container/container_file.h"
#include "container/container_layout.h"
#include "container/main_header.h"
#include "container/slot_info.h"
#include "container/slot_records.h"
#include "platform/drive.h"
#include "support/scoped_language.h"
#include "support/scripted_user.h"

namespace {
using cardtest::ReadHostFile;

constexpr std::size_t kHdImage = 1474560;
const int kNotSupported = static_cast<int>(platform::kErrorNotSupported);

class ContainerFileAsCard : public testing::Test {
 protected:
  // A fresh three-slot container made on a card, copied out under a name
  // that says nothing of what it is.
  void SetUp() override {
    cardtest::CardFolder card('K');
    ASSERT_TRUE(card.attached());
    ASSERT_EQ(FfaCreate('K', 3, "Backup", true, nullptr), 0);
    ASSERT_TRUE(cardtest::WriteHostFile(path_, ReadHostFile(card.hostContainer())));
  }
  void TearDown() override {
    if (letter_ != 0) {
      EXPECT_TRUE(DetachCardFile(letter_));
    }
  }
  void Attach(bool readOnly = false) {
    platform::ImageDriveOptions options;
    options.readOnly = readOnly;
    std::uint32_t error = 0;
    letter_ = AttachCardFile(path_, options, &error);
    ASSERT_NE(letter_, 0) << error;
    ASSERT_TRUE(IsContainerFileCard(letter_));
  }
  SlotTarget Slot(int slot) const { return SlotTarget{letter_, slot, true, std::nullopt}; }

  testsupport::TempDir dir_;
  std::string path_ = dir_.File("backup.bin");
  char letter_ = 0;
  testsupport::ScriptedUser user_;
};

TEST_F(ContainerFileAsCard, KnownByItsSignatureAlone) {
  EXPECT_TRUE(IsContainerFile(path_));
  ByteBuffer notOne = ReadHostFile(path_);
  notOne[15] ^= 1;
  const std::string other = dir_.File("other.dfp");
  ASSERT_TRUE(cardtest::WriteHostFile(other, notOne));
  EXPECT_FALSE(IsContainerFile(other));
  ASSERT_TRUE(cardtest::WriteHostFile(other, ByteBuffer(notOne.begin(), notOne.begin() + 15)));
  EXPECT_FALSE(IsContainerFile(other)) << "shorter than the signature";
  EXPECT_FALSE(IsContainerFile(dir_.File("missing.dfp")));
}

TEST_F(ContainerFileAsCard, StateAndStatusLine) {
  Attach();
  std::uint64_t size = 0;
  CardState state;
  EXPECT_EQ(FfaGetCardState(std::string(1, letter_) + ":", size, state),
            CARD_CONTAINER_FILE | CARD_CONTAINER_VALID);
  EXPECT_EQ(size, 4u * 0x200000);
  EXPECT_EQ(state.ContainerFile, path_);
  EXPECT_EQ(state.Header.Name(), "Backup");

  struct Case {
    int language;
    bool writeProtected;
    const char* text;
  };
  const Case cases[] = {
      {kLanguageEnglish, false, "--- Dornveld Container File on disk, not a Card ---"},
      {kLanguageGerman, false, "--- Dornveld Container Datei auf dem Rechner, keine Karte ---"},
      {kLanguageEnglish, true,
       "--- Dornveld Container File on disk, not a Card, File is write protected: read only ---"},
  };
  for (const Case& c : cases) {
    testsupport::ScopedLanguage language(c.language);
    const CardStatusView view = DescribeCardState(state, size, "", c.writeProtected);
    EXPECT_EQ(view.statusText, c.text);
    EXPECT_EQ(view.containerPath, path_);
    EXPECT_EQ(view.type, "HD");
    EXPECT_FALSE(view.createEnabled || view.makeUsableEnabled || view.eraseEnabled ||
                 view.cardToolsEnabled);
    EXPECT_EQ(view.containerNameEnabled, !c.writeProtected);
    EXPECT_EQ(view.fpgaUpdateEnabled, !c.writeProtected);
    EXPECT_EQ(view.writable, !c.writeProtected);
  }
  // A header that no longer reads says so in red, with nothing enabled.
  state.Flags = CARD_CONTAINER_FILE;
  testsupport::ScopedLanguage english(kLanguageEnglish);
  const CardStatusView broken = DescribeCardState(state, size, "");
  EXPECT_EQ(broken.statusText, "--- Dornveld Container File unreadable (not a card) ---");
  EXPECT_EQ(broken.severity, kStatusError);
  EXPECT_FALSE(broken.containerNameEnabled || broken.fpgaUpdateEnabled);
}

TEST_F(ContainerFileAsCard, SlotsNamesAndFpgaChangeTheFileInPlace) {
  Attach();
  ByteBuffer image(kHdImage);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  ByteBuffer written = image;
  SlotTarget target = Slot(1);
  target.name = "Games";
  ASSERT_EQ(CardWriteSlot(target, written, user_), 0);
  ByteBuffer back;
  ASSERT_EQ(CardReadSlot(Slot(1), back, false, user_), 0);
  EXPECT_TRUE(back == image);
  EXPECT_EQ(CardWriteSlotName(Slot(2), "Third"), 0);
  EXPECT_EQ(FfaRename(letter_, "Renamed"), 0);
  const std::string fpga = dir_.File("fpga.bin");
  ASSERT_TRUE(cardtest::WriteHostFile(fpga, ByteBuffer(100, 0x5A)));
  EXPECT_EQ(CardStoreFpgaUpdate(letter_, &fpga, user_), 0);

  // All of it is in the file itself, read around the drive.
  const ByteBuffer file = ReadHostFile(path_);
  ASSERT_EQ(file.size(), 4u * 0x200000);
  const MainHeader header(file.data());
  EXPECT_EQ(header.Name(), "Renamed");
  EXPECT_EQ(header.FpgaLength(), 100u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), file.begin() + 2 * 0x200000));
  EXPECT_EQ(SlotInfoName(&file[GetSlotPartOffset(1, kSlotPartSlotInfo)]), "Games");
  EXPECT_EQ(SlotInfoName(&file[GetSlotPartOffset(2, kSlotPartSlotInfo)]), "Third");
}

TEST_F(ContainerFileAsCard, CardOnlyCommandsAndReadOnlyLeaveTheFileAsItWas) {
  const ByteBuffer before = ReadHostFile(path_);
  Attach();
  ContainerCreationRequest request;
  request.count = 2;
  EXPECT_EQ(FfaMakeUsable(letter_), kNotSupported);
  EXPECT_EQ(CardErase(letter_, OwnProgramFile{}), kNotSupported);
  EXPECT_EQ(CreateContainer(letter_, request, nullptr).code, kNotSupported);
  EXPECT_EQ(CardDeleteContainer(FfaGetContainerPath(letter_)), kNotSupported);
  EXPECT_FALSE(platform::RemoveFile(FfaGetContainerPath(letter_)));
  // Nor is an image saved over it, by whatever path it is named.
  EXPECT_EQ(CardSaveImageFile(dir_.File("./backup.bin"), ByteBuffer(kHdImage), user_),
            static_cast<int>(platform::kErrorAccessDenied));
  EXPECT_TRUE(ReadHostFile(path_) == before);

  ASSERT_TRUE(DetachCardFile(letter_));
  Attach(true);
  EXPECT_TRUE(platform::IsWriteProtected(letter_));
  ByteBuffer image(kHdImage, 0xE5);
  EXPECT_NE(CardWriteSlot(Slot(0), image, user_), 0);
  EXPECT_NE(FfaRename(letter_, "Nope"), 0);
  EXPECT_TRUE(ReadHostFile(path_) == before);
}

}  // namespace
