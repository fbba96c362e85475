// The language texts on Qt widgets: which kind of window a widget is for the
// texts, and re-texting a window and its controls by their ids.
#pragma once

#include <QWidget>

#include "services/language_texts.h"

namespace gui {

// The kind the language texts see in a widget: push and tool buttons, group
// boxes, check boxes, labels, text fields, combo boxes, list boxes, dialogs,
// tool and status bars. Radio buttons and three-state boxes are other, as
// are list views with columns.
WindowKind ClassifyWidget(const QWidget* widget);

// Gives the widget its text for its kind and key in the current language;
// nothing when it has none. `key` is its control id, or for a dialog without
// one its template id.
void ApplyTextToWidget(QWidget* widget, int key, const LanguageTexts& texts);

// The window itself (key: its template id), then each of its controls.
void ApplyTextsToWindow(QWidget* window, int templateId, const LanguageTexts& texts);

}  // namespace gui
