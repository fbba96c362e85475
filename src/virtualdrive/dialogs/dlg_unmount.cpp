#include "virtualdrive/dialogs/dlg_unmount.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/icons.h"
#include "gui/static_language.h"
#include "gui/ui_texts.h"
#include "platform/drive.h"
#include "platform/drive_images.h"
#include "platform/drive_refresh.h"
#include "platform/process.h"

namespace {
constexpr int kButtonIconSize = 32;

CStaticLanguage* NewStatusLine(QWidget* parent, int id, const gui::UiText& name) {
  auto* line = new CStaticLanguage(parent);
  gui::SetControlId(line, id);
  gui::SetOwnAccessibleName(line, name.english, name.german);
  line->setTextFormat(Qt::PlainText);
  line->setWordWrap(true);
  return line;
}
}  // namespace

CDlgUnmount::CDlgUnmount(IVirtualDiskManager& manager, bool openFileManager, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent, QSize(317, 46)),
      manager_(manager),
      openFileManager_(openFileManager),
      openFolder_([](const std::string& folder) { platform::OpenWithDesktop(folder); }) {
  setWindowTitle(QStringLiteral("Virtual Disk Manager"));
  setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
  button_ = new QPushButton(this);
  gui::SetControlId(button_, kIdUnmount);
  button_->setIconSize(QSize(kButtonIconSize, kButtonIconSize));
  button_->setFixedSize(kButtonIconSize + 16, kButtonIconSize + 16);
  button_->setAutoDefault(false);
  connect(button_, &QPushButton::clicked, this, &CDlgUnmount::OnUnmount);
  status_ = NewStatusLine(this, kIdStatus, gui::kTextMountStatusName);
  driverStatus_ = NewStatusLine(this, kIdDriverStatus, gui::kTextDriverStatusName);
  driverStatus_->setEnabled(false);  // the driver's own lines, shown greyed

  // The status beside the button's middle; the driver's line under it.
  auto* lines = new QVBoxLayout;
  lines->addStretch();
  lines->addWidget(status_);
  lines->addWidget(driverStatus_);
  lines->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(button_, 0, Qt::AlignTop);
  layout->addSpacing(6);
  layout->addLayout(lines, 1);

  watch_.setInterval(kWatchMs);
  connect(&watch_, &QTimer::timeout, this, &CDlgUnmount::OnWatch);
}

CDlgUnmount::~CDlgUnmount() {
  manager_.ClearStatusWindow();
}

void CDlgUnmount::OnInitDialog() {
  RegisterWithLanguage();
  deviceNumber_ = -1;
  setWindowTitle(QStringLiteral("Virtual Disk Manager"));
  manager_.SetStatusWindow(driverStatus_);
  if (manager_.MountImage(imageFile_.c_str(), 0) == 0) {
    SetButtonIcon(gui::kIconCloseOnly);
    closable_ = true;
    SetStatus("Error Mount Disk Image.", "Fehler beim Einbinden der Abbilddatei.");
    return;
  }
  SetButtonIcon(gui::kIconUnmount);
  SetStatus("Mount Disk Image ok.", "Einbinden der Abbilddatei erfolgreich.");
  VirtualDiskInfo info;
  if (manager_.FindDeviceByDriveLetter(info, 0) == 0) {
    SetStatus("Error Retrive Drive Information.",
              "Fehler beim Ermitteln von Laufwerksinformationen.");
    return;
  }
  deviceNumber_ = static_cast<int>(info.deviceNumber);
  deviceFound_ = true;
  watch_.start();
  if (openFileManager_) OpenFileManager();
}

void CDlgUnmount::OpenFileManager() {
  // The drive shows the mounted folder once the drive table knows it; the
  // desktop's file manager opens on that folder. Whether it opened is not
  // checked: the drive works either way.
  platform::RefreshDrives();
  const char letter = manager_.GetFreeDriveLetter();
  const std::string folder = platform::HostFolderOfDrive(letter);
  if (!folder.empty() && openFolder_) openFolder_(folder);
}

void CDlgUnmount::OnUnmount() {
  if (closable_) {
    QDialog::reject();
    return;
  }
  if (manager_.UnmountImage(0) != 0) {
    watch_.stop();
    released_ = true;
    QDialog::reject();
    return;
  }
  SetStatus("Error Unmount Disk Image.", "Fehler beim Lösen der Verbindung zur Virtual Disk.");
}

void CDlgUnmount::OnWatch() {
  VirtualDiskInfo info;
  if (manager_.QueryDevice(info, static_cast<unsigned>(deviceNumber_)) != 0) return;
  // Gone: another program removed the drive.
  watch_.stop();
  SetButtonIcon(gui::kIconCloseOnly);
  released_ = true;
  closable_ = true;
  SetStatus("Unmount with external program (Systemcontrol, Console).",
            "Bindung wurde extern (Systemsteuerung, Console) aufgehoben.");
}

void CDlgUnmount::reject() {
  if (closable_) QDialog::reject();
}

void CDlgUnmount::OnMinimize() {
  if (QWidget* main = parentWidget()) main->window()->showMinimized();
}

void CDlgUnmount::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) != 0) {
    // The dialog itself stays; the main window is minimised instead.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    OnMinimize();
  }
  CExResizeDialog::changeEvent(event);
}

void CDlgUnmount::SetButtonIcon(int icon) {
  buttonIcon_ = icon;
  button_->setIcon(gui::ResourceIcon(icon));
}

void CDlgUnmount::SetStatus(const char* english, const char* german) {
  status_->SetTexts(english, german);
}
