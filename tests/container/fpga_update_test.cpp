// Storing, replacing and clearing the FPGA update in a main header block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "container/container_layout.h"
#include "container/fpga_update.h"
#include "container/main_header.h"
#include "driveaccess/dda_error_codes.h"

namespace {

ByteBuffer HeaderBlock(std::uint16_t imageCount) {
  ByteBuffer block(kContainerBlockSize);
  EXPECT_EQ(BuildMainHeaderBlock(block, "Cell 7", true, imageCount), 0);
  return block;
}

ByteBuffer Update(std::size_t size, std::uint8_t seed) {
  ByteBuffer data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(seed + i * 7);
  return data;
}

bool Holds(const ByteBuffer& block, std::size_t offset, const ByteBuffer& data) {
  return std::equal(data.begin(), data.end(), block.begin() + static_cast<std::ptrdiff_t>(offset));
}

bool AllFF(const ByteBuffer& block, std::size_t from, std::size_t to) {
  return std::all_of(block.begin() + static_cast<std::ptrdiff_t>(from),
                     block.begin() + static_cast<std::ptrdiff_t>(to),
                     [](std::uint8_t b) { return b == 0xFF; });
}

TEST(FpgaUpdateTest, StoreReplaceAndClearMoveTheImageCount) {
  ByteBuffer block = HeaderBlock(5);
  const ByteBuffer first = Update(5000, 1);
  ASSERT_EQ(SetFpgaUpdate(block, &first), 0);
  MainHeader h(block.data());
  EXPECT_EQ(h.ImageCount(), 0);
  EXPECT_EQ(h.SavedImageCount(), 5);
  EXPECT_EQ(h.FpgaPresent(), 1);
  EXPECT_EQ(h.FpgaLength(), 5000u);
  EXPECT_TRUE(Holds(block, 2048, first));
  EXPECT_TRUE(AllFF(block, 2048 + 5000, kContainerBlockSize));
  EXPECT_TRUE(AllFF(block, 286, 2048));

  // A shorter replacement: counts stay, the old tail stays behind the data.
  const ByteBuffer second = Update(1000, 99);
  ASSERT_EQ(SetFpgaUpdate(block, &second), 0);
  h = MainHeader(block.data());
  EXPECT_EQ(h.ImageCount(), 0);
  EXPECT_EQ(h.SavedImageCount(), 5);
  EXPECT_EQ(h.FpgaLength(), 1000u);
  EXPECT_TRUE(Holds(block, 2048, second));
  EXPECT_TRUE(Holds(block, 2048 + 1000, ByteBuffer(first.begin() + 1000, first.end())));

  // Clearing fills the stored length, whatever an older update left behind.
  ASSERT_EQ(SetFpgaUpdate(block, nullptr), 0);
  h = MainHeader(block.data());
  EXPECT_EQ(h.ImageCount(), 5);
  EXPECT_EQ(h.SavedImageCount(), 0);
  EXPECT_EQ(h.FpgaPresent(), 0);
  EXPECT_EQ(h.FpgaLength(), 0u);
  EXPECT_EQ(h.Name(), "Cell 7");
  EXPECT_TRUE(AllFF(block, 2048, 2048 + 1000));
  EXPECT_TRUE(Holds(block, 2048 + 1000, ByteBuffer(first.begin() + 1000, first.end())));
}

TEST(FpgaUpdateTest, SizeLimits) {
  struct Case {
    std::size_t size;
    int result;
  };
  for (const Case c :
       {Case{0, 0}, Case{kMaxFpgaLength, 0}, Case{kMaxFpgaLength + 1, DDA_ERR_WRONG_IMAGE_SIZE}}) {
    ByteBuffer block = HeaderBlock(4);
    const ByteBuffer before = block;
    const ByteBuffer data = Update(c.size, 3);
    ASSERT_EQ(SetFpgaUpdate(block, &data), c.result) << c.size;
    if (c.result != 0) {
      EXPECT_TRUE(block == before) << "refused update leaves the block unchanged";
      continue;
    }
    const MainHeader h(block.data());
    EXPECT_EQ(h.FpgaPresent(), 1) << "even an empty update counts as stored";
    EXPECT_EQ(h.ImageCount(), 0);
    EXPECT_EQ(h.FpgaLength(), c.size);
    EXPECT_TRUE(Holds(block, 2048, data));
    EXPECT_TRUE(AllFF(block, 2048 + c.size, kContainerBlockSize));
  }
}

TEST(FpgaUpdateTest, ClearingWithoutUpdateChangesNothing) {
  ByteBuffer block = HeaderBlock(7);
  const ByteBuffer before = block;
  ASSERT_EQ(SetFpgaUpdate(block, nullptr), 0);
  EXPECT_TRUE(block == before);
}

TEST(FpgaUpdateTest, DamagedLengthDoesNotRunPastTheBlock) {
  ByteBuffer block = HeaderBlock(2);
  const ByteBuffer data = Update(10, 5);
  ASSERT_EQ(SetFpgaUpdate(block, &data), 0);
  MainHeader h(block.data());
  h.SetFpgaLength(0xFFFFFFF0u);
  std::copy(h.Bytes(), h.Bytes() + MainHeader::Size(), block.begin());
  ASSERT_EQ(SetFpgaUpdate(block, nullptr), 0);
  EXPECT_TRUE(AllFF(block, 2048, kContainerBlockSize));
  EXPECT_EQ(MainHeader(block.data()).ImageCount(), 2);
}

TEST(FpgaUpdateTest, WrongBlockSizeIsRefused) {
  const ByteBuffer data = Update(16, 0);
  for (std::size_t size : {std::size_t{0}, std::size_t{2048}, kContainerBlockSize - 1}) {
    ByteBuffer block(size, 0xFF);
    EXPECT_EQ(SetFpgaUpdate(block, &data), DDA_ERR_WRONG_IMAGE_SIZE) << size;
    EXPECT_EQ(SetFpgaUpdate(block, nullptr), DDA_ERR_WRONG_IMAGE_SIZE) << size;
    EXPECT_EQ(block, ByteBuffer(size, 0xFF));
  }
}

}  // namespace
