// A user without root on a card whose volume is not mounted: the tool opens
// the device through UDisks2, and polkit decides (a private bus with udisksd
// and polkitd, and a rule for the user cloudsdk). Root, loop devices, the
// daemons and that user needed; skipped elsewhere.
#include <gtest/gtest.h>
#include <pwd.h>
#include <shadow.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/cli_test_support.h"
#include "platform/process.h"
#include "support/loop_devices.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/udisks_sandbox.h"

namespace clitest {
namespace {

using testsupport::PolkitRule;
using testsupport::UdisksSandbox;

const testsupport::ReferenceCard kCard = Card(32ull << 20, 16, 63);
constexpr const char* kUser = "cloudsdk";
const std::string kRefusal =
    ": No ADMIN Rights: the system did not let us open the device (refused, or no UDisks2 to "
    "ask)\n";

// Commands that each need the card's raw sectors or, through them, its files.
std::vector<std::vector<std::string>> RawCommands(const std::string& node, const std::string& out) {
  return {{"state", node},
          {"create", node, "--count", "1", "--any-disk"},
          {"erase", node, "--any-disk"},
          {"read-slot", node, "1", out}};
}

// The card image and its loop device, and a home for the user.
class UserWithoutRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string loops = linuxtest::LoopDevicesUnavailable();
    if (!loops.empty()) GTEST_SKIP() << loops;
    SKIP_WITHOUT_CARD_TOOLS();
    const passwd* user = getpwnam(kUser);
    if (user == nullptr) GTEST_SKIP() << "no user " << kUser;
    uid_ = static_cast<int>(user->pw_uid);
    ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
    ASSERT_TRUE(testsupport::MakeReferenceCard(image_, kCard));
    ASSERT_EQ(mkdir(home_.c_str(), 0700), 0);
    ASSERT_EQ(chown(home_.c_str(), static_cast<uid_t>(uid_), static_cast<gid_t>(uid_)), 0);
  }

  // The tool as the user, on the bus given.
  CliResult AsUser(const std::vector<std::string>& args, const std::string& bus) {
    RunOptions options;
    options.runAsUser = uid_;
    options.env = {{"DBUS_SYSTEM_BUS_ADDRESS", bus}, {"HOME", home_}};
    options.timeoutSeconds = 30;
    return RunCli(args, options);
  }

  std::string Bytes(const std::string& path) {
    return testsupport::ReadHostBytes(path, 0, kCard.sizeBytes);
  }

  testsupport::TempDir dir_;
  std::string image_ = dir_.File("card.img");
  std::string home_ = dir_.File("home");
  int uid_ = -1;
};

// A password for the user while the guard lives; the old entry (as a rule
// a locked one) comes back after.
class UserPassword {
 public:
  UserPassword(const std::string& user, const std::string& password) : user_(user) {
    if (const spwd* entry = getspnam(user.c_str())) old_ = entry->sp_pwdp;
    set_ = !old_.empty() &&
           testsupport::RunCommand("echo " + testsupport::Quote(user + ":" + password) +
                                   " | chpasswd") == 0;
  }
  ~UserPassword() {
    if (set_) {
      EXPECT_EQ(testsupport::RunCommand("usermod -p " + testsupport::Quote(old_) + " " + user_), 0);
    }
  }
  UserPassword(const UserPassword&) = delete;
  UserPassword& operator=(const UserPassword&) = delete;
  bool set() const { return set_; }

 private:
  std::string user_;
  std::string old_;
  bool set_ = false;
};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Waits for the start of an even second: two runs then fall in one FAT time
// stamp (2 s) and one container time stamp.
void WaitForEvenSecond() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  platform::SleepMs(static_cast<unsigned>(2000 - ms % 2000 + 20));
}

std::int64_t WholeSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

// The offsets where two cards differ, beyond the creation time's hundredths
// (byte 13 of a directory entry), which no two runs share.
std::string DifferingBytes(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return "sizes";
  std::string offsets;
  for (std::size_t i = 0; i < a.size() && offsets.size() < 80; ++i) {
    if (a[i] != b[i] && i % 32 != 13) offsets.append(std::to_string(i)).append(" ");
  }
  return offsets;
}

TEST_F(UserWithoutRoot, AllowedByPolkitTheDeviceEndsAsTheCardImageDoes) {
  const PolkitRule rule(kUser, true);
  ASSERT_TRUE(rule.written());
  const UdisksSandbox sandbox(dir_.path(), UdisksSandbox::Polkit::kRun);
  if (!sandbox.reason().empty()) GTEST_SKIP() << sandbox.reason();
  const std::string copy = dir_.File("copy.img");
  ASSERT_TRUE(testsupport::WriteHostFile(copy, Bytes(image_)));
  ASSERT_EQ(chown(copy.c_str(), static_cast<uid_t>(uid_), static_cast<gid_t>(uid_)), 0);
  const std::string floppy = dir_.File("slot.img");
  ASSERT_EQ(testsupport::RunCommand("mkfs.fat -C -i 1234abcd " + floppy + " 1440 >/dev/null"), 0);
  chmod(floppy.c_str(), 0644);
  const linuxtest::LoopDevice loop(image_);
  ASSERT_FALSE(loop.node().empty());
  ASSERT_TRUE(sandbox.WaitForBlock(loop.node(), 5000)) << sandbox.Log();

  const std::vector<std::vector<std::string>> steps = {
      {"create", "@", "--count", "3", "--name", "Desk", "--any-disk"},
      {"write-slot", "@", "2", floppy, "--name", "Games"},
      {"read-slot", "@", "2", "@out"},
      {"make-usable", "@", "--any-disk"},
      {"state", "@"},
      {"erase", "@", "--any-disk"}};
  for (const std::vector<std::string>& step : steps) {
    SCOPED_TRACE(step[0]);
    WaitForEvenSecond();
    const std::int64_t began = WholeSeconds();
    std::vector<CliResult> results;
    for (const std::string& card : {loop.node(), copy}) {
      std::vector<std::string> args = step;
      for (std::string& arg : args) {
        if (arg == "@") arg = card;
        if (arg == "@out") arg = home_ + "/back-" + std::to_string(results.size()) + ".img";
      }
      results.push_back(AsUser(args, sandbox.address()));
      EXPECT_EQ(results.back().exitCode, 0) << Describe(results.back()) << sandbox.Log();
    }
    EXPECT_EQ(results[0].out, results[1].out);
    const std::string differing = DifferingBytes(Bytes(image_), Bytes(copy));
    if (!differing.empty() && WholeSeconds() != began) {
      // A slow host (a sanitizer build) let the two runs fall in different
      // seconds, so their time stamps differ: not compared, and the image
      // starts the next step as the device ends this one.
      ASSERT_TRUE(testsupport::WriteHostFile(copy, Bytes(image_)));
    } else {
      EXPECT_EQ(differing, "") << "the device and the image differ";
    }
    if (step[0] == "read-slot") {
      const std::string floppyBytes = testsupport::ReadHostBytes(floppy, 0, 1474560);
      EXPECT_TRUE(testsupport::ReadHostBytes(home_ + "/back-0.img", 0, 1474560) == floppyBytes);
    }
    if (step[0] == "make-usable") {
      std::string report;
      EXPECT_TRUE(testsupport::FsckClean(testsupport::VolumeOf(image_, kCard), &report)) << report;
    }
  }
}

TEST_F(UserWithoutRoot, RefusedByPolkitOrWithoutUdisksRawCommandsFailAndWriteNothing) {
  const PolkitRule rule(kUser, false);
  ASSERT_TRUE(rule.written());
  const UdisksSandbox sandbox(dir_.path(), UdisksSandbox::Polkit::kRun);
  if (!sandbox.reason().empty()) GTEST_SKIP() << sandbox.reason();
  const linuxtest::LoopDevice loop(image_);
  ASSERT_FALSE(loop.node().empty());
  ASSERT_TRUE(sandbox.WaitForBlock(loop.node(), 5000)) << sandbox.Log();
  const std::string before = Bytes(image_);

  // Refused, and with no UDisks2 to ask (a bus address where none listens):
  // the same answer, at once.
  for (const std::string& bus : {sandbox.address(), "unix:path=" + dir_.File("no-bus")}) {
    SCOPED_TRACE(bus);
    for (const std::vector<std::string>& command : RawCommands(loop.node(), home_ + "/out.img")) {
      SCOPED_TRACE(command[0]);
      const auto start = std::chrono::steady_clock::now();
      const CliResult result = AsUser(command, bus);
      EXPECT_EQ(result.exitCode, 1) << Describe(result);
      EXPECT_EQ(result.err, "quillfen-cli: " + loop.node() + kRefusal);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
  }
  EXPECT_TRUE(Bytes(image_) == before) << "a refused command wrote to the device";
  // A bare volume, as udev in the sandbox sees it, is a drive of its own:
  // its state is not known either, nor claimed to hold no container.
  const std::string bare = dir_.File("bare.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(bare, Card(16ull << 20, 16, 0)));
  const linuxtest::LoopDevice bareLoop(bare);
  ASSERT_TRUE(sandbox.WaitForBlock(bareLoop.node(), 5000)) << sandbox.Log();
  RunOptions inSandbox;
  inSandbox.runAsUser = uid_;
  inSandbox.mountNamespaceOf = static_cast<int>(sandbox.NamespaceProcess());
  inSandbox.env = {{"DBUS_SYSTEM_BUS_ADDRESS", sandbox.address()}, {"HOME", home_}};
  inSandbox.timeoutSeconds = 30;
  const std::string bareBefore = Bytes(bare);
  for (const std::vector<std::string>& command : RawCommands(bareLoop.node(), home_ + "/out.img")) {
    SCOPED_TRACE(command[0]);
    const CliResult drive = RunCli(command, inSandbox);
    EXPECT_EQ(drive.exitCode, 1) << Describe(drive);
    EXPECT_EQ(drive.out, "");
    EXPECT_EQ(drive.err, "quillfen-cli: " + bareLoop.node() + kRefusal);
  }
  EXPECT_TRUE(Bytes(bare) == bareBefore) << "a refused command wrote to the device";
  // What needs no raw access still works.
  EXPECT_EQ(AsUser({"drives"}, sandbox.address()).exitCode, 0);
  const CliResult german = AsUser({"--lang", "de", "state", loop.node()}, sandbox.address());
  EXPECT_NE(german.err.find("das System ließ das Gerät nicht öffnen"), std::string::npos)
      << german.err;
}

// On a terminal with no desktop agent and no login session, polkit asks
// through pkttyagent: the user's password typed once serves the whole
// command; a wrong one is the refusal, and nothing is written.
TEST_F(UserWithoutRoot, OnATerminalPolkitAsksForThePasswordOnce) {
  for (const char* program : {"pkttyagent", "chpasswd", "usermod"}) {
    if (!testsupport::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  }
  const PolkitRule rule(kUser, PolkitRule::Answer::kOwnPassword);
  ASSERT_TRUE(rule.written());
  const UdisksSandbox sandbox(dir_.path(), UdisksSandbox::Polkit::kAsking);
  if (!sandbox.reason().empty()) GTEST_SKIP() << sandbox.reason();
  if (!sandbox.onStandardSocket()) GTEST_SKIP() << "a system bus runs: the password goes there";
  const linuxtest::LoopDevice loop(image_);
  ASSERT_FALSE(loop.node().empty());
  ASSERT_TRUE(sandbox.WaitForBlock(loop.node(), 5000)) << sandbox.Log();
  const UserPassword password(kUser, "Quill-7-fen");
  ASSERT_TRUE(password.set());

  RunOptions options;
  options.runAsUser = uid_;
  options.env = {{"DBUS_SYSTEM_BUS_ADDRESS", sandbox.address()}, {"HOME", home_}};
  options.timeoutSeconds = 60;
  options.terminalPassword = "Quill-7-fen";
  const CliResult created = RunCli({"create", loop.node(), "--count", "2", "--any-disk"}, options);
  EXPECT_EQ(created.exitCode, 0) << Describe(created) << sandbox.Log();
  EXPECT_EQ(Count(created.err, "Password: "), 1u) << created.err;
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(testsupport::VolumeOf(image_, kCard), &report)) << report;

  const std::string before = Bytes(image_);
  options.terminalPassword = "wrong";
  const auto start = std::chrono::steady_clock::now();
  const CliResult refused = RunCli({"erase", loop.node(), "--any-disk"}, options);
  EXPECT_EQ(refused.exitCode, 1) << Describe(refused);
  EXPECT_NE(refused.err.find(loop.node() + ": No ADMIN Rights"), std::string::npos) << refused.err;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_TRUE(Bytes(image_) == before) << "a refused erase wrote to the device";
}

}  // namespace
}  // namespace clitest
