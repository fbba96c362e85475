// A popup menu of a few commands, shown at a point until the user picks one
// or dismisses it.
#pragma once

#include <QMenu>
#include <QPoint>

#include <string>

namespace Dornveld::GUI {

class CSimplePopupMenu {
 public:
  explicit CSimplePopupMenu(QWidget* parent = nullptr);

  // "&" marks the mnemonic.
  void AddItem(int commandId, const std::string& text);
  void AddSeparator();
  // Shows the menu at the screen position and waits; the chosen command id,
  // or 0 when the menu was dismissed.
  int Track(const QPoint& globalPos);

  QMenu& Menu() { return menu_; }

 private:
  QMenu menu_;
};

}  // namespace Dornveld::GUI
