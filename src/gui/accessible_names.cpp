#include "gui/accessible_names.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QTextDocumentFragment>
#include <QVariant>

#include "base/current_language.h"
#include "gui/control_id.h"
#include "services/tooltip_markup.h"

namespace gui {
namespace {
constexpr char kOwnEnglish[] = "quillfenAccessibleEnglish";
constexpr char kOwnGerman[] = "quillfenAccessibleGerman";

void ApplyOwnName(QWidget* control) {
  const QVariant english = control->property(kOwnEnglish);
  if (!english.isValid()) return;
  control->setAccessibleName(IsGermanLanguage() ? control->property(kOwnGerman).toString()
                                                : english.toString());
}
}  // namespace

QString AccessibleName(const QWidget* widget) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(widget));
  return iface != nullptr ? iface->text(QAccessible::Name) : QString();
}

void SetOwnAccessibleName(QWidget* control, const char* english, const char* german) {
  control->setProperty(kOwnEnglish, QString::fromUtf8(english));
  control->setProperty(kOwnGerman, QString::fromUtf8(german));
  ApplyOwnName(control);
}

void RefreshAccessibleNames(QWidget* window) {
  for (QWidget* control : WindowControls(window)) {
    if (control->property(kOwnEnglish).isValid()) {
      ApplyOwnName(control);
      continue;
    }
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (button != nullptr && button->text().isEmpty() && !button->toolTip().isEmpty()) {
      button->setAccessibleName(
          QTextDocumentFragment::fromHtml(button->toolTip()).toPlainText().trimmed());
    }
  }
}

QString TooltipHtml(const std::string& markup) {
  return QStringLiteral("<qt>") + QString::fromStdString(TooltipMarkupToHtml(markup)) +
         QStringLiteral("</qt>");
}

QString TooltipPlainText(const std::string& markup) {
  return QString::fromStdString(TooltipMarkupToPlainText(markup)).trimmed();
}

}  // namespace gui
