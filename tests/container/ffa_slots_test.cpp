// Moving slot blocks into a container and reading slots back: where the bytes
// land, what the progress display is told, and a container that is shorter
// than its header promises.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>

#include "container/card_folder_fixture.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/slot_block.h"
#include "platform/files.h"

namespace {

using cardtest::CardFolder;
using cardtest::kProtected;
using cardtest::ProgressLog;
using cardtest::ReadHostFile;
using cardtest::RecordingProgress;

constexpr char kLetter = 'S';
constexpr std::size_t kBlock = kContainerBlockSize;

ByteBuffer PatternImage(bool highDensity, unsigned seed) {
  ByteBuffer image(FloppyImageSize(highDensity));
  std::mt19937 random(seed);
  for (auto& b : image) b = static_cast<std::uint8_t>(random());
  return image;
}

ByteBuffer Range(const ByteBuffer& bytes, std::size_t from, std::size_t length) {
  return ByteBuffer(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                    bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
}

// Kind 0 with the length, then kind 1 with the bytes done before each of the
// 64 pieces.
ProgressLog PieceLog(std::size_t length) {
  ProgressLog log{{0, static_cast<int>(length)}};
  for (std::size_t i = 0; i < 64; ++i) log.emplace_back(1, static_cast<int>(i * (length / 64)));
  return log;
}

// A write's pieces, then its read-back from 0 in pieces of 8 MiB to the whole.
ProgressLog WriteLog(std::size_t length) {
  ProgressLog log = PieceLog(length);
  log.emplace_back(0, static_cast<int>(length));
  for (std::size_t done = 0; done < length; done += 8u << 20) {
    log.emplace_back(1, static_cast<int>(done));
  }
  log.emplace_back(1, static_cast<int>(length));
  return log;
}

TEST(FfaSlotTest, SlotZeroIsTheSecondBlockWithProgressInSixtyFourPieces) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ASSERT_EQ(FfaCreate(kLetter, 3, "slots", true, nullptr), FFA_OK);
  const ByteBuffer before = ReadHostFile(card.hostContainer());

  ByteBuffer block;
  ASSERT_EQ(BuildImageSlotBlock(block, PatternImage(true, 1), "Disk 1", true), 0);
  ProgressLog log;
  RecordingProgress progress(&log);
  ASSERT_EQ(FfaWriteSlot(kLetter, 0, block, &progress), FFA_OK);

  ProgressLog expected = WriteLog(kBlock);
  EXPECT_EQ(log, expected);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1].second, 0);
  EXPECT_EQ(log[2].second, 32768);
  EXPECT_EQ(log[3].second, 65536);

  const ByteBuffer after = ReadHostFile(card.hostContainer());
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(Range(after, 2097152, kBlock), block);
  EXPECT_EQ(Range(after, 0, kBlock), Range(before, 0, kBlock));
  EXPECT_EQ(Range(after, 2 * kBlock, 2 * kBlock), Range(before, 2 * kBlock, 2 * kBlock));
  EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
}

// Slots written out of order, in both kinds, read back whole or as the image
// alone; the slots not written keep their empty blocks.
TEST(FfaSlotTest, WrittenSlotsReadBack) {
  for (const bool hd : {true, false}) {
    SCOPED_TRACE(hd ? "HD" : "DD");
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    ASSERT_EQ(FfaCreate(kLetter, 4, "rw", hd, nullptr), FFA_OK);
    const ByteBuffer before = ReadHostFile(card.hostContainer());

    const std::uint32_t slots[] = {3, 0};
    ByteBuffer blocks[2];
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(BuildImageSlotBlock(blocks[i], PatternImage(hd, 10 + slots[i]), "img", hd), 0);
      ASSERT_EQ(FfaWriteSlot(kLetter, slots[i], blocks[i], nullptr), FFA_OK);
    }
    for (int i = 0; i < 2; ++i) {
      ByteBuffer whole(kBlock, 0xAB);
      EXPECT_EQ(FfaReadSlot(kLetter, slots[i], whole, nullptr), FFA_OK);
      EXPECT_EQ(whole, blocks[i]);

      ByteBuffer image(FloppyImageSize(hd), 0xAB);
      ProgressLog log;
      RecordingProgress progress(&log);
      EXPECT_EQ(FfaReadSlot(kLetter, slots[i], image, &progress), FFA_OK);
      EXPECT_EQ(image, Range(blocks[i], 0, image.size()));
      EXPECT_EQ(log, PieceLog(image.size()));
    }
    const ByteBuffer after = ReadHostFile(card.hostContainer());
    for (const std::uint32_t untouched : {1u, 2u}) {
      const std::size_t at = (untouched + 1) * kBlock;
      EXPECT_EQ(Range(after, at, kBlock), Range(before, at, kBlock)) << untouched;
    }
    EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
  }
}

// A length that 64 does not divide: 63 equal pieces and the rest last.
TEST(FfaSlotTest, LastPieceCarriesTheRest) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ASSERT_EQ(FfaCreate(kLetter, 2, "odd", false, nullptr), FFA_OK);
  const ByteBuffer before = ReadHostFile(card.hostContainer());
  ByteBuffer data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);

  ProgressLog log;
  RecordingProgress progress(&log);
  ASSERT_EQ(FfaWriteSlot(kLetter, 1, data, &progress), FFA_OK);
  ASSERT_EQ(log, WriteLog(1000)) << "the pieces, then the read-back";
  EXPECT_EQ(log[64], std::make_pair(1, 63 * 15));

  const ByteBuffer file = ReadHostFile(card.hostContainer());
  EXPECT_EQ(Range(file, 2 * kBlock, data.size()), data);
  EXPECT_EQ(Range(file, 2 * kBlock + data.size(), kBlock - data.size()),
            Range(before, 2 * kBlock + data.size(), kBlock - data.size()));
  ByteBuffer back(1000, 0);
  EXPECT_EQ(FfaReadSlot(kLetter, 1, back, nullptr), FFA_OK);
  EXPECT_EQ(back, data);
}

// The header promises more slots than the file holds: reading a slot beyond
// the end fails, and the caller's buffer keeps no bytes of its own.
TEST(FfaSlotTest, SlotBeyondTheEndOfAShortContainer) {
  struct Case {
    const char* what;
    std::size_t fileLength;
    std::uint32_t slot;
  };
  const Case cases[] = {
      {"slot entirely missing", 3 * kBlock, 2},
      {"slot cut in its middle", 3 * kBlock + 700000, 2},
      {"slot cut inside the first piece", 3 * kBlock + 100, 2},
      {"far beyond the end", 3 * kBlock, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    ASSERT_EQ(FfaCreate(kLetter, 3, "short", true, nullptr), FFA_OK);
    const ByteBuffer full = ReadHostFile(card.hostContainer());
    ASSERT_EQ(truncate(card.hostContainer().c_str(), static_cast<off_t>(c.fileLength)), 0);

    ByteBuffer buffer(kBlock, 0xAB);
    const int result = FfaReadSlot(kLetter, c.slot, buffer, nullptr);
    EXPECT_NE(result, FFA_OK);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), 0);
    const std::size_t start = (c.slot + 1) * kBlock;
    const std::size_t present = c.fileLength > start ? c.fileLength - start : 0;
    // Whatever was delivered is the file's own bytes, the rest is zero.
    for (std::size_t i = 0; i < buffer.size(); ++i) {
      if (buffer[i] != 0 && (i >= present || buffer[i] != full[start + i])) {
        ADD_FAILURE() << "byte " << i << " is " << int{buffer[i]};
        break;
      }
    }
    EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
  }
}

}  // namespace
