// Renaming, deleting and erasing a container, and its protection.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

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
using cardtest::ReadHostFile;
using cardtest::WriteHostFile;

constexpr char kLetter = 'T';
constexpr std::size_t kNameField = 18;
constexpr std::size_t kNameFieldEnd = 274;

std::string NameField(const ByteBuffer& file) {
  const char* p = reinterpret_cast<const char*>(&file[kNameField]);
  return std::string(p, strnlen(p, 256));
}

bool ZeroAfterName(const ByteBuffer& file) {
  const std::size_t end = kNameField + NameField(file).size();
  for (std::size_t i = end; i < kNameFieldEnd; ++i) {
    if (file[i] != 0) return false;
  }
  return true;
}

// A container whose header carries a stored FPGA update and whose slot 1
// holds an image, so that a rename has everything to keep.
void MakeBusyContainer(const CardFolder& card) {
  ASSERT_EQ(FfaCreate(card.letter(), 2, "Before", true, nullptr), FFA_OK);
  ByteBuffer image(kHdImageSize);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i / 512);
  ByteBuffer block;
  ASSERT_EQ(BuildImageSlotBlock(block, image, "Disk", true), 0);
  ASSERT_EQ(FfaWriteSlot(card.letter(), 1, block, nullptr), FFA_OK);

  ASSERT_EQ(FfaSetProtection(card.container(), false), FFA_OK);
  ByteBuffer file = ReadHostFile(card.hostContainer());
  le::Write16(&file[274], 0);  // ImageCount while an update is stored
  file[276] = 0x81;            // only bit 0 tells the kind; the rest must survive
  file[277] = 1;               // FpgaPresent
  le::Write16(&file[280], 2);  // SavedImageCount
  le::Write32(&file[282], 5);  // FpgaLength
  std::memcpy(&file[2048], "FPGA!", 5);
  ASSERT_TRUE(WriteHostFile(card.hostContainer(), file));
  ASSERT_EQ(FfaSetProtection(card.container(), true), FFA_OK);
}

TEST(FfaRenameTest, OnlyTheNameChanges) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  MakeBusyContainer(card);
  const ByteBuffer before = ReadHostFile(card.hostContainer());

  ASSERT_EQ(FfaRename(kLetter, "After the rename"), FFA_OK);
  const ByteBuffer after = ReadHostFile(card.hostContainer());
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(NameField(after), "After the rename");
  EXPECT_TRUE(ZeroAfterName(after));
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + kNameField, before.begin()));
  EXPECT_TRUE(
      std::equal(after.begin() + kNameFieldEnd, after.end(), before.begin() + kNameFieldEnd));
  EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
}

TEST(FfaRenameTest, NamesAreCutAndLeaveNoRestOfTheOldName) {
  struct Case {
    std::string name;
    std::string stored;
  };
  const std::string longest(255, 'L');
  const Case cases[] = {
      {std::string(300, 'x'), std::string(255, 'x')},
      {longest, longest},
      {longest + "Z", longest},
      {"short", "short"},  // after a long one: no old characters behind it
      {"", ""},
  };
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ASSERT_EQ(FfaCreate(kLetter, 1, "first", false, nullptr), FFA_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    ASSERT_EQ(FfaRename(kLetter, c.name), FFA_OK);
    const ByteBuffer file = ReadHostFile(card.hostContainer());
    EXPECT_EQ(NameField(file), c.stored);
    EXPECT_TRUE(ZeroAfterName(file));
    EXPECT_EQ(le::Read16(&file[274]), 1);  // the field behind the name is intact
    EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
  }
}

// The first 286 bytes are zeroed before the file goes: a hard link made
// beforehand still shows the file's last contents.
TEST(FfaDeleteTest, HeaderIsWipedBeforeTheFileIsRemoved) {
  for (const bool byDrive : {false, true}) {
    SCOPED_TRACE(byDrive ? "FfaDeleteOnDrive" : "FfaDelete");
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    ASSERT_EQ(FfaCreate(kLetter, 1, "doomed", true, nullptr), FFA_OK);
    const ByteBuffer before = ReadHostFile(card.hostContainer());
    const std::string link = card.hostRoot() + "/witness";
    ASSERT_EQ(::link(card.hostContainer().c_str(), link.c_str()), 0);

    EXPECT_EQ(byDrive ? FfaDeleteOnDrive(kLetter) : FfaDelete(card.container()), FFA_OK);
    EXPECT_EQ(FfaContainerExists(kLetter), FFA_ERR_NOT_FOUND);
    EXPECT_TRUE(platform::PathExists(FfaGetFolderPath(kLetter)));

    const ByteBuffer seen = ReadHostFile(link);
    ASSERT_EQ(seen.size(), before.size());
    EXPECT_EQ(std::count(seen.begin(), seen.begin() + kMainHeaderSize, 0),
              static_cast<std::ptrdiff_t>(kMainHeaderSize));
    EXPECT_TRUE(
        std::equal(seen.begin() + kMainHeaderSize, seen.end(), before.begin() + kMainHeaderSize));
  }
}

TEST(FfaDeleteTest, MissingContainer) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  EXPECT_EQ(FfaDelete(card.container()), FFA_ERR_NOT_FOUND);
  EXPECT_EQ(FfaDeleteOnDrive(kLetter), FFA_ERR_NOT_FOUND);
  EXPECT_EQ(FfaDeleteOnDrive('Y'), FFA_ERR_NOT_FOUND);  // no drive at all
}

TEST(FfaEraseTest, FolderGoesUnlessOtherFilesAreInIt) {
  struct Case {
    const char* what;
    bool container;
    const char* otherFile;  // put beside the container, or null
    bool readOnlyFolder;
    int result;
  };
  const Case cases[] = {
      {"container only", true, nullptr, false, FFA_OK},
      {"empty folder", false, nullptr, false, FFA_OK},
      {"read-only folder", true, nullptr, true, FFA_OK},
      {"another file beside it", true, "notes.txt", false, FFA_ERR_DELETE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    if (c.container) {
      ASSERT_EQ(FfaCreate(kLetter, 1, "n", true, nullptr), FFA_OK);
    } else {
      ASSERT_TRUE(platform::MakeFolder(FfaGetFolderPath(kLetter)));
    }
    const std::string other = c.otherFile ? card.hostFolder() + "/" + c.otherFile : "";
    if (c.otherFile) {
      ASSERT_TRUE(WriteHostFile(other, ByteBuffer{'h', 'i'}));
    }
    if (c.readOnlyFolder) {
      ASSERT_TRUE(platform::SetAttributes(FfaGetFolderPath(kLetter), platform::kAttributeReadOnly));
    }

    EXPECT_EQ(FfaErase(kLetter), c.result);
    // The container goes in every case.
    EXPECT_EQ(FfaContainerExists(kLetter), FFA_ERR_NOT_FOUND);
    EXPECT_EQ(platform::PathExists(FfaGetFolderPath(kLetter)), c.result != FFA_OK);
    if (c.otherFile) {
      EXPECT_EQ(ReadHostFile(other), (ByteBuffer{'h', 'i'}));
    }
  }
}

TEST(FfaEraseTest, NoFolder) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  EXPECT_EQ(FfaErase(kLetter), FFA_ERR_NOT_FOUND);
}

TEST(FfaProtectionTest, SetAndLiftProtection) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  EXPECT_EQ(FfaSetProtection(card.container(), true), FFA_ERR_NOT_FOUND);
  EXPECT_EQ(FfaSetProtection(card.container(), false), FFA_ERR_NOT_FOUND);
  ASSERT_TRUE(platform::MakeFolder(FfaGetFolderPath(kLetter)));
  ASSERT_TRUE(WriteHostFile(card.hostContainer(), ByteBuffer(10, 1)));

  ASSERT_EQ(FfaSetProtection(card.container(), true), FFA_OK);
  EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
  // Protected means refused for writing, for root too.
  EXPECT_FALSE(platform::OpenFile(card.container(), platform::kGenericWrite,
                                  platform::Disposition::kOpenExisting)
                   .IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);

  ASSERT_EQ(FfaSetProtection(card.container(), false), FFA_OK);
  EXPECT_EQ(platform::GetAttributes(card.container()), platform::kAttributeNormal);
  EXPECT_TRUE(platform::OpenFile(card.container(), platform::kGenericWrite,
                                 platform::Disposition::kOpenExisting)
                  .IsOpen());
}

}  // namespace
