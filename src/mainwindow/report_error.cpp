// Result codes become messages in one place only.
#include "gui/message_box.h"
#include "mainwindow/tarnwick_dlg.h"
#include "services/error_report.h"

void CTarnwickDlg::ReportError(int code) {
  // Success and a cancel by the user have no text.
  const std::string text = ResultCodeText(code);
  if (!text.empty()) gui::ShowMessage(this, text);
}
