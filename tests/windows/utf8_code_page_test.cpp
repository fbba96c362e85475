// The programs' manifest makes the ...A functions take UTF-8 (activeCodePage,
// Windows 10 1903 and later; Wine 8 honours it too), so a UTF-8 path with
// umlauts names the file it says.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/windows/win32.h"
#include "support/temp_dir.h"

namespace {

// "grüße.txt" in UTF-8 and as Windows names it.
const std::string kUtf8Name =
    "gr\xC3\xBC\xC3\x9F"
    "e.txt";
const std::wstring kWideName =
    L"gr\u00FC\u00DF"
    L"e.txt";

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(n));
  return wide;
}

std::string_view EmbeddedManifest() {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  if (loaded == nullptr) return {};
  return {static_cast<const char*>(LockResource(loaded)), SizeofResource(nullptr, found)};
}

TEST(WindowsUtf8, TheManifestAsksForUtf8AndTheSystemUsesIt) {
  const std::string_view manifest = EmbeddedManifest();
  ASSERT_FALSE(manifest.empty()) << "no application manifest in the test program";
  EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string_view::npos);
  if (GetACP() != CP_UTF8) {
    GTEST_SKIP() << "the system ignores activeCodePage (Windows before 10 1903): ANSI code page "
                 << GetACP();
  }
  EXPECT_EQ(GetACP(), 65001u);
}

TEST(WindowsUtf8, AUtf8FileNameReachesTheFileSystemUnchanged) {
  if (GetACP() != CP_UTF8) GTEST_SKIP() << "ANSI code page " << GetACP() << ", not UTF-8";
  testsupport::TempDir dir;
  const std::string path = dir.File(kUtf8Name);
  platform::File file =
      platform::OpenFile(path, platform::kGenericWrite, platform::Disposition::kCreateNew);
  ASSERT_TRUE(file.IsOpen()) << platform::GetLastError();
  ASSERT_TRUE(file.Close());

  // Our own listing gives the UTF-8 name back ...
  std::vector<std::string> names;
  ASSERT_TRUE(platform::ListFolderFiles(dir.path(), &names));
  EXPECT_EQ(names, std::vector<std::string>{kUtf8Name});
  // ... and the system's Unicode view holds "ü" and "ß", not their bytes
  // read as two ANSI characters each.
  const std::wstring pattern = Wide(dir.path()) + L"\\*.txt";
  WIN32_FIND_DATAW entry{};
  HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::wstring(entry.cFileName), kWideName);
  FindClose(search);

  // Under Wine: the host (Linux) file's name, which Wine writes in UTF-8.
  using UnixName = char*(__cdecl*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return;  // Windows itself
  char* host = unixName(Wide(path).c_str());
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(std::string_view(host).ends_with("/" + kUtf8Name)) << host;
  HeapFree(GetProcessHeap(), 0, host);
}

}  // namespace
