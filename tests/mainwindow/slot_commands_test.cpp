// The slot buttons on a real card image and floppy images attached as A:
// and B:: the order of their checks (which error wins and what is asked
// first), the round trip of an image through a slot, a floppy and a file,
// the slot name, and the hex view of a slot.
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "container/card_state.h"
#include "container/ffa_store.h"
#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "mainwindow/main_window_fixture.h"
#include "mainwindow/slot_test_support.h"
#include "platform/files.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"

namespace mwtest {
namespace {

const QString kWrongSize = "DDA-Error: Wrong Floppy/Image Size (HD / DD)";
const QString kNoImage = "DDA-Error: No Image Selected";

class SlotCommandsTest : public MainWindowTest {
 protected:
  // An HD card with four slots, floppy images at A: (HD) and at hand as
  // files (HD with its note, DD), the window open with slot choices and
  // file choices answered by the test.
  bool SetUpCard() {
    if (!MakeCard(CardKind::kUsable)) return false;
    if (!MakeFloppyImage(hdFile_, true, "image file\n") ||
        !MakeFloppyImage(ddFile_, false, "dd\n") || !MakeFloppyImage(floppyA_, true, "disk A\n")) {
      ADD_FAILURE() << "mkfs.fat could not make the floppy images";
      return false;
    }
    std::uint32_t error = 0;
    if (platform::AttachFloppyImage(floppyA_, 'A', &error) != 'A') {
      ADD_FAILURE() << "A: is taken (error " << error << ")";
      return false;
    }
    attachedA_ = true;
    Open();
    window_->SetFloppyChooser(&chooser_);
    window_->SetChooseFileFunction([this](bool openDialog, std::string& path, int kind) {
      fileAsks_.push_back(openDialog ? "open" : "save");
      EXPECT_EQ(kind, 0);
      if (nextFile_.empty()) return false;
      path = nextFile_;
      return true;
    });
    return true;
  }
  ~SlotCommandsTest() override {
    window_.reset();
    if (attachedA_) platform::DetachFloppyImage('A');
  }

  void ExpectCardClean() {
    std::string report;
    EXPECT_TRUE(testsupport::FsckClean(card_.Volume(), &report)) << report;
  }

  PickFloppy chooser_{'A'};
  std::vector<std::string> fileAsks_;
  std::string nextFile_;
  std::string hdFile_ = dir_.File("hd.img");
  std::string ddFile_ = dir_.File("dd.img");
  std::string floppyA_ = dir_.File("floppy-a.img");
  bool attachedA_ = false;
};

TEST_F(SlotCommandsTest, ChecksComeInTheirOrder) {
  if (!SetUpCard()) return;
  const ByteBuffer cardBefore = ReadBytes(card_.path());

  // Floppy into slot without a slot: reported before any drive is asked for.
  {
    ModalWatcher watcher;
    window_->OnFloppyToSlot();
    EXPECT_EQ(watcher.Seen(), QStringList{kNoImage});
    EXPECT_EQ(chooser_.asked, 0);
  }
  // Slot into image file: the file first, the missing slot after; a file
  // dialog cancelled ends it silently.
  {
    ModalWatcher watcher;
    window_->OnSlotToFile();
    EXPECT_EQ(fileAsks_, std::vector<std::string>{"save"});
    EXPECT_TRUE(watcher.Seen().isEmpty());
    nextFile_ = dir_.File("out.img");
    window_->OnSlotToFile();
    EXPECT_EQ(fileAsks_.size(), 2u);
    EXPECT_EQ(watcher.Seen(), QStringList{kNoImage});
    EXPECT_FALSE(platform::PathExists(nextFile_));
  }
  // Image file into slot without a slot: no file dialog at all.
  {
    ModalWatcher watcher;
    window_->OnFileToSlot();
    EXPECT_EQ(fileAsks_.size(), 2u);
    EXPECT_EQ(watcher.Seen(), QStringList{kNoImage});
  }
  // A DD image into a slot of the HD container: refused before anything is
  // written, and the card is the same to the byte.
  SelectSlot(1);
  {
    ModalWatcher watcher;
    nextFile_ = ddFile_;
    window_->OnFileToSlot();
    EXPECT_EQ(watcher.Seen(), QStringList{kWrongSize});
    EXPECT_TRUE(ReadBytes(card_.path()) == cardBefore) << "the card changed";
  }
  // The same file onto the floppy: the command checks nothing, writing the
  // disk refuses it, and the disk stays as it was.
  {
    const ByteBuffer floppyBefore = ReadBytes(floppyA_);
    ModalWatcher watcher;
    window_->OnFileToFloppy();
    EXPECT_EQ(chooser_.asked, 1);
    EXPECT_EQ(watcher.Seen(), QStringList{kWrongSize});
    EXPECT_TRUE(ReadBytes(floppyA_) == floppyBefore);
  }
  // Cancelling the drive choice shows nothing.
  {
    chooser_.cancel = true;
    ModalWatcher watcher;
    window_->OnFloppyToSlot();
    window_->OnSlotToFloppy();
    EXPECT_TRUE(watcher.Seen().isEmpty()) << watcher.Seen().join("|").toStdString();
    chooser_.cancel = false;
  }
  // Only the floppy drives are offered: the card is none.
  EXPECT_EQ(chooser_.offered, std::vector<char>{'A'});
}

TEST_F(SlotCommandsTest, ImageTravelsThroughSlotFloppyAndFileUnchanged) {
  if (!SetUpCard()) return;
  const ByteBuffer original = ReadBytes(hdFile_);
  ASSERT_EQ(original.size(), 1474560u);
  ModalWatcher watcher;

  SelectSlot(2);
  nextFile_ = hdFile_;
  window_->OnFileToSlot();
  EXPECT_TRUE(SlotImage(kLetter, 2) == original);
  ExpectCardClean();

  window_->OnSlotToFloppy();
  EXPECT_TRUE(ReadBytes(floppyA_) == original) << "the floppy does not hold the slot's image";

  nextFile_ = dir_.File("from-floppy.img");
  window_->OnFloppyToFile();
  EXPECT_TRUE(ReadBytes(nextFile_) == original);

  nextFile_ = dir_.File("from-slot.img");
  window_->OnSlotToFile();
  EXPECT_TRUE(ReadBytes(nextFile_) == original);

  // And back from the floppy into another slot.
  SelectSlot(3);
  window_->OnFloppyToSlot();
  EXPECT_TRUE(SlotImage(kLetter, 3) == original);
  ExpectCardClean();
  EXPECT_EQ(FileOnFloppy(SlotImage(kLetter, 3), "NOTE.TXT"), "image file\n");
  EXPECT_TRUE(watcher.Seen().isEmpty()) << watcher.Seen().join("|").toStdString();
  // The slot keeps the name it had in the list.
  EXPECT_EQ(SlotNames().at(3), "Empty 4");
}

TEST_F(SlotCommandsTest, SlotNameIsStoredWholeAndTheContainerStaysProtected) {
  if (!SetUpCard()) return;
  ModalWatcher watcher;
  SelectSlot(1);
  auto* field = Get<QLineEdit>(CTarnwickDlg::kIdSlotName);
  field->clear();
  QTest::keyClicks(field, "Fifteen chars!!X");
  EXPECT_EQ(field->text(), "Fifteen chars!!") << "the field takes 15 characters";
  window_->OnWriteSlotName();
  EXPECT_EQ(SlotNames().at(1), "Fifteen chars!!");
  EXPECT_EQ(window_->SelectedSlot(), 1);
  EXPECT_EQ(field->text(), "Fifteen chars!!");
  const std::string container = FfaGetContainerPath(kLetter);
  const std::uint32_t kProtected = platform::kAttributeReadOnly | platform::kAttributeSystem;
  EXPECT_EQ(platform::GetAttributes(container) & kProtected, kProtected);

  // A container cut short inside the last slot's record: the name write
  // fails once, reported, and the file is protected again all the same.
  ASSERT_EQ(FfaSetProtection(container, false), 0);
  {
    platform::File file = platform::OpenFile(container, platform::kGenericWrite,
                                             platform::Disposition::kOpenExisting);
    ASSERT_TRUE(file.IsOpen());
    ASSERT_TRUE(file.SetLength(5u * (2u << 20) - 100));
  }
  ASSERT_EQ(FfaSetProtection(container, true), 0);
  SelectSlot(3);
  field->setText("Renamed");
  window_->OnWriteSlotName();
  EXPECT_EQ(watcher.Seen(), QStringList{"DDA-Error: Set File Position"});
  EXPECT_EQ(platform::GetAttributes(container) & kProtected, kProtected);
  EXPECT_NE(SlotNames().at(3), "Renamed");
}

TEST_F(SlotCommandsTest, HexViewOfASlotShowsItsBlockFromItsFirstSector) {
  if (!SetUpCard()) return;
  settings_.expertMode = true;
  window_->ApplySettings();
  SelectSlot(2);
  QString sector;
  QString count;
  std::size_t bytes = 0;
  OnModal<CDlgShowHexData> look([&](CDlgShowHexData& dialog) {
    sector = qobject_cast<QLineEdit*>(dialog.Control(CDlgShowHexData::kIdSector))->text();
    count = qobject_cast<QLineEdit*>(dialog.Control(CDlgShowHexData::kIdCount))->text();
    bytes = dialog.Bytes().size();
    dialog.reject();
  });
  window_->OnHexViewSlot();
  EXPECT_EQ(look.Count(), 1);
  EXPECT_EQ(sector, "0x00003000");  // 12288, shown in hex
  EXPECT_EQ(count.toUInt(nullptr, 0), 4096u);
  EXPECT_EQ(bytes, 2097152u);
}

TEST_F(SlotCommandsTest, FloppyImagesAttachAsAAndBFromTheMenu) {
  if (!SetUpCard()) return;
  EXPECT_EQ(window_->MenuAction(CTarnwickDlg::kCmdAttachFloppyImage)->text(),
            "Attach Fl&oppy Image...");
  EXPECT_TRUE(window_->MenuAction(CTarnwickDlg::kCmdDetachFloppyImage)->isEnabled());
  std::string next = hdFile_;
  window_->SetChooseFloppyImageFunction([&]() -> std::optional<std::string> { return next; });
  window_->OnCommand(CTarnwickDlg::kCmdAttachFloppyImage);
  ASSERT_TRUE(platform::IsFloppyImageDrive('B'));
  EXPECT_EQ(FfaListFloppyDrives().size(), 2u);
  // Both taken: a third is refused with its reason.
  {
    ModalWatcher watcher;
    window_->OnCommand(CTarnwickDlg::kCmdAttachFloppyImage);
    EXPECT_EQ(watcher.Seen().size(), 1);
  }
  // With two images the user picks the one that goes.
  PickFloppy pickB('B');
  window_->SetFloppyChooser(&pickB);
  window_->OnCommand(CTarnwickDlg::kCmdDetachFloppyImage);
  EXPECT_EQ(pickB.asked, 1);
  EXPECT_FALSE(platform::IsFloppyImageDrive('B'));
  EXPECT_TRUE(platform::IsFloppyImageDrive('A'));
  // A card is never detached as a floppy.
  EXPECT_TRUE(platform::IsCardImageDrive(kLetter));

  uitest::ScopedLanguage german(kLanguageGerman);
  window_->SetLanguage(true);
  EXPECT_EQ(window_->MenuAction(CTarnwickDlg::kCmdAttachFloppyImage)->text(),
            "Diskettenabbild ein&binden...");
  EXPECT_EQ(window_->MenuAction(CTarnwickDlg::kCmdDetachFloppyImage)->text(),
            "Diskettenabbild l&ösen");
  window_->SetLanguage(false);
}

}  // namespace
}  // namespace mwtest
