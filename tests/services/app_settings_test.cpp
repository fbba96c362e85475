#include "services/app_settings.h"

#include "platform/profile_store.h"
#include "platform/user_files.h"
#include "user_folders_fixture.h"

#include <filesystem>

namespace {

class AppSettingsTest : public UserFoldersTest {};

void ExpectDefaults(const AppSettings& s) {
  EXPECT_FALSE(s.showAllRemovableDrives);
  EXPECT_EQ(s.externalImageSoftware, "");
  EXPECT_EQ(s.externalProgram, "");
  EXPECT_FALSE(s.expertMode);
  EXPECT_FALSE(s.openExplorer);
}

TEST_F(AppSettingsTest, FirstStartGivesTheDefaults) {
  AppSettings settings;
  settings.showAllRemovableDrives = settings.expertMode = settings.openExplorer = true;
  settings.externalProgram = "left over";
  settings.Load();
  ExpectDefaults(settings);
  EXPECT_EQ(settings.GetLanguageSetting(0), 0);  // English
  EXPECT_EQ(settings.GetLanguageSetting(7), 7);
  EXPECT_FALSE(std::filesystem::exists(platform::ProfileFilePath()));  // reading writes nothing
}

TEST_F(AppSettingsTest, SaveAndLoadRoundTripEveryValue) {
  struct Case {
    bool showAll, expert, explorer;
    const char* image;
    const char* program;
    int language;
  };
  const Case cases[] = {
      {true, false, true, "/usr/bin/imgtool", "/opt/My Tools/run me.sh", 1},
      {false, true, false, "C:\\Tools\\x.exe", "line one\nline two\\n \t", 0},
      {true, true, true, "  leading and trailing  ", "=;[Settings]#", 2},
      {false, false, false, "", "", 0},
  };
  for (const Case& c : cases) {
    AppSettings saved;
    saved.showAllRemovableDrives = c.showAll;
    saved.expertMode = c.expert;
    saved.openExplorer = c.explorer;
    saved.externalImageSoftware = c.image;
    saved.externalProgram = c.program;
    ASSERT_TRUE(saved.Save());
    ASSERT_TRUE(saved.StoreLanguageSetting(c.language));

    AppSettings loaded;
    loaded.Load();
    EXPECT_EQ(loaded.showAllRemovableDrives, c.showAll);
    EXPECT_EQ(loaded.expertMode, c.expert);
    EXPECT_EQ(loaded.openExplorer, c.explorer);
    EXPECT_EQ(loaded.externalImageSoftware, c.image);
    EXPECT_EQ(loaded.externalProgram, c.program);
    EXPECT_EQ(loaded.GetLanguageSetting(5), c.language);
  }
}

TEST_F(AppSettingsTest, ValuesLiveInTheProgramsProfileSection) {
  AppSettings settings;
  settings.expertMode = true;
  settings.externalProgram = "/bin/true";
  ASSERT_TRUE(settings.Save());
  settings.StoreLanguageSetting(1);

  // <config>/Dornveld/<program file name without extension>.ini
  EXPECT_EQ(platform::ProfileFilePath(), ConfigFile("Dornveld/quillfen.ini"));
  std::string text;
  ASSERT_EQ(platform::ReadWholeFile(ConfigFile("Dornveld/quillfen.ini"), &text), 0u);
  EXPECT_NE(text.find("[Settings]\n"), std::string::npos);
  for (const char* line :
       {"ShowAllRemoveableDrives=0\n", "ExpertMode=1\n", "OpenExplorer=0\n",
        "ExternalImageSoftware=\n", "strExternalProgram=/bin/true\n", "Language=1\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  // Written atomically: no temporary file stays beside it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ConfigFile("Dornveld"))) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(AppSettingsTest, StoredIntegersCountAsTrueWhenNotZero) {
  platform::WriteProfileInt(kSettingsSection, "ExpertMode", 7);
  platform::WriteProfileInt(kSettingsSection, "OpenExplorer", -1);
  platform::WriteProfileString(kSettingsSection, "ShowAllRemoveableDrives", "not a number");
  AppSettings settings;
  settings.Load();
  EXPECT_TRUE(settings.expertMode);
  EXPECT_TRUE(settings.openExplorer);
  EXPECT_FALSE(settings.showAllRemovableDrives);  // unreadable: the default
}

TEST_F(AppSettingsTest, CancelLeavesRecordAndStoreUnchanged) {
  AppSettings settings;
  settings.externalProgram = "/usr/bin/original";
  settings.expertMode = true;
  ASSERT_TRUE(settings.Save());
  std::string before;
  platform::ReadWholeFile(platform::ProfileFilePath(), &before);

  AppSettingsFields fields = AppSettingsFields::From(settings);
  fields.externalProgram = "/usr/bin/changed";
  fields.expertMode = false;
  fields.showAllRemovableDrives = true;
  // Cancel: the fields are dropped.
  EXPECT_EQ(settings.externalProgram, "/usr/bin/original");
  EXPECT_TRUE(settings.expertMode);
  std::string after;
  platform::ReadWholeFile(platform::ProfileFilePath(), &after);
  EXPECT_EQ(after, before);

  // Save: the fields reach the record and the store.
  ASSERT_TRUE(fields.SaveInto(settings));
  AppSettings loaded;
  loaded.Load();
  EXPECT_EQ(loaded.externalProgram, "/usr/bin/changed");
  EXPECT_FALSE(loaded.expertMode);
  EXPECT_TRUE(loaded.showAllRemovableDrives);
}

TEST_F(AppSettingsTest, ProfileFollowsTheConfigurationFolderAtUseTime) {
  AppSettings settings;
  settings.externalProgram = "/first";
  ASSERT_TRUE(settings.Save());
  {
    ScopedVariable other("XDG_CONFIG_HOME", dir_.File("other"));
    AppSettings fresh;
    fresh.Load();
    ExpectDefaults(fresh);
  }
  AppSettings again;
  again.Load();
  EXPECT_EQ(again.externalProgram, "/first");
}

TEST_F(AppSettingsTest, UnwritableProfileIsReported) {
  // A folder where the profile file should be: the store cannot be replaced.
  std::filesystem::create_directories(ConfigFile("Dornveld/quillfen.ini"));
  AppSettings settings;
  settings.expertMode = true;
  EXPECT_FALSE(settings.Save());
  AppSettings loaded;
  loaded.Load();
  ExpectDefaults(loaded);
}

}  // namespace
