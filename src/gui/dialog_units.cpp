#include "gui/dialog_units.h"

#include <QFontMetrics>

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

}  // namespace gui
