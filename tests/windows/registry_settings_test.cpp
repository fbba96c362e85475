// The settings and the registry store of the Windows backend: in the real
// registry (Wine's, when run there).
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/process.h"
#include "platform/profile_store.h"
#include "platform/registry_store.h"

namespace {

TEST(WindowsRegistry, SettingsLandUnderTheProgramsKeyAndReadBack) {
  platform::SetModuleFileNameOverride("C:\\Program Files\\Quillfen\\quillfen.exe");
  EXPECT_EQ(platform::ProfileFilePath(), "HKEY_CURRENT_USER\\Software\\Dornveld\\quillfen");
  ASSERT_TRUE(platform::WriteProfileInt("Settings", "VerifyWrites", 0));
  ASSERT_TRUE(platform::WriteProfileString("Settings", "ExternalProgram", "C:\\Tools\\x.exe"));
  EXPECT_EQ(platform::GetProfileInt("Settings", "VerifyWrites", 7), 0);
  EXPECT_EQ(platform::GetProfileString("Settings", "ExternalProgram", ""), "C:\\Tools\\x.exe");
  // Missing values and sections give the defaults; a text is no number.
  EXPECT_EQ(platform::GetProfileInt("Settings", "Missing", -3), -3);
  EXPECT_EQ(platform::GetProfileInt("Settings", "ExternalProgram", 5), 5);
  EXPECT_EQ(platform::GetProfileString("Nowhere", "x", "d"), "d");

  // The raw value, past the profile: a DWORD under the program's key.
  platform::RegKey key = 0;
  ASSERT_EQ(platform::RegOpenKey(platform::kHkeyCurrentUser,
                                 "Software\\Dornveld\\quillfen\\Settings", &key),
            0u);
  std::uint32_t type = 0;
  std::uint32_t value = 9;
  std::uint32_t size = sizeof value;
  EXPECT_EQ(platform::RegQueryValueEx(key, "VerifyWrites", &type,
                                      reinterpret_cast<std::uint8_t*>(&value), &size),
            0u);
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(platform::RegDeleteValue(key, "ExternalProgram"), 0u);
  EXPECT_EQ(platform::RegQueryValueEx(key, "ExternalProgram", &type, nullptr, &size),
            platform::kErrorFileNotFound);
  EXPECT_EQ(platform::RegCloseKey(key), 0u);
  platform::SetModuleFileNameOverride("");
}

TEST(WindowsRegistry, SystemErrorTextComesFromTheSystem) {
  EXPECT_FALSE(platform::SystemErrorText(platform::kErrorFileNotFound).empty());
  EXPECT_EQ(platform::SystemErrorText(platform::kErrorFileNotFound).back() == '\n', false);
}

}  // namespace
