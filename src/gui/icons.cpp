#include "gui/icons.h"

#include <QFile>

// The icons live in a static library: their resource is registered on first
// use, outside any namespace as Qt requires.
static void RegisterIconResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(icons);
    return true;
  }();
  (void)registered;
}

namespace gui {
namespace {
struct IconEntry {
  int id;
  const char* file;
};

constexpr IconEntry kIcons[] = {
    {kIconApplication, "app"},
    {kIconApplicationSmall, "app"},
    {kIconApplicationLarge, "app"},
    {kIconUnmount, "unmount"},
    {kIconCloseOnly, "close"},
    {kIconProgram, "program"},
    {kIconLed, "led"},
    {1105, "save_name"},       // save the container name
    {1113, "save_name"},       // write the slot name
    {1106, "floppy_to_card"},  // floppy disk into the slot
    {1107, "file_to_card"},    // image file into the slot
    {1108, "floppy_to_file"},  // floppy disk into an image file
    {1109, "card_to_floppy"},  // slot onto a floppy disk
    {1110, "card_to_file"},    // slot into an image file
    {1111, "file_to_floppy"},  // image file onto a floppy disk
    {1114, "hex_slot"},        // hex view of the slot
    {1116, "edit_external"},   // edit the slot with the external image software
    {1118, "hex_card"},        // hex view of the card
    {1119, "hex_floppy"},      // hex view of a floppy disk
    {1143, "card_to_image"},   // the whole card into an image file
    {1144, "mount"},           // the slot as a virtual drive
    {1146, "program"},         // run the external program
    {1136, "settings"},        // tool bar: application settings
    {1140, "english"},         // tool bar: English
    {1141, "german"},          // tool bar: German
    {1138, "about"},           // tool bar: about
    {57670, "help"},           // tool bar: help
};
}  // namespace

QString IconPath(int id) {
  RegisterIconResources();
  for (const IconEntry& entry : kIcons) {
    if (entry.id == id) return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(entry.file));
  }
  return QString();
}

QIcon ResourceIcon(int id) {
  const QString path = IconPath(id);
  return path.isEmpty() ? QIcon() : QIcon(path);
}

QByteArray IconSource(int id) {
  QFile file(IconPath(id));
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.readAll();
}

}  // namespace gui
