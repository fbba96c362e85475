// Which device a drive letter stands for, as the drive list and the CLI say it.
#include <gtest/gtest.h>

#include "driveaccess/drive_description_text.h"
#include "support/scoped_language.h"

namespace {

TEST(DriveDescriptionText, NamesNodeReaderAndMountOrImageInBothLanguages) {
  platform::DriveDescription card;
  card.deviceNode = "/dev/sdb1";
  card.product = "Generic CF Card Reader";
  card.isDevice = true;
  platform::DriveDescription image;
  image.imageFile = "/home/anna/card.img";
  {
    testsupport::ScopedLanguage english(kLanguageEnglish);
    EXPECT_EQ(DriveDescriptionText(card),
              "Device: /dev/sdb1\nReader: Generic CF Card Reader\n"
              "Not mounted: used through the device");
    EXPECT_EQ(DriveLocationText(card), "not mounted");
    EXPECT_EQ(DriveDescriptionText(image), "Image file: /home/anna/card.img");
    EXPECT_EQ(DriveLocationText(image), "/home/anna/card.img");
    EXPECT_EQ(DriveDescriptionText(platform::DriveDescription()), "");
  }
  card.mountFolder = "/media/anna/CARD";
  testsupport::ScopedLanguage german(kLanguageGerman);
  EXPECT_EQ(DriveDescriptionText(card),
            "Gerät: /dev/sdb1\nLeser: Generic CF Card Reader\nEingehängt unter: /media/anna/CARD");
  EXPECT_EQ(DriveLocationText(card), "/media/anna/CARD");
}

}  // namespace
