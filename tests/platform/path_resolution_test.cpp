// How `X:\...` paths reach the volume of their drive, and how other paths
// reach the host.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/host/host_folder_drive.h"
#include "platform/path_resolver.h"
#include "support/temp_dir.h"

namespace {

constexpr char kLetter = 'O';

// A drive whose medium is missing.
class EmptyDrive : public platform::IDrive {
 public:
  platform::DriveType Type() const override { return platform::DriveType::kRemovable; }
  std::string DeviceName() const override { return "\\Device\\Empty"; }
  platform::IVolumeFiles* Files() override {
    platform::SetLastError(errorToLeave_);
    return nullptr;
  }
  bool VolumeInformation(std::string*, std::string*) override { return false; }
  std::uint32_t errorToLeave_ = 0;
};

TEST(PathResolutionTest, WhatIsADrivePath) {
  struct Case {
    const char* path;
    bool drivePath;
  };
  const Case cases[] = {
      {"C:", true},   {"c:\\", true},    {"Q:/x", true},         {"Z:\\a\\b", true},
      {"C:x", false}, {"1:\\", false},   {":\\", false},         {"", false},
      {"C", false},   {"/tmp/x", false}, {"relative\\p", false}, {"\\\\server\\s", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IsDrivePath(c.path), c.drivePath) << c.path;
  }
}

TEST(PathResolutionTest, RelativePartBelowTheRoot) {
  testsupport::TempDir dir;
  auto drive = std::make_shared<platform::HostFolderDrive>(dir.path());
  platform::ScopedDrive scoped(kLetter, drive);
  ASSERT_TRUE(scoped.attached());
  struct Case {
    const char* path;
    const char* relative;
  };
  const Case cases[] = {
      {"O:", ""},
      {"O:\\", ""},
      {"o:\\A\\b.txt", "A\\b.txt"},
      {"O:/A/b.txt", "A\\b.txt"},
      {"O:\\\\A//\\b\\", "A\\b"},
      {"O:\\DornveldFLP\\DornveldCIF.dfp", "DornveldFLP\\DornveldCIF.dfp"},
      {"O:\\.\\A\\.\\b", "A\\b"},
      {"O:\\A\\..\\b", "b"},
      // The root has no parent: a drive never reaches above its folder.
      {"O:\\..", ""},
      {"O:\\..\\..\\etc\\passwd", "etc\\passwd"},
      {"O:\\A\\..\\..\\b", "b"},
  };
  for (const Case& c : cases) {
    platform::ResolvedPath resolved;
    ASSERT_TRUE(platform::ResolvePath(c.path, &resolved)) << c.path;
    EXPECT_EQ(resolved.drive, drive) << c.path;
    EXPECT_EQ(resolved.files, drive->Files()) << c.path;
    EXPECT_EQ(resolved.relative, c.relative) << c.path;
  }
}

TEST(PathResolutionTest, DriveFilesStayInsideTheirFolder) {
  testsupport::TempDir dir;
  const std::string card = dir.File("card");
  ASSERT_TRUE(platform::MakeFolder(card));
  std::ofstream(dir.File("outside.txt")) << "secret";
  platform::ScopedDrive scoped(kLetter, std::make_shared<platform::HostFolderDrive>(card));
  ASSERT_TRUE(scoped.attached());

  EXPECT_FALSE(platform::OpenFile("O:\\..\\outside.txt", platform::kGenericRead,
                                  platform::Disposition::kOpenExisting)
                   .IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  EXPECT_FALSE(platform::PathExists("O:\\..\\outside.txt"));
  EXPECT_FALSE(platform::RemoveFile("O:\\..\\outside.txt"));
  std::ifstream in(dir.File("outside.txt"));
  std::string text;
  in >> text;
  EXPECT_EQ(text, "secret");
}

TEST(PathResolutionTest, LettersWithoutAVolume) {
  platform::ResolvedPath resolved;
  EXPECT_FALSE(platform::ResolvePath("O:\\x", &resolved));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
  EXPECT_FALSE(
      platform::OpenFile("O:\\x", platform::kGenericRead, platform::Disposition::kOpenExisting)
          .IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
  EXPECT_EQ(platform::GetAttributes("O:\\x"), platform::kInvalidFileAttributes);

  // No medium: the drive's own reason, else "not ready".
  auto empty = std::make_shared<EmptyDrive>();
  platform::ScopedDrive scoped(kLetter, empty);
  ASSERT_TRUE(scoped.attached());
  EXPECT_FALSE(platform::ResolvePath("O:\\x", &resolved));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNotReady);
  empty->errorToLeave_ = platform::kErrorNoMediaInDrive;
  EXPECT_FALSE(platform::MakeFolder("O:\\x"));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNoMediaInDrive);
  std::uint64_t freeBytes = 0;
  EXPECT_FALSE(platform::GetDiskFreeSpace("O:\\", &freeBytes, nullptr));
}

TEST(PathResolutionTest, HostPathsAndTheRootFolder) {
  testsupport::TempDir dir;
  const std::string host = dir.File("plain.txt");
  platform::ResolvedPath resolved;
  ASSERT_TRUE(platform::ResolvePath(host, &resolved));
  EXPECT_EQ(resolved.drive, nullptr);
  EXPECT_EQ(resolved.files, &platform::HostFiles());
  EXPECT_EQ(resolved.relative, host);

  platform::File file =
      platform::OpenFile(host, platform::kGenericWrite, platform::Disposition::kCreateNew);
  ASSERT_TRUE(file.IsOpen());
  ASSERT_TRUE(file.WriteExact("ok", 2));
  file.Close();
  EXPECT_EQ(platform::GetAttributes(host), platform::kAttributeNormal);

  // The root of a drive is a folder, never a file.
  platform::ScopedDrive scoped(kLetter, std::make_shared<platform::HostFolderDrive>(dir.path()));
  ASSERT_TRUE(scoped.attached());
  EXPECT_FALSE(
      platform::OpenFile("O:\\", platform::kGenericRead, platform::Disposition::kOpenExisting)
          .IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  EXPECT_TRUE(platform::PathExists("O:\\plain.txt"));
  EXPECT_NE(platform::GetAttributes("O:\\") & platform::kAttributeDirectory, 0u);
}

}  // namespace
