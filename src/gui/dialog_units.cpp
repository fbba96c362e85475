#include "gui/dialog_units.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>

#include "gui/control_id.h"

namespace gui {

QSize DialogUnitsToPixels(const QFont& font, QSize dialogUnits) {
  const QFontMetrics metrics(font);
  // Windows takes the average width of the 52 Latin letters.
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int baseX = (letters / 26 + 1) / 2;
  const int baseY = metrics.height();
  return QSize(dialogUnits.width() * baseX / 4, dialogUnits.height() * baseY / 8);
}

void FitButtonsToTexts(QWidget* window) {
  for (QWidget* control : WindowControls(window)) {
    auto* button = qobject_cast<QPushButton*>(control);
    if (button == nullptr || button->text().isEmpty()) continue;
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    const int text = button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&'));
    button->setMinimumWidth(std::max(button->minimumWidth(), text + 2 * margin));
  }
}

}  // namespace gui
