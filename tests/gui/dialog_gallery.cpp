#include "gui/dialog_gallery.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <cstdio>

#include "container/dialogs/dlg_card_check.h"
#include "container/dialogs/dlg_create_resize_cif.h"
#include "container/dialogs/dlg_fpga_update.h"
#include "container/ffa_store.h"
#include "driveaccess/dialogs/dlg_cf_helper.h"
#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "driveaccess/dialogs/drive_combo_box.h"
#include "gui/button_led.h"
#include "gui/enter_edit.h"
#include "gui/ex_static.h"
#include "gui/icons.h"
#include "mainwindow/tarnwick_dlg.h"
#include "mainwindow/test_cards.h"
#include "services/dialogs/about_dlg.h"
#include "services/dialogs/dlg_app_settings.h"
#include "services/dialogs/dlg_select_drive.h"
#include "services/dialogs/progress_state_wnd.h"
#include "support/test_data.h"
#include "virtualdrive/dialogs/dlg_unmount.h"

// A virtual disk driver that mounts, finds and keeps its device as told.
class GalleryVirtualDisk : public IVirtualDiskManager {
 public:
  GalleryVirtualDisk(bool mounts, bool finds) : mounts_(mounts), finds_(finds) {}
  bool Initialize() override { return true; }
  int GetVersion(VirtualDiskVersion&, VirtualDiskVersion&) override { return 1; }
  char GetFreeDriveLetter() override { return 'V'; }
  int MountImage(const char*, char) override { return mounts_ ? 1 : 0; }
  int UnmountImage(char) override { return 1; }
  int QueryDevice(VirtualDiskInfo&, unsigned) override { return gone ? 0 : 1; }
  int FindDeviceByDriveLetter(VirtualDiskInfo& info, char) override {
    info.deviceNumber = 0;
    return finds_ ? 1 : 0;
  }
  void ClearStatusWindow() override {}
  void SetStatusWindow(VirtualDiskStatusWindow) override {}
  bool gone = false;

 private:
  bool mounts_;
  bool finds_;
};

// The main window as the card dialogs see it: a card with a valid HD
// container that carries an FPGA update.
class GalleryCardOwner : public IContainerCreationOwner,
                         public IFpgaUpdateOwner,
                         public ICardCheckOwner {
 public:
  explicit GalleryCardOwner(char letter) {
    state.DriveLetter = letter;
    state.Flags = CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS | CARD_START_SECTOR_SET;
    state.Header.SetHighDensity(1);
    state.Header.SetFpgaPresent(1);
  }
  const CardState& GetCardState() const override { return state; }
  std::string GetContainerNameText() const override { return "Lathe programs"; }
  int StoreFpgaUpdate(const std::string*) override { return 0; }
  std::string CheckedCardName() const override { return "H: CF CARD"; }
  bool CheckedCardWritable() const override { return true; }
  int RepairCheckedCard(std::vector<CheckFinding>&) override { return 0; }

  CardState state;
};

namespace uitest {
namespace {

// The shared controls side by side: status line severities, the light, the
// drive list, a number field and every icon.
QWidget* ControlSheet() {
  auto* sheet = new QWidget;
  sheet->setWindowTitle(QStringLiteral("controls"));
  auto* layout = new QVBoxLayout(sheet);
  const char* statuses[] = {
      "--- Dornveld Container File: Ok, Not Fragemented, Start Sector Set: Ok ---",
      "--- Start-Sector not set ---", "--- no Dornveld Container File ---"};
  for (int severity = 0; severity < 3; ++severity) {
    auto* status = new Dornveld::GUI::CExStatic(sheet);
    status->SetStatus(QString::fromUtf8(statuses[severity]), severity);
    layout->addWidget(status);
  }
  auto* row = new QHBoxLayout;
  for (CButtonLed::State state :
       {CButtonLed::State::kUnlit, CButtonLed::State::kLit, CButtonLed::State::kThird}) {
    auto* led = new CButtonLed(sheet);
    led->SetColors(0x00C000, 0xC8C8C8, 0x0000FF);
    led->SetState(state);
    row->addWidget(led);
  }
  auto* drives = new CDriveComboBox(sheet);
  drives->AddItem("[ E ]", "CF CARD");
  drives->AddItem("[ F ]", "Removable Drive");
  drives->SetStyleFlags(DRIVE_COMBO_COLUMNS_IN_FIELD, 0);
  row->addWidget(drives);
  auto* number = new CEnterEdit(sheet);
  number->SetValue(63, "0x%08X");
  row->addWidget(number);
  row->addStretch();
  layout->addLayout(row);
  // Every icon at the sizes the windows use, and larger to judge the drawing.
  for (int size : {48, 32, 16}) {
    auto* icons = new QHBoxLayout;
    for (int id : {1105, 1106, 1107, 1108, 1109, 1110, 1111, 1114, 1116, 1118, 1119,
                   1143, 1144, 1146, 158,  160,  128,  1136, 1140, 1141, 1138, 57670}) {
      auto* icon = new QLabel(sheet);
      icon->setPixmap(gui::ResourceIcon(id).pixmap(size, size));
      icons->addWidget(icon);
    }
    icons->addStretch();
    layout->addLayout(icons);
  }
  return sheet;
}

}  // namespace

DialogGallery::DialogGallery()
    : floppies_{uitest::FloppyRecord('A', ""), uitest::FloppyRecord('B', "SYSTEM DISK")} {
  settings_.externalImageSoftware = "/opt/imaging/bin/floppy-image-editor";
  settings_.expertMode = true;
  const std::string bytes = testsupport::TestBytes(2u << 20, 3);
  block_.assign(bytes.begin(), bytes.end());

  auto* select = new CDlgSelectDrive(floppies_, nullptr);
  Add("select_drive", select, select);
  auto* settings = new CDlgAppSettings(nullptr, settings_);
  Add("app_settings", settings, settings);
  auto* about = new CAboutDlg("Quillfen", "Version 1.2.18", nullptr);
  Add("about", about, about);

  testsupport::ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  std::string reason;
  if (card_.Make('H', card, &reason)) {
    auto* hex = new CDlgShowHexData(card_.Drive(), nullptr);
    Add("hex_viewer_drive", hex, hex);
    // A container to keep: the creation dialog offers "Keep the images".
    if (FfaCreate('H', 3, "Lathe programs", true, nullptr) != 0) {
      std::fprintf(stderr, "no container on the gallery's card\n");
    }
  }
  auto* slot = new CDlgShowHexData(block_, (3u * (2u << 20)) / 512, 4096, nullptr);
  Add("hex_viewer_slot", slot, slot);

  // The card dialogs on the card image (or, without the tools, on a letter
  // without a drive: the creation dialog then offers no image).
  cardOwner_ = std::make_unique<GalleryCardOwner>('H');
  auto* create = new CDlgCreateResizeCIF(*cardOwner_, nullptr);
  create->SetOwnProgramFile({"/opt/quillfen/bin/quillfen", "quillfen", 3u << 20});
  Add("create_container", create, create);
  auto* fpga = new CDlgFpgaUpdate(*cardOwner_, nullptr);
  Add("fpga_update", fpga, fpga);
  fpga->findChild<QLineEdit*>()->setText(QStringLiteral("/home/user/controller/fpga-2.1.bin"));
  // The check window with the longest texts of each kind, and on a fine card.
  const std::vector<CheckFinding> findings = {
      {CheckCode::kStartSectorOther, CheckSeverity::kError, -1, "8192 / 12352"},
      {CheckCode::kSectorIdTable, CheckSeverity::kError, 11, ""},
      {CheckCode::kFragmented, CheckSeverity::kError, -1, "3"},
      {CheckCode::kProtectionLost, CheckSeverity::kWarning, -1, ""},
      {CheckCode::kVolumeLostClusters, CheckSeverity::kWarning, -1, "12"},
  };
  auto* check = new CDlgCardCheck(*cardOwner_, findings, nullptr);
  Add("card_check", check, check);
  auto* fine = new CDlgCardCheck(*cardOwner_, {}, nullptr);
  Add("card_check_fine", fine, fine);
  CDriveInfo cardDrive;
  cardDrive.driveName = "H:";
  auto* helper = new CDlgCFHelper(cardDrive, nullptr);
  Add("cf_helper", helper, helper);

  auto* popup = new CProgressStateWnd("Write Floppy Disk [PERCENT]", kProgressVisible, nullptr);
  popup->SetProgressState(0, 100);
  popup->SetProgressState(1, 42);
  Add("progress_bar", popup, nullptr);
  Add("progress_notice",
      new CProgressStateWnd("Retrieve Drive Information", kProgressVisible | kProgressNoBar,
                            nullptr),
      nullptr);
  auto* twoLines = new CProgressStateWnd("Search Drive(s) [PERCENT]\nA & B",
                                         kProgressVisible | kProgressTwoLines, nullptr);
  twoLines->OnDriveSearchProgress(0, 0);
  twoLines->OnDriveSearchProgress(2, 39);
  Add("progress_two_lines", twoLines, nullptr);

  help_ = std::make_unique<HelpFiles>(dir_.path() + "/");
  help_->SetViewer(&viewer_);
  Add("controls", ControlSheet(), nullptr);
  AddUnmountStates();
  AddMainWindows();
}

void DialogGallery::AddUnmountStates() {
  const struct {
    const char* name;
    bool mounts;
    bool finds;
    bool removed;
  } states[] = {
      {"unmount_mounted", true, true, false},
      {"unmount_not_found", true, false, false},
      {"unmount_mount_failed", false, false, false},
      {"unmount_removed_outside", true, true, true},
  };
  for (const auto& state : states) {
    auto driver = std::make_unique<GalleryVirtualDisk>(state.mounts, state.finds);
    auto* dialog = new CDlgUnmount(*driver, false, nullptr);
    dialog->SetImageFile("/run/user/1000/quillfen/instance-0/DorFlashImage.img");
    Add(state.name, dialog, dialog);
    if (state.removed) {
      driver->gone = true;
      dialog->OnWatch();
    }
    drivers_.push_back(std::move(driver));
  }
}

void DialogGallery::AddMainWindows() {
  using mwtest::CardKind;
  struct State {
    const char* name;
    char letter;
    CardKind kind;
  };
  const State states[] = {
      {"usable", 'J', CardKind::kUsable},
      {"start_sector_not_set", 'K', CardKind::kStartSectorNotSet},
      {"fragmented", 'L', CardKind::kFragmented},
      {"no_container", 'M', CardKind::kNoContainer},
      {"no_fat_volume", 'N', CardKind::kNoFatVolume},
      {"blank_card", 'O', CardKind::kBlank},
      {"no_raw_rights", 'P', CardKind::kNoRawRights},
      {"read_only", 'S', CardKind::kReadOnly},
  };
  std::vector<std::pair<std::string, char>> windows;
  for (const State& state : states) {
    auto card = std::make_unique<mwtest::TestCard>();
    std::string reason;
    if (!card->Make(state.letter, state.kind, &reason)) continue;  // the tools are missing
    // The usable card shows slots of every kind of contents.
    if (state.kind == CardKind::kUsable && !mwtest::WriteMixedSlots(state.letter, &reason)) {
      std::fprintf(stderr, "%s\n", reason.c_str());
    }
    cards_.push_back(std::move(card));
    windows.emplace_back(state.name, state.letter);
  }
  reader_ = std::make_unique<platform::ScopedDrive>('Q', std::make_shared<mwtest::EmptyReader>());
  windows.emplace_back("no_card", 'Q');
  for (const auto& [name, letter] : windows) {
    auto* window = new CTarnwickDlg(nullptr, settings_, virtualDisks_, *help_);
    window->SelectAtStart(letter);
    Add("main_window_" + name, window, window);
    mainWindows_.push_back(window);
    if (name == "usable") window->findChild<QListWidget*>()->setCurrentRow(1);
  }
}

void DialogGallery::SwitchLanguage(int language) {
  GetLanguageTexts().SwitchLanguage(language);
  for (CTarnwickDlg* window : mainWindows_) window->SetLanguage(language == kLanguageGerman);
}

DialogGallery::~DialogGallery() {
  help_->CloseAndDeleteHelp();
  help_->SetViewer(nullptr);
  owned_.clear();
  mainWindows_.clear();
  reader_.reset();
  cards_.clear();
  cardOwner_.reset();  // after the dialogs that read it
}

QWidget* DialogGallery::HelpWindow() {
  help_->ShowHelp();
  return viewer_.Browser(help_->Window());
}

void DialogGallery::Add(const std::string& name, QWidget* widget, CExResizeDialog* dialog) {
  owned_.emplace_back(widget);
  if (dialog != nullptr) dialog->InitDialog();
  widget->show();
  windows_.push_back({name, widget, dialog});
}

}  // namespace uitest
