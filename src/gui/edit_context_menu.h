// An edit field whose right-click menu is given by its dialog.
#pragma once

#include <QLineEdit>
#include <QPoint>

class CEditContextMenu;

class CEditContextMenuItf {
 public:
  virtual ~CEditContextMenuItf() = default;
  // The user asked for the field's context menu at a screen position.
  virtual void ShowContextMenu(CEditContextMenu& edit, const QPoint& globalPos) = 0;
};

class CEditContextMenu : public QLineEdit {
  Q_OBJECT

 public:
  explicit CEditContextMenu(QWidget* parent = nullptr);

  // Without an owner the field shows the usual edit menu.
  void SetContextMenuOwner(CEditContextMenuItf* owner) { owner_ = owner; }

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  CEditContextMenuItf* owner_ = nullptr;  // not owned
};
