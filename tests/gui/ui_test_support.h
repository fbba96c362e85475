// Helpers of the window tests: the language for one test, a card image at a
// drive letter, and what a window shows.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <string>

#include "driveaccess/drive_info.h"
#include "platform/image/image_drive.h"
#include "services/language_texts.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace uitest {

// Switches the language texts for one test and back afterwards.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(int language);
  ~ScopedLanguage();
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  int previous_;
};

// A card image made with sfdisk and mkfs.fat, attached at a drive letter for
// the lifetime of the object.
class AttachedCard {
 public:
  // False (with the reason) when the tools are missing or a step failed.
  bool Make(char letter, const testsupport::ReferenceCard& card, std::string* reason,
            const platform::ImageDriveOptions& options = {});
  ~AttachedCard();

  const std::string& path() const { return path_; }
  // Writes what the drive holds onto the image, so that other tools read it.
  void Unmount();
  // The drive record as the drive search gives it.
  CDriveInfo Drive() const;

 private:
  testsupport::TempDir dir_;
  std::string path_;
  char letter_ = 0;
  std::shared_ptr<platform::ImageDrive> drive_;
};

// A floppy drive's record as the drive search gives it.
CDriveInfo FloppyRecord(char letter, const char* label);

// Drops the offscreen platform's notes that a window asked for what only a
// real screen does (raising, grabbing the keyboard); passes on the rest.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text);

// The texts a user sees or hears in a window: its caption, and for each of its
// controls the visible text, group box title, column headers, tooltip (as
// plain text) and accessible name.
QStringList VisibleTexts(QWidget* window);

}  // namespace uitest
