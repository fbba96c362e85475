// Edit fields that show a value the user cannot change (a card's size, a
// read status, the sectors of a slot's block). Qt's accessible interface of
// a line edit calls every field editable; a field made read-only here tells
// screen readers that it is read-only and not editable, and still gives its
// text as value and as readable text.
#pragma once

#include <QLineEdit>

namespace gui {

// Makes the field read-only for good. Call it before the field is shown,
// before assistive tools first ask about it.
void MakeReadOnlyField(QLineEdit* field);

}  // namespace gui
