// The main window on a card in every state: the status line, its colour, the
// fields, the light, the slot list and which commands are enabled.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "gui/button_led.h"
#include "mainwindow/main_window_fixture.h"
#include "platform/files.h"
#include "support/test_data.h"

namespace {
using mwtest::CardKind;
using Dlg = CTarnwickDlg;

struct StateCase {
  CardKind kind;
  const char* status;
  int severity;
  const char* type;
  // Enabled: Create, Make Usable, Erase, FPGA Update, the name field (and its
  // save button), the card's hex view.
  bool create, makeUsable, erase, fpga, name, hexCard;
  int slotCount;
};

const StateCase kCases[] = {
    {CardKind::kUsable,
     "--- Dornveld Container File: Ok, Not Fragemented, Start Sector Set: Ok ---", 0, "HD", false,
     false, true, true, true, true, 4},
    {CardKind::kStartSectorNotSet, "--- Start-Sector not set ---", 1, "HD", false, true, true, true,
     true, true, 4},
    {CardKind::kFragmented, "--- Dornveld Container File Fragmented, Start-Sector not set ---", 1,
     "HD", false, false, false, true, true, true, 3},
    {CardKind::kNoContainer, "--- no Dornveld Container File ---", 2, "--", true, false, false,
     false, false, true, 0},
    {CardKind::kNoFatVolume, "--- No Partition Available (FAT needed) ---", 2, "", false, false,
     false, false, false, false, 0},
    {CardKind::kBlank, "--- No Partition Available (FAT needed) ---", 2, "", false, false, false,
     false, false, false, 0},
    {CardKind::kNoRawRights, "--- No ADMIN Rights. Only Compact Flash Image handling. ---", 1, "HD",
     false, false, false, true, true, true, 4},
    {CardKind::kReadOnly,
     "--- Dornveld Container File: Ok, Not Fragemented, Start Sector Set: Ok, Card is write "
     "protected: read only ---",
     0, "HD", false, false, false, false, false, true, 4},
};

// The test list and failure messages name the case, not its bytes.
void PrintTo(const StateCase& c, std::ostream* os) {
  *os << mwtest::CardKindName(c.kind);
}

class CardStatusTest : public mwtest::MainWindowTest,
                       public testing::WithParamInterface<StateCase> {};

TEST_P(CardStatusTest, ShowsTheStateAndEnablesItsCommands) {
  const StateCase& c = GetParam();
  if (!MakeCard(c.kind)) return;
  Open();
  EXPECT_EQ(DriveEntries(),
            QStringList{c.kind == CardKind::kBlank || c.kind == CardKind::kNoFatVolume
                            ? "[ R ] Removable Drive"
                            : "[ R ] TEST CARD"});
  EXPECT_EQ(StatusText(), c.status);
  EXPECT_EQ(Severity(), c.severity);
  EXPECT_EQ(Text(Dlg::kIdType), c.type);
  EXPECT_EQ(Enabled(Dlg::kIdCreate), c.create);
  EXPECT_EQ(Enabled(Dlg::kIdMakeUsable), c.makeUsable);
  EXPECT_EQ(Enabled(Dlg::kIdErase), c.erase);
  EXPECT_EQ(Enabled(Dlg::kIdFpgaUpdate), c.fpga);
  EXPECT_EQ(Enabled(Dlg::kIdContainerName), c.name);
  EXPECT_EQ(Enabled(Dlg::kIdSaveContainerName), c.name);
  EXPECT_EQ(Enabled(Dlg::kIdHexCard), c.hexCard);
  EXPECT_EQ(SlotNames().size(), c.slotCount);
  const bool container = c.slotCount > 0;
  EXPECT_EQ(Text(Dlg::kIdContainerName), container ? "Lathe" : "");
  EXPECT_EQ(Text(Dlg::kIdContainerFile), container ? "R:\\DornveldFLP\\DornveldCIF.dfp" : "");
  const bool fat = c.kind != CardKind::kBlank && c.kind != CardKind::kNoFatVolume;
  EXPECT_EQ(Text(Dlg::kIdFileSystem), fat ? "FAT" : "");
  // Without rights the size is the volume's, else the whole card's.
  EXPECT_EQ(Text(Dlg::kIdSize), !fat                               ? ""
                                : c.kind == CardKind::kNoRawRights ? "63 MBytes"
                                : c.kind == CardKind::kFragmented  ? "32 MBytes"
                                                                   : "64 MBytes");
  EXPECT_FALSE(Get<CButtonLed>(Dlg::kIdLed)->GetState() == CButtonLed::State::kLit);
}

INSTANTIATE_TEST_SUITE_P(EveryState, CardStatusTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<StateCase>& param) {
                           std::string name = mwtest::CardKindName(param.param.kind);
                           std::erase(name, ' ');
                           return name;
                         });

using MainWindowStatusTest = mwtest::MainWindowTest;

TEST_F(MainWindowStatusTest, GermanStatusLineAndFields) {
  uitest::ScopedLanguage german(kLanguageGerman);
  settings_.StoreLanguageSetting(1);
  if (!MakeCard(CardKind::kStartSectorNotSet)) return;
  Open();
  EXPECT_EQ(StatusText(), "--- Start Sektor nicht gesetzt ---");
  EXPECT_EQ(Severity(), 1);
  EXPECT_EQ(Text(Dlg::kIdContainerNameLabel), "Container &Name");
  EXPECT_EQ(Get<QPushButton>(Dlg::kIdMakeUsable)->text(), "DCD &verwendbar machen");
}

TEST_F(MainWindowStatusTest, TheLightShowsAStoredFpgaUpdate) {
  if (!MakeCard(CardKind::kUsable)) return;
  const std::string update = dir_.File("fpga.bin");
  ASSERT_TRUE(testsupport::WriteHostFile(update, testsupport::TestBytes(5000, 7)));
  ASSERT_EQ(FfaWriteFpgaUpdate(kLetter, &update, nullptr), 0);
  Open();
  EXPECT_EQ(Get<CButtonLed>(Dlg::kIdLed)->GetState(), CButtonLed::State::kLit);
  EXPECT_EQ(Get<CButtonLed>(Dlg::kIdLed)->CurrentColor(), QColor(0x00, 0xC0, 0x00));
}

TEST_F(MainWindowStatusTest, ASelectedSlotEnablesTheSlotCommandsAndShowsItsName) {
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  EXPECT_EQ(SlotNames(), (QStringList{"Empty 1", "Empty 2", "Empty 3", "Empty 4"}));
  const int slotCommands[] = {Dlg::kIdSlotName,   Dlg::kIdWriteSlotName, Dlg::kIdFloppyToSlot,
                              Dlg::kIdFileToSlot, Dlg::kIdSlotToFloppy,  Dlg::kIdSlotToFile,
                              Dlg::kIdHexSlot};
  for (int id : slotCommands) EXPECT_FALSE(Enabled(id)) << id;
  SelectSlot(2);
  for (int id : slotCommands) EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_EQ(Text(Dlg::kIdSlotName), "Empty 3");
  // Without a virtual disk driver or an external image program.
  EXPECT_FALSE(Enabled(Dlg::kIdMount));
  EXPECT_FALSE(Enabled(Dlg::kIdExternalEdit));
  // Always there: floppy and file without a slot.
  EXPECT_TRUE(Enabled(Dlg::kIdFloppyToFile));
  EXPECT_TRUE(Enabled(Dlg::kIdFileToFloppy));
  Get<QListWidget>(Dlg::kIdSlotList)->clearSelection();
  EXPECT_FALSE(Enabled(Dlg::kIdFloppyToSlot));
  EXPECT_EQ(Text(Dlg::kIdSlotName), "");
}

TEST_F(MainWindowStatusTest, ASlotWhoseRecordCannotBeReadKeepsItsPlaceInTheList) {
  if (!MakeCard(CardKind::kUsable)) return;
  // The container ends after slot 2: the records of slots 3 and 4 are gone.
  const std::string container = "R:\\DornveldFLP\\DornveldCIF.dfp";
  ASSERT_EQ(FfaSetProtection(container, false), 0);
  {
    platform::File file =
        platform::OpenFile(container, platform::kGenericRead | platform::kGenericWrite,
                           platform::Disposition::kOpenExisting);
    ASSERT_TRUE(file.SetLength(3 * kContainerBlockSize));
  }
  Open();
  EXPECT_EQ(SlotNames(), (QStringList{"Empty 1", "Empty 2", "(unreadable)", "(unreadable)"}));
  SelectSlot(3);
  EXPECT_EQ(window_->SelectedSlot(), 3);
  EXPECT_EQ(Text(Dlg::kIdSlotName), "");
}

TEST_F(MainWindowStatusTest, ExternalImageSoftwareThatExistsEnablesItsButton) {
  settings_.externalImageSoftware = dir_.File("imager");
  ASSERT_TRUE(testsupport::WriteHostFile(settings_.externalImageSoftware, "#!/bin/sh\n"));
  if (!MakeCard(CardKind::kUsable)) return;
  Open();
  SelectSlot(0);
  EXPECT_TRUE(Enabled(Dlg::kIdExternalEdit));
}

TEST_F(MainWindowStatusTest, ExpertModeShowsItsControlsAndTheHiddenOnesStayHidden) {
  if (!MakeCard(CardKind::kUsable)) return;
  const int expert[] = {Dlg::kIdFpgaUpdate, Dlg::kIdLed, Dlg::kIdHexSlot, Dlg::kIdHexCard,
                        Dlg::kIdHexFloppy};
  Open();
  for (int id : expert) EXPECT_FALSE(window_->Control(id)->isVisible()) << id;
  EXPECT_FALSE(window_->MenuAction(Dlg::kIdSaveCard)->isVisible());
  settings_.expertMode = true;
  window_->ApplySettings();
  for (int id : expert) EXPECT_TRUE(window_->Control(id)->isVisible()) << id;
  EXPECT_TRUE(window_->MenuAction(Dlg::kIdSaveCard)->isVisible());
  EXPECT_FALSE(window_->Control(Dlg::kIdSaveCard)->isVisible());
  EXPECT_FALSE(window_->Control(Dlg::kIdCardHelper)->isVisible());
}

TEST_F(MainWindowStatusTest, TheExternalProgramButtonNeedsAProgramThatExists) {
  Open();
  EXPECT_FALSE(Enabled(Dlg::kIdRunProgram));
  settings_.externalProgram = dir_.File("missing");
  window_->ApplySettings();
  EXPECT_FALSE(Enabled(Dlg::kIdRunProgram));
  ASSERT_TRUE(testsupport::WriteHostFile(settings_.externalProgram, "#!/bin/sh\n"));
  window_->ApplySettings();
  EXPECT_TRUE(Enabled(Dlg::kIdRunProgram));
  EXPECT_FALSE(Get<QToolButton>(Dlg::kIdRunProgram)->icon().isNull());
}

// A card image the user may only read can be looked at: what reads works,
// what would write is off and, run anyway, says the card is write-protected;
// the image keeps every byte.
TEST_F(MainWindowStatusTest, AReadOnlyCardImageIsReadButNeverWritten) {
  if (!MakeCard(CardKind::kReadOnly)) return;
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(card_.path(), &before));
  Open();
  SelectSlot(1);
  for (int id :
       {Dlg::kIdSlotName, Dlg::kIdWriteSlotName, Dlg::kIdFloppyToSlot, Dlg::kIdFileToSlot}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  for (int id : {Dlg::kIdSlotToFile, Dlg::kIdSlotToFloppy, Dlg::kIdHexSlot, Dlg::kIdHexCard}) {
    EXPECT_TRUE(Enabled(id)) << id;
  }
  const std::string copy = dir_.File("slot.img");
  window_->SetChooseFileFunction([&](bool, std::string& path, int) {
    path = copy;
    return true;
  });
  {
    mwtest::ModalWatcher watcher;
    window_->OnSlotToFile();
    EXPECT_TRUE(watcher.Seen().isEmpty());
  }
  std::string image;
  ASSERT_TRUE(testsupport::ReadHostFile(copy, &image));
  EXPECT_EQ(image.size(), 1474560u);
  {
    mwtest::ModalWatcher watcher;
    window_->OnFileToSlot();
    window_->OnWriteSlotName();
    window_->OnSaveContainerName();
    window_->OnCreateContainer();
    window_->OnMakeUsable();
    window_->OnEraseContainer();
    EXPECT_EQ(watcher.Seen(), QStringList(6, "The media is write protected."));
  }
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(card_.path(), &after));
  EXPECT_TRUE(after == before);
  uitest::ScopedLanguage german(kLanguageGerman);
  window_->SearchDrives();
  EXPECT_EQ(StatusText(),
            "--- Dornveld Container Datei: Ok, nicht fragmentiert, Start Sektor setzen: Ok, Karte "
            "ist schreibgeschützt: nur lesen ---");
}

TEST_F(MainWindowStatusTest, WithoutAnyCardDriveTheControlsKeepTheirStates) {
  Open();
  EXPECT_TRUE(DriveEntries().isEmpty());
  EXPECT_FALSE(window_->GetSelectedDrive());
  EXPECT_TRUE(Enabled(Dlg::kIdCreate));
  EXPECT_TRUE(Enabled(Dlg::kIdFloppyToSlot));
  EXPECT_EQ(StatusText(), "");
  EXPECT_EQ(Text(Dlg::kIdDriverInfo), " No virtual disk driver found !");
}

}  // namespace
