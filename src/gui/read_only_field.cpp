#include "gui/read_only_field.h"

#include <QAccessibleWidget>
#include <QVariant>

namespace gui {
namespace {
constexpr char kReadOnlyField[] = "quillfenReadOnlyField";

class ReadOnlyFieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ReadOnlyFieldAccessible(QLineEdit* field)
      : QAccessibleWidget(field, QAccessible::EditableText) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.editable = false;
    state.selectableText = true;
    return state;
  }
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return Field()->text();
    return QAccessibleWidget::text(kind);
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // The text, its selection and the cursor, as a screen reader walks them.
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Field()->hasSelectedText()) return;
    *start = Field()->selectionStart();
    *end = Field()->selectionEnd();
  }
  int selectionCount() const override { return Field()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { Field()->setSelection(start, end - start); }
  void removeSelection(int) override { Field()->deselect(); }
  void setSelection(int, int start, int end) override { Field()->setSelection(start, end - start); }
  int cursorPosition() const override { return Field()->cursorPosition(); }
  void setCursorPosition(int position) override { Field()->setCursorPosition(position); }
  QString text(int start, int end) const override {
    return Field()->text().mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(Field()->text().size()); }
  QRect characterRect(int offset) const override {
    const QString shown = Field()->text();
    if (offset < 0 || offset >= shown.size()) return {};
    const QFontMetrics metrics = Field()->fontMetrics();
    const QRect area = Field()->contentsRect().marginsRemoved(Field()->textMargins());
    const int x = area.left() + metrics.horizontalAdvance(shown.left(offset));
    const QRect local(x, area.top() + (area.height() - metrics.height()) / 2,
                      metrics.horizontalAdvance(shown.at(offset)), metrics.height());
    return QRect(Field()->mapToGlobal(local.topLeft()), local.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Field()->cursorPositionAt(Field()->mapFromGlobal(point));
  }
  void scrollToSubstring(int, int end) override { Field()->setCursorPosition(end); }
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 private:
  QLineEdit* Field() const { return static_cast<QLineEdit*>(widget()); }
};

QAccessibleInterface* ReadOnlyFieldFactory(const QString&, QObject* object) {
  auto* field = qobject_cast<QLineEdit*>(object);
  if (field == nullptr || !field->property(kReadOnlyField).toBool()) return nullptr;
  return new ReadOnlyFieldAccessible(field);
}
}  // namespace

void MakeReadOnlyField(QLineEdit* field) {
  static const bool installed = [] {
    QAccessible::installFactory(&ReadOnlyFieldFactory);
    return true;
  }();
  (void)installed;
  // Marked first: making it read-only already tells assistive tools.
  field->setProperty(kReadOnlyField, true);
  field->setReadOnly(true);
}

}  // namespace gui
