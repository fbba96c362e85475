#include "gui/simple_popup_menu.h"

#include <QAction>

namespace Dornveld::GUI {

CSimplePopupMenu::CSimplePopupMenu(QWidget* parent) : menu_(parent) {}

void CSimplePopupMenu::AddItem(int commandId, const std::string& text) {
  QAction* action = menu_.addAction(QString::fromStdString(text));
  action->setData(commandId);
}

void CSimplePopupMenu::AddSeparator() {
  menu_.addSeparator();
}

int CSimplePopupMenu::Track(const QPoint& globalPos) {
  const QAction* chosen = menu_.exec(globalPos);
  return chosen != nullptr ? chosen->data().toInt() : 0;
}

}  // namespace Dornveld::GUI
