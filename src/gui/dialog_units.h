// Dialog units, the measure of the dialog tables: a quarter of the font's
// average character width across, an eighth of its height down.
#pragma once

#include <QFont>
#include <QSize>
#include <QWidget>

namespace gui {

QSize DialogUnitsToPixels(const QFont& font, QSize dialogUnits);

// Keeps each push button of the window at least as wide as its text with
// the style's button margin on both sides (Qt's own hint allows less); to be
// called again after the texts change.
void FitButtonsToTexts(QWidget* window);

}  // namespace gui
