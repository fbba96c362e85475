// Dialog units, the measure of the dialog tables: a quarter of the font's
// average character width across, an eighth of its height down.
#pragma once

#include <QFont>
#include <QSize>

namespace gui {

QSize DialogUnitsToPixels(const QFont& font, QSize dialogUnits);

}  // namespace gui
