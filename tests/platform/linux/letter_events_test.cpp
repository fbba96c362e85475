// Letter changes of the drive table as device events: queued from any thread,
// read on the waiting one.
#include <gtest/gtest.h>

#include <poll.h>

#include <memory>
#include <thread>
#include <vector>

#include "platform/drive.h"
#include "platform/host/host_folder_drive.h"
#include "platform/linux/drive_table_watch.h"

namespace {
using platform::DeviceEvent;
using platform::DeviceEventKind;

constexpr std::uint32_t Bit(char letter) {
  return 1u << (letter - 'A');
}

TEST(LetterEventsTest, NeighboursOfOneKindShareAnEvent) {
  const std::vector<DeviceEvent> events = platform::LetterEvents({
      {'D', true},
      {'E', true},
      {'E', false},
      {'F', false},
      {'F', true},
      {'F', false},  // went, came and went: each reported
      {'F', false},
      {'?', true},  // not a letter
  });
  const DeviceEventKind in = DeviceEventKind::kLetterArrival;
  const DeviceEventKind out = DeviceEventKind::kLetterRemoval;
  const std::vector<DeviceEvent> expected = {
      {in, "", "", "", Bit('D') | Bit('E')},
      {out, "", "", "", Bit('E') | Bit('F')},
      {in, "", "", "", Bit('F')},
      {out, "", "", "", Bit('F')},
      {out, "", "", "", Bit('F')},
  };
  EXPECT_EQ(events, expected);
}

TEST(LetterEventsTest, ChangesFromAnotherThreadWakeTheWatcher) {
  std::unique_ptr<platform::DriveTableWatch> watch = platform::DriveTableWatch::Open();
  ASSERT_NE(watch, nullptr);
  pollfd ready{watch->fd(), POLLIN, 0};
  EXPECT_EQ(poll(&ready, 1, 0), 0);

  std::thread worker([] {
    platform::ScopedDrive drive('Q', std::make_shared<platform::HostFolderDrive>(
                                         "/nonexistent", platform::HostFolderDriveOptions{}));
  });
  worker.join();
  ASSERT_EQ(poll(&ready, 1, 1000), 1);
  std::vector<DeviceEvent> events;
  watch->Read(&events);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, DeviceEventKind::kLetterArrival);
  EXPECT_EQ(events[0].unitMask, Bit('Q'));
  EXPECT_EQ(events[1].kind, DeviceEventKind::kLetterRemoval);
  // Read empties the queue and clears the signal.
  EXPECT_EQ(poll(&ready, 1, 0), 0);
  events.clear();
  watch->Read(&events);
  EXPECT_TRUE(events.empty());

  // A watch that is gone hears nothing more.
  watch.reset();
  platform::ScopedDrive after('Q', std::make_shared<platform::HostFolderDrive>(
                                       "/nonexistent", platform::HostFolderDriveOptions{}));
  EXPECT_TRUE(after.attached());
}

}  // namespace
