// Editing a slot outside the program: through the virtual drive, through
// the external image software, and the external program the user named.
// The slot's image goes to a temporary file that is taken back when it
// changed.
#include <QApplication>
#include <QListWidget>
#include <QPointer>

#include <cstdio>
#include <memory>

#include "base/current_language.h"
#include "container/slot_editing.h"
#include "driveaccess/dav_errors.h"
#include "gui/message_box.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/program_file.h"
#include "services/app_settings.h"
#include "services/dialogs/progress_state_wnd.h"
#include "virtualdrive/dialogs/dlg_unmount.h"

namespace {
constexpr unsigned kWaitStepMs = 60;

std::string CreateTempImageText() {
  return Localized("Create temporary image file", "temporäre Abbilddatei erzeugen");
}

std::string WithCode(const std::string& format, std::uint32_t code) {
  char text[256];
  std::snprintf(text, sizeof text, format.c_str(), static_cast<int>(code));
  return text;
}
}  // namespace

void CTarnwickDlg::OnMountSlot() {
  auto busy = std::make_unique<CProgressStateWnd>(CreateTempImageText(), kProgressBusy, this);
  busy->Refresh();
  const std::string path = TemporaryImagePath();
  const int slot = SelectedSlot();
  const int result = CardSaveSlotAsImageFile(SlotTargetFor(slot), path, user_);
  // The busy window goes before the mount window opens: kept hidden, it
  // would only hold the main window disabled.
  busy.reset();
  if (result != 0) {
    ReportError(result);
    return;
  }
  const std::optional<std::uint32_t> crc = FileCrc32(path);
  CDlgUnmount dialog(virtualDisks_, settings_.openExplorer, this);
  dialog.SetImageFile(path);
  dialog.DoModal();
  if (dialog.DeviceFound() && dialog.Released()) SaveChangedTempImage(path, crc, slot);
}

void CTarnwickDlg::OnExternalEdit() {
  const QPointer<QWidget> focus = QApplication::focusWidget();
  auto busy = std::make_unique<CProgressStateWnd>(CreateTempImageText(), kProgressBusy, this);
  const int slot = SelectedSlot();
  const std::string path = TemporaryImagePath();
  if (const int result = CardSaveSlotAsImageFile(SlotTargetFor(slot), path, user_)) {
    ReportError(result);
    return;
  }

  setEnabled(false);
  // Hidden as a plain window: a dialog's own hide would also end the modal
  // loop the window runs in, and with it the program.
  QWidget::setVisible(false);
  const std::optional<std::uint32_t> crc = FileCrc32(path);
  busy->SetText(Localized("Wait for finished external Program",
                          "Warte auf das Beenden des externen Programmes."));
  busy->Show();
  // The command line as the settings make it, split into the program's
  // words as a shell would, and started without one.
  std::vector<std::string> argv;
  platform::ProcessId process = 0;
  bool started = false;
  if (ExternalEditArguments(settings_.externalImageSoftware, path, argv)) {
    started = platform::StartProgram(argv, &process);
  } else {
    platform::SetLastError(platform::kErrorInvalidParameter);  // a quote never closed
  }
  auto giveBack = [this, &focus] {
    show();
    setEnabled(true);
    BringToFront(this);
    if (focus) focus->setFocus();
  };
  if (!started) {
    const std::uint32_t error = platform::GetLastError();
    busy.reset();
    gui::ShowMessage(this, WithCode(Localized("Error %d at starting external Image Software !",
                                              "Fehler %d beim Starten des externen Programmes !"),
                                    error));
    giveBack();
    return;
  }
  // The busy window stays painted while the program runs.
  while (platform::WaitForProgram(process, kWaitStepMs) == platform::WaitResult::kTimeout) {
    busy->Refresh();
  }
  busy.reset();
  giveBack();
  SaveChangedTempImage(path, crc, slot);
}

void CTarnwickDlg::SaveChangedTempImage(const std::string& path,
                                        std::optional<std::uint32_t> crcBefore, int slot) {
  const int result = CardTakeBackEditedImage(SlotTargetFor(slot), path, crcBefore, user_);
  // Without the rights to record the start sector the status line says so.
  if (result != DAV_ERR_NO_RIGHTS) ReportError(result);
  if (const std::optional<CDriveInfo> drive = GetSelectedDrive()) {
    UpdateDriveStatusKeepingSlot(*drive, slot);
  }
}

void CTarnwickDlg::OnRunExternalProgram() {
  // The path itself, not a command line: quotes that would enclose it there
  // are taken off.
  std::string program = settings_.externalProgram;
  if (program.size() >= 2 && program.front() == '"' && program.back() == '"') {
    program = program.substr(1, program.size() - 2);
  }
  // A program runs as a process of its own, as the external image software
  // does, and is not waited for; a document goes to the desktop opener.
  const bool started = platform::IsExecutableProgram(program)
                           ? platform::RunProgram({program}, false)
                           : platform::OpenWithDesktop(program);
  if (!started) {
    gui::ShowMessage(this, WithCode(Localized("Error %d at starting external Program !",
                                              "Fehler %d beim Starten des externen Programmes !"),
                                    platform::GetLastError()));
  }
}
