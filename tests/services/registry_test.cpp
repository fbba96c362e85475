#include "services/registry.h"

#include "platform/errors.h"
#include "platform/registry_store.h"
#include "platform/user_files.h"
#include "user_folders_fixture.h"

#include <filesystem>

namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;

class RegistryTest : public UserFoldersTest {};

// The stored type and bytes of a value, read past CRegistry.
struct Stored {
  std::uint32_t error = 0;
  std::uint32_t type = 0;
  std::string bytes;
};

Stored ReadStored(platform::RegKey root, const char* path, const char* name) {
  Stored s;
  platform::RegKey key = 0;
  s.error = platform::RegOpenKey(root, path, &key);
  if (s.error != 0) return s;
  std::uint32_t size = 0;
  s.error = platform::RegQueryValueEx(key, name, &s.type, nullptr, &size);
  if (s.error == 0) {
    s.bytes.resize(size);
    s.error = platform::RegQueryValueEx(key, name, &s.type,
                                        reinterpret_cast<std::uint8_t*>(s.bytes.data()), &size);
  }
  platform::RegCloseKey(key);
  return s;
}

TEST_F(RegistryTest, WritesStringsWithTheirTypeAndTerminatingZero) {
  struct Case {
    const char* value;
    std::uint32_t type;
    std::string bytes;
  };
  const Case cases[] = {
      {"plain text", platform::kRegSz, std::string("plain text\0", 11)},
      {"\"C:\\Tools\\x.exe\" \"%1\"", platform::kRegExpandSz,
       std::string("\"C:\\Tools\\x.exe\" \"%1\"\0", 22)},
      {"100%", platform::kRegExpandSz, std::string("100%\0", 5)},
      {nullptr, platform::kRegSz, std::string("\0", 1)},
      {"", platform::kRegSz, std::string("\0", 1)},
  };
  CRegistry registry;
  ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, "Software\\Dornveld\\Test"), 0u);
  for (const Case& c : cases) {
    ASSERT_EQ(registry.WriteString("Value", c.value), 0u);
    const Stored stored = ReadStored(kHkeyCurrentUser, "Software\\Dornveld\\Test", "Value");
    EXPECT_EQ(stored.type, c.type) << (c.value ? c.value : "(null)");
    EXPECT_EQ(stored.bytes, c.bytes);
    std::string back;
    EXPECT_EQ(registry.ReadString("Value", back, "default"), 0u);
    EXPECT_EQ(back, c.value != nullptr ? c.value : "");
  }
}

TEST_F(RegistryTest, ReadFailuresGiveTheDefaultAndTheError) {
  CRegistry registry;
  ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, "Software\\Dornveld\\Test"), 0u);

  std::string out = "old";
  EXPECT_EQ(registry.ReadString("Missing", out, "fallback"), platform::kErrorFileNotFound);
  EXPECT_EQ(out, "fallback");
  EXPECT_EQ(registry.LastError(), platform::kErrorFileNotFound);
  registry.ReadString("Missing", out, nullptr);
  EXPECT_EQ(out, "");

  // The read buffer holds 4096 bytes: 4095 characters and the zero fit,
  // one more does not.
  const std::string fits(4095, 'x');
  registry.WriteString("Fits", fits.c_str());
  EXPECT_EQ(registry.ReadString("Fits", out, "d"), 0u);
  EXPECT_EQ(out, fits);
  EXPECT_EQ(registry.LastError(), 0u);

  const std::string tooLong(4096, 'y');
  registry.WriteString("TooLong", tooLong.c_str());
  EXPECT_EQ(registry.ReadString("TooLong", out, "d"), platform::kErrorMoreData);
  EXPECT_EQ(out, "d");
  EXPECT_EQ(ReadStored(kHkeyCurrentUser, "Software\\Dornveld\\Test", "TooLong").bytes.size(),
            4097u);  // stored whole

  CRegistry closed;
  EXPECT_EQ(closed.ReadString("x", out, "d"), platform::kErrorInvalidHandle);
  EXPECT_EQ(closed.WriteString("x", "y"), platform::kErrorInvalidHandle);
}

TEST_F(RegistryTest, KeysAreCreatedWhenMissingAlsoByReading) {
  platform::RegKey key = 0;
  ASSERT_EQ(platform::RegOpenKey(kHkeyClassesRoot, "dfp_auto_file\\shell", &key),
            platform::kErrorFileNotFound);

  CRegistry registry;
  std::string out;
  EXPECT_EQ(
      registry.ReadValue(kHkeyClassesRoot, "dfp_auto_file\\shell\\open\\command", "", out, "none"),
      platform::kErrorFileNotFound);  // the value is missing, the key now exists
  EXPECT_EQ(out, "none");
  for (const char* path :
       {"dfp_auto_file", "dfp_auto_file\\shell", "DFP_AUTO_FILE\\Shell\\Open\\Command"}) {
    ASSERT_EQ(platform::RegOpenKey(kHkeyClassesRoot, path, &key), 0u) << path;
    platform::RegCloseKey(key);
  }
  // The other root is a store of its own.
  EXPECT_EQ(platform::RegOpenKey(kHkeyCurrentUser, "dfp_auto_file", &key),
            platform::kErrorFileNotFound);
}

TEST_F(RegistryTest, DefaultRootAndKeyPathAreKept) {
  CRegistry registry;
  registry.SetDefaultRoot(kHkeyCurrentUser);
  ASSERT_EQ(registry.WriteValue(0, "Software\\A", "Name", "value"), 0u);
  EXPECT_EQ(ReadStored(kHkeyCurrentUser, "Software\\A", "name").bytes, std::string("value\0", 6));

  ASSERT_EQ(registry.OpenKey(0, "Software\\B"), 0u);
  EXPECT_EQ(registry.KeyPath(), "Software\\B");
  EXPECT_TRUE(registry.IsOpen());
  EXPECT_EQ(registry.OpenKey(0x12345, "Software\\C"), platform::kErrorInvalidHandle);
  EXPECT_FALSE(registry.IsOpen());  // the earlier key was closed first
  EXPECT_EQ(registry.LastError(), platform::kErrorInvalidHandle);
}

TEST_F(RegistryTest, StoreSurvivesReloadingAndSkipsDamagedLines) {
  {
    CRegistry registry;
    registry.WriteValue(kHkeyCurrentUser, "Software\\K", "Tab\tName",
                        "line\nbreak [x] \\ \xC3\xA4");
    registry.WriteValue(kHkeyCurrentUser, "Software\\K", "Other", "kept");
  }
  const std::string file = platform::RegistryStoreFile(kHkeyCurrentUser);
  EXPECT_EQ(file, ConfigFile("Dornveld/registry/HKEY_CURRENT_USER.reg"));
  std::string text;
  ASSERT_EQ(platform::ReadWholeFile(file, &text), 0u);
  // A damaged line among the values does not cost the others.
  text += "garbage without tabs\nOther2\t1\tbad\\q escape\n[\\xZZ]\n";
  ASSERT_EQ(platform::WriteFileAtomically(file, text), 0u);

  CRegistry registry;
  std::string out;
  EXPECT_EQ(registry.ReadValue(kHkeyCurrentUser, "Software\\K", "Tab\tName", out, ""), 0u);
  EXPECT_EQ(out, "line\nbreak [x] \\ \xC3\xA4");
  EXPECT_EQ(registry.ReadValue(kHkeyCurrentUser, "Software\\K", "Other", out, ""), 0u);
  EXPECT_EQ(out, "kept");
  EXPECT_NE(registry.ReadValue(kHkeyCurrentUser, "Software\\K", "Other2", out, "d"), 0u);
}

TEST_F(RegistryTest, UnwritableStoreGivesAnError) {
  std::filesystem::create_directories(platform::RegistryStoreFile(kHkeyClassesRoot));
  CRegistry registry;
  EXPECT_NE(registry.WriteValue(kHkeyClassesRoot, ".dfp", "", "dfp_auto_file"), 0u);
  EXPECT_NE(registry.LastError(), 0u);
  EXPECT_EQ(registry.WriteValue(kHkeyCurrentUser, "Software\\X", "", "still fine"), 0u);
}

TEST_F(RegistryTest, HandlesMustBeOpen) {
  platform::RegKey key = 0;
  ASSERT_EQ(platform::RegCreateKey(kHkeyCurrentUser, "Software\\H", &key), 0u);
  EXPECT_EQ(platform::RegCloseKey(key), 0u);
  EXPECT_EQ(platform::RegCloseKey(key), platform::kErrorInvalidHandle);
  std::uint32_t size = 4;
  std::uint8_t data[4];
  EXPECT_EQ(platform::RegQueryValueEx(key, "", nullptr, data, &size),
            platform::kErrorInvalidHandle);
  EXPECT_EQ(platform::RegSetValueEx(kHkeyCurrentUser, "x", platform::kRegSz, data, 1),
            platform::kErrorAccessDenied);  // no values on a root itself
}

}  // namespace
