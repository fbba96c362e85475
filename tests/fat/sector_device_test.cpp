// One contract for every sector device, and the fault-injecting wrapper.
#include <gtest/gtest.h>

#include <functional>

#include "engine_helpers.h"
#include "platform/file_sector_device.h"
#include "support/fault_device.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

// Each maker gives a device of 64 sectors whose sector 0 starts zeroed.
struct DeviceMaker {
  const char* name;
  std::function<std::unique_ptr<fat::ISectorDevice>(testsupport::TempDir&,
                                                    std::unique_ptr<fat::ISectorDevice>*)>
      make;
};
// The test list and failure messages name the case, not its bytes.
void PrintTo(const DeviceMaker& c, std::ostream* os) {
  *os << c.name;
}

class SectorDeviceContract : public ::testing::TestWithParam<DeviceMaker> {};

TEST_P(SectorDeviceContract, ReadsWritesAndRefusesOutOfRange) {
  testsupport::TempDir dir;
  std::unique_ptr<fat::ISectorDevice> keep;
  auto dev = GetParam().make(dir, &keep);
  ASSERT_TRUE(dev);
  ASSERT_EQ(dev->SectorSize(), 512u);
  ASSERT_EQ(dev->SectorCount(), 64u);
  const std::string data = testsupport::TestBytes(3 * 512, 1);
  ASSERT_TRUE(dev->WriteSectors(61, 3, data.data()).ok());
  std::string back(3 * 512, '\0');
  ASSERT_TRUE(dev->ReadSectors(61, 3, back.data()).ok());
  EXPECT_TRUE(back == data);
  EXPECT_TRUE(dev->WriteSectors(64, 0, data.data()).ok()) << "empty request at the end";

  const std::string other = testsupport::TestBytes(2 * 512, 2);
  EXPECT_EQ(dev->WriteSectors(63, 2, other.data()).error, fat::Error::kOutOfRange);
  EXPECT_EQ(dev->WriteSectors(~std::uint64_t{0}, 1, other.data()).error, fat::Error::kOutOfRange);
  EXPECT_EQ(dev->ReadSectors(64, 1, back.data()).error, fat::Error::kOutOfRange);
  ASSERT_TRUE(dev->ReadSectors(61, 3, back.data()).ok());
  EXPECT_TRUE(back == data) << "a refused write changes nothing";
  EXPECT_TRUE(dev->Sync().ok());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SectorDeviceContract,
    ::testing::Values(
        DeviceMaker{"Memory",
                    [](testsupport::TempDir&, std::unique_ptr<fat::ISectorDevice>*) {
                      return std::unique_ptr<fat::ISectorDevice>(
                          std::make_unique<fat::MemorySectorDevice>(64));
                    }},
        DeviceMaker{"File",
                    [](testsupport::TempDir& dir, std::unique_ptr<fat::ISectorDevice>*) {
                      // A partial last sector is not addressable.
                      EXPECT_TRUE(testsupport::WriteHostFile(dir.File("img"),
                                                             std::string(64 * 512 + 100, '\0')));
                      fat::Status s;
                      return std::unique_ptr<fat::ISectorDevice>(
                          platform::FileSectorDevice::Open(dir.File("img"), true, &s));
                    }},
        DeviceMaker{"SubRange",
                    [](testsupport::TempDir&, std::unique_ptr<fat::ISectorDevice>* keep) {
                      *keep = std::make_unique<fat::MemorySectorDevice>(100);
                      return std::unique_ptr<fat::ISectorDevice>(
                          std::make_unique<fat::SubRangeDevice>(**keep, 30, 64));
                    }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SectorDevices, SubRangeNeverTouchesSectorsOutsideItsWindow) {
  fat::MemorySectorDevice disk(100);
  fat::SubRangeDevice window(disk, 30, 10);
  const std::string data(20 * 512, 'x');
  EXPECT_FALSE(window.WriteSectors(5, 10, data.data()).ok());
  EXPECT_TRUE(window.WriteSectors(0, 10, data.data()).ok());
  for (std::size_t i = 0; i < disk.bytes().size(); ++i) {
    const bool inside = i >= 30 * 512 && i < 40 * 512;
    ASSERT_EQ(disk.bytes()[i], inside ? 'x' : 0) << "byte " << i;
  }
  fat::SubRangeDevice clipped(disk, 90, 50);
  EXPECT_EQ(clipped.SectorCount(), 10u);
}

TEST(SectorDevices, FileDeviceOpenedReadOnlyRefusesWrites) {
  testsupport::TempDir dir;
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("img"), std::string(4096, 'a')));
  fat::Status s;
  auto dev = platform::FileSectorDevice::Open(dir.File("img"), false, &s);
  ASSERT_TRUE(dev) << s;
  EXPECT_EQ(dev->WriteSectors(0, 1, std::string(512, 'b').data()).error, fat::Error::kReadOnly);
  EXPECT_FALSE(platform::FileSectorDevice::Open(dir.File("missing"), false, &s));
  EXPECT_EQ(s.error, fat::Error::kNotFound);
}

TEST(SectorDevices, FaultInjection) {
  fat::MemorySectorDevice disk(16);
  fat::FaultInjectingDevice dev(disk);
  const std::string data(4 * 512, 'w');
  dev.FailWrite(2, 1);
  EXPECT_TRUE(dev.WriteSectors(0, 4, data.data()).ok());
  EXPECT_EQ(dev.WriteSectors(8, 4, data.data()).error, fat::Error::kIo);
  EXPECT_EQ(disk.bytes()[8 * 512], 'w') << "first sector of the failing write went out";
  EXPECT_EQ(disk.bytes()[9 * 512], 0);
  EXPECT_FALSE(dev.WriteSectors(12, 1, data.data()).ok()) << "sticky";
  EXPECT_FALSE(dev.Sync().ok());

  fat::FaultInjectingDevice reader(disk);
  std::string back(4 * 512, '\0');
  reader.ShortRead(1, 2);
  EXPECT_EQ(reader.ReadSectors(0, 4, back.data()).error, fat::Error::kIo);
  EXPECT_EQ(back[512], 'w');
  EXPECT_EQ(back[2 * 512], 0);
  EXPECT_TRUE(reader.ReadSectors(0, 4, back.data()).ok());
  EXPECT_EQ(reader.ReadSectors(15, 2, back.data()).error, fat::Error::kOutOfRange);
  EXPECT_EQ(reader.outOfRangeRequests(), 1u);
  reader.Vanish();
  EXPECT_FALSE(reader.ReadSectors(0, 1, back.data()).ok());
}

}  // namespace
