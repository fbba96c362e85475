// Device change notification: registrations, events handed to their hooks,
// and a burst of events turned into one drive search. Canned events stand in
// for the machine's, except in the last test, where a card image is attached
// for real.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driveaccess/device_notification.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace {
using platform::DeviceEvent;
using platform::DeviceEventKind;
using namespace std::chrono_literals;

// The events a test hands out, through a source that the notification owns.
using EventQueue = std::shared_ptr<std::vector<DeviceEvent>>;

class CannedEvents : public platform::IDeviceEvents {
 public:
  explicit CannedEvents(EventQueue queue) : queue_(std::move(queue)) {}
  std::vector<platform::EventDescriptor> Descriptors() const override {
    return {{41, false}, {42, true}};
  }
  void Read(std::vector<DeviceEvent>* events) override {
    events->insert(events->end(), queue_->begin(), queue_->end());
    queue_->clear();
  }
  bool Wait(int) override { return !queue_->empty(); }
  platform::DiskEventFeed Feed() const override { return platform::DiskEventFeed::kKernel; }

 private:
  EventQueue queue_;
};

// A drive that names a storage device and has nothing else.
class DeviceDrive : public platform::IDrive {
 public:
  DeviceDrive(platform::DriveType type, std::string device) : type_(type), device_(device) {}
  platform::DriveType Type() const override { return type_; }
  std::string DeviceName() const override { return "\\Device\\Test"; }
  platform::IVolumeFiles* Files() override { return nullptr; }
  bool VolumeInformation(std::string*, std::string*) override { return false; }
  std::string StorageDevicePath() const override { return device_; }

 private:
  platform::DriveType type_;
  std::string device_;
};

std::shared_ptr<platform::IDrive> Drive(
    const std::string& device, platform::DriveType type = platform::DriveType::kRemovable) {
  return std::make_shared<DeviceDrive>(type, device);
}

// Records every hook call; searches the drives, like the main window, for
// media arrival and removal and volume arrival and removal.
class Recorder : public CDeviceNotificationBase {
 public:
  std::vector<std::string> calls;
  int searches = 0;
  std::function<void()> duringMediaArrival;

 protected:
  void OnMediaArrival(const DeviceRegistration* r) override {
    calls.push_back("media+ " + Name(r));
    if (duringMediaArrival) duringMediaArrival();
    NoteDeviceChange();
  }
  void OnMediaRemoval(const DeviceRegistration* r) override {
    calls.push_back("media- " + Name(r));
    NoteDeviceChange();
  }
  void OnVolumeMount(const DeviceRegistration* r) override { calls.push_back("mount " + Name(r)); }
  void OnVolumeNameChange(const DeviceRegistration* r) override {
    calls.push_back("name " + Name(r));
  }
  void OnDiskLayoutChange(const DeviceRegistration* r) override {
    calls.push_back("layout " + Name(r));
  }
  void OnVolumeArrival(std::uint32_t mask) override {
    calls.push_back("volume+ " + Mask(mask));
    NoteDeviceChange();
  }
  void OnVolumeRemoveComplete(std::uint32_t mask) override {
    calls.push_back("volume- " + Mask(mask));
    NoteDeviceChange();
  }
  void OnInterfaceArrival(const DeviceEvent& e) override {
    calls.push_back("interface+ " + e.devicePath);
  }
  void OnInterfaceRemoveComplete(const DeviceEvent& e) override {
    calls.push_back("interface- " + e.devicePath);
  }
  void OnDeviceChangesSettled() override { ++searches; }

 private:
  static std::string Name(const DeviceRegistration* r) {
    return r != nullptr ? std::string(1, r->driveLetter) + " " + r->devicePath : "null";
  }
  static std::string Mask(std::uint32_t mask) {
    std::string letters;
    for (int i = 0; i < 26; ++i) {
      if (mask & (1u << i)) letters += static_cast<char>('A' + i);
    }
    return letters;
  }
};

DeviceEvent Event(DeviceEventKind kind, const std::string& device, const std::string& disk) {
  return DeviceEvent{kind, device, disk, {}, 0};
}

DeviceEvent Letters(DeviceEventKind kind, const std::string& letters) {
  DeviceEvent e{kind, {}, {}, {}, 0};
  for (char c : letters) e.unitMask |= 1u << (c - 'A');
  return e;
}

TEST(DeviceNotificationTest, RegistersOnceWithTheInterfaceRecordFirst) {
  EventQueue queue = std::make_shared<std::vector<DeviceEvent>>();
  Recorder n;
  EXPECT_FALSE(n.registered());
  EXPECT_EQ(n.EventFeed(), platform::DiskEventFeed::kNone);
  ASSERT_TRUE(n.RegisterNotifications(std::make_unique<CannedEvents>(queue)));
  ASSERT_EQ(n.registrations().size(), 1u);
  EXPECT_EQ(n.registrations()[0].driveLetter, 0);
  EXPECT_EQ(n.registrations()[0].devicePath, "");
  ASSERT_EQ(n.NotificationDescriptors().size(), 2u);
  EXPECT_TRUE(n.NotificationDescriptors()[1].priority);
  EXPECT_EQ(n.EventFeed(), platform::DiskEventFeed::kKernel);

  // A second call changes nothing: the first source still reports.
  EventQueue other = std::make_shared<std::vector<DeviceEvent>>();
  EXPECT_TRUE(n.RegisterNotifications(std::make_unique<CannedEvents>(other)));
  EXPECT_TRUE(n.RegisterNotifications());
  EXPECT_EQ(n.registrations().size(), 1u);
  queue->push_back(Letters(DeviceEventKind::kLetterArrival, "D"));
  other->push_back(Letters(DeviceEventKind::kLetterArrival, "E"));
  n.ProcessDeviceEvents();
  EXPECT_EQ(n.calls, (std::vector<std::string>{"volume+ D"}));

  // Nothing to watch: false, and the call still counts as the first.
  Recorder none;
  EXPECT_FALSE(none.RegisterNotifications(nullptr));
  EXPECT_TRUE(none.registered());
  EXPECT_TRUE(none.RegisterNotifications(std::make_unique<CannedEvents>(queue)));
  EXPECT_TRUE(none.registrations().empty());
  EXPECT_TRUE(none.NotificationDescriptors().empty());
  EXPECT_EQ(none.ProcessDeviceEvents(), std::nullopt);
}

TEST(DeviceNotificationTest, DriveHandlesAreRegisteredOncePerLetter) {
  using platform::DriveType;
  platform::ScopedDrive reader('R', Drive("/dev/sdb"));
  platform::ScopedDrive disk('S', Drive("/dev/sda", DriveType::kFixed));
  platform::ScopedDrive cdrom('T', Drive("/dev/sr0", DriveType::kCdrom));
  platform::ScopedDrive network('U', Drive("/dev/nbd0", DriveType::kRemote));
  platform::ScopedDrive folder('V', Drive(""));
  ASSERT_TRUE(reader.attached() && disk.attached() && cdrom.attached() && network.attached() &&
              folder.attached());

  std::string path;
  EXPECT_TRUE(CDeviceNotificationBase::OpenDriveDeviceInterface('r', &path));
  EXPECT_EQ(path, "/dev/sdb");
  EXPECT_FALSE(CDeviceNotificationBase::OpenDriveDeviceInterface('5', &path));

  Recorder n;
  EXPECT_TRUE(n.RegisterDriveHandle('R'));
  EXPECT_TRUE(n.RegisterDriveHandle('r'));
  EXPECT_TRUE(n.RegisterDriveHandle('S'));
  EXPECT_TRUE(n.RegisterDriveHandle('T'));
  EXPECT_FALSE(n.RegisterDriveHandle('U'));  // not a drive for cards
  EXPECT_FALSE(n.RegisterDriveHandle('V'));  // no storage device
  EXPECT_FALSE(n.RegisterDriveHandle('W'));  // no drive
  EXPECT_FALSE(n.RegisterDriveHandle('\0'));
  ASSERT_EQ(n.registrations().size(), 3u);
  EXPECT_EQ(n.registrations()[0].driveLetter, 'R');
  EXPECT_EQ(n.registrations()[0].devicePath, "/dev/sdb");
  EXPECT_EQ(n.registrations()[2].devicePath, "/dev/sr0");

  // Another reader takes the letter: the record follows it, so that its
  // media events reach the letter. A letter whose drive is gone keeps its
  // record as it was.
  platform::DriveTable::Instance().Detach('R');
  EXPECT_TRUE(n.RegisterDriveHandle('R'));
  EXPECT_EQ(n.registrations()[0].devicePath, "/dev/sdb");
  platform::DriveTable::Instance().Attach('R', Drive("/dev/sdc"));
  EXPECT_TRUE(n.RegisterDriveHandle('R'));
  EXPECT_EQ(n.registrations().size(), 3u);
  EXPECT_EQ(n.registrations()[0].devicePath, "/dev/sdc");
}

TEST(DeviceNotificationTest, EventsReachTheirHooksWithTheRegistrationsOfTheirDisk) {
  // Two volumes of one card at E: and F:, a stick at G:.
  platform::ScopedDrive e('E', Drive("/dev/sdb"));
  platform::ScopedDrive f('F', Drive("/dev/sdb"));
  platform::ScopedDrive g('G', Drive("/dev/sdc"));
  platform::ScopedDrive h('H', Drive("/dev/sdd"));
  EventQueue queue = std::make_shared<std::vector<DeviceEvent>>();
  Recorder n;
  ASSERT_TRUE(n.RegisterNotifications(std::make_unique<CannedEvents>(queue)));
  ASSERT_TRUE(n.RegisterDriveHandle('E') && n.RegisterDriveHandle('F') &&
              n.RegisterDriveHandle('G'));
  // A hook that registers a drive while the others wait for their turn.
  n.duringMediaArrival = [&] { n.RegisterDriveHandle('H'); };

  *queue = {
      Event(DeviceEventKind::kMediaArrival, "/dev/sdb", "/dev/sdb"),
      Event(DeviceEventKind::kMediaRemoval, "/dev/sdx", "/dev/sdx"),
      Event(DeviceEventKind::kVolumeMount, "/dev/sdc1", "/dev/sdc"),
      Event(DeviceEventKind::kVolumeMove, "/dev/sdc1", "/dev/sdc"),
      Event(DeviceEventKind::kDiskLayoutChange, "/dev/sdd", "/dev/sdd"),
      Event(DeviceEventKind::kVolumeDismount, "/dev/sdc1", "/dev/sdc"),
      Event(DeviceEventKind::kPartitionChange, "/dev/sdc1", "/dev/sdc"),
      Letters(DeviceEventKind::kLetterArrival, "EF"),
      Letters(DeviceEventKind::kLetterRemoval, "G"),
      Event(DeviceEventKind::kDiskArrival, "/dev/sde", "/dev/sde"),
      Event(DeviceEventKind::kPartitionArrival, "/dev/sde1", "/dev/sde"),
      Event(DeviceEventKind::kDiskRemoval, "/dev/sde", "/dev/sde"),
      Event(DeviceEventKind::kPartitionRemoval, "/dev/sde1", "/dev/sde"),
  };
  n.ProcessDeviceEvents();
  const std::vector<std::string> expected = {
      "media+ E /dev/sdb",   "media+ F /dev/sdb",    "media- null",         "mount G /dev/sdc",
      "name G /dev/sdc",     "layout H /dev/sdd",    "volume+ EF",          "volume- G",
      "interface+ /dev/sde", "interface+ /dev/sde1", "interface- /dev/sde", "interface- /dev/sde1",
  };
  EXPECT_EQ(n.calls, expected);
}

TEST(DeviceNotificationTest, ABurstOfEventsRunsOneSearch) {
  EventQueue queue = std::make_shared<std::vector<DeviceEvent>>();
  Recorder n;
  ASSERT_TRUE(n.RegisterNotifications(std::make_unique<CannedEvents>(queue)));
  const auto t0 = std::chrono::steady_clock::now();

  // Events the window does not act on start no burst.
  *queue = {Event(DeviceEventKind::kDiskLayoutChange, "/dev/sdb", "/dev/sdb"),
            Event(DeviceEventKind::kDiskArrival, "/dev/sdb", "/dev/sdb")};
  EXPECT_EQ(n.ProcessDeviceEvents(t0), std::nullopt);

  // A card into a reader: its medium, its partition, its letter renewed.
  *queue = {Event(DeviceEventKind::kMediaArrival, "/dev/sdb", "/dev/sdb"),
            Event(DeviceEventKind::kPartitionArrival, "/dev/sdb1", "/dev/sdb"),
            Letters(DeviceEventKind::kLetterRemoval, "E"),
            Letters(DeviceEventKind::kLetterArrival, "E")};
  EXPECT_EQ(n.ProcessDeviceEvents(t0), std::optional(300ms));
  // The desktop mounts it a moment later.
  *queue = {Letters(DeviceEventKind::kLetterRemoval, "E"),
            Letters(DeviceEventKind::kLetterArrival, "E")};
  EXPECT_EQ(n.ProcessDeviceEvents(t0 + 200ms), std::optional(300ms));
  // A timer that fires early learns how long is left.
  EXPECT_EQ(n.ProcessDeviceEvents(t0 + 450ms), std::optional(50ms));
  EXPECT_EQ(n.ProcessDeviceEvents(t0 + 499ms + 500us), std::optional(1ms));
  EXPECT_EQ(n.searches, 0);
  EXPECT_EQ(n.ProcessDeviceEvents(t0 + 500ms), std::nullopt);
  EXPECT_EQ(n.searches, 1);
  EXPECT_EQ(n.ProcessDeviceEvents(t0 + 900ms), std::nullopt);
  EXPECT_EQ(n.searches, 1);
  EXPECT_EQ(n.calls.size(), 8u);
}

TEST(DeviceNotificationTest, ASteadyTrickleOfEventsStillSearches) {
  EventQueue queue = std::make_shared<std::vector<DeviceEvent>>();
  Recorder n;
  ASSERT_TRUE(n.RegisterNotifications(std::make_unique<CannedEvents>(queue)));
  const auto t0 = std::chrono::steady_clock::now();
  std::vector<int> searchedAt;
  for (int ms = 0; ms <= 4000; ms += 100) {
    if (ms <= 3000) queue->push_back(Event(DeviceEventKind::kMediaArrival, "/dev/sdb", "/dev/sdb"));
    const int before = n.searches;
    n.ProcessDeviceEvents(t0 + std::chrono::milliseconds(ms));
    if (n.searches != before) searchedAt.push_back(ms);
  }
  // The longest wait ends the first burst; the second settles after the last event.
  EXPECT_EQ(searchedAt, (std::vector<int>{2000, 3300}));
}

// The real thing: a card image attached and detached at run time reaches the
// volume hooks with its letter, and its letter is watched with its image file.
TEST(DeviceNotificationTest, AnAttachedCardImageIsAVolumeArrival) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk and mkfs.fat are not installed";
  testsupport::TempDir dir;
  const std::string image = dir.File("card.img");
  testsupport::ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card));

  platform::DeviceEventOptions options;
  options.refreshNativeDrives = false;  // the host's own volumes stay unbound
  std::uint32_t error = 0;
  Recorder n;
  ASSERT_TRUE(n.RegisterNotifications(platform::OpenDeviceEvents(options, &error)));
  n.ProcessDeviceEvents();
  n.calls.clear();

  const char letter = platform::AttachCardImage(image, {}, 0, &error);
  ASSERT_NE(letter, 0) << error;
  const std::string letterText(1, letter);
  struct Detach {
    char letter;
    ~Detach() { platform::DriveTable::Instance().Detach(letter); }
  } detach{letter};
  // Other programs' disks and mounts may report too; this letter must be there.
  auto heard = [&](const std::string& call) {
    return std::find(n.calls.begin(), n.calls.end(), call) != n.calls.end();
  };
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_TRUE(n.ProcessDeviceEvents(t0).has_value());
  EXPECT_TRUE(heard("volume+ " + letterText));
  ASSERT_TRUE(n.RegisterDriveHandle(letter));
  EXPECT_EQ(n.registrations().back().devicePath, image);

  ASSERT_TRUE(platform::DriveTable::Instance().Detach(letter));
  EXPECT_TRUE(n.ProcessDeviceEvents(t0 + 100ms).has_value());
  EXPECT_TRUE(heard("volume- " + letterText));
  n.ProcessDeviceEvents(t0 + CChangeSettle::kLongestWait);
  EXPECT_GE(n.searches, 1);
}

}  // namespace
