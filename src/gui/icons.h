// The program's own icons (SVG, compiled in), found by the resource or
// control id the dialogs know them by.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QString>

namespace gui {

// Icon resources without a control of their own.
inline constexpr int kIconApplication = 128;
inline constexpr int kIconApplicationSmall = 147;
inline constexpr int kIconApplicationLarge = 149;
inline constexpr int kIconUnmount = 158;    // a floppy disk with a red cross
inline constexpr int kIconCloseOnly = 160;  // a grey round close symbol
inline constexpr int kIconProgram = 161;    // a program without an icon of its own
inline constexpr int kIconLed = 1127;       // the light, drawn green

// The image buttons of the main dialog and the tool bar commands have their
// control or command id as icon id. Empty path: no icon for the id.
QString IconPath(int id);
QIcon ResourceIcon(int id);
// The SVG text of the icon (empty when there is none).
QByteArray IconSource(int id);

}  // namespace gui
