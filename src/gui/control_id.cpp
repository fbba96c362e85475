#include "gui/control_id.h"

#include <QVariant>

namespace gui {
namespace {
constexpr char kControlIdProperty[] = "quillfenControlId";

void CollectControls(const QWidget* parent, QList<QWidget*>& out) {
  for (QObject* child : parent->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget == nullptr || widget->isWindow()) continue;
    out.append(widget);
    CollectControls(widget, out);
  }
}
}  // namespace

void SetControlId(QWidget* widget, int id) {
  widget->setProperty(kControlIdProperty, id);
}

int ControlId(const QWidget* widget) {
  return widget == nullptr ? 0 : widget->property(kControlIdProperty).toInt();
}

QList<QWidget*> WindowControls(const QWidget* window) {
  QList<QWidget*> controls;
  if (window != nullptr) CollectControls(window, controls);
  return controls;
}

QWidget* FindControl(const QWidget* window, int id) {
  if (id == 0) return nullptr;
  for (QWidget* control : WindowControls(window)) {
    if (ControlId(control) == id) return control;
  }
  return nullptr;
}

}  // namespace gui
