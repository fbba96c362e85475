// A card that silently drops or changes what is written to it and still
// reports success, as worn cards and cheap readers do: every command that
// writes what the controller reads fails with the verify text, on each FAT
// type; with the verify off the commands succeed as before.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/container_creation.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "container/write_verify.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"
#include "support/scoped_language.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

constexpr char kLetter = 'V';

enum class Fault { kNone, kDrop, kAlter, kDropAndSkipReads };

// A card in memory whose writes, once it is told, are dropped or arrive with
// their first byte changed; either way the write reports success. The worst
// reader also answers a read from the medium without delivering anything.
class FaultyWriteStore : public platform::IImageStore {
 public:
  explicit FaultyWriteStore(ByteBuffer bytes) : bytes_(std::move(bytes)) {}
  Fault fault = Fault::kNone;

  const std::string& path() const override { return name_; }
  std::uint64_t size() const override { return bytes_.size(); }
  bool writable() const override { return true; }
  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) override {
    if (offset > size() || count > size() - offset) return platform::kErrorSectorNotFound;
    std::memcpy(buffer, bytes_.data() + offset, count);
    return platform::kErrorSuccess;
  }
  std::uint32_t WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) override {
    if (offset > size() || count > size() - offset) return platform::kErrorSectorNotFound;
    if (fault == Fault::kDrop || fault == Fault::kDropAndSkipReads) return platform::kErrorSuccess;
    std::memcpy(bytes_.data() + offset, buffer, count);
    if (fault == Fault::kAlter && count > 0) bytes_[offset] ^= 0x5A;
    return platform::kErrorSuccess;
  }
  std::uint32_t Sync() override { return platform::kErrorSuccess; }
  std::uint32_t ReadFromMedium(std::uint64_t offset, void* buffer, std::uint32_t count) override {
    return fault == Fault::kDropAndSkipReads ? platform::kErrorSuccess
                                             : ReadAt(offset, buffer, count);
  }

 private:
  ByteBuffer bytes_;
  std::string name_ = "faulty card";
};

// A blank card of each FAT type, made once by sfdisk and mkfs.fat.
const ByteBuffer& BlankCard(int fatBits) {
  static std::map<int, ByteBuffer> cards;
  ByteBuffer& card = cards[fatBits];
  if (card.empty()) {
    testsupport::TempDir dir;
    testsupport::ReferenceCard reference;
    reference.fatBits = fatBits;
    reference.sizeBytes = (fatBits == 32 ? 48ull : 16ull) << 20;
    if (fatBits == 32) reference.mkfsOptions = "-s 1";
    std::string bytes;
    if (testsupport::MakeReferenceCard(dir.File("card.img"), reference) &&
        testsupport::ReadHostFile(dir.File("card.img"), &bytes)) {
      card.assign(bytes.begin(), bytes.end());
    }
  }
  return card;
}

// The card attached with a usable container of two images, and the verify
// switched as asked, for the object's life.
class FaultyCard {
 public:
  FaultyCard(int fatBits, bool verify)
      : store_(std::make_shared<FaultyWriteStore>(BlankCard(fatBits))) {
    std::uint32_t error = 0;
    attached_ = platform::AttachCardStore(store_, {}, kLetter, &error) == kLetter &&
                FfaCreate(kLetter, 2, "Card", true, nullptr) == FFA_OK &&
                FfaMakeUsable(kLetter) == 0;
    FfaSetVerifyEnabled(verify);
  }
  ~FaultyCard() {
    FfaSetVerifyEnabled(true);
    platform::DriveTable::Instance().Detach(kLetter);
  }
  bool attached() const { return attached_; }
  FaultyWriteStore& store() { return *store_; }

 private:
  std::shared_ptr<FaultyWriteStore> store_;
  bool attached_ = false;
};

struct WritingCommand {
  const char* name;
  std::function<int(const std::string& folder)> run;
};

const WritingCommand kCommands[] = {
    {"create",
     [](const std::string&) {
       ContainerCreationRequest request;
       request.count = 3;
       request.name = "New";
       return CreateContainer(kLetter, request, nullptr).code;
     }},
    {"write slot",
     [](const std::string&) {
       const std::string bytes = testsupport::TestBytes(kContainerBlockSize, 7);
       return FfaWriteSlot(kLetter, 1, ByteBuffer(bytes.begin(), bytes.end()), nullptr);
     }},
    {"slot name",
     [](const std::string&) {
       return CardWriteSlotName(SlotTarget{kLetter, 0, true, std::nullopt}, "Renamed");
     }},
    {"rename", [](const std::string&) { return FfaRename(kLetter, "Other"); }},
    {"fpga",
     [](const std::string& folder) {
       const std::string file = folder + "/update.bin";
       return testsupport::WriteHostFile(file, testsupport::TestBytes(5000, 3))
                  ? FfaWriteFpgaUpdate(kLetter, &file, nullptr)
                  : -1;
     }},
    // The record is cleared first, while the card still keeps writes.
    {"make usable", [](const std::string&) { return FfaMakeUsable(kLetter); }},
};

TEST(VerifyAfterWrite, EveryWritingCommandFailsOnACardThatDoesNotKeepWrites) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  for (const int fatBits : {12, 16, 32}) {
    for (const Fault fault : {Fault::kDrop, Fault::kAlter}) {
      for (const WritingCommand& command : kCommands) {
        for (const bool verify : {true, false}) {
          SCOPED_TRACE(testing::Message() << "FAT" << fatBits << " " << command.name
                                          << (fault == Fault::kDrop ? " dropped" : " altered")
                                          << (verify ? "" : " without verify"));
          testsupport::TempDir dir;
          FaultyCard card(fatBits, verify);
          ASSERT_TRUE(card.attached());
          if (std::string(command.name) == "make usable") {
            ASSERT_EQ(FfaWriteStartSector(kLetter, 0), 0);
          }
          card.store().fault = fault;
          const int rc = command.run(dir.path());
          if (verify) {
            EXPECT_EQ(rc, FFA_ERR_VERIFY);
            EXPECT_NE(FfaErrorText(rc).find("The card did not keep what was written: sector "),
                      std::string::npos)
                << FfaErrorText(rc);
          } else {
            EXPECT_EQ(rc, 0) << "as before the verify";
          }
        }
      }
    }
  }
}

TEST(VerifyAfterWrite, TheTextNamesTheFirstCardSectorThatDiffers) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  FaultyCard card(16, true);
  ASSERT_TRUE(card.attached());
  std::uint32_t start = 0;
  ASSERT_EQ(FfaReadStartSector(kLetter, start), 0);
  card.store().fault = Fault::kDrop;
  const std::string bytes = testsupport::TestBytes(kContainerBlockSize, 9);
  ASSERT_EQ(FfaWriteSlot(kLetter, 1, ByteBuffer(bytes.begin(), bytes.end()), nullptr),
            FFA_ERR_VERIFY);
  const std::string sector = std::to_string(start + GetSlotPartOffset(1, kSlotPartImage) / 512);
  EXPECT_EQ(FfaErrorText(FFA_ERR_VERIFY),
            "FFA-Error: The card did not keep what was written: sector " + sector + " differs");
  testsupport::ScopedLanguage german(kLanguageGerman);
  EXPECT_EQ(FfaErrorText(FFA_ERR_VERIFY),
            "FFA-Fehler: Die Karte hat nicht behalten, was geschrieben wurde: Sektor " + sector +
                " weicht ab");
}

// The read-back's buffer is kept from one verify to the next: a read that
// delivers nothing must not pass with the bytes an earlier verify read.
TEST(VerifyAfterWrite, AReadThatDeliversNothingNeverPassesWithEarlierBytes) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  FaultyCard card(16, true);
  ASSERT_TRUE(card.attached());
  const std::string bytes = testsupport::TestBytes(kContainerBlockSize, 5);
  const ByteBuffer block(bytes.begin(), bytes.end());
  ASSERT_EQ(FfaWriteSlot(kLetter, 0, block, nullptr), FFA_OK);
  card.store().fault = Fault::kDropAndSkipReads;
  EXPECT_EQ(FfaWriteSlot(kLetter, 1, block, nullptr), FFA_ERR_VERIFY);
}

}  // namespace
