// Accessible names: what a screen reader (and a test) calls each control.
// Qt names a button or label by its visible text without the mnemonic mark
// and a field by the text of the label whose buddy it is. What has no such
// text gets its name here: an image button its tooltip as plain text, and a
// control without a label a name of its own in both languages.
#pragma once

#include <QString>
#include <QWidget>

namespace gui {

// The name assistive tools read for the widget.
QString AccessibleName(const QWidget* widget);

// A name of the control's own in both languages; the current one is applied
// at once and on every RefreshAccessibleNames.
void SetOwnAccessibleName(QWidget* control, const char* english, const char* german);

// Gives every control of the window that Qt cannot name a name: own names in
// the current language, and buttons without text the plain text of their
// tooltip.
void RefreshAccessibleNames(QWidget* window);

// Tooltip mark-up of the language texts as Qt rich text, and as plain text.
QString TooltipHtml(const std::string& markup);
QString TooltipPlainText(const std::string& markup);

}  // namespace gui
