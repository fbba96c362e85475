// The main window's controls and their layout, and its start-up.
#include "mainwindow/tarnwick_dlg.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <tuple>

#include "base/current_language.h"
#include "container/dialogs/file_choice.h"
#include "container/main_header.h"
#include "container/slot_info.h"
#include "container/write_verify.h"
#include "driveaccess/dialogs/drive_combo_box.h"
#include "gui/accessible_names.h"
#include "gui/button_led.h"
#include "gui/control_id.h"
#include "gui/described_item_delegate.h"
#include "gui/ex_static.h"
#include "gui/icons.h"
#include "gui/read_only_field.h"
#include "gui/static_language.h"
#include "gui/ui_texts.h"
#include "mainwindow/device_changes.h"
#include "platform/files.h"
#include "platform/process.h"
#include "services/app_settings.h"
#include "services/dialogs/help_viewer.h"
#include "services/help_files.h"
#include "services/language_tables.h"
#include "virtualdrive/virtual_disk_manager.h"

namespace {
constexpr int kImageButtonIcon = 32;
constexpr int kSmallButtonIcon = 20;

QLabel* NewLabel(QWidget* parent, int id, const char* text, QWidget* buddy) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  gui::SetControlId(label, id);
  label->setBuddy(buddy);
  return label;
}

// The desktop's icon for a file of this kind, as if it existed; the
// program's own icon for programs where the desktop has none.
QIcon ProgramIcon(const std::string& path) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path));
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  return icon.isNull() ? gui::ResourceIcon(gui::kIconProgram) : icon;
}

QLineEdit* NewReadOnlyField(QWidget* parent, int id) {
  auto* field = new QLineEdit(parent);
  gui::SetControlId(field, id);
  gui::MakeReadOnlyField(field);
  return field;
}
}  // namespace

CTarnwickDlg::CTarnwickDlg(QWidget* parent)
    : CTarnwickDlg(parent, GetAppSettings(), GetVirtualDiskManager(), GetHelpFiles()) {}

CTarnwickDlg::CTarnwickDlg(QWidget* parent, AppSettings& settings,
                           IVirtualDiskManager& virtualDisks, HelpFiles& help)
    : CExResizeDialog(kTemplateId, parent, QSize(415, 334)),
      settings_(settings),
      virtualDisks_(virtualDisks),
      help_(help) {
  setWindowTitle(QStringLiteral("Quillfen"));
  // A plain window with minimise and maximise buttons, not a dialog's frame.
  setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(false);
  chooseFile_ = [this](bool openDialog, std::string& path, int kind) {
    return FfaChooseFile(this, openDialog, path, kind);
  };
  deviceChanges_ = std::make_unique<CDeviceChanges>([this] { return RunScheduledDriveSearch(); });
  CreateControls();
  AddHelpShortcut(this, help_);
}

CTarnwickDlg::~CTarnwickDlg() = default;

void CTarnwickDlg::CreateControls() {
  CreateSystemMenu();
  CreateToolBar();
  CreateStatusBar();

  auto* content = new QVBoxLayout;
  content->setContentsMargins(9, 6, 9, 6);
  content->addWidget(CreateDriveGroup());
  content->addWidget(CreateContainerGroup());
  content->addWidget(CreateSlotArea(), 1);

  driverInfo_ = new CStaticLanguage(this);
  gui::SetControlId(driverInfo_, kIdDriverInfo);
  driverInfo_->setFrameShape(QFrame::StyledPanel);
  driverInfo_->setTextFormat(Qt::PlainText);
  driverInfo_->setTextInteractionFlags(Qt::NoTextInteraction);
  driverInfo_->setMargin(4);
  driverInfo_->installEventFilter(this);
  QPushButton* close = NewTextButton(this, kIdClose, "&Close");
  connect(close, &QPushButton::clicked, this, &CTarnwickDlg::reject);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(driverInfo_, 1);
  bottom->addWidget(close, 0, Qt::AlignBottom);
  content->addLayout(bottom);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  layout->addWidget(toolBar_);
  layout->addLayout(content, 1);
  layout->addWidget(statusBar_);
}

QWidget* CTarnwickDlg::CreateDriveGroup() {
  auto* group = new QGroupBox(QStringLiteral("Removeable Drives"), this);
  gui::SetControlId(group, kIdDrivesGroup);
  driveCombo_ = new CDriveComboBox(group);
  gui::SetControlId(driveCombo_, kIdDriveList);
  gui::SetOwnAccessibleName(driveCombo_, gui::kTextDriveListName.english,
                            gui::kTextDriveListName.german);
  driveCombo_->setMinimumWidth(220);
  connect(driveCombo_, &QComboBox::currentIndexChanged, this,
          &CTarnwickDlg::OnDriveSelectionChanged);
  sizeField_ = NewReadOnlyField(group, kIdSize);
  fileSystemField_ = NewReadOnlyField(group, kIdFileSystem);
  // Wide enough for "1024 MBytes" and "FAT32" with room to spare.
  sizeField_->setMinimumWidth(sizeField_->fontMetrics().horizontalAdvance("0000 MBytes") + 16);
  fileSystemField_->setMinimumWidth(fileSystemField_->fontMetrics().horizontalAdvance("FAT32") +
                                    24);

  auto* row = new QHBoxLayout(group);
  row->addWidget(driveCombo_, 1);
  row->addSpacing(12);
  row->addWidget(NewLabel(group, kIdSizeLabel, "Size", sizeField_));
  row->addWidget(sizeField_);
  row->addSpacing(12);
  row->addWidget(NewLabel(group, kIdFileSystemLabel, "Filesystem", fileSystemField_));
  row->addWidget(fileSystemField_);
  return group;
}

QWidget* CTarnwickDlg::CreateContainerGroup() {
  auto* group = new QGroupBox(QStringLiteral("Dornveld Container File (DCF) "), this);
  gui::SetControlId(group, kIdContainerGroup);
  containerFileField_ = new CEditContextMenu(group);
  gui::SetControlId(containerFileField_, kIdContainerFile);
  gui::MakeReadOnlyField(containerFileField_);
  containerFileField_->SetContextMenuOwner(this);
  typeField_ = NewReadOnlyField(group, kIdType);
  typeField_->setFixedWidth(typeField_->fontMetrics().horizontalAdvance("HD") + 24);
  typeField_->setAlignment(Qt::AlignCenter);
  containerNameField_ = new QLineEdit(group);
  gui::SetControlId(containerNameField_, kIdContainerName);
  containerNameField_->setMaxLength(static_cast<int>(kContainerNameMaxLength));
  QToolButton* saveName =
      NewImageButton(group, kIdSaveContainerName, &CTarnwickDlg::OnSaveContainerName);
  saveName->setIconSize(QSize(kSmallButtonIcon, kSmallButtonIcon));

  auto* grid = new QGridLayout;
  grid->addWidget(NewLabel(group, kIdContainerFileLabel, "Container Filename", containerFileField_),
                  0, 0);
  grid->addWidget(containerFileField_, 0, 1);
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(NewLabel(group, kIdTypeLabel, "Type", typeField_));
  typeRow->addWidget(typeField_);
  grid->addLayout(typeRow, 0, 2);
  grid->addWidget(NewLabel(group, kIdContainerNameLabel, "Container &Name", containerNameField_), 1,
                  0);
  grid->addWidget(containerNameField_, 1, 1);
  grid->addWidget(saveName, 1, 2, Qt::AlignLeft);
  grid->setColumnStretch(1, 1);

  auto* commands = new QHBoxLayout;
  for (auto [id, text, command] :
       {std::tuple{kIdCreate, "Create DCF", &CTarnwickDlg::OnCreateContainer},
        std::tuple{kIdMakeUsable, "Make DCF Usable", &CTarnwickDlg::OnMakeUsable},
        std::tuple{kIdErase, "Erase DCF", &CTarnwickDlg::OnEraseContainer},
        std::tuple{kIdCardHelper, "Test CF", &CTarnwickDlg::OnCardHelper}}) {
    QPushButton* button = NewTextButton(group, id, text);
    ConnectQueued(button, command);
    commands->addWidget(button);
  }
  commands->addStretch();
  led_ = new CButtonLed(group);
  gui::SetControlId(led_, kIdLed);
  led_->setFocusPolicy(Qt::NoFocus);
  commands->addWidget(led_);
  QPushButton* fpga = NewTextButton(group, kIdFpgaUpdate, "&FPGA Update");
  ConnectQueued(fpga, &CTarnwickDlg::OnFpgaUpdate);
  commands->addWidget(fpga);

  statusLine_ = new Dornveld::GUI::CExStatic(group);
  gui::SetControlId(statusLine_, kIdStatus);
  gui::SetOwnAccessibleName(statusLine_, gui::kTextStatusLineName.english,
                            gui::kTextStatusLineName.german);
  statusLine_->setAlignment(Qt::AlignCenter);
  statusLine_->setTextFormat(Qt::PlainText);
  statusLine_->setMinimumHeight(statusLine_->fontMetrics().height() * 2 + 8);

  auto* layout = new QVBoxLayout(group);
  layout->addLayout(grid);
  layout->addLayout(commands);
  layout->addWidget(statusLine_);
  return group;
}

QWidget* CTarnwickDlg::CreateSlotArea() {
  // The slots in a frame of their own, in line with the groups above.
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::StyledPanel);
  slotList_ = new QListWidget(frame);
  gui::SetControlId(slotList_, kIdSlotList);
  gui::SetOwnAccessibleName(slotList_, gui::kTextSlotListName.english,
                            gui::kTextSlotListName.german);
  slotList_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Room for a name and its description ("FAT12 'TOOLS' · 12 files · 1.1 MB used").
  slotList_->setMinimumWidth(slotList_->fontMetrics().horizontalAdvance(QString(22, 'W')) +
                             slotList_->fontMetrics().horizontalAdvance(QString(30, 'n')));
  slotList_->setItemDelegate(new gui::CDescribedItemDelegate(slotList_));
  connect(slotList_, &QListWidget::itemSelectionChanged, this, &CTarnwickDlg::UpdateSlotButtons);
  slotContentsTimer_.setSingleShot(true);
  connect(&slotContentsTimer_, &QTimer::timeout, this, &CTarnwickDlg::ReadPendingSlotContents);

  slotNameField_ = new QLineEdit(frame);
  gui::SetControlId(slotNameField_, kIdSlotName);
  slotNameField_->setMaxLength(static_cast<int>(kSlotNameMaxLength));
  QToolButton* writeName = NewImageButton(frame, kIdWriteSlotName, &CTarnwickDlg::OnWriteSlotName);
  writeName->setIconSize(QSize(kSmallButtonIcon, kSmallButtonIcon));
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(NewLabel(frame, kIdSlotNameLabel, "N&ame", slotNameField_));
  nameRow->addSpacing(4);
  nameRow->addWidget(slotNameField_, 1);
  nameRow->addWidget(writeName);

  // Into the slot and out of it; floppy and file without a slot, and the
  // slot's outside editors; the external program, then the expert tools,
  // so that hidden ones leave no gap.
  const std::vector<std::vector<std::pair<int, void (CTarnwickDlg::*)()>>> rows = {
      {{kIdFloppyToSlot, &CTarnwickDlg::OnFloppyToSlot},
       {kIdFileToSlot, &CTarnwickDlg::OnFileToSlot},
       {kIdSlotToFloppy, &CTarnwickDlg::OnSlotToFloppy},
       {kIdSlotToFile, &CTarnwickDlg::OnSlotToFile}},
      {{kIdFloppyToFile, &CTarnwickDlg::OnFloppyToFile},
       {kIdFileToFloppy, &CTarnwickDlg::OnFileToFloppy},
       {kIdExternalEdit, &CTarnwickDlg::OnExternalEdit},
       {kIdMount, &CTarnwickDlg::OnMountSlot}},
      {{kIdRunProgram, &CTarnwickDlg::OnRunExternalProgram},
       {kIdHexSlot, &CTarnwickDlg::OnHexViewSlot},
       {kIdHexCard, &CTarnwickDlg::OnHexViewCard},
       {kIdHexFloppy, &CTarnwickDlg::OnHexViewFloppy},
       {kIdSaveCard, &CTarnwickDlg::OnSaveCardToImage}},
  };
  auto* buttons = new QGridLayout;
  buttons->setSpacing(6);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      buttons->addWidget(NewImageButton(frame, rows[r][c].first, rows[r][c].second),
                         static_cast<int>(r), static_cast<int>(c));
    }
  }
  buttons->setColumnStretch(5, 1);

  auto* side = new QVBoxLayout;
  side->addLayout(nameRow);
  side->addSpacing(6);
  side->addLayout(buttons);
  side->addStretch();
  auto* area = new QHBoxLayout(frame);
  area->addWidget(slotList_, 1);
  area->addSpacing(6);
  area->addLayout(side, 1);
  return frame;
}

QPushButton* CTarnwickDlg::NewTextButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  gui::SetControlId(button, id);
  // Enter never presses a button of this window.
  button->setAutoDefault(false);
  return button;
}

QToolButton* CTarnwickDlg::NewImageButton(QWidget* parent, int id,
                                          void (CTarnwickDlg::*command)()) {
  auto* button = new QToolButton(parent);
  gui::SetControlId(button, id);
  button->setIcon(gui::ResourceIcon(id));
  button->setIconSize(QSize(kImageButtonIcon, kImageButtonIcon));
  button->setAutoRaise(false);
  ConnectQueued(button, command);
  return button;
}

void CTarnwickDlg::ConnectQueued(QAbstractButton* button, void (CTarnwickDlg::*command)()) {
  // After the click returns: most commands open a modal window (a file
  // dialog, a message), which would hold a screen reader's press until the
  // window closes.
  connect(
      button, &QAbstractButton::clicked, this,
      [this, command] { RunQueuedCommand([this, command] { (this->*command)(); }); },
      Qt::QueuedConnection);
}

void CTarnwickDlg::RunQueuedCommand(const std::function<void()>& command) {
  // One at a time: a press queued while another command runs (its progress
  // or its modal window lets the event loop run) is dropped, as the window
  // would have refused it.
  QWidget* modal = QApplication::activeModalWidget();
  if (queuedCommandRunning_ || !isEnabled() || (modal != nullptr && modal != this)) return;
  queuedCommandRunning_ = true;
  command();
  queuedCommandRunning_ = false;
}

void CTarnwickDlg::OnInitDialog() {
  RegisterWithLanguage();
  deviceChanges_->Start();
  setWindowIcon(gui::ResourceIcon(gui::kIconApplicationLarge));
  TranslateSystemMenu(systemMenu_, IsGermanLanguage());
  led_->SetColors(0x00C000, 0xC8C8C8, 0xC8C8C8);
  SetLanguage(settings_.GetLanguageSetting(0) != 0);
  Control(kIdCardHelper)->hide();
  ShowVirtualDiskInfo();
}

void CTarnwickDlg::ShowVirtualDiskInfo() {
  if (!virtualDisks_.Initialize()) {
    driverInfo_->SetTexts(" No virtual disk driver found !",
                          " Keinen Virtual Disk Treiber gefunden !");
    return;
  }
  VirtualDiskVersion library;
  VirtualDiskVersion driver;
  // Versions that cannot be read show as 0.0.0.
  (void)virtualDisks_.GetVersion(library, driver);
  const char letter = virtualDisks_.GetFreeDriveLetter();
  if (letter == 0) {
    driverInfo_->SetTexts(" No Free drive letter found !",
                          " Keinen freien Laufwerksbuchstaben gefunden ");
    return;
  }
  char english[200];
  char german[200];
  std::snprintf(
      english, sizeof english,
      " Found Virtual Disk\n ImDisk.cpl V%u.%u.%u\n Driver V%u.%u.%u\n Virtual Drive '%c'",
      library.major, library.minor, library.build, driver.major, driver.minor, driver.build,
      letter);
  std::snprintf(german, sizeof german,
                " Virtual Disk gefunden\n ImDisk.cpl V%u.%u.%u\n Treiber V%u.%u.%u\n Virtuelles "
                "Laufwerk '%c'",
                library.major, library.minor, library.build, driver.major, driver.minor,
                driver.build, letter);
  driverInfo_->SetTexts(english, german);
}

void CTarnwickDlg::ApplySettings() {
  // For this run, whether the profile could be written or not.
  FfaSetVerifyEnabled(settings_.verifyWrites);
  for (int id : {kIdFpgaUpdate, kIdLed, kIdHexSlot, kIdHexCard, kIdHexFloppy}) {
    Control(id)->setVisible(settings_.expertMode);
  }
  // The whole-card copy has no button; expert mode offers it in the menu.
  Control(kIdSaveCard)->hide();
  if (QAction* saveCard = MenuAction(kIdSaveCard)) saveCard->setVisible(settings_.expertMode);

  QWidget* run = Control(kIdRunProgram);
  const std::string& program = settings_.externalProgram;
  run->setEnabled(!program.empty() && platform::PathExists(program));
  static_cast<QToolButton*>(run)->setIcon(ProgramIcon(program.empty() ? "program.exe" : program));
}

void CTarnwickDlg::OpenDriverDownloadPage() {
  platform::OpenWithDesktop(kVirtualDiskDownloadAddress);
}

void CTarnwickDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();  // Enter never closes the window; Escape does
    return;
  }
  CExResizeDialog::keyPressEvent(event);
}

bool CTarnwickDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == driverInfo_ && event->type() == QEvent::MouseButtonDblClick) {
    OpenDriverDownloadPage();
    return true;
  }
  return CExResizeDialog::eventFilter(watched, event);
}

std::string CTarnwickDlg::VersionText() {
  char text[64];
  std::snprintf(text, sizeof text, "Version : %s (Build: %s)", "01.02.018", "90");
  return text;
}
