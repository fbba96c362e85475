#include "services/app_settings.h"

#include "platform/profile_store.h"

namespace {
constexpr const char* kShowAllRemovableDrives = "ShowAllRemoveableDrives";
constexpr const char* kExternalImageSoftware = "ExternalImageSoftware";
constexpr const char* kExternalProgram = "strExternalProgram";
constexpr const char* kExpertMode = "ExpertMode";
constexpr const char* kOpenExplorer = "OpenExplorer";
constexpr const char* kLanguage = "Language";
constexpr const char* kVerifyWrites = "VerifyWrites";
}  // namespace

void AppSettings::Load() {
  using platform::GetProfileInt;
  using platform::GetProfileString;
  showAllRemovableDrives = GetProfileInt(kSettingsSection, kShowAllRemovableDrives, 0) != 0;
  externalImageSoftware = GetProfileString(kSettingsSection, kExternalImageSoftware, "");
  externalProgram = GetProfileString(kSettingsSection, kExternalProgram, "");
  expertMode = GetProfileInt(kSettingsSection, kExpertMode, 0) != 0;
  openExplorer = GetProfileInt(kSettingsSection, kOpenExplorer, 0) != 0;
  verifyWrites = GetProfileInt(kSettingsSection, kVerifyWrites, 1) != 0;
}

bool AppSettings::Save() const {
  using platform::WriteProfileInt;
  using platform::WriteProfileString;
  // Every value is attempted even when one fails.
  bool ok = WriteProfileInt(kSettingsSection, kShowAllRemovableDrives, showAllRemovableDrives);
  ok = WriteProfileInt(kSettingsSection, kExpertMode, expertMode) && ok;
  ok = WriteProfileInt(kSettingsSection, kOpenExplorer, openExplorer) && ok;
  ok = WriteProfileInt(kSettingsSection, kVerifyWrites, verifyWrites) && ok;
  ok =
      WriteProfileString(kSettingsSection, kExternalImageSoftware, externalImageSoftware.c_str()) &&
      ok;
  ok = WriteProfileString(kSettingsSection, kExternalProgram, externalProgram.c_str()) && ok;
  return ok;
}

int AppSettings::GetLanguageSetting(int defaultValue) const {
  return platform::GetProfileInt(kSettingsSection, kLanguage, defaultValue);
}

bool AppSettings::StoreLanguageSetting(int value) const {
  return platform::WriteProfileInt(kSettingsSection, kLanguage, value);
}

AppSettings& GetAppSettings() {
  static AppSettings settings = [] {
    AppSettings loaded;
    loaded.Load();
    return loaded;
  }();
  return settings;
}

AppSettingsFields AppSettingsFields::From(const AppSettings& settings) {
  AppSettingsFields fields;
  fields.showAllRemovableDrives = settings.showAllRemovableDrives;
  fields.externalImageSoftware = settings.externalImageSoftware;
  fields.externalProgram = settings.externalProgram;
  fields.expertMode = settings.expertMode;
  fields.openExplorer = settings.openExplorer;
  fields.verifyWrites = settings.verifyWrites;
  return fields;
}

bool AppSettingsFields::SaveInto(AppSettings& settings) const {
  settings.showAllRemovableDrives = showAllRemovableDrives;
  settings.externalImageSoftware = externalImageSoftware;
  settings.externalProgram = externalProgram;
  settings.expertMode = expertMode;
  settings.openExplorer = openExplorer;
  settings.verifyWrites = verifyWrites;
  return settings.Save();
}
