// The creation dialog on a card stood in for by a host folder (whose free
// space a test can set) and on card images made with sfdisk and mkfs.fat.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "container/card_folder_fixture.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/dialogs/dlg_create_resize_cif.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/slot_block.h"
#include "gui/accessible_names.h"
#include "gui/ui_test_support.h"
#include "gui/up_down_control.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {
using Dlg = CDlgCreateResizeCIF;

constexpr std::uint64_t kBlock = kContainerBlockSize;
constexpr std::uint64_t kProgramSize = 7000;

// The main window as the dialog sees it.
class Owner : public IContainerCreationOwner {
 public:
  const CardState& GetCardState() const override { return state; }
  std::string GetContainerNameText() const override { return name; }
  CardState state;
  std::string name = "Lathe programs";
};

class CreationDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    program_.path = programDir_.File("quillfen");
    program_.name = "quillfen";
    programBytes_ = testsupport::TestBytes(kProgramSize, 3);
    ASSERT_TRUE(testsupport::WriteHostFile(program_.path, programBytes_));
    program_.size = kProgramSize;
  }
  void Open(char letter) {
    owner_.state.DriveLetter = letter;
    dialog_ = std::make_unique<Dlg>(owner_, nullptr);
    dialog_->SetOwnProgramFile(program_);
    dialog_->InitDialog();
    dialog_->show();
  }
  template <class T>
  T* Get(int id) const {
    return qobject_cast<T*>(dialog_->Control(id));
  }
  QString Count() const { return Get<QLineEdit>(Dlg::kIdCount)->text(); }
  QString Status() const { return Get<QLabel>(Dlg::kIdStatus)->text(); }
  void TypeCount(const QString& text) {
    QLineEdit* field = Get<QLineEdit>(Dlg::kIdCount);
    field->selectAll();
    QTest::keyClicks(field, text);
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  testsupport::TempDir programDir_;
  OwnProgramFile program_;
  std::string programBytes_;
  Owner owner_;
  std::unique_ptr<Dlg> dialog_;
};

// A card whose free space holds exactly `images` images beside the program
// copy and the autorun file.
class FolderCardTest : public CreationDialogTest {
 protected:
  void SetUp() override {
    CreationDialogTest::SetUp();
    ASSERT_TRUE(card_.attached());
  }
  void RoomFor(unsigned images) {
    card_.LimitFreeBytes((images + 1) * kBlock + kProgramSize + 300);
  }
  std::string OnCard(const std::string& name) const { return card_.hostRoot() + "/" + name; }

  cardtest::CardFolder card_{'V'};
};

TEST_F(FolderCardTest, OpensReadyWithBothBoxesTickedAndTheCountAtTheMaximum) {
  RoomFor(40);
  Open(card_.letter());
  EXPECT_EQ(dialog_->windowTitle(), "Create / Resize Dornveld Container File");
  EXPECT_EQ(dialog_->MaxImageCount(), 40);
  EXPECT_EQ(Count(), "40");
  EXPECT_EQ(Status(), " Ready to Create DCF");
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdName)->text(), "Lathe programs");
  EXPECT_TRUE(Get<QCheckBox>(Dlg::kIdCopyProgram)->isChecked());
  EXPECT_TRUE(Get<QCheckBox>(Dlg::kIdAutorun)->isChecked());
  EXPECT_TRUE(Get<QPushButton>(Dlg::kIdCreate)->isEnabled());
  EXPECT_EQ(Get<QPushButton>(Dlg::kIdCreate)->text(), "Create DC&F");
  // No valid container: HD.
  EXPECT_EQ(Get<QComboBox>(Dlg::kIdKind)->currentText(), "HD Disk");
  EXPECT_EQ(Get<QComboBox>(Dlg::kIdKind)->currentIndex(), Dlg::kKindHd);
  EXPECT_EQ(gui::AccessibleName(Get<QLineEdit>(Dlg::kIdCount)), "Image Count");
  EXPECT_EQ(gui::AccessibleName(Get<QLineEdit>(Dlg::kIdName)), "Container Name");
  // Nothing to keep without a container.
  EXPECT_FALSE(Get<QCheckBox>(Dlg::kIdKeepImages)->isChecked());
  EXPECT_FALSE(Get<QCheckBox>(Dlg::kIdKeepImages)->isEnabled());
  EXPECT_TRUE(Get<QComboBox>(Dlg::kIdKind)->isEnabled());
}

TEST_F(FolderCardTest, TheKindOfAValidOldContainerIsKept) {
  RoomFor(10);
  owner_.state.Flags = CARD_CONTAINER_VALID;
  owner_.state.Header.SetHighDensity(2);  // bit 0 clear: DD
  Open(card_.letter());
  EXPECT_EQ(Get<QComboBox>(Dlg::kIdKind)->currentIndex(), Dlg::kKindDd);
  EXPECT_EQ(Get<QComboBox>(Dlg::kIdKind)->currentText(), "DD Disk");
}

TEST_F(FolderCardTest, TheCountIsCutToTheMaximumAndToOne) {
  RoomFor(40);
  Open(card_.letter());
  TypeCount("150");
  EXPECT_EQ(Count(), "40");
  TypeCount("0");
  EXPECT_EQ(Count(), "1");
  TypeCount("25");
  EXPECT_EQ(Count(), "25");
  // The spinner and the arrow keys stay within 1 and the maximum.
  auto* spinner = Get<CUpDownControl>(Dlg::kIdSpinner);
  spinner->Step(+1);
  EXPECT_EQ(Count(), "26");
  QTest::keyClick(Get<QLineEdit>(Dlg::kIdCount), Qt::Key_Down);
  QTest::keyClick(Get<QLineEdit>(Dlg::kIdCount), Qt::Key_Down);
  EXPECT_EQ(Count(), "24");
  TypeCount("40");
  spinner->Step(+1);
  EXPECT_EQ(Count(), "40");
  TypeCount("1");
  spinner->Step(-1);
  EXPECT_EQ(Count(), "1");
  // Letters do not get in.
  TypeCount("x");
  EXPECT_EQ(Count(), "1");
}

TEST_F(FolderCardTest, UntickingTheProgramCopyFreesItsRoom) {
  // 41 images beside nothing, 40 beside the program.
  card_.LimitFreeBytes(42 * kBlock + 100);
  Open(card_.letter());
  Get<QCheckBox>(Dlg::kIdCopyProgram)->click();
  EXPECT_EQ(dialog_->MaxImageCount(), 41);
  EXPECT_EQ(Count(), "41");  // it stood at the maximum
  TypeCount("30");
  Get<QCheckBox>(Dlg::kIdCopyProgram)->click();
  EXPECT_EQ(dialog_->MaxImageCount(), 40);
  EXPECT_EQ(Count(), "30");  // chosen by the user
  // A screen reader's toggle, and the program's, act as the click does.
  QAccessibleInterface* box =
      QAccessible::queryAccessibleInterface(Get<QCheckBox>(Dlg::kIdCopyProgram));
  ASSERT_NE(box->actionInterface(), nullptr);
  box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_FALSE(Get<QCheckBox>(Dlg::kIdCopyProgram)->isChecked());
  EXPECT_EQ(dialog_->MaxImageCount(), 41);
  Get<QCheckBox>(Dlg::kIdCopyProgram)->setChecked(true);
  EXPECT_EQ(dialog_->MaxImageCount(), 40);
}

TEST_F(FolderCardTest, WithoutRoomForOneImageCreateIsDisabled) {
  RoomFor(0);
  Open(card_.letter());
  EXPECT_EQ(dialog_->MaxImageCount(), 0);
  EXPECT_FALSE(Get<QPushButton>(Dlg::kIdCreate)->isEnabled());
  EXPECT_EQ(Count(), "1");
}

TEST_F(FolderCardTest, ACorruptContainerIsDeletedAfterTheMessage) {
  RoomFor(0);
  ASSERT_TRUE(platform::MakeFolder(FfaGetFolderPath(card_.letter())));
  ASSERT_TRUE(testsupport::WriteHostFile(card_.hostContainer(), "not a container"));
  QString caption;
  QString text;
  bool existedDuringMessage = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    text = box->text();
    existedDuringMessage = FfaContainerExists(card_.letter()) == FFA_OK;
    QTest::keyClick(box, Qt::Key_Return);
  });
  Open(card_.letter());
  EXPECT_EQ(caption, "Error");
  EXPECT_EQ(text, "Corrupt Dornveld Container File exist !\nIt will be deleted.\n");
  EXPECT_TRUE(existedDuringMessage);
  EXPECT_EQ(FfaContainerExists(card_.letter()), FFA_ERR_NOT_FOUND);
  EXPECT_EQ(Status(), " Ready to Create DCF");
}

TEST_F(FolderCardTest, ACorruptContainerThatCannotBeDeletedIsSaidSo) {
  RoomFor(0);
  ASSERT_TRUE(platform::MakeFolder(FfaGetFolderPath(card_.letter())));
  ASSERT_TRUE(testsupport::WriteHostFile(card_.hostContainer(), "not a container"));
  cardtest::HeldOpenElsewhere holder(card_.hostContainer());
  ASSERT_TRUE(holder.holding());
  QTimer::singleShot(0, [] {
    if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
  });
  Open(card_.letter());
  EXPECT_EQ(FfaContainerExists(card_.letter()), FFA_OK);
  EXPECT_EQ(Status(), "FFA-Error: Can't Delete File");
  EXPECT_FALSE(Get<QPushButton>(Dlg::kIdCreate)->isEnabled());
}

TEST_F(FolderCardTest, WithoutTheProgramCopyNeitherFileIsWritten) {
  RoomFor(5);
  Open(card_.letter());
  TypeCount("2");
  Get<QCheckBox>(Dlg::kIdCopyProgram)->click();
  ASSERT_TRUE(Get<QCheckBox>(Dlg::kIdAutorun)->isChecked());
  Get<QPushButton>(Dlg::kIdCreate)->click();
  EXPECT_EQ(FfaContainerExists(card_.letter()), FFA_OK);
  EXPECT_FALSE(platform::PathExists(OnCard("quillfen")));
  EXPECT_FALSE(platform::PathExists(OnCard("autorun.inf")));
}

TEST_F(FolderCardTest, AStartSectorThatCannotBeRecordedKeepsTheDialogOpen) {
  // A folder has no sector 0: the container is made, but not made usable.
  RoomFor(5);
  owner_.name = "From the window";
  Open(card_.letter());
  TypeCount("3");
  Get<QLineEdit>(Dlg::kIdName)->setText("Typed");
  Get<QCheckBox>(Dlg::kIdAutorun)->click();
  Get<QPushButton>(Dlg::kIdCreate)->click();
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_NE(dialog_->result(), QDialog::Accepted);
  EXPECT_TRUE(Status().startsWith(" Optimize & Get Position: ")) << Status().toStdString();
  EXPECT_EQ(FfaContainerExists(card_.letter()), FFA_OK);
  EXPECT_TRUE(platform::PathExists(OnCard("quillfen")));
  EXPECT_FALSE(platform::PathExists(OnCard("autorun.inf")));
  // The inputs start over; the message stays, and follows the language.
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdName)->text(), "From the window");
  EXPECT_TRUE(Get<QCheckBox>(Dlg::kIdAutorun)->isChecked());
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_TRUE(Status().startsWith("Dateiposition: '")) << Status().toStdString();
  EXPECT_TRUE(Status().endsWith("' optimieren und ermitteln")) << Status().toStdString();
  EXPECT_EQ(Get<QComboBox>(Dlg::kIdKind)->currentText(), "HD Laufwerk");
}

class ImageCardTest : public CreationDialogTest {
 protected:
  void Make(const platform::ImageDriveOptions& options = {}) {
    card_.sizeBytes = 64ull << 20;
    std::string reason;
    if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk, mkfs.fat, fsck.fat and mtools";
    if (!attached_.Make('J', card_, &reason, options)) GTEST_SKIP() << reason;
  }

  testsupport::ReferenceCard card_;
  uitest::AttachedCard attached_;
};

TEST_F(ImageCardTest, CreatesAUsableContainerWithProgramAndAutorun) {
  Make();
  Open('J');
  TypeCount("3");
  Get<QComboBox>(Dlg::kIdKind)->setCurrentIndex(Dlg::kKindDd);
  Get<QPushButton>(Dlg::kIdCreate)->click();
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog_->isVisible());

  CardState state;
  std::uint64_t size = 0;
  const std::uint32_t flags = FfaGetCardState("J:", size, state);
  EXPECT_EQ(flags & 0x00F, 0x00Fu);  // raw access, valid, in one piece, start recorded
  EXPECT_EQ(state.Header.ImageCount(), 3u);
  EXPECT_EQ(state.Header.Name(), "Lathe programs");
  EXPECT_FALSE(state.Header.IsHighDensity());

  attached_.Unmount();
  const testsupport::ImageVolume volume = testsupport::VolumeOf(attached_.path(), card_);
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
  std::string content;
  ASSERT_TRUE(testsupport::MtoolsRead(volume, "/quillfen", &content));
  EXPECT_EQ(content, programBytes_);
  ASSERT_TRUE(testsupport::MtoolsRead(volume, "/autorun.inf", &content));
  EXPECT_EQ(content, FfaAutorunText("quillfen"));
  ASSERT_TRUE(testsupport::MtoolsRead(volume, "/DornveldFLP/DornveldCIF.dfp", &content));
  EXPECT_EQ(content.size(), 4 * kBlock);
}

// Keep the images on: 10 images become 5, each kept byte for byte, under
// the new name, with the start sector recorded and the copy gone.
TEST_F(ImageCardTest, KeepingTheImagesResizesWithoutLosingThem) {
  Make();
  ASSERT_EQ(FfaCreate('J', 10, "Kept", false, nullptr), FFA_OK);
  ASSERT_EQ(FfaMakeUsable('J'), FFA_OK);
  std::vector<ByteBuffer> blocks;
  for (unsigned slot = 0; slot < 10; ++slot) {
    const std::string data = testsupport::TestBytes(737280, 60 + slot);
    ByteBuffer block;
    ASSERT_EQ(BuildImageSlotBlock(block, ByteBuffer(data.begin(), data.end()),
                                  "image " + std::to_string(slot), false),
              0);
    ASSERT_EQ(FfaWriteSlot('J', slot, block, nullptr), FFA_OK);
    blocks.push_back(block);
  }
  testsupport::TempDir copies;
  Open('J');
  dialog_->SetCopyParent(copies.path() + "/");
  auto* keep = Get<QCheckBox>(Dlg::kIdKeepImages);
  EXPECT_TRUE(keep->isChecked());
  EXPECT_TRUE(keep->isEnabled());
  EXPECT_EQ(gui::AccessibleName(keep), "Keep the images");
  // Kept images keep their kind.
  EXPECT_FALSE(Get<QComboBox>(Dlg::kIdKind)->isEnabled());
  EXPECT_EQ(Get<QComboBox>(Dlg::kIdKind)->currentIndex(), Dlg::kKindDd);
  // The old container's room counts: 64 MiB hold more than 10 beside it.
  EXPECT_GT(dialog_->MaxImageCount(), 20);
  TypeCount("5");
  Get<QPushButton>(Dlg::kIdCreate)->click();
  ASSERT_EQ(dialog_->result(), QDialog::Accepted) << Status().toStdString();

  CardState state;
  std::uint64_t size = 0;
  EXPECT_EQ(FfaGetCardState("J:", size, state) & 0x00F, 0x00Fu);
  EXPECT_EQ(state.Header.ImageCount(), 5u);
  EXPECT_EQ(state.Header.Name(), "Lathe programs");
  EXPECT_FALSE(state.Header.IsHighDensity());
  for (unsigned slot = 0; slot < 5; ++slot) {
    ByteBuffer block(kBlock);
    ASSERT_EQ(FfaReadSlot('J', slot, block, nullptr), FFA_OK);
    EXPECT_TRUE(block == blocks[slot]) << "slot " << slot + 1;
  }
  EXPECT_TRUE(std::filesystem::is_empty(copies.path())) << "the copy stayed";
  attached_.Unmount();
  const testsupport::ImageVolume volume = testsupport::VolumeOf(attached_.path(), card_);
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume, &report)) << report;
  std::string content;
  ASSERT_TRUE(testsupport::MtoolsRead(volume, "/quillfen", &content));
  EXPECT_EQ(content, programBytes_);
}

TEST_F(ImageCardTest, AFailedCreationIsShownInTheStatusLine) {
  platform::ImageDriveOptions options;
  options.writeProtected = true;
  Make(options);
  Open('J');
  TypeCount("2");
  Get<QPushButton>(Dlg::kIdCreate)->click();
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_TRUE(Status().startsWith("Create 'Dornveld Container File: FFA-Error: "))
      << Status().toStdString();
  EXPECT_EQ(FfaContainerExists('J'), FFA_ERR_NOT_FOUND);
}

}  // namespace
