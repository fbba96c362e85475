// What counts as a container: the signature decides, whatever else the file
// holds. Operations refuse files without it and leave them alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "container/card_folder_fixture.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/main_header.h"
#include "platform/files.h"

namespace {

using cardtest::CardFolder;
using cardtest::ReadHostFile;
using cardtest::WriteHostFile;

constexpr char kLetter = 'V';

// A whole, valid container file of one slot, built in memory.
ByteBuffer ValidContainer() {
  ByteBuffer file(2 * kContainerBlockSize, 0xF6);
  ByteBuffer header(kContainerBlockSize);
  EXPECT_EQ(BuildMainHeaderBlock(header, "valid", true, 1), 0);
  std::copy(header.begin(), header.end(), file.begin());
  return file;
}

TEST(FfaHeaderCheckTest, FilesWithoutTheSignatureAreNoContainer) {
  struct Case {
    const char* what;
    std::function<void(ByteBuffer&)> change;
  };
  const Case cases[] = {
      {"first byte changed", [](ByteBuffer& f) { f[0] = 'd'; }},
      {"last signature byte changed", [](ByteBuffer& f) { f[15] = 'E'; }},
      {"all zero", [](ByteBuffer& f) { std::fill(f.begin(), f.end(), 0); }},
      {"signature one byte later",
       [](ByteBuffer& f) {
         std::memmove(&f[1], &f[0], 16);
         f[0] = ' ';
       }},
      {"signature only, 16 bytes", [](ByteBuffer& f) { f.resize(16); }},
      {"header one byte short", [](ByteBuffer& f) { f.resize(kMainHeaderSize - 1); }},
      {"empty file", [](ByteBuffer& f) { f.clear(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    ASSERT_TRUE(platform::MakeFolder(FfaGetFolderPath(kLetter)));
    ByteBuffer file = ValidContainer();
    c.change(file);
    ASSERT_TRUE(WriteHostFile(card.hostContainer(), file));
    ASSERT_EQ(FfaSetProtection(card.container(), true), FFA_OK);

    std::uint8_t header[kMainHeaderSize];
    std::memset(header, 0x77, sizeof header);
    EXPECT_FALSE(FfaReadMainHeader(card.container(), header));
    EXPECT_EQ(header[0], 0x77);  // nothing copied

    ByteBuffer block(kContainerBlockSize, 0x11);
    ByteBuffer buffer(kHdImageSize, 0x22);
    EXPECT_EQ(FfaRename(kLetter, "renamed"), FFA_ERR_NO_SIGNATURE);
    EXPECT_EQ(FfaWriteSlot(kLetter, 0, block, nullptr), FFA_ERR_NO_SIGNATURE);
    EXPECT_EQ(FfaReadSlot(kLetter, 0, buffer, nullptr), FFA_ERR_NO_SIGNATURE);
    EXPECT_EQ(ReadHostFile(card.hostContainer()), file);
    EXPECT_EQ(buffer, ByteBuffer(kHdImageSize, 0x22));
    EXPECT_EQ(platform::GetAttributes(card.container()), cardtest::kProtected);
  }
}

// A file of exactly the header's 286 bytes is read; its bytes come back as
// they are, odd field values included.
TEST(FfaHeaderCheckTest, HeaderIsCopiedAsItIs) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ASSERT_TRUE(platform::MakeFolder(FfaGetFolderPath(kLetter)));
  ByteBuffer file = ValidContainer();
  file.resize(kMainHeaderSize);
  for (std::size_t i = 16; i < kMainHeaderSize; ++i) file[i] = static_cast<std::uint8_t>(i * 13);
  ASSERT_TRUE(WriteHostFile(card.hostContainer(), file));

  std::uint8_t header[kMainHeaderSize] = {};
  ASSERT_TRUE(FfaReadMainHeader(card.container(), header));
  EXPECT_EQ(ByteBuffer(header, header + kMainHeaderSize), file);
}

TEST(FfaHeaderCheckTest, MissingContainer) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ByteBuffer buffer(512, 0x22);
  std::uint8_t header[kMainHeaderSize];
  EXPECT_EQ(FfaContainerExists(kLetter), FFA_ERR_NOT_FOUND);
  EXPECT_FALSE(FfaReadMainHeader(card.container(), header));
  EXPECT_EQ(FfaRename(kLetter, "n"), FFA_ERR_NOT_FOUND);
  EXPECT_EQ(FfaWriteSlot(kLetter, 0, buffer, nullptr), FFA_ERR_NOT_FOUND);
  EXPECT_EQ(FfaReadSlot(kLetter, 0, buffer, nullptr), FFA_ERR_NOT_FOUND);
  EXPECT_EQ(buffer, ByteBuffer(512, 0x22));
  EXPECT_FALSE(platform::PathExists(FfaGetFolderPath(kLetter)));
}

TEST(FfaHeaderCheckTest, Paths) {
  EXPECT_EQ(FfaGetFolderPath('E'), "E:\\DornveldFLP");
  EXPECT_EQ(FfaGetContainerPath('Z'), "Z:\\DornveldFLP\\DornveldCIF.dfp");
}

}  // namespace
