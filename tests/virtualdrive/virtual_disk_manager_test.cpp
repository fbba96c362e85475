#include "virtualdrive/virtual_disk_manager.h"

#include "base/unicode.h"
#include "fake_imdisk.h"
#include "platform/drive_letter_query.h"
#include "platform/dynamic_library.h"
#include "platform/errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>

namespace {

const std::string kFakeDir = FAKE_IMDISK_DIR;
const std::string kFakeDriver = kFakeDir + "/ImDisk.cpl";
const std::string kFakeDriverWithoutQuery = kFakeDir + "/ImDiskNoQuery.cpl";

FakeImDiskState* StateOf(const std::string& path) {
  platform::ModuleHandle module = platform::LoadDynamicLibrary(path.c_str());
  if (module == nullptr) return nullptr;
  auto control =
      reinterpret_cast<FakeImDiskStateProc>(platform::FindSymbol(module, kFakeImDiskStateName));
  return control != nullptr ? control() : nullptr;
}

std::u16string Text(const char16_t* text) {
  return std::u16string(text);
}

class VirtualDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& path : {kFakeDriver, kFakeDriverWithoutQuery}) {
      FakeImDiskState* state = StateOf(path);
      ASSERT_NE(state, nullptr) << "fake driver library missing: " << path;
      std::memset(static_cast<void*>(state), 0, sizeof *state);
      state->libraryVersion = 0x0141;
      state->driverVersion = 0x0103;
    }
    fake_ = StateOf(kFakeDriver);
    platform::SetDriveLetterQuery({});
  }
  void TearDown() override { platform::SetDriveLetterQuery({}); }

  void UseLetters(std::set<char> inUse) {
    platform::SetDriveLetterQuery([inUse](char letter) { return inUse.count(letter) > 0; });
  }

  void AddDevice(unsigned number, char16_t letter, const char16_t* name) {
    FakeImDiskDevice& device = fake_->devices[number];
    device = FakeImDiskDevice{};
    device.present = true;
    device.driveLetter = letter;
    std::u16string text(name);
    std::copy(text.begin(), text.end(), device.fileName);
    device.cylinders = 0x100000050;
    device.mediaType = 7;
    device.tracksPerCylinder = 2;
    device.sectorsPerTrack = 18;
    device.bytesPerSector = 512;
  }

  FakeImDiskState* fake_ = nullptr;
};

// Every operation that reaches into the library, with its result for
// comparison against FALSE.
using Operation = std::function<int(CVirtualDiskManager&)>;
struct NamedOperation {
  const char* name;
  Operation run;
};

std::vector<NamedOperation> LibraryOperations() {
  return {
      {"GetVersion",
       [](CVirtualDiskManager& m) {
         VirtualDiskVersion library{1, 1, 1}, driver{1, 1, 1};
         const int r = m.GetVersion(library, driver);
         EXPECT_EQ(library.major + library.minor + library.build, 0u);
         EXPECT_EQ(driver.major + driver.minor + driver.build, 0u);
         return r;
       }},
      {"MountImage", [](CVirtualDiskManager& m) { return m.MountImage("/tmp/a.img", 'D'); }},
      {"UnmountImage", [](CVirtualDiskManager& m) { return m.UnmountImage('D'); }},
      {"QueryDevice",
       [](CVirtualDiskManager& m) {
         VirtualDiskInfo info;
         return m.QueryDevice(info, 0);
       }},
  };
}

TEST_F(VirtualDiskTest, WithoutLibraryEveryOperationFailsWithItsReason) {
  CVirtualDiskManager manager({"/nonexistent/ImDisk.cpl", "NoSuchVirtualDiskLibrary.cpl"});

  // Before Initialize there is no binding at all: -601.
  for (const NamedOperation& op : LibraryOperations()) {
    platform::SetLastError(0);
    EXPECT_EQ(op.run(manager), 0) << op.name;
    EXPECT_EQ(platform::GetLastError(), kVirtualDiskErrorNoBinding) << op.name;
  }
  VirtualDiskInfo info;
  platform::SetLastError(0);
  EXPECT_EQ(manager.FindDeviceByDriveLetter(info, 'D'), 0);
  EXPECT_EQ(platform::GetLastError(), kVirtualDiskErrorNoBinding);

  EXPECT_FALSE(manager.Initialize());
  EXPECT_EQ(platform::GetLastError(), kVirtualDiskErrorNoBinding);
  EXPECT_FALSE(manager.Initialize());

  // Bound, but no module: -602, and the fake library is never called.
  for (const NamedOperation& op : LibraryOperations()) {
    platform::SetLastError(0);
    EXPECT_EQ(op.run(manager), 0) << op.name;
    EXPECT_EQ(platform::GetLastError(), kVirtualDiskErrorNoEntryPoint) << op.name;
  }
  EXPECT_EQ(fake_->create.count + fake_->remove.count + fake_->queryCalls, 0);
}

TEST_F(VirtualDiskTest, UnusableLibrariesAreRefused) {
  struct Case {
    const char* what;
    std::string library;
    std::function<void(FakeImDiskState&)> prepare;
  };
  const Case cases[] = {
      {"missing query entry point", kFakeDriverWithoutQuery, [](FakeImDiskState&) {}},
      {"version call fails", kFakeDriver, [](FakeImDiskState& s) { s.versionFails = true; }},
      {"library version 0", kFakeDriver, [](FakeImDiskState& s) { s.libraryVersion = 0; }},
      {"driver version 0", kFakeDriver, [](FakeImDiskState& s) { s.driverVersion = 0; }},
  };
  for (const Case& c : cases) {
    SetUp();
    c.prepare(*StateOf(c.library));
    CVirtualDiskManager manager({c.library});
    platform::SetLastError(0);
    EXPECT_FALSE(manager.Initialize()) << c.what;
    EXPECT_EQ(platform::GetLastError(), kVirtualDiskErrorNoBinding) << c.what;
  }

  // The library without the query still binds its other entry points.
  CVirtualDiskManager manager({kFakeDriverWithoutQuery});
  (void)manager.Initialize();  // binds the library; without the query it is not usable
  VirtualDiskInfo info;
  EXPECT_EQ(manager.QueryDevice(info, 0), 0);
  EXPECT_EQ(platform::GetLastError(), kVirtualDiskErrorNoEntryPoint);
  EXPECT_EQ(manager.FindDeviceByDriveLetter(info, 'D'), 0);
  EXPECT_EQ(platform::GetLastError(), kVirtualDiskErrorNoEntryPoint);
  EXPECT_NE(manager.UnmountImage('D'), -1);  // reaches the library's remove function
  EXPECT_EQ(StateOf(kFakeDriverWithoutQuery)->remove.count, 1);
}

TEST_F(VirtualDiskTest, FindsTheLibraryByBareName) {
  // The test program's run path holds the stand-in library; AddressSanitizer's
  // dlopen interceptor searches its own run path instead.
  if (platform::LoadDynamicLibrary("ImDisk.cpl") == nullptr) {
    GTEST_SKIP() << "the library search does not see the test program's run path here";
  }
  CVirtualDiskManager manager;  // "ImDisk.cpl" through the normal library search
  EXPECT_TRUE(manager.Initialize());
}

TEST_F(VirtualDiskTest, SplitsVersions) {
  CVirtualDiskManager manager({kFakeDriver});
  ASSERT_TRUE(manager.Initialize());
  VirtualDiskVersion library, driver;
  EXPECT_NE(manager.GetVersion(library, driver), 0);
  EXPECT_EQ(library.major, 1u);
  EXPECT_EQ(library.minor, 4u);
  EXPECT_EQ(library.build, 1u);
  EXPECT_EQ(driver.major, 1u);
  EXPECT_EQ(driver.minor, 3u);
  EXPECT_EQ(driver.build, 0u);

  fake_->libraryVersion = 0xABCD;
  fake_->driverVersion = 0x12FF;
  EXPECT_NE(manager.GetVersion(library, driver), 0);
  EXPECT_EQ(library.major, 0xABu);
  EXPECT_EQ(library.minor, 0xCu);
  EXPECT_EQ(library.build, 0xDu);
  EXPECT_EQ(driver.major, 0x12u);
  EXPECT_EQ(driver.minor, 0xFFu);

  // A failing version call leaves both records zero.
  fake_->versionFails = true;
  EXPECT_EQ(manager.GetVersion(library, driver), 0);
  EXPECT_EQ(library.major + library.minor + driver.major + driver.minor, 0u);
}

TEST_F(VirtualDiskTest, TriesTheSecondLibraryName) {
  CVirtualDiskManager manager({"NoSuchVirtualDiskLibrary.cpl", kFakeDriver});
  EXPECT_TRUE(manager.Initialize());
}

TEST_F(VirtualDiskTest, FreeLetterIsSearchedOnceAndKept) {
  CVirtualDiskManager manager({kFakeDriver});
  UseLetters({'A', 'B', 'C'});
  EXPECT_EQ(manager.GetFreeDriveLetter(), 'D');
  UseLetters({'A', 'B', 'C', 'D'});  // the mounted drive now holds D:
  EXPECT_EQ(manager.GetFreeDriveLetter(), 'D');

  CVirtualDiskManager empty({kFakeDriver});
  UseLetters({});
  EXPECT_EQ(empty.GetFreeDriveLetter(), 'A');  // no floppy drives: A: is free

  std::set<char> all;
  for (char c = 'A'; c <= 'Z'; ++c) all.insert(c);
  CVirtualDiskManager full({kFakeDriver});
  UseLetters(all);
  EXPECT_EQ(full.GetFreeDriveLetter(), 0);
  UseLetters({'A'});  // nothing was kept, so a later search finds a letter
  EXPECT_EQ(full.GetFreeDriveLetter(), 'B');
}

TEST_F(VirtualDiskTest, MountAndUnmountPassWhatTheDriverNeeds) {
  CVirtualDiskManager manager({kFakeDriver});
  ASSERT_TRUE(manager.Initialize());
  UseLetters({'A', 'B', 'C', 'D', 'E'});
  ASSERT_EQ(manager.GetFreeDriveLetter(), 'F');
  int window = 0;
  manager.SetStatusWindow(&window);

  const std::string path = "/tmp/Bilder \xC3\xA4/slot 3.img";
  EXPECT_EQ(manager.MountImage(path.c_str(), 0), 1);
  EXPECT_EQ(fake_->create.count, 1);
  EXPECT_EQ(fake_->create.flags, 0x22u);
  EXPECT_TRUE(fake_->create.geometryAllZero);
  EXPECT_EQ(fake_->create.imageOffset, 0);
  EXPECT_EQ(fake_->create.nativePath, 0);
  EXPECT_EQ(fake_->create.statusWindow, &window);
  EXPECT_EQ(Text(fake_->create.mountPoint), u"F:");
  EXPECT_EQ(Text(fake_->create.fileName), Utf8ToUtf16(path));
  EXPECT_EQ(Text(fake_->create.fileName).find(u'\u00E4'), 12u);  // one UTF-16 unit

  // The mounted device is found by its letter, with the native prefix gone.
  VirtualDiskInfo info;
  ASSERT_EQ(manager.FindDeviceByDriveLetter(info, 0), 1);
  EXPECT_EQ(info.driveLetter, 'F');
  EXPECT_EQ(info.imageFileName, path);

  manager.ClearStatusWindow();
  EXPECT_EQ(manager.UnmountImage(0), 1);
  EXPECT_EQ(Text(fake_->remove.mountPoint), u"F:");
  EXPECT_EQ(fake_->remove.deviceNumber, 0u);
  EXPECT_EQ(fake_->remove.statusWindow, nullptr);
  EXPECT_EQ(manager.FindDeviceByDriveLetter(info, 'F'), 0);

  // A lower-case letter is passed upper-cased; driver failures pass through.
  fake_->createFails = true;
  EXPECT_EQ(manager.MountImage("/tmp/x.img", 'g'), 0);
  EXPECT_EQ(Text(fake_->create.mountPoint), u"G:");
}

TEST_F(VirtualDiskTest, WithoutAFreeLetterTheMountPointIsEmpty) {
  std::set<char> all;
  for (char c = 'A'; c <= 'Z'; ++c) all.insert(c);
  UseLetters(all);
  CVirtualDiskManager manager({kFakeDriver});
  ASSERT_TRUE(manager.Initialize());
  ASSERT_EQ(manager.GetFreeDriveLetter(), 0);
  EXPECT_EQ(manager.MountImage("/tmp/x.img", 0), 0);
  EXPECT_EQ(fake_->create.count, 1);
  EXPECT_EQ(Text(fake_->create.mountPoint), u"");

  // "No letter" never matches a device that has none.
  AddDevice(0, 0, u"\\??\\/tmp/y.img");
  VirtualDiskInfo info;
  EXPECT_EQ(manager.FindDeviceByDriveLetter(info, 0), 0);
}

TEST_F(VirtualDiskTest, DeviceNamesLoseTheirPrefixes) {
  struct Case {
    const char16_t* driverName;
    const char* reported;
  };
  const Case cases[] = {
      {u"\\??\\C:\\temp\\a.img", "C:\\temp\\a.img"},
      {u"\\??\\UNC\\srv\\share\\a.img", "\\\\srv\\share\\a.img"},
      {u"\\DosDevices\\C:\\b.img", "C:\\b.img"},
      {u"\\DosDevices\\UNC\\srv\\s\\b.img", "\\\\srv\\s\\b.img"},
      {u"UNC\\srv\\c.img", "\\\\srv\\c.img"},
      {u"C:\\plain.img", "C:\\plain.img"},
      {u"\\??\\unc\\srv\\d.img", "unc\\srv\\d.img"},          // prefixes are case-sensitive
      {u"\\??\\\\DosDevices\\e.img", "\\DosDevices\\e.img"},  // one prefix only
      {u"/tmp/f\u00FC.img", "/tmp/f\xC3\xBC.img"},
      {u"", ""},
  };
  CVirtualDiskManager manager({kFakeDriver});
  ASSERT_TRUE(manager.Initialize());
  for (const Case& c : cases) {
    AddDevice(4, u'K', c.driverName);
    VirtualDiskInfo info;
    ASSERT_EQ(manager.QueryDevice(info, 4), 1) << c.reported;
    EXPECT_EQ(info.imageFileName, c.reported);
    EXPECT_EQ(info.deviceNumber, 4u);
    EXPECT_EQ(info.driveLetter, 'K');
    EXPECT_EQ(info.geometry.cylinders, 0x100000050);
    EXPECT_EQ(info.geometry.mediaType, 7u);
    EXPECT_EQ(info.geometry.tracksPerCylinder, 2u);
    EXPECT_EQ(info.geometry.sectorsPerTrack, 18u);
    EXPECT_EQ(info.geometry.bytesPerSector, 512u);
  }
}

TEST_F(VirtualDiskTest, QueryKeepsTheRecordOnFailureAndStaysInsideTheAnswer) {
  CVirtualDiskManager manager({kFakeDriver});
  ASSERT_TRUE(manager.Initialize());
  VirtualDiskInfo info;
  info.imageFileName = "unchanged";
  EXPECT_EQ(manager.QueryDevice(info, 7), 0);
  EXPECT_EQ(info.imageFileName, "unchanged");

  // A name length beyond the record is cut to the record's 524 characters.
  AddDevice(2, u'M', u"\\??\\C:\\x.img");
  fake_->devices[2].nameLengthOverride = 0xFFFF;
  ASSERT_EQ(manager.QueryDevice(info, 2), 1);
  EXPECT_EQ(info.imageFileName.rfind("C:\\x.img", 0), 0u);
  EXPECT_LE(Utf8ToUtf16(info.imageFileName).size(), 524u);
}

TEST_F(VirtualDiskTest, FindsOnlyDevicesBelow32) {
  CVirtualDiskManager manager({kFakeDriver});
  ASSERT_TRUE(manager.Initialize());
  AddDevice(5, u'P', u"\\??\\/five.img");
  AddDevice(9, u'P', u"\\??\\/nine.img");
  AddDevice(31, u'Q', u"\\??\\/thirty-one.img");
  AddDevice(32, u'R', u"\\??\\/thirty-two.img");
  AddDevice(40, u'S', u"\\??\\/forty.img");

  VirtualDiskInfo info;
  ASSERT_EQ(manager.FindDeviceByDriveLetter(info, 'P'), 1);
  EXPECT_EQ(info.deviceNumber, 5u);  // the first that holds the letter
  ASSERT_EQ(manager.FindDeviceByDriveLetter(info, 'Q'), 1);
  EXPECT_EQ(info.imageFileName, "/thirty-one.img");
  EXPECT_EQ(manager.FindDeviceByDriveLetter(info, 'R'), 0);
  EXPECT_EQ(manager.FindDeviceByDriveLetter(info, 'S'), 0);
  EXPECT_EQ(manager.FindDeviceByDriveLetter(info, 'p'), 0);  // exact comparison
}

TEST(VirtualDiskSingleton, IsOneObject) {
  EXPECT_EQ(&GetVirtualDiskManager(), &GetVirtualDiskManager());
}

TEST(DynamicLibrary, LooksUpDecoratedNamesAndReportsFailures) {
  platform::ModuleHandle module = platform::LoadDynamicLibrary(kFakeDriver.c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_NE(platform::FindSymbol(module, "_ImDiskGetVersion@8"), nullptr);
  EXPECT_EQ(platform::FindSymbol(module, "_ImDiskGetVersion@8"),
            platform::FindSymbol(module, "ImDiskGetVersion"));
  platform::SetLastError(0);
  EXPECT_EQ(platform::FindSymbol(module, "_ImDiskFormat@16"), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorProcNotFound);
  EXPECT_EQ(platform::FindSymbol(module, "ImDiskGetVersion@8"), nullptr);  // not stdcall form

  EXPECT_EQ(platform::LoadDynamicLibrary("NoSuchLibrary.cpl"), nullptr);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorModNotFound);

  char buffer[64];
  EXPECT_STREQ(platform::UndecoratedStdcallName("_Name@28", buffer, sizeof buffer), "Name");
  EXPECT_EQ(platform::UndecoratedStdcallName("_Name@", buffer, sizeof buffer), nullptr);
  EXPECT_EQ(platform::UndecoratedStdcallName("_Name@2x", buffer, sizeof buffer), nullptr);
  EXPECT_EQ(platform::UndecoratedStdcallName("_@8", buffer, sizeof buffer), nullptr);
  EXPECT_EQ(platform::UndecoratedStdcallName("_LongName@8", buffer, 4), nullptr);
}

}  // namespace
