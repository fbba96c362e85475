// Control ids on widgets: every control of a dialog carries the id of its
// dialog table, so that texts, tooltips and tests find it by that id.
#pragma once

#include <QWidget>

namespace gui {

// Controls that the tables list without an id (a fixed label, an icon) carry
// this one, as on Windows.
inline constexpr int kStaticControlId = -1;

void SetControlId(QWidget* widget, int id);
// 0 when the widget carries none.
int ControlId(const QWidget* widget);

// The controls of a window in child order: its descendants, but not those of
// other windows (child dialogs, popups) opened from it.
QList<QWidget*> WindowControls(const QWidget* window);

// The first control of the window with the id, or null.
QWidget* FindControl(const QWidget* window, int id);
template <class T>
T* FindControl(const QWidget* window, int id) {
  return qobject_cast<T*>(FindControl(window, id));
}

}  // namespace gui
