// Names on the card: one Windows-1252 byte a character, cut by characters,
// and a name the card cannot store refused before anything changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "container/card_folder_fixture.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/main_header.h"
#include "container/slot_block.h"
#include "container/slot_info.h"
#include "platform/errors.h"

namespace {

constexpr int kNoByte = static_cast<int>(platform::kErrorNoUnicodeTranslation);

std::string Repeat(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::string Field(const std::uint8_t* field, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(field), size);
}

TEST(CardNamesTest, OneWindows1252ByteACharacterCutByCharacters) {
  struct Case {
    std::string typed;
    std::string stored;  // in the container's field, up to the terminator
    std::string shown;
  };
  const Case headerCases[] = {
      {"Größe",
       "Gr\xF6\xDF"
       "e",
       "Größe"},
      {"€ 5", "\x80 5", "€ 5"},
      {Repeat("ä", 300), std::string(255, '\xE4'), Repeat("ä", 255)},
  };
  for (const Case& c : headerCases) {
    MainHeader header;
    ASSERT_TRUE(header.SetName(c.typed));
    EXPECT_EQ(Field(header.Bytes() + kHeaderNameOffset, c.stored.size() + 1), c.stored + '\0');
    EXPECT_EQ(header.Name(), c.shown);
  }
  const Case slotCases[] = {
      {"Größe",
       "Gr\xF6\xDF"
       "e",
       "Größe"},
      {Repeat("ä", 16), std::string(15, '\xE4'), Repeat("ä", 15)},
  };
  for (const Case& c : slotCases) {
    std::uint8_t record[kSlotInfoSize];
    ASSERT_TRUE(BuildSlotInfo(record, c.typed, platform::LocalTime{}));
    EXPECT_EQ(Field(record + kSlotInfoNameOffset, c.stored.size() + 1), c.stored + '\0');
    EXPECT_EQ(SlotInfoName(record), c.shown);
  }
}

TEST(CardNamesTest, ANameTheCardCannotStoreChangesNothing) {
  const std::string omega = "\xCE\xA9mega";
  MainHeader header;
  ASSERT_TRUE(header.SetName("old"));
  EXPECT_FALSE(header.SetName(omega));
  EXPECT_EQ(header.Name(), "old");

  std::uint8_t record[kSlotInfoSize];
  ASSERT_TRUE(BuildSlotInfo(record, "old", platform::LocalTime{}));
  EXPECT_FALSE(SetSlotInfoName(record, omega));
  EXPECT_FALSE(BuildSlotInfo(record, omega, platform::LocalTime{}));
  EXPECT_EQ(SlotInfoName(record), "old");

  ByteBuffer block(kContainerBlockSize, 0x11);
  EXPECT_EQ(BuildMainHeaderBlock(block, omega, true, 1), kNoByte);
  EXPECT_EQ(BuildImageSlotBlock(block, ByteBuffer(kHdImageSize, 0x22), omega, true), kNoByte);
  EXPECT_EQ(block, ByteBuffer(kContainerBlockSize, 0x11));
  ByteBuffer image(kHdImageSize, 0x22);  // a block to be that holds its image already
  EXPECT_EQ(FinishImageSlotBlock(image, omega, true), kNoByte);
  EXPECT_EQ(image, ByteBuffer(kHdImageSize, 0x22));

  cardtest::CardFolder card('W');
  ASSERT_TRUE(card.attached());
  ASSERT_EQ(FfaCreate('W', 1, "Kept", true, nullptr), FFA_OK);
  const ByteBuffer before = cardtest::ReadHostFile(card.hostContainer());
  EXPECT_EQ(FfaRename('W', omega), kNoByte);
  EXPECT_EQ(FfaCreate('W', 2, omega, true, nullptr), kNoByte);
  EXPECT_EQ(cardtest::ReadHostFile(card.hostContainer()), before);
  EXPECT_EQ(platform::GetAttributes(card.container()), cardtest::kProtected);
}

}  // namespace
