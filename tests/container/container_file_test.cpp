// A container file on disk opened as a card: known by its signature, worked
// on in place, refused by the commands that need a card.
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
#include "support/scoped_language.h"
#include "support/scripted_user.h"

namespace {
using cardtest::ReadHostFile;

constexpr std::size_t kHdImage = 1474560;
const int kNotSupported = static_cast<int>(platform::kErrorNotSupported);

class ContainerFileAsCard : public testing::Test {
 protected:
  // A three-slot container made on a card, copied out under a name that
  // says nothing of what it is, and attached.
  void SetUp() override {
    {
      cardtest::CardFolder card('K');
      ASSERT_EQ(FfaCreate('K', 3, "Backup", true, nullptr), 0);
      ASSERT_TRUE(cardtest::WriteHostFile(path_, ReadHostFile(card.hostContainer())));
    }
    Attach(false);
  }
  void TearDown() override { EXPECT_TRUE(letter_ == 0 || DetachCardFile(letter_)); }
  void Attach(bool readOnly) {
    platform::ImageDriveOptions options;
    options.readOnly = readOnly;
    std::uint32_t error = 0;
    letter_ = AttachCardFile(path_, options, &error);
    ASSERT_TRUE(letter_ != 0 && IsContainerFileCard(letter_)) << error;
  }
  SlotTarget Slot(int slot, const char* name = nullptr) const {
    SlotTarget target{letter_, slot, true, std::nullopt};
    if (name) target.name = name;
    return target;
  }

  testsupport::TempDir dir_;
  std::string path_ = dir_.File("backup.bin");
  char letter_ = 0;
  testsupport::ScriptedUser user_;
};

TEST_F(ContainerFileAsCard, StateAndStatusLine) {
  std::uint64_t size = 0;
  CardState state;
  EXPECT_EQ(FfaGetCardState(std::string(1, letter_) + ":", size, state),
            CARD_CONTAINER_FILE | CARD_CONTAINER_VALID);
  EXPECT_EQ(size, 4u * kContainerBlockSize);
  testsupport::ScopedLanguage german(kLanguageGerman);
  CardStatusView view = DescribeCardState(state, size, "", true);
  EXPECT_EQ(view.statusText,
            "--- Dornveld Container Datei auf dem Rechner, keine Karte, Datei ist "
            "schreibgeschützt: nur lesen ---");
  EXPECT_EQ(view.containerPath, path_);
  EXPECT_FALSE(view.writable || view.containerNameEnabled || view.createEnabled ||
               view.makeUsableEnabled || view.eraseEnabled || view.cardToolsEnabled);
  view = DescribeCardState(state, size, "");
  EXPECT_TRUE(view.writable && view.containerNameEnabled && view.fpgaUpdateEnabled);
}

TEST_F(ContainerFileAsCard, SlotsNamesAndFpgaChangeTheFileInPlace) {
  ByteBuffer image(kHdImage);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  ByteBuffer written = image;
  ByteBuffer back;
  ASSERT_EQ(CardWriteSlot(Slot(1, "Games"), written, user_), 0);
  ASSERT_EQ(CardReadSlot(Slot(1), back, false, user_), 0);
  EXPECT_TRUE(back == image);
  EXPECT_EQ(FfaRename(letter_, "Renamed"), 0);
  const std::string fpga = dir_.File("fpga.bin");
  ASSERT_TRUE(cardtest::WriteHostFile(fpga, ByteBuffer(100, 0x5A)));
  EXPECT_EQ(CardStoreFpgaUpdate(letter_, &fpga, user_), 0);

  const ByteBuffer file = ReadHostFile(path_);
  ASSERT_EQ(file.size(), 4u * kContainerBlockSize);
  const MainHeader header(file.data());
  EXPECT_EQ(header.Name(), "Renamed");
  EXPECT_EQ(header.FpgaLength(), 100u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), file.begin() + 2 * kContainerBlockSize));
  EXPECT_EQ(SlotInfoName(&file[GetSlotPartOffset(1, kSlotPartSlotInfo)]), "Games");
}

TEST_F(ContainerFileAsCard, CardOnlyCommandsAndReadOnlyLeaveTheFileAsItWas) {
  const ByteBuffer before = ReadHostFile(path_);
  ContainerCreationRequest request;
  EXPECT_EQ(FfaMakeUsable(letter_), kNotSupported);
  EXPECT_EQ(CardErase(letter_, OwnProgramFile{}), kNotSupported);
  EXPECT_EQ(CreateContainer(letter_, request, nullptr).code, kNotSupported);
  EXPECT_EQ(CardDeleteContainer(FfaGetContainerPath(letter_)), kNotSupported);
  // Nor is an image saved over it, by whatever path it is named.
  EXPECT_EQ(CardSaveImageFile(dir_.File("./backup.bin"), ByteBuffer(kHdImage), user_),
            static_cast<int>(platform::kErrorAccessDenied));
  ASSERT_TRUE(DetachCardFile(letter_));
  Attach(true);
  ByteBuffer image(kHdImage, 0xE5);
  EXPECT_NE(CardWriteSlot(Slot(0), image, user_), 0);
  EXPECT_NE(FfaRename(letter_, "Nope"), 0);
  EXPECT_TRUE(ReadHostFile(path_) == before);
}

}  // namespace
