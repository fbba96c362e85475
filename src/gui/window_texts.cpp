#include "gui/window_texts.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "gui/control_id.h"

namespace gui {
namespace {

// Button styles of Windows, which the texts' classification reads.
constexpr unsigned kPushButtonStyle = 0;
constexpr unsigned kDefaultPushButtonStyle = 1;
constexpr unsigned kAutoCheckBoxStyle = 3;
constexpr unsigned kAuto3StateStyle = 6;
constexpr unsigned kGroupBoxStyle = 7;
constexpr unsigned kAutoRadioButtonStyle = 9;

// The Windows class name and button style that stand for the widget.
struct WindowClass {
  const char* name;
  unsigned buttonStyle = 0;
};

WindowClass WindowClassOf(const QWidget* w) {
  if (const auto* box = qobject_cast<const QCheckBox*>(w)) {
    return {"BUTTON", box->isTristate() ? kAuto3StateStyle : kAutoCheckBoxStyle};
  }
  if (qobject_cast<const QRadioButton*>(w)) return {"BUTTON", kAutoRadioButtonStyle};
  if (const auto* push = qobject_cast<const QPushButton*>(w)) {
    return {"BUTTON", push->isDefault() ? kDefaultPushButtonStyle : kPushButtonStyle};
  }
  if (qobject_cast<const QAbstractButton*>(w)) return {"BUTTON", kPushButtonStyle};
  if (qobject_cast<const QGroupBox*>(w)) return {"BUTTON", kGroupBoxStyle};
  if (qobject_cast<const QLabel*>(w)) return {"STATIC"};
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
      qobject_cast<const QTextEdit*>(w)) {
    return {"EDIT"};
  }
  if (qobject_cast<const QComboBox*>(w)) return {"COMBOBOX"};
  // A plain list is a list box; a list with columns is a list view.
  if (qobject_cast<const QListView*>(w)) return {"LISTBOX"};
  if (qobject_cast<const QTreeView*>(w)) return {"SysListView32"};
  if (qobject_cast<const QToolBar*>(w)) return {"XTPDockBar"};
  if (qobject_cast<const QStatusBar*>(w)) return {"XTPStatusBar"};
  if (qobject_cast<const QDialog*>(w)) return {"#32770"};
  return {""};
}

}  // namespace

WindowKind ClassifyWidget(const QWidget* widget) {
  if (widget == nullptr) return WindowKind::kOther;
  const WindowClass windowClass = WindowClassOf(widget);
  return ClassifyWindowClass(windowClass.name, windowClass.buttonStyle);
}

void ApplyTextToWidget(QWidget* widget, int key, const LanguageTexts& texts) {
  const WindowKind kind = ClassifyWidget(widget);
  std::string text;
  if (!texts.TextForWindow(kind, key, text)) return;
  const QString value = QString::fromStdString(text);
  switch (kind) {
    case WindowKind::kPushButton:
    case WindowKind::kCheckBox:
      static_cast<QAbstractButton*>(widget)->setText(value);
      break;
    case WindowKind::kGroupBox:
      static_cast<QGroupBox*>(widget)->setTitle(value);
      break;
    case WindowKind::kStaticText:
      static_cast<QLabel*>(widget)->setText(value);
      break;
    case WindowKind::kDialog:
      widget->setWindowTitle(value);
      break;
    default:
      break;
  }
}

void ApplyTextsToWindow(QWidget* window, int templateId, const LanguageTexts& texts) {
  const int ownId = ControlId(window);
  ApplyTextToWidget(window, ownId != 0 ? ownId : templateId, texts);
  for (QWidget* control : WindowControls(window)) {
    ApplyTextToWidget(control, ControlId(control), texts);
  }
}

}  // namespace gui
