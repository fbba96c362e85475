// Every way an operation on an existing container can fail leaves the file
// as it was and protected again: held open by another program, or a write
// that the system refuses half way.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <functional>

#include "container/card_folder_fixture.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/fpga_store.h"
#include "container/slot_block.h"
#include "platform/files.h"

namespace {

using cardtest::CardFolder;
using cardtest::kProtected;
using cardtest::ReadHostFile;

constexpr char kLetter = 'U';

ByteBuffer SlotBlock() {
  ByteBuffer image(kHdImageSize, 0x5A);
  ByteBuffer block;
  EXPECT_EQ(BuildImageSlotBlock(block, image, "new", true), 0);
  return block;
}

// Runs the operation in a child process that may not write at or past
// `fileSizeLimit` bytes of any file.
int WithFileSizeLimit(std::uint64_t fileSizeLimit, const std::function<int()>& operation) {
  return cardtest::RunInChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{fileSizeLimit, fileSizeLimit};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 1;
    return operation();
  });
}

TEST(FfaFailurePathTest, ContainerHeldOpenElsewhere) {
  testsupport::TempDir files;
  const std::string update = files.File("update.bin");
  ASSERT_TRUE(cardtest::WriteHostFile(update, ByteBuffer(4096, 0xA5)));
  struct Case {
    const char* what;
    std::function<int()> operation;
    int result;
  };
  const Case cases[] = {
      {"rename", [] { return FfaRename(kLetter, "other"); }, FFA_ERR_OPEN},
      {"write slot",
       [] {
         const ByteBuffer block = SlotBlock();
         return FfaWriteSlot(kLetter, 0, block, nullptr);
       },
       FFA_ERR_OPEN},
      {"read slot",
       [] {
         ByteBuffer buffer(kHdImageSize);
         return FfaReadSlot(kLetter, 0, buffer, nullptr);
       },
       FFA_ERR_OPEN},
      {"store FPGA update", [&] { return FfaWriteFpgaUpdate(kLetter, &update, nullptr); },
       FFA_ERR_OPEN},
      {"clear FPGA update", [] { return FfaWriteFpgaUpdate(kLetter, nullptr, nullptr); },
       FFA_ERR_OPEN},
      {"delete", [] { return FfaDelete(FfaGetContainerPath(kLetter)); }, FFA_ERR_DELETE},
      {"create over it", [] { return FfaCreate(kLetter, 1, "again", true, nullptr); },
       FFA_ERR_DELETE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    ASSERT_EQ(FfaCreate(kLetter, 1, "held", true, nullptr), FFA_OK);
    const ByteBuffer before = ReadHostFile(card.hostContainer());
    {
      cardtest::HeldOpenElsewhere holder(card.hostContainer());
      ASSERT_TRUE(holder.holding());
      EXPECT_EQ(c.operation(), c.result);
      EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
    }
    EXPECT_EQ(ReadHostFile(card.hostContainer()), before);
    // Once the other program lets go, the container works again.
    EXPECT_EQ(FfaRename(kLetter, "free again"), FFA_OK);
  }
}

TEST(FfaFailurePathTest, WriteRefusedHalfWay) {
  struct Case {
    const char* what;
    std::uint64_t limit;
    std::function<int()> operation;
  };
  const Case cases[] = {
      {"write slot past 3 MiB", 3 * kContainerBlockSize / 2,
       [] {
         const ByteBuffer block = SlotBlock();
         return FfaWriteSlot(kLetter, 0, block, nullptr);
       }},
      {"rename within the header", 100, [] { return FfaRename(kLetter, "other"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CardFolder card(kLetter);
    ASSERT_TRUE(card.attached());
    ASSERT_EQ(FfaCreate(kLetter, 1, "refused", true, nullptr), FFA_OK);
    EXPECT_EQ(WithFileSizeLimit(c.limit, c.operation), FFA_ERR_WRITE);
    EXPECT_EQ(platform::GetAttributes(card.container()), kProtected);
    EXPECT_EQ(ReadHostFile(card.hostContainer()).size(), 2 * kContainerBlockSize);
  }
}

}  // namespace
