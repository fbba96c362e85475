// The Windows backend's drives, raw devices, retrieval pointers and device
// events on the machine the test runs on. Under Wine (the test host here)
// the drives are C: (the prefix's drive_c) and Z: (the host's root) and
// there are no removable card readers, so only what a fixed drive answers
// is checked; on Windows the same checks hold for the system drive.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_events.h"
#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "platform/host/host_folder_drive.h"
#include "platform/raw_device.h"
#include "platform/windows/retrieval_pointers.h"
#include "platform/windows/win32.h"
#include "platform/windows/windows_raw_device.h"

namespace platform {
namespace {

TEST(WindowsDrives, TheMachinesLettersJoinTheDriveTable) {
  RefreshDrives();
  const std::uint32_t mask = GetLogicalDrives();
  EXPECT_NE(mask & (1u << ('C' - 'A')), 0u);
  // Wine binds the host's root to Z:; Windows has no Z: as a rule.
  EXPECT_EQ(mask & ::GetLogicalDrives(), ::GetLogicalDrives());
  EXPECT_EQ(GetDriveType('C'), DriveType::kFixed);
  std::string label;
  std::string fileSystem;
  ASSERT_TRUE(FindDrive('C')->VolumeInformation(&label, &fileSystem));
  EXPECT_FALSE(fileSystem.empty());
  // A second refresh keeps the drives it bound.
  const std::shared_ptr<IDrive> before = FindDrive('C');
  RefreshDrives();
  EXPECT_EQ(FindDrive('C'), before);
}

TEST(WindowsRawDevice, PhysicalDriveOpensOrAnswersACode) {
  // Windows answers access denied to a user without administrator rights.
  // Wine opens \\.\PhysicalDrive0 for anyone, does not hold it exclusively
  // and answers its reads with a code: a failed read must say so.
  std::unique_ptr<IRawDevice> device;
  const std::uint32_t code = OpenWindowsRawDevice("\\\\.\\PhysicalDrive0", false, false, &device);
  if (code != kErrorSuccess) {
    EXPECT_TRUE(code == kErrorAccessDenied || code == kErrorFileNotFound) << code;
    return;
  }
  // An unaligned buffer goes through the aligned bounce buffer.
  std::vector<std::uint8_t> buffer(513);
  std::uint32_t done = 0;
  const std::uint32_t read = device->Read(buffer.data() + 1, 512, &done);
  EXPECT_EQ(done, read == kErrorSuccess ? 512u : 0u);
}

TEST(WindowsRetrievalPointers, ExtentsCoverAFileTheTestWrote) {
  char temp[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string path = std::string(temp).append("quillfen-extents.bin");
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::vector<char> bytes(256 * 1024, 'q');
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  FlushFileBuffers(file);
  CloseHandle(file);

  // Wine answers every file with one extent that ends before it begins;
  // that answer is refused. On Windows the extents cover the file.
  std::vector<IVolumeFiles::ClusterRun> runs;
  const std::uint32_t code = QueryRetrievalPointers(path, &runs);
  RefreshDrives();
  std::uint64_t startVcn = 1;
  std::vector<RetrievalExtent> extents;
  // The drive table's path, as the placement code asks, reaches the same.
  EXPECT_EQ(GetRetrievalPointers(path, 0, 256, &startVcn, &extents), code);
  if (code == kErrorInvalidData) {
    EXPECT_TRUE(runs.empty());
    DeleteFileA(path.c_str());
    return;
  }
  ASSERT_EQ(code, kErrorSuccess);
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  ASSERT_EQ(QueryClusterSize(path.substr(0, 3), &sectorsPerCluster, &bytesPerSector),
            kErrorSuccess);
  std::uint64_t clusters = 0;
  for (const IVolumeFiles::ClusterRun& run : runs) {
    EXPECT_EQ(run.virtualCluster, clusters);  // runs follow each other in file order
    clusters += run.length;
  }
  EXPECT_GE(clusters * sectorsPerCluster * bytesPerSector, bytes.size());
  EXPECT_EQ(startVcn, 0u);
  ASSERT_FALSE(extents.empty());
  EXPECT_EQ(extents.back().nextVirtualCluster, clusters);
  DeleteFileA(path.c_str());
  EXPECT_NE(QueryRetrievalPointers(path, &runs), kErrorSuccess);
}

TEST(WindowsDeviceEvents, LettersOfTheDriveTableWakeTheWatch) {
  std::uint32_t error = 1;
  DeviceEventOptions options;
  options.refreshNativeDrives = false;
  std::unique_ptr<IDeviceEvents> events = OpenDeviceEvents(options, &error);
  ASSERT_TRUE(events) << error;
  ASSERT_EQ(events->Descriptors().size(), 1u);
  EXPECT_FALSE(events->Wait(0));

  char temp[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  {
    ScopedDrive drive('Q', std::make_shared<HostFolderDrive>(temp));
    ASSERT_TRUE(drive.attached());
    EXPECT_TRUE(events->Wait(2000));
  }
  std::vector<DeviceEvent> found;
  events->Read(&found);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].kind, DeviceEventKind::kLetterArrival);
  EXPECT_EQ(found[1].kind, DeviceEventKind::kLetterRemoval);
  EXPECT_EQ(found[1].unitMask, 1u << ('Q' - 'A'));
  EXPECT_FALSE(events->Wait(0));
}

TEST(WindowsStorageDescriptor, ProductNameWithinTheAnswerOnly) {
  std::vector<std::uint8_t> answer(sizeof(STORAGE_DEVICE_DESCRIPTOR) + 16, 0);
  STORAGE_DEVICE_DESCRIPTOR descriptor{};
  descriptor.ProductIdOffset = sizeof descriptor;
  std::memcpy(answer.data(), &descriptor, sizeof descriptor);
  std::memcpy(answer.data() + sizeof descriptor, "CF Card   ", 10);
  const auto size = static_cast<std::uint32_t>(answer.size());
  EXPECT_EQ(DescriptorProductId(answer.data(), size), "CF Card");
  // A name that runs to the end of the answer stops there.
  std::memset(answer.data() + sizeof descriptor, 'X', 16);
  EXPECT_EQ(DescriptorProductId(answer.data(), size), std::string(16, 'X'));
  // An offset outside the answer gives no name.
  EXPECT_EQ(DescriptorProductId(answer.data(), sizeof descriptor), "");
}

}  // namespace
}  // namespace platform
