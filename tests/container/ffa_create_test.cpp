// Creating a container on a card folder: the file as the controller reads it,
// the progress the user sees, the checks that come before anything is
// written, and the space a container needs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/clock.h"
#include "base/current_language.h"
#include "container/card_folder_fixture.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/ffa_template.h"
#include "container/slot_block.h"
#include "platform/files.h"

namespace {

using cardtest::CardFolder;
using cardtest::kProtected;
using cardtest::ReadHostFile;

constexpr char kLetter = 'R';
constexpr std::uint64_t kBlock = kContainerBlockSize;
const platform::LocalTime kStart{2023, 11, 28, 9, 5, 59, 0};

bool AllBytes(const ByteBuffer& b, std::size_t from, std::size_t to, std::uint8_t value) {
  return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(from),
                     b.begin() + static_cast<std::ptrdiff_t>(to),
                     [value](std::uint8_t x) { return x == value; });
}

std::string CString(const std::uint8_t* p, std::size_t max) {
  return std::string(reinterpret_cast<const char*>(p),
                     strnlen(reinterpret_cast<const char*>(p), max));
}

class LanguageGuard {
 public:
  explicit LanguageGuard(int id) { SetCurrentLanguageId(id); }
  ~LanguageGuard() { SetCurrentLanguageId(kLanguageNone); }
};

TEST(FfaCreateTest, NewContainerAsTheControllerReadsIt) {
  struct Case {
    bool highDensity;
    std::uint32_t count;
    int language;
    const char* title;
  };
  const Case cases[] = {
      {true, 3, kLanguageNone, "Create Dornveld Container File"},
      {false, 2, kLanguageGerman, "Dornveld Container Datei erzeugen"},
      {true, 1, kLanguageEnglish, "Create Dornveld Container File"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "HD " << c.highDensity << " count " << c.count);
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    platform::ScopedFixedLocalTime fixed(kStart);
    LanguageGuard language(c.language);
    cardtest::RecordingOwner owner;

    ASSERT_EQ(FfaCreate(kLetter, c.count, "Lab bench card", c.highDensity, &owner), FFA_OK);

    const ByteBuffer file = ReadHostFile(card.hostContainer());
    ASSERT_EQ(file.size(), (c.count + 1) * kBlock);
    EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);

    // Block 0: the header record, then 0xFF to the end of the block.
    EXPECT_EQ(std::memcmp(file.data(), "DornveldFLPDrive", 16), 0);
    EXPECT_EQ(le::Read16(&file[16]), 1);
    EXPECT_EQ(CString(&file[18], 256), "Lab bench card");
    EXPECT_TRUE(AllBytes(file, 18 + 14, 274, 0));
    EXPECT_EQ(le::Read16(&file[274]), c.count);
    EXPECT_EQ(file[276], c.highDensity ? 1 : 0);
    EXPECT_EQ(file[277], 0);
    EXPECT_EQ(le::Read16(&file[278]), 1);
    EXPECT_EQ(le::Read16(&file[280]), 0);
    EXPECT_EQ(le::Read32(&file[282]), 0u);
    EXPECT_TRUE(AllBytes(file, 286, kBlock, 0xFF));

    // Every slot equals a freshly built empty slot of its number, with the
    // moment the creation began.
    ByteBuffer blank;
    ASSERT_TRUE(FfaLoadTemplate(c.highDensity, blank));
    for (std::uint32_t slot = 0; slot < c.count; ++slot) {
      ByteBuffer expected;
      ASSERT_EQ(BuildEmptySlotBlock(expected, slot + 1, c.highDensity, blank, kStart), 0);
      const auto start = static_cast<std::ptrdiff_t>((slot + 1) * kBlock);
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + start))
          << "slot " << slot;
      const std::uint8_t* info = &file[GetSlotPartOffset(slot, kSlotPartSlotInfo)];
      EXPECT_EQ(CString(info + 2, 16), "Empty " + std::to_string(slot + 1));
      EXPECT_EQ(le::Read16(info + 20), 2023);
      EXPECT_EQ(info[22], 11);
      EXPECT_EQ(info[26], 59);
    }

    // One display with the title and a step per block, written and then read
    // back.
    ASSERT_EQ(owner.texts.size(), 1u);
    EXPECT_EQ(owner.texts[0], c.title);
    cardtest::ProgressLog expectedLog;
    for (int pass = 0; pass < 2; ++pass) {
      expectedLog.emplace_back(0, static_cast<int>(c.count + 1));
      for (std::uint32_t i = 1; i <= c.count + 1; ++i) expectedLog.emplace_back(1, i);
    }
    EXPECT_EQ(owner.log, expectedLog);
  }
}

TEST(FfaCreateTest, ThreeImageHdContainerMatchesTheKnownNumbers) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ASSERT_EQ(FfaCreate(kLetter, 3, "x", true, nullptr), FFA_OK);
  const ByteBuffer file = ReadHostFile(card.hostContainer());
  ASSERT_EQ(file.size(), 8388608u);
  EXPECT_EQ(CString(&file[8388096 + 2], 16), "Empty 3");
  EXPECT_EQ(file[8388096 + 510], 0x4A);
  EXPECT_EQ(file[8388096 + 511], 0x4F);
}

// Counts outside 1..99 (of the low 16 bits) are refused before the card is
// touched: no folder appears, an old container stays as it was.
TEST(FfaCreateTest, CountOutOfRangeTouchesNothing) {
  struct Case {
    std::uint32_t count;
    int result;
  };
  const Case cases[] = {
      {0, FFA_ERR_TOO_FEW_IMAGES},
      {100, FFA_ERR_TOO_MANY_IMAGES},
      {65535, FFA_ERR_TOO_MANY_IMAGES},
      {65536, FFA_ERR_TOO_FEW_IMAGES},
      {65536 + 100, FFA_ERR_TOO_MANY_IMAGES},
  };
  CardFolder fresh(kLetter);
  CardFolder used('W');
  ASSERT_TRUE(fresh.attached() && used.attached());
  ASSERT_EQ(FfaCreate('W', 1, "old", true, nullptr), FFA_OK);
  const ByteBuffer before = ReadHostFile(used.hostContainer());

  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    cardtest::RecordingOwner owner;
    EXPECT_EQ(FfaCreate(kLetter, c.count, "n", true, &owner), c.result);
    EXPECT_FALSE(platform::PathExists(FfaGetFolderPath(kLetter)));
    EXPECT_EQ(FfaCreate('W', c.count, "n", false, &owner), c.result);
    EXPECT_EQ(ReadHostFile(used.hostContainer()), before);
    EXPECT_EQ(platform::GetAttributes(used.container()), kProtected);
    EXPECT_TRUE(owner.texts.empty());
  }
}

TEST(FfaCreateTest, OnlyTheLowSixteenBitsOfTheCountCount) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ASSERT_EQ(FfaCreate(kLetter, 65536 + 2, "n", false, nullptr), FFA_OK);
  const ByteBuffer file = ReadHostFile(card.hostContainer());
  ASSERT_EQ(file.size(), 3 * kBlock);
  EXPECT_EQ(le::Read16(&file[274]), 2);
}

// Equal free space is enough; one byte less fails with nothing left behind,
// the old container included (it goes before the space is measured).
TEST(FfaCreateTest, ExactlyEnoughFreeSpaceAndOneByteLess) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  const std::uint64_t required = 3 * kBlock;

  card.LimitFreeBytes(required);
  ASSERT_EQ(FfaCreate(kLetter, 2, "fits", true, nullptr), FFA_OK);
  EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);

  card.LimitFreeBytes(required - 1);
  cardtest::RecordingOwner owner;
  EXPECT_EQ(FfaCreate(kLetter, 2, "too big", true, &owner), FFA_ERR_FREE_SPACE);
  EXPECT_EQ(FfaContainerExists(kLetter), FFA_ERR_NOT_FOUND);
  EXPECT_TRUE(owner.texts.empty());
}

TEST(FfaCreateTest, ReplacesAnOldContainerOfAnotherSizeAndKind) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  ASSERT_EQ(FfaCreate(kLetter, 4, "big", true, nullptr), FFA_OK);
  ASSERT_EQ(FfaCreate(kLetter, 1, "small", false, nullptr), FFA_OK);
  const ByteBuffer file = ReadHostFile(card.hostContainer());
  ASSERT_EQ(file.size(), 2 * kBlock);
  EXPECT_EQ(CString(&file[18], 256), "small");
  EXPECT_EQ(le::Read16(&file[274]), 1);
  EXPECT_EQ(file[276], 0);
  EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
}

// A write that fails half way (here the process may not grow a file past
// 3 MiB) leaves no container without a valid header behind.
TEST(FfaCreateTest, FailedWriteRemovesTheHalfWrittenFile) {
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  const int result = cardtest::RunInChild([] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{3 * kBlock / 2, 3 * kBlock / 2};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 1;
    return FfaCreate(kLetter, 2, "n", true, nullptr);
  });
  EXPECT_EQ(result, FFA_ERR_WRITE);
  EXPECT_EQ(FfaContainerExists(kLetter), FFA_ERR_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(card.hostContainer()));
}

TEST(FfaMaxImageCountTest, FreeSpaceBesideTheReserve) {
  struct Case {
    std::uint64_t freeBytes;
    std::uint64_t reserve;
    unsigned count;
  };
  const Case cases[] = {
      {10 * kBlock, 10 * kBlock, 0},  // free equals the reserve
      {10 * kBlock, 11 * kBlock, 0},  // less free than the reserve
      {kBlock + 5, 5, 0},             // room for the header block only
      {2 * kBlock - 1, 0, 0},
      {2 * kBlock, 0, 1},
      {2 * kBlock + 7, 7, 1},
      {5 * kBlock + kBlock / 2, kBlock / 2, 4},
      {100 * kBlock, 0, 99},
      {101 * kBlock, 0, 99},  // at most 99
      {5000 * kBlock, 1000 * kBlock, 99},
  };
  CardFolder card(kLetter);
  ASSERT_TRUE(card.attached());
  for (const Case& c : cases) {
    card.LimitFreeBytes(c.freeBytes);
    EXPECT_EQ(FfaGetDriveFreeBytes(kLetter), c.freeBytes);
    EXPECT_EQ(FfaGetMaxImageCount(kLetter, c.reserve), c.count)
        << c.freeBytes << " free, " << c.reserve << " reserved";
  }
  EXPECT_GT(FfaGetDriveTotalBytes(kLetter), 0u);
}

TEST(FfaMaxImageCountTest, ALetterWithoutDriveHasNoSpace) {
  EXPECT_EQ(platform::FindDrive('Y'), nullptr);
  EXPECT_EQ(FfaGetDriveFreeBytes('Y'), std::nullopt);
  EXPECT_EQ(FfaGetDriveTotalBytes('Y'), std::nullopt);
  EXPECT_EQ(FfaGetMaxImageCount('Y', 0), 0u);
}

}  // namespace
