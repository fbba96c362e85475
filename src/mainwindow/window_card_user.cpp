#include "mainwindow/window_card_user.h"

#include "gui/message_box.h"

bool CWindowCardUser::AskYesNo(const std::string& question) {
  return gui::AskYesNo(window_, question);
}

void CWindowCardUser::ShowMessage(const std::string& text) {
  gui::ShowMessage(window_, text);
}
