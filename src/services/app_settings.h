// The user's settings: a handful of values in the section "Settings" of the
// per-user application profile, loaded once at first use and saved only when
// the user presses Save in the settings dialog.
#pragma once

#include <string>

inline constexpr const char* kSettingsSection = "Settings";

class AppSettings {
 public:
  // The main dialog lists every removable drive, not only card readers.
  bool showAllRemovableDrives = false;
  // Program that edits an image file.
  std::string externalImageSoftware;
  // Program started by the main dialog's "run external program" button.
  std::string externalProgram;
  // The main dialog shows its expert controls.
  bool expertMode = false;
  // The mount dialog opens a file manager on the new drive.
  bool openExplorer = false;
  // What a command writes to the card is read back and compared
  // (write_verify.h); the record hands it to the card operations.
  bool verifyWrites = true;

  // Reads the six values; missing ones give the defaults above.
  void Load();
  // Writes the four switches as 0 or 1, then the two texts. False when the
  // profile could not be written (the platform's last error tells why).
  bool Save() const;

  // The "Language" value (0 English, any other German), or the default when
  // it is missing. Not a member: the main dialog reads and writes it alone.
  int GetLanguageSetting(int defaultValue) const;
  bool StoreLanguageSetting(int value) const;
};

// The process's one record, created and loaded at the first call.
AppSettings& GetAppSettings();

// The settings dialog's fields. The dialog fills them from the record when it
// opens and hands them back only on Save; Cancel drops them, so the record and
// the stored values stay as they were.
struct AppSettingsFields {
  bool showAllRemovableDrives = false;
  std::string externalImageSoftware;
  std::string externalProgram;
  bool expertMode = false;
  bool openExplorer = false;
  bool verifyWrites = true;

  static AppSettingsFields From(const AppSettings& settings);
  // Copies the fields into the record and saves it (the dialog's Save).
  bool SaveInto(AppSettings& settings) const;
};
