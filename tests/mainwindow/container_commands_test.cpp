// The container and tool commands of the main window on real card images,
// and how result codes become messages.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "container/card_program.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/dialogs/dlg_create_resize_cif.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "container/main_header.h"
#include "driveaccess/dav_errors.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/dialogs/dlg_cf_helper.h"
#include "gui/button_led.h"
#include "mainwindow/main_window_fixture.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/mtools_views.h"
#include "support/test_data.h"

namespace {
using mwtest::CardKind;
using mwtest::ModalWatcher;
using mwtest::RunCreateDialog;
using Dlg = CTarnwickDlg;

const std::string kContainer = "R:\\DornveldFLP\\DornveldCIF.dfp";

bool WriteOnCard(const std::string& path, const std::string& content) {
  platform::File file =
      platform::OpenFile(path, platform::kGenericWrite, platform::Disposition::kCreateAlways);
  return file.IsOpen() &&
         file.WriteExact(content.data(), static_cast<std::uint32_t>(content.size())) &&
         file.Close();
}

std::uint32_t RecordedStartSector() {
  std::uint32_t value = 0xFFFFFFFF;
  EXPECT_EQ(FfaReadStartSector('R', value), 0);
  return value;
}

class ContainerCommandsTest : public mwtest::MainWindowTest {};

// Answers the message box that the next step opens, keeping its text.
void AnswerNextBox(int answer, QString* text) {
  QTimer::singleShot(0, [answer, text] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      *text = box->text();
      box->done(answer);
    }
  });
}

TEST_F(ContainerCommandsTest, ReportErrorShowsEachFamilysTextAndNothingForSuccessOrCancel) {
  Open();
  struct Case {
    int code;
    std::string text;
  };
  const Case cases[] = {
      {0, ""},
      {1223, ""},
      {2, platform::SystemErrorText(2)},
      {-716, "DDA-Error: No Drive"},
      {-209, "FFA-Error: DCF is Fragmented"},
      {-808, "DAV-Error: No (Administrtor) Rights"},
      {-999, "Error Unknown: -999"},
  };
  for (const Case& c : cases) {
    ModalWatcher watcher;
    window_->ReportError(c.code);
    QApplication::processEvents();
    if (c.text.empty()) {
      EXPECT_TRUE(watcher.Seen().isEmpty()) << c.code;
    } else {
      EXPECT_EQ(watcher.Seen(), QStringList{QString::fromStdString(c.text)}) << c.code;
      EXPECT_EQ(watcher.Captions(), QStringList{"Quillfen"});
    }
  }
  uitest::ScopedLanguage german(kLanguageGerman);
  ModalWatcher watcher;
  window_->ReportError(-999);
  window_->ReportError(5);  // a system error in the German window: German too
  EXPECT_EQ(watcher.Seen(), (QStringList{"Fehler unbekannt: -999", "Zugriff verweigert"}));
}

TEST_F(ContainerCommandsTest, EnterNeverClosesTheWindowEscapeDoes) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  QTest::keyClick(Get<QLineEdit>(Dlg::kIdContainerName), Qt::Key_Return);
  QTest::keyClick(Get<QLineEdit>(Dlg::kIdSlotName), Qt::Key_Enter);
  auto* close = Get<QPushButton>(Dlg::kIdClose);
  close->setFocus();
  QTest::keyClick(close, Qt::Key_Return);
  QTest::keyClick(window_.get(), Qt::Key_Return);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(Text(Dlg::kIdContainerName), "Lathe");
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->result(), QDialog::Rejected);
}

TEST_F(ContainerCommandsTest, TheCloseButtonEndsTheWindow) {
  Open();
  Get<QPushButton>(Dlg::kIdClose)->click();
  EXPECT_FALSE(window_->isVisible());
}

// Without "Keep the images" the old container goes only after the
// dialog's question: No changes nothing, Yes gives an empty new container.
TEST_F(ContainerCommandsTest, CreateWithoutKeepingTheImagesAnsweredNoChangesNothing) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(card_.path(), &before));
  QString question;
  RunCreateDialog(*window_, [&](CDlgCreateResizeCIF& dialog) {
    qobject_cast<QCheckBox*>(dialog.Control(CDlgCreateResizeCIF::kIdKeepImages))->setChecked(false);
    AnswerNextBox(QMessageBox::No, &question);
    qobject_cast<QPushButton*>(dialog.Control(CDlgCreateResizeCIF::kIdCreate))->click();
    EXPECT_TRUE(dialog.isVisible());
  });
  EXPECT_EQ(question, "'Dornveld Container File' existing.\nDelete this file ?");
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(card_.path(), &after));
  EXPECT_TRUE(before == after);
  EXPECT_EQ(Severity(), 0);
}

TEST_F(ContainerCommandsTest, CreateWithoutKeepingTheImagesAnsweredYesReplacesTheContainer) {
  if (!MakeCard(CardKind::kUsable)) return;
  std::string reason;
  ASSERT_TRUE(mwtest::WriteMixedSlots('R', &reason)) << reason;
  ByteBuffer before(kContainerBlockSize);
  ASSERT_EQ(FfaReadSlot('R', 1, before, nullptr), 0);
  Open();
  QString question;
  RunCreateDialog(*window_, [&](CDlgCreateResizeCIF& dialog) {
    qobject_cast<QCheckBox*>(dialog.Control(CDlgCreateResizeCIF::kIdKeepImages))->setChecked(false);
    qobject_cast<QLineEdit*>(dialog.Control(CDlgCreateResizeCIF::kIdCount))->setText("2");
    AnswerNextBox(QMessageBox::Yes, &question);
    qobject_cast<QPushButton*>(dialog.Control(CDlgCreateResizeCIF::kIdCreate))->click();
    EXPECT_FALSE(dialog.isVisible());
  });
  EXPECT_FALSE(question.isEmpty());
  EXPECT_EQ(Severity(), 0) << StatusText().toStdString();
  MainHeader header;
  ASSERT_EQ(FfaCheckMainHeader(kContainer, header.Bytes()), 0);
  EXPECT_EQ(header.ImageCount(), 2u);
  // No image was carried over.
  ByteBuffer after(kContainerBlockSize);
  ASSERT_EQ(FfaReadSlot('R', 1, after, nullptr), 0);
  EXPECT_FALSE(after == before);
}

TEST_F(ContainerCommandsTest, CreateOnACardWithoutContainerAsksNothing) {
  if (!MakeCard(CardKind::kNoContainer)) return;
  Open();
  const int searches = window_->DriveSearchCount();
  ModalWatcher watcher;
  Get<QPushButton>(Dlg::kIdCreate)->click();
  QApplication::processEvents();
  EXPECT_TRUE(watcher.Captions().isEmpty());
  EXPECT_EQ(window_->DriveSearchCount(), searches);
  EXPECT_EQ(StatusText(), "--- no Dornveld Container File ---");
}

TEST_F(ContainerCommandsTest, MakeUsableRecordsTheStartSector) {
  if (!MakeCard(CardKind::kStartSectorNotSet)) return;
  Open();
  EXPECT_EQ(RecordedStartSector(), 0u);
  ModalWatcher watcher;
  Get<QPushButton>(Dlg::kIdMakeUsable)->click();
  QApplication::processEvents();  // the command runs once the click returned
  EXPECT_TRUE(watcher.Seen().isEmpty());
  EXPECT_EQ(Severity(), 0);
  EXPECT_NE(RecordedStartSector(), 0u);
  EXPECT_FALSE(Enabled(Dlg::kIdMakeUsable));
  EXPECT_TRUE(Enabled(Dlg::kIdErase));
}

TEST_F(ContainerCommandsTest, MakeUsableWithoutRightsShowsNoMessage) {
  if (!MakeCard(CardKind::kNoRawRights)) return;
  ASSERT_EQ(FfaMakeUsable(kLetter), DAV_ERR_NO_RIGHTS);
  Open();
  ModalWatcher watcher;
  window_->OnMakeUsable();
  QApplication::processEvents();
  EXPECT_TRUE(watcher.Seen().isEmpty());
  EXPECT_EQ(StatusText(), "--- No ADMIN Rights. Only Compact Flash Image handling. ---");
  EXPECT_EQ(Severity(), 1);
}

TEST_F(ContainerCommandsTest, MakeUsableOfAFragmentedContainerSaysWhy) {
  if (!MakeCard(CardKind::kFragmented)) return;
  Open();
  ModalWatcher watcher;
  window_->OnMakeUsable();
  EXPECT_EQ(watcher.Seen(), QStringList{"FFA-Error: DCF is Fragmented"});
}

TEST_F(ContainerCommandsTest, EraseRemovesTheContainerItsCompanionsAndTheRecord) {
  if (!MakeCard(CardKind::kUsable)) return;
  // What the creation may have put beside the container: the autorun file
  // and a copy of the program (named as the running program's file).
  ASSERT_TRUE(WriteOnCard("R:\\autorun.inf", "[autorun]\r\nopen=quillfen\r\n"));
  ASSERT_TRUE(WriteOnCard("R:\\quillfen", "program"));
  ASSERT_TRUE(WriteOnCard("R:\\NOTES.TXT", "kept"));
  Open();
  ASSERT_NE(RecordedStartSector(), 0u);
  ModalWatcher watcher;
  Get<QPushButton>(Dlg::kIdErase)->click();
  QApplication::processEvents();
  EXPECT_TRUE(watcher.Seen().isEmpty());
  EXPECT_EQ(StatusText(), "--- no Dornveld Container File ---");
  EXPECT_EQ(Severity(), 2);
  EXPECT_TRUE(Enabled(Dlg::kIdCreate));
  EXPECT_EQ(RecordedStartSector(), 0u);
  for (const char* gone : {"R:\\autorun.inf", "R:\\quillfen", "R:\\DornveldFLP"}) {
    EXPECT_FALSE(platform::PathExists(gone)) << gone;
  }
  EXPECT_TRUE(platform::PathExists("R:\\NOTES.TXT"));
  card_.TakeOut();
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(card_.Volume(), &report)) << report;
}

// What Create DCF puts on the card beside the container (the program's copy
// and the autorun file that names it), Erase DCF takes away again.
TEST_F(ContainerCommandsTest, EraseTakesAwayWhatCreateDcfPutOnTheCard) {
  if (!MakeCard(CardKind::kNoContainer)) return;
  const std::string program = dir_.File("quillfen");
  ASSERT_TRUE(testsupport::WriteHostFile(program, testsupport::TestBytes(5000, 3)));
  platform::SetModuleFileNameOverride(program);
  Open();
  RunCreateDialog(*window_, [](CDlgCreateResizeCIF& dialog) {
    dialog.SetOwnProgramFile(ReadOwnProgramFile());
    qobject_cast<QLineEdit*>(dialog.Control(CDlgCreateResizeCIF::kIdCount))->setText("2");
    qobject_cast<QPushButton*>(dialog.Control(CDlgCreateResizeCIF::kIdCreate))->click();
    // A creation that failed leaves the dialog open with its message.
    if (dialog.isVisible()) {
      ADD_FAILURE() << qobject_cast<QLabel*>(dialog.Control(CDlgCreateResizeCIF::kIdStatus))
                           ->text()
                           .toStdString();
    }
  });
  ASSERT_EQ(Severity(), 0) << StatusText().toStdString();
  ASSERT_TRUE(platform::PathExists("R:\\quillfen"));
  ASSERT_TRUE(platform::PathExists("R:\\autorun.inf"));

  ModalWatcher watcher;
  Get<QPushButton>(Dlg::kIdErase)->click();
  QApplication::processEvents();
  EXPECT_TRUE(watcher.Seen().isEmpty());
  EXPECT_EQ(StatusText(), "--- no Dornveld Container File ---");
  for (const char* gone : {"R:\\autorun.inf", "R:\\quillfen", "R:\\DornveldFLP"}) {
    EXPECT_FALSE(platform::PathExists(gone)) << gone;
  }
  card_.TakeOut();
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(card_.Volume(), &report)) << report;
}

// Format FLASH in the card helper wipes sector 0 with the start sector
// record: once the helper closes, the window shows the card as it is now.
TEST_F(ContainerCommandsTest, AfterTheCardHelpersFormatTheCardStateIsReadAgain) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  ASSERT_EQ(Severity(), 0);
  bool pressed = false;
  QString asked;
  QTimer steps;
  QObject::connect(&steps, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      asked = box->text();
      box->button(QMessageBox::Yes)->click();
    } else if (auto* helper = qobject_cast<CDlgCFHelper*>(modal)) {
      auto* output = qobject_cast<QPlainTextEdit*>(helper->Control(CDlgCFHelper::kIdOutput));
      if (!pressed) {
        pressed = true;  // the question runs a loop of its own: not inside this step
        QMetaObject::invokeMethod(helper->Control(CDlgCFHelper::kIdFormat), "click",
                                  Qt::QueuedConnection);
      } else if (!helper->IsRunning() && !output->toPlainText().isEmpty()) {
        EXPECT_EQ(output->toPlainText(), "Finished");
        helper->reject();
      }
    }
  });
  steps.start(10);
  window_->OnCardHelper();
  steps.stop();
  EXPECT_TRUE(asked.startsWith("Format FLASH overwrites sectors 0 to 15 of the card in drive R:"))
      << asked.toStdString();
  EXPECT_EQ(StatusText(), "--- Start-Sector not set ---");
  EXPECT_EQ(Severity(), 1);
}

TEST_F(ContainerCommandsTest, EraseOnACardWithoutContainerShowsNothing) {
  if (!MakeCard(CardKind::kNoContainer)) return;
  Open();
  ModalWatcher watcher;
  window_->OnEraseContainer();
  QApplication::processEvents();
  EXPECT_TRUE(watcher.Seen().isEmpty());
  EXPECT_EQ(StatusText(), "--- no Dornveld Container File ---");
}

TEST_F(ContainerCommandsTest, SaveTheContainerNameKeepsTheSlot) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  SelectSlot(3);
  Get<QLineEdit>(Dlg::kIdContainerName)->setText("Mill 2");
  Get<QToolButton>(Dlg::kIdSaveContainerName)->click();
  QApplication::processEvents();
  EXPECT_EQ(Text(Dlg::kIdContainerName), "Mill 2");
  EXPECT_EQ(window_->SelectedSlot(), 3);
  EXPECT_EQ(Text(Dlg::kIdSlotName), "Empty 4");
  CardState state;
  std::uint64_t size = 0;
  FfaGetCardState("R:", size, state);
  EXPECT_EQ(state.Header.Name(), "Mill 2");
}

TEST_F(ContainerCommandsTest, StoreFpgaUpdateLightsTheLightAndClearsIt) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  const std::string update = dir_.File("fpga.bin");
  ASSERT_TRUE(testsupport::WriteHostFile(update, testsupport::TestBytes(3000, 9)));
  ModalWatcher watcher;
  EXPECT_EQ(window_->StoreFpgaUpdate(&update), 0);
  EXPECT_EQ(Get<CButtonLed>(Dlg::kIdLed)->GetState(), CButtonLed::State::kLit);
  EXPECT_EQ(window_->StoreFpgaUpdate(nullptr), 0);
  EXPECT_EQ(Get<CButtonLed>(Dlg::kIdLed)->GetState(), CButtonLed::State::kUnlit);
  EXPECT_TRUE(watcher.Seen().isEmpty());
  // A file that is not there is said so.
  const std::string missing = dir_.File("missing.bin");
  EXPECT_EQ(window_->StoreFpgaUpdate(&missing), DDA_ERR_FILE_NOT_FOUND);
  EXPECT_EQ(watcher.Seen(), QStringList{"DDA-Error: File not found"});
}

TEST_F(ContainerCommandsTest, StoreFpgaUpdateWithoutADriveReturnsInvalidDriveSilently) {
  Open();
  ModalWatcher watcher;
  const std::string update = "/nowhere/fpga.bin";
  EXPECT_EQ(window_->StoreFpgaUpdate(&update), DDA_ERR_INVALID_DRIVE);
  QApplication::processEvents();
  EXPECT_TRUE(watcher.Seen().isEmpty());
}

TEST_F(ContainerCommandsTest, TheContainerFieldsMenuClearsTheContainer) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  auto* field = Get<CEditContextMenu>(Dlg::kIdContainerFile);
  QString offered;
  QTimer::singleShot(50, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    offered = menu->actions().front()->text();
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  window_->ShowContextMenu(*field, field->mapToGlobal(QPoint(5, 5)));
  EXPECT_EQ(offered, "&Clear Dornveld Container File");
  EXPECT_FALSE(platform::PathExists(kContainer));
  EXPECT_EQ(StatusText(), "--- no Dornveld Container File ---");
  // An empty field offers nothing.
  bool popup = false;
  QTimer::singleShot(50, [&] { popup = QApplication::activePopupWidget() != nullptr; });
  window_->ShowContextMenu(*field, field->mapToGlobal(QPoint(5, 5)));
  QTest::qWait(100);
  EXPECT_FALSE(popup);
}

TEST_F(ContainerCommandsTest, TheWholeCardGoesIntoAnImageFile) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  const std::string copy = dir_.File("copy.img");
  window_->SetChooseFileFunction([&](bool openDialog, std::string& path, int kind) {
    EXPECT_FALSE(openDialog);
    EXPECT_EQ(kind, 0);
    path = copy;
    return true;
  });
  ModalWatcher watcher;
  window_->OnCommand(Dlg::kIdSaveCard);
  EXPECT_TRUE(watcher.Seen().isEmpty());
  std::string original;
  std::string copied;
  ASSERT_TRUE(testsupport::ReadHostFile(card_.path(), &original));
  ASSERT_TRUE(testsupport::ReadHostFile(copy, &copied));
  EXPECT_EQ(copied.size(), original.size());
  EXPECT_TRUE(copied == original);
}

TEST_F(ContainerCommandsTest, TheWholeCardCopyWithoutADriveSaysSo) {
  Open();
  window_->SetChooseFileFunction([](bool, std::string& path, int) {
    path = "/tmp/never-written.img";
    return true;
  });
  ModalWatcher watcher;
  window_->OnSaveCardToImage();
  EXPECT_EQ(watcher.Seen(), QStringList{"Can't open Drive !"});
  EXPECT_FALSE(platform::PathExists("/tmp/never-written.img"));
}

TEST_F(ContainerCommandsTest, AboutSettingsAndHelp) {
  Open();
  EXPECT_EQ(Dlg::VersionText(), "Version : 01.02.018 (Build: 90)");
  {
    ModalWatcher watcher;
    window_->OnCommand(Dlg::kCmdAbout);
    EXPECT_EQ(watcher.Seen(), QStringList{"About Quillfen"});
  }
  {
    const int searches = window_->DriveSearchCount();
    ModalWatcher watcher;
    window_->OnCommand(Dlg::kCmdSettings);
    EXPECT_EQ(watcher.Seen(), QStringList{"Application Settings"});
    EXPECT_EQ(window_->DriveSearchCount(), searches + 1);
  }
  // Pressed by a screen reader or triggered, a command that opens a modal
  // window returns first; the window opens from the event loop.
  const auto press = [this](int id) {
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(window_->Control(id));
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  };
  const std::vector<std::pair<std::function<void()>, QString>> commands = {
      {[&] { press(Dlg::kCmdSettings); }, "Application Settings"},
      {[&] { window_->MenuAction(Dlg::kCmdAbout)->trigger(); }, "About Quillfen"},
      {[&] { press(Dlg::kIdFloppyToSlot); }, "DDA-Error: No Image Selected"}};
  for (const auto& [command, shown] : commands) {
    ModalWatcher watcher;
    command();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << shown.toStdString();
    EXPECT_TRUE(watcher.Seen().isEmpty());
    QTRY_COMPARE(watcher.Seen(), QStringList{shown});
  }
  // A press queued while a command runs (its window open) is dropped, as
  // the window would have refused it.
  {
    ModalWatcher watcher;
    press(Dlg::kCmdSettings);
    press(Dlg::kIdFloppyToSlot);
    QTRY_COMPARE(watcher.Seen(), QStringList{"Application Settings"});
    QTest::qWait(50);
    EXPECT_EQ(watcher.Seen(), QStringList{"Application Settings"});
  }
  // F1 writes the help page of the current language.
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QTest::keyClick(window_.get(), Qt::Key_F1);
  EXPECT_TRUE(platform::PathExists(help_->EnglishPath()));
  EXPECT_FALSE(platform::PathExists(help_->GermanPath()));
}

}  // namespace
