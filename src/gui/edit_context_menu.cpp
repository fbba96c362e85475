#include "gui/edit_context_menu.h"

#include <QContextMenuEvent>

CEditContextMenu::CEditContextMenu(QWidget* parent) : QLineEdit(parent) {}

void CEditContextMenu::contextMenuEvent(QContextMenuEvent* event) {
  if (owner_ == nullptr) {
    QLineEdit::contextMenuEvent(event);
    return;
  }
  event->accept();
  owner_->ShowContextMenu(*this, event->globalPos());
}
