// The program's main window: the card drives, the state of the selected
// card's container, its slots, and every command as a button, a tool bar
// button or an entry of the window menu.
//
// The window is split by topic: tarnwick_dlg.cpp lays out the controls and
// starts up; drive_status.cpp shows the card state and the slots;
// drive_search.cpp finds the card drives, and device_changes.h hears the
// machine's device changes for it;
// container_commands.cpp and slot_commands.cpp hold the buttons' commands,
// which run the card operations (container/card_operations.h) with the
// window as their user (window_card_user.h);
// window_menu.cpp the menu, tool bar, status bar and language switch;
// card_check_command.cpp runs the card check and its repair for the check
// window;
// report_error.cpp turns result codes into messages.
#pragma once

#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/card_status.h"
#include "container/dialogs/dlg_card_check.h"
#include "container/dialogs/dlg_create_resize_cif.h"
#include "container/dialogs/dlg_fpga_update.h"
#include "container/slot_contents_cache.h"
#include "driveaccess/drive_list.h"
#include "gui/edit_context_menu.h"
#include "gui/ex_resize_dialog.h"
#include "mainwindow/window_card_user.h"

class AppSettings;
class CButtonLed;
class CDeviceChanges;
class IFloppyDriveChooser;
class CDriveComboBox;
class CStaticLanguage;
class HelpFiles;
class IVirtualDiskManager;
class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QToolBar;
class QToolButton;
namespace Dornveld::GUI {
class CExStatic;
}

class CTarnwickDlg : public CExResizeDialog,
                     public CEditContextMenuItf,
                     public IContainerCreationOwner,
                     public IFpgaUpdateOwner,
                     public ICardCheckOwner {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 102;

  // Controls.
  static constexpr int kIdClose = 2;
  static constexpr int kIdDriveList = 1100;
  static constexpr int kIdSlotList = 1101;
  static constexpr int kIdSize = 1102;
  static constexpr int kIdFileSystem = 1103;
  static constexpr int kIdDrivesGroup = 1104;
  static constexpr int kIdSaveContainerName = 1105;
  static constexpr int kIdFloppyToSlot = 1106;
  static constexpr int kIdFileToSlot = 1107;
  static constexpr int kIdFloppyToFile = 1108;
  static constexpr int kIdSlotToFloppy = 1109;
  static constexpr int kIdSlotToFile = 1110;
  static constexpr int kIdFileToFloppy = 1111;
  static constexpr int kIdSlotName = 1112;
  static constexpr int kIdWriteSlotName = 1113;
  static constexpr int kIdHexSlot = 1114;
  static constexpr int kIdType = 1115;
  static constexpr int kIdExternalEdit = 1116;
  static constexpr int kIdContainerFile = 1117;
  static constexpr int kIdHexCard = 1118;
  static constexpr int kIdHexFloppy = 1119;
  static constexpr int kIdCardHelper = 1120;
  static constexpr int kIdFpgaUpdate = 1121;
  static constexpr int kIdCreate = 1122;
  static constexpr int kIdMakeUsable = 1123;
  static constexpr int kIdErase = 1124;
  static constexpr int kIdContainerGroup = 1125;
  static constexpr int kIdStatus = 1126;
  static constexpr int kIdLed = 1127;
  static constexpr int kIdContainerFileLabel = 1128;
  static constexpr int kIdContainerNameLabel = 1129;
  static constexpr int kIdTypeLabel = 1130;
  static constexpr int kIdSlotNameLabel = 1131;
  static constexpr int kIdSizeLabel = 1132;
  static constexpr int kIdFileSystemLabel = 1133;
  static constexpr int kIdContainerName = 1134;
  static constexpr int kIdSaveCard = 1143;
  static constexpr int kIdMount = 1144;
  static constexpr int kIdRunProgram = 1146;
  static constexpr int kIdDriverInfo = 2008;

  // Commands of the tool bar and the window menu.
  static constexpr int kCmdSettings = 1136;
  static constexpr int kCmdRegisterExtension = 1137;
  static constexpr int kCmdAbout = 1138;
  static constexpr int kCmdEnglish = 1140;
  static constexpr int kCmdGerman = 1141;
  static constexpr int kLanguageMenuKey = 1142;
  static constexpr int kCmdAttachCardImage = 1147;
  static constexpr int kCmdDetachCardImage = 1148;
  static constexpr int kCmdAttachFloppyImage = 1149;
  static constexpr int kCmdDetachFloppyImage = 1150;
  static constexpr int kCmdExportImages = 1151;
  static constexpr int kCmdImportImages = 1152;
  static constexpr int kCmdCheckCard = 1155;
  static constexpr int kCmdHelp = 57670;
  static constexpr int kCmdClearContainer = 29000;  // the container file's context menu

  // The status bar's keyboard indicators.
  static constexpr int kIdIndicatorCaps = 59137;
  static constexpr int kIdIndicatorNum = 59138;
  static constexpr int kIdIndicatorScroll = 59139;

  // Asks for a file: open or save dialog, the path in and out, the kind (0
  // image files, 1 FPGA files). False when the user cancels.
  using ChooseFileFunction = CWindowCardUser::ChooseFileFunction;
  // Asks for a card image to attach; none when the user cancels.
  using ChooseCardImageFunction = std::function<std::optional<std::string>()>;

  explicit CTarnwickDlg(QWidget* parent = nullptr);
  CTarnwickDlg(QWidget* parent, AppSettings& settings, IVirtualDiskManager& virtualDisks,
               HelpFiles& help);
  ~CTarnwickDlg() override;

  // Tests and the start-up replace the file dialogs.
  void SetChooseFileFunction(ChooseFileFunction choose) { chooseFile_ = std::move(choose); }
  void SetChooseCardImageFunction(ChooseCardImageFunction choose) {
    chooseCardImage_ = std::move(choose);
  }
  void SetChooseFloppyImageFunction(ChooseCardImageFunction choose) {
    chooseFloppyImage_ = std::move(choose);
  }
  // Tests pick the floppy drive here instead of in the drive selection
  // dialog; null gives the dialog back.
  void SetFloppyChooser(IFloppyDriveChooser* chooser) { floppyChooser_ = chooser; }
  // The drive to select at the first search (a card image named on the
  // command line) instead of the first entry.
  void SelectAtStart(char letter) { startLetter_ = letter; }

  // The drive record of the selected entry; none without a selection.
  std::optional<CDriveInfo> GetSelectedDrive() const;
  // Reads the drive's card state and shows it: fields, buttons, status line.
  void UpdateDriveStatus(const CDriveInfo& drive);
  // Rebuilds the drive list, keeping the selected drive and slot.
  void SearchDrives();
  // The single place where a result code becomes a message; 0 and 1223 show
  // nothing.
  void ReportError(int code);

  // What the creation and FPGA update dialogs read and call.
  const CardState& GetCardState() const override { return cardState_; }
  std::string GetContainerNameText() const override;
  int StoreFpgaUpdate(const std::string* file) override;
  // What the check window reads and calls (card_check_command.cpp).
  std::string CheckedCardName() const override;
  bool CheckedCardWritable() const override;
  int RepairCheckedCard(std::vector<CheckFinding>& left) override;

  // Refills the slot list from the container's slot records.
  void FillSlotList(const CardState& state);
  // True while slots of the list wait for their description; each waits
  // for the window's idle time, so that a refresh never waits for images.
  bool SlotContentsPending() const { return slotContentsNext_ < slotRecordsRead_; }
  // Enables the slot commands by the slot selection and shows its name.
  void UpdateSlotButtons();
  // The slot's entry shows its contents when they are known; false when
  // they are still to be read.
  bool ShowSlotContents(std::uint32_t slot);
  // Reads the slots still without a description for a moment of idle time.
  void ReadPendingSlotContents();
  // Reads the 512-byte record of a slot (0, -720 or -714).
  int ReadSlotInfo(std::uint32_t slot, std::uint8_t* record) const;
  // The selected slot, or -1.
  int SelectedSlot() const;
  // The selected card takes no writes (a card image the user may only read).
  bool CardWriteProtected() const;
  // A command that would change such a card reports the write-protect error
  // instead (true); false otherwise.
  bool RefusedAsWriteProtected();

  // Switches the language of every window, stores the choice and rebuilds
  // every computed text.
  void SetLanguage(bool german);
  // Shows the expert controls and the external program's button as the
  // settings say.
  void ApplySettings();
  // Re-texts the menu and its submenus by command id and moves the
  // language check mark.
  void TranslateSystemMenu(QMenu* menu, bool german);
  void UpdateStatusBarIndicators(bool german);
  void UpdateToolbarTooltips();
  // Raises the window over the others, if it exists and is enabled.
  static void BringToFront(QWidget* window);

  // The container file field's context menu.
  void ShowContextMenu(CEditContextMenu& edit, const QPoint& globalPos) override;

  // Runs a command of the tool bar or the window menu by its id; false for
  // an id that is none of them.
  bool OnCommand(int commandId);

  // The machine's device changes (device_changes.h): media, volumes and
  // drive letters that come and go; the drives are searched once per burst.
  // It starts hearing them with the window's start-up, unless a test gave
  // it a source of its own before.
  CDeviceChanges& DeviceChanges() { return *deviceChanges_; }
  // Asks for one drive search once the burst of changes is over.
  void ScheduleDriveSearch();
  bool DriveSearchPending() const;
  int DriveSearchCount() const { return driveSearches_; }

  // Container and tool commands.
  void OnSaveContainerName();  // 1105
  void OnCreateContainer();    // 1122
  void OnMakeUsable();         // 1123
  void OnEraseContainer();     // 1124
  void OnFpgaUpdate();         // 1121
  void OnHexViewCard();        // 1118
  void OnHexViewFloppy();      // 1119
  void OnSaveCardToImage();    // 1143
  // Whole image sets between the container and a folder (image_sets.cpp).
  void OnExportImages();
  void OnImportImages();
  void OnCardHelper();         // 1120
  void OnAppSettings();        // 1136
  void OnRegisterExtension();  // 1137
  void OnAbout();              // 1138
  void OnHelp();               // 57670
  void OnAttachCardImage();    // 1147
  void OnDetachCardImage();    // 1148
  void OnAttachFloppyImage();  // 1149
  void OnDetachFloppyImage();  // 1150
  void OnCheckCard();          // 1155

  // Slot commands.
  void OnFloppyToSlot();        // 1106
  void OnFileToSlot();          // 1107
  void OnFloppyToFile();        // 1108
  void OnSlotToFloppy();        // 1109
  void OnSlotToFile();          // 1110
  void OnFileToFloppy();        // 1111
  void OnWriteSlotName();       // 1113
  void OnHexViewSlot();         // 1114
  void OnExternalEdit();        // 1116
  void OnMountSlot();           // 1144
  void OnRunExternalProgram();  // 1146

  // The name a written slot gets: the selected slot list entry's text, or
  // "Unknown" without a selection.
  std::string GetSelectedSlotName() const;
  // Takes an edited temporary image back into the slot when it changed and
  // the user agrees, reports a failure and shows the card again; deletes
  // the file in every case (slot_editing.cpp).
  void SaveChangedTempImage(const std::string& path, std::optional<std::uint32_t> crcBefore,
                            int slot);

  QMenu* SystemMenu() const { return systemMenu_; }
  QToolBar* ToolBar() const { return toolBar_; }
  QStatusBar* StatusBar() const { return statusBar_; }
  // The menu entry or tool bar action of a command id (null when none).
  QAction* MenuAction(int commandId) const;
  QAction* ToolBarAction(int commandId) const;

  // The version text of the about box.
  static std::string VersionText();

 protected:
  void OnInitDialog() override;
  void OnTextsApplied() override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public slots:
  // Enter never closes the window.
  void accept() override {}

 private:
  // Layout (tarnwick_dlg.cpp).
  void CreateControls();
  QWidget* CreateDriveGroup();
  QWidget* CreateContainerGroup();
  QWidget* CreateSlotArea();
  QPushButton* NewTextButton(QWidget* parent, int id, const char* text);
  QToolButton* NewImageButton(QWidget* parent, int id, void (CTarnwickDlg::*command)());
  // A click runs the command from the event loop, after the click returned.
  void ConnectQueued(QAbstractButton* button, void (CTarnwickDlg::*command)());
  void RunQueuedCommand(const std::function<void()>& command);
  void ShowVirtualDiskInfo();
  void OpenDriverDownloadPage();

  // State (drive_status.cpp).
  void OnDriveSelectionChanged();
  // The one place that enables the container and slot controls from the
  // card state and the slot selection.
  void UpdateControlStates();
  // Shows the card state read last: fields, slots, buttons, status line.
  void ShowCardState();
  // The card shown went away with its drive: the state of no card.
  void ShowNoCard();
  void ShowCardFields();

  // Menu, tool bar and status bar (window_menu.cpp).
  void CreateSystemMenu();
  void CreateToolBar();
  void CreateStatusBar();
  QAction* AddMenuCommand(QMenu* menu, int commandId, const char* initialText);
  // Runs the command once the action has returned; the language entries
  // follow their check mark instead.
  void ConnectCommand(QAction* action, int commandId);
  void OnLanguageToggled(int commandId, bool checked);
  void UpdateLockIndicators();

  // Slot commands (slot_transfers.cpp): the slot a card operation works on,
  // with the selected drive and the container's kind.
  SlotTarget SlotTargetFor(int slot) const;
  // Reads the card state again and selects the slot again (when it is
  // still listed).
  void UpdateDriveStatusKeepingSlot(const CDriveInfo& drive, int slot);

  // Drive search (drive_search.cpp).
  // False while a command runs: the search then waits.
  bool RunScheduledDriveSearch();
  // Watches the drive's device for media events.
  void RegisterDriveHandle(char letter);

  AppSettings& settings_;
  IVirtualDiskManager& virtualDisks_;
  HelpFiles& help_;
  ChooseFileFunction chooseFile_;
  ChooseCardImageFunction chooseCardImage_;
  ChooseCardImageFunction chooseFloppyImage_;
  IFloppyDriveChooser* floppyChooser_ = nullptr;
  // What the card operations ask the user goes to the window's dialogs.
  CWindowCardUser user_{this, chooseFile_, floppyChooser_};
  char startLetter_ = 0;

  CDriveList driveList_;
  CardState cardState_;
  std::uint64_t cardSize_ = 0;
  std::string cardFileSystem_;
  // The view of the last card state read; none before the first, when the
  // controls keep the states they were made with.
  std::optional<CardStatusView> cardView_;
  bool slotButtonsKnown_ = false;
  // What the slots hold: the slot records read last, the slots kept
  // between refreshes, and the next slot to read (drive_status.cpp).
  std::vector<std::uint8_t> slotRecords_;
  std::uint32_t slotRecordsRead_ = 0;
  std::uint32_t slotContentsNext_ = 0;
  SlotContentsCache slotContents_;
  QTimer slotContentsTimer_;
  std::unique_ptr<CDeviceChanges> deviceChanges_;
  bool searching_ = false;
  bool queuedCommandRunning_ = false;
  int driveSearches_ = 0;
  QTimer lockPoll_;

  // Controls.
  CDriveComboBox* driveCombo_ = nullptr;
  QLineEdit* sizeField_ = nullptr;
  QLineEdit* fileSystemField_ = nullptr;
  CEditContextMenu* containerFileField_ = nullptr;
  QLineEdit* typeField_ = nullptr;
  QLineEdit* containerNameField_ = nullptr;
  Dornveld::GUI::CExStatic* statusLine_ = nullptr;
  CButtonLed* led_ = nullptr;
  QListWidget* slotList_ = nullptr;
  QLineEdit* slotNameField_ = nullptr;
  CStaticLanguage* driverInfo_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  QMenu* systemMenu_ = nullptr;
  QMenu* languageMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  QLabel* capsIndicator_ = nullptr;
  QLabel* numIndicator_ = nullptr;
  QLabel* scrollIndicator_ = nullptr;
};
