#include "driveaccess/drive_description_text.h"

#include <memory>

#include "base/current_language.h"

namespace {
void AddLine(std::string* text, const std::string& line) {
  if (!text->empty()) text->append("\n");
  text->append(line);
}
}  // namespace

std::string DriveDescriptionText(const platform::DriveDescription& d) {
  std::string text;
  if (!d.deviceNode.empty()) AddLine(&text, Localized("Device: ", "Gerät: ") + d.deviceNode);
  if (!d.product.empty()) AddLine(&text, Localized("Reader: ", "Leser: ") + d.product);
  if (!d.mountFolder.empty()) {
    AddLine(&text, Localized("Mounted at: ", "Eingehängt unter: ") + d.mountFolder);
  } else if (d.isDevice) {
    AddLine(&text, Localized("Not mounted: used through the device",
                             "Nicht eingehängt: Zugriff über das Gerät"));
  }
  if (!d.imageFile.empty())
    AddLine(&text, Localized("Image file: ", "Abbilddatei: ") + d.imageFile);
  return text;
}

std::string DriveLocationText(const platform::DriveDescription& d) {
  if (!d.mountFolder.empty()) return d.mountFolder;
  if (d.isDevice) return Localized("not mounted", "nicht eingehängt");
  return d.imageFile;
}

platform::DriveDescription DescribeDrive(char letter) {
  const std::shared_ptr<platform::IDrive> drive = platform::FindDrive(letter);
  return drive ? drive->Description() : platform::DriveDescription();
}
