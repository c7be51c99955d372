#include "platform/usb.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/trustedfolder.h"
#include "sim/usb/usbdeviceserver.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr auto kPrompt = 10s;
constexpr Guid kAdapterClass = {
    0x6d1e3a52, 0x8b0f, 0x4c1a, {0x9e, 0x21, 0x3b, 0x5c, 0x7d, 0x10, 0xa4, 0xe8}};
constexpr Guid kModuleClass = {
    0x6d1e3a53, 0x8b0f, 0x4c1a, {0x9e, 0x21, 0x3b, 0x5c, 0x7d, 0x10, 0xa4, 0xe8}};
constexpr std::uint32_t kQuery = 0x22000C;
constexpr std::uint32_t kRefused = 0x22FFFF;
constexpr std::uint32_t kSlow = 0x22EEEE;

// A device that answers kQuery with the code byte followed by its input
// reversed, refuses kRefused with ERROR_GEN_FAILURE, holds kSlow until
// released, and records what the host writes.
class TestDevice : public sim::UsbDeviceHandler {
 public:
  std::uint32_t OnControl(std::uint32_t code, std::span<const std::uint8_t> in, std::size_t,
                          std::vector<std::uint8_t>& out) override {
    if (code == kRefused) return kErrorGenFailure;
    if (code == kSlow) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return released_; });
    }
    out.push_back(static_cast<std::uint8_t>(code));
    out.insert(out.end(), in.rbegin(), in.rend());
    return 0;
  }

  void OnPipeData(const std::string& pipe, std::span<const std::uint8_t> packet) override {
    std::lock_guard lock(mutex_);
    written_.emplace_back(pipe, Bytes(packet.begin(), packet.end()));
    changed_.notify_all();
  }

  std::vector<std::pair<std::string, Bytes>> WaitForWrites(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kPrompt, [&] { return written_.size() >= count; });
    return written_;
  }

  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<std::string, Bytes>> written_;
  bool released_ = false;
};

// Each test has its own USB directory and one running device of the adapter
// class.
class UsbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/fw-usb-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = pattern;
    setenv("FLASHWRIGHT_USB_DIR", directory.c_str(), 1);
    ASSERT_TRUE(server.Start()) << GetLastError();
  }
  void TearDown() override {
    device.Release();
    server.Stop();
    unsetenv("FLASHWRIGHT_USB_DIR");
    std::filesystem::remove_all(directory);
  }

  UsbFile& OpenFile(UsbFile& file, const std::string& suffix = "") {
    EXPECT_TRUE(file.Open(server.DevicePath() + suffix)) << GetLastError();
    return file;
  }

  std::string directory;
  TestDevice device;
  sim::UsbDeviceServer server{device, {kAdapterClass, 0x1234, 0x5678, "SN0002"}};
};

TEST_F(UsbTest, EnumeratesThePresentDevicesOfAClass) {
  TestDevice other;
  sim::UsbDeviceServer second(other, {kAdapterClass, 0x1234, 0x5678, "SN0001"});
  sim::UsbDeviceServer module(other, {kModuleClass, 0x1234, 0x9abc, "SN0003"});
  ASSERT_TRUE(second.Start());
  ASSERT_TRUE(module.Start());

  // A socket left behind by a bench that died is no present device.
  const std::string stale =
      directory + "/usb#vid_1234&pid_5678#SN0009#" + GuidToString(kAdapterClass);
  int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, stale.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);

  EXPECT_EQ(server.DevicePath(),
            "\\\\?\\usb#vid_1234&pid_5678#SN0002#{6d1e3a52-8b0f-4c1a-9e21-3b5c7d10a4e8}");
  EXPECT_EQ(EnumerateUsbDevices(kAdapterClass),
            (std::vector<std::string>{second.DevicePath(), server.DevicePath()}));
  EXPECT_EQ(EnumerateUsbDevices(kModuleClass), std::vector<std::string>{module.DevicePath()});

  // A second server for a present device is refused; a stopped one is gone.
  sim::UsbDeviceServer duplicate(other, {kAdapterClass, 0x1234, 0x5678, "SN0001"});
  EXPECT_FALSE(duplicate.Start());
  EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
  second.Stop();
  EXPECT_EQ(EnumerateUsbDevices(kAdapterClass), std::vector<std::string>{server.DevicePath()});
}

TEST_F(UsbTest, DeviceAnswersControlRequests) {
  UsbFile file;
  OpenFile(file);
  const std::uint8_t query[5] = {0x70, 1, 2, 3, 4};
  std::uint8_t answer[8] = {};
  std::uint32_t returned = 0;
  ASSERT_TRUE(file.DeviceIoControl(kQuery, query, sizeof query, answer, sizeof answer, &returned));
  EXPECT_EQ(Bytes(answer, answer + returned), (Bytes{0x0C, 4, 3, 2, 1, 0x70}));

  // The device's refusal, a buffer too small, and I/O that a device does
  // not do.
  EXPECT_FALSE(
      file.DeviceIoControl(kRefused, query, sizeof query, answer, sizeof answer, &returned));
  EXPECT_EQ(GetLastError(), kErrorGenFailure);
  EXPECT_FALSE(file.DeviceIoControl(kQuery, query, sizeof query, answer, 2, &returned));
  EXPECT_EQ(GetLastError(), kErrorMoreData);
  EXPECT_EQ(returned, 2u);
  EXPECT_EQ(Bytes(answer, answer + 2), (Bytes{0x0C, 4}));
  std::uint32_t count = 0;
  EXPECT_FALSE(file.Read(answer, sizeof answer, &count, 0));
  EXPECT_EQ(GetLastError(), kErrorInvalidFunction);

  UsbFile pipe;
  OpenFile(pipe, "\\PIPE00");
  EXPECT_FALSE(pipe.DeviceIoControl(kQuery, query, sizeof query, answer, sizeof answer, &returned));
  EXPECT_EQ(GetLastError(), kErrorInvalidFunction);
}

TEST_F(UsbTest, LateAnswerIsNotTakenForTheNextRequest) {
  const double previousScale = TimeScale();
  SetTimeScale(100);
  UsbFile file;
  OpenFile(file);
  std::uint8_t answer[8];
  std::uint32_t returned = 0;
  const std::uint8_t first = 1;
  EXPECT_FALSE(file.DeviceIoControl(kSlow, &first, 1, answer, sizeof answer, &returned, 1000));
  EXPECT_EQ(GetLastError(), kErrorTimeout);
  SetTimeScale(previousScale);

  device.Release();  // the first answer now arrives late
  const std::uint8_t second = 2;
  ASSERT_TRUE(file.DeviceIoControl(kQuery, &second, 1, answer, sizeof answer, &returned));
  EXPECT_EQ(Bytes(answer, answer + returned), (Bytes{0x0C, 2}));
}

TEST_F(UsbTest, PipesCarryPacketsBothWays) {
  UsbFile readPipe, writePipe;
  OpenFile(readPipe, "\\PIPE00");
  OpenFile(writePipe, "\\PIPE01");

  const Bytes frame = {0x23, 0x01, 0, 0, 0, 3, 0x11, 0x22, 0x33, 0, 0, 0, 0, 0};
  std::uint32_t count = 0;
  ASSERT_TRUE(writePipe.Write(frame.data(), frame.size(), &count));
  EXPECT_EQ(count, frame.size());
  ASSERT_TRUE(writePipe.Write(nullptr, 0, &count));  // a zero-length packet is a packet
  auto writes = device.WaitForWrites(2);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], std::make_pair(std::string("PIPE01"), frame));
  EXPECT_EQ(writes[1], std::make_pair(std::string("PIPE01"), Bytes{}));

  // Packet boundaries are kept; a packet longer than the buffer is reported.
  Bytes stamped(18, 0xA5), plain(14, 0x5A);
  ASSERT_TRUE(server.PushToHost("PIPE00", stamped));
  ASSERT_TRUE(server.PushToHost("PIPE00", plain));
  ASSERT_TRUE(server.PushToHost("PIPE00", Bytes(70, 1)));
  EXPECT_FALSE(server.PushToHost("PIPE07", plain));  // nobody has that pipe open
  std::uint8_t buffer[64];
  ASSERT_TRUE(readPipe.Read(buffer, sizeof buffer, &count, kInfinite));
  EXPECT_EQ(Bytes(buffer, buffer + count), stamped);
  ASSERT_TRUE(readPipe.Read(buffer, sizeof buffer, &count, kInfinite));
  EXPECT_EQ(Bytes(buffer, buffer + count), plain);
  EXPECT_FALSE(readPipe.Read(buffer, sizeof buffer, &count, kInfinite));
  EXPECT_EQ(GetLastError(), kErrorMoreData);
  EXPECT_EQ(count, sizeof buffer);
}

TEST_F(UsbTest, ReadTimeOutRunsInProcessTime) {
  const double previousScale = TimeScale();
  SetTimeScale(1000);
  UsbFile readPipe;
  OpenFile(readPipe, "\\PIPE00");
  std::uint8_t buffer[64];
  std::uint32_t count = 0;
  const std::uint32_t start = GetTickCount();
  EXPECT_FALSE(readPipe.Read(buffer, sizeof buffer, &count, 3000));
  EXPECT_EQ(GetLastError(), kErrorTimeout);
  EXPECT_GE(GetTickCount() - start, 3000u);
  SetTimeScale(previousScale);
}

// A read that blocks on the pipe until something ends it.
std::future<std::uint32_t> BlockedRead(UsbFile& pipe) {
  return std::async(std::launch::async, [&pipe] {
    std::uint8_t buffer[64];
    std::uint32_t count = 0;
    return pipe.Read(buffer, sizeof buffer, &count, kInfinite) ? kErrorSuccess : GetLastError();
  });
}

TEST_F(UsbTest, CancelOrCloseEndsABlockedReadPromptly) {
  for (bool byClose : {false, true}) {
    SCOPED_TRACE(byClose ? "close" : "cancel");
    UsbFile readPipe;
    OpenFile(readPipe, "\\PIPE00");
    auto reader = BlockedRead(readPipe);
    std::this_thread::sleep_for(50ms);  // let it block (either order must work)
    if (byClose) {
      readPipe.Close();
    } else {
      readPipe.CancelIo();
    }
    ASSERT_EQ(reader.wait_for(kPrompt), std::future_status::ready);
    const std::uint32_t error = reader.get();
    EXPECT_TRUE(error == kErrorOperationAborted || (byClose && error == kErrorInvalidHandle))
        << error;
  }
}

TEST_F(UsbTest, VanishedDeviceFailsEveryCall) {
  UsbFile file, readPipe, writePipe;
  OpenFile(file);
  OpenFile(readPipe, "\\PIPE00");
  OpenFile(writePipe, "\\PIPE01");
  auto reader = BlockedRead(readPipe);
  std::this_thread::sleep_for(50ms);

  server.Stop();
  ASSERT_EQ(reader.wait_for(kPrompt), std::future_status::ready);
  EXPECT_EQ(reader.get(), kErrorDeviceNotConnected);

  std::uint8_t byte = 0;
  std::uint32_t count = 0;
  EXPECT_FALSE(file.DeviceIoControl(kQuery, &byte, 1, &byte, 1, &count));
  EXPECT_EQ(GetLastError(), kErrorDeviceNotConnected);
  EXPECT_FALSE(writePipe.Write(&byte, 1, &count));
  EXPECT_EQ(GetLastError(), kErrorDeviceNotConnected);

  UsbFile again;
  EXPECT_FALSE(again.Open(server.DevicePath()));
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  EXPECT_TRUE(EnumerateUsbDevices(kAdapterClass).empty());

  // The device comes back under the same path.
  ASSERT_TRUE(server.Start());
  EXPECT_TRUE(again.Open(server.DevicePath()));
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// Someone other than the user running the tests.
constexpr uid_t kOtherUser = 65534;

// Without a folder of its own the provider falls back to a predictable name,
// which another local user may have made first: the folder and each device's
// socket count only when they are the user's own and nobody else may write
// to the folder.
TEST(UsbDirectoryTest, UsesOnlyAFolderAndSocketsOfTheUsersOwn) {
  benchtest::TempDir runtime("fw-runtime");
  ASSERT_TRUE(runtime.Created());
  benchtest::ScopedEnv noOwnFolder("FLASHWRIGHT_USB_DIR", "");
  benchtest::ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.Path().string());
  const std::string folder = runtime.File("flashwright-usb");
  ASSERT_EQ(UsbDirectory(), folder);

  // The bench makes the missing folder for this user alone.
  const mode_t previousMask = umask(0);
  TestDevice handler;
  sim::UsbDeviceServer device(handler, {kAdapterClass, 0x1234, 0x5678, "SN0004"});
  const bool started = device.Start();
  umask(previousMask);
  ASSERT_TRUE(started) << GetLastError();
  struct stat status {};
  ASSERT_EQ(stat(folder.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0700u);
  EXPECT_EQ(EnumerateUsbDevices(kAdapterClass), std::vector<std::string>{device.DevicePath()});

  const std::string socket = folder + "/" + device.DevicePath().substr(4);
  const bool privileged = geteuid() == 0;  // only root can give a file away
  const struct {
    const char* what;
    bool needsRoot;
    std::function<int()> spoil, mend;
  } cases[] = {
      {"folder writable by others", false, [&] { return chmod(folder.c_str(), 0777); },
       [&] { return chmod(folder.c_str(), 0700); }},
      {"folder writable by its group", false, [&] { return chmod(folder.c_str(), 0770); },
       [&] { return chmod(folder.c_str(), 0700); }},
      {"folder of another user", true, [&] { return chown(folder.c_str(), kOtherUser, -1); },
       [&] { return chown(folder.c_str(), geteuid(), -1); }},
      {"socket of another user", true, [&] { return lchown(socket.c_str(), kOtherUser, -1); },
       [&] { return lchown(socket.c_str(), geteuid(), -1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needsRoot && !privileged) continue;
    ASSERT_EQ(c.spoil(), 0);
    EXPECT_TRUE(EnumerateUsbDevices(kAdapterClass).empty());
    UsbFile refused, accepted;
    EXPECT_FALSE(refused.Open(device.DevicePath()));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    ASSERT_EQ(c.mend(), 0);
    EXPECT_TRUE(accepted.Open(device.DevicePath())) << GetLastError();
  }

  // Nor does the bench offer a device in a folder that is not the user's.
  device.Stop();
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  EXPECT_FALSE(device.Start());
  EXPECT_EQ(GetLastError(), kErrorAccessDenied);

  // A link in the folder's place is refused too, even to a folder of the
  // user's own: whoever owns the link can point it elsewhere.
  const std::string target = runtime.File("elsewhere");
  ASSERT_EQ(rename(folder.c_str(), target.c_str()), 0);
  ASSERT_EQ(chmod(target.c_str(), 0700), 0);
  ASSERT_EQ(symlink(target.c_str(), folder.c_str()), 0);
  EXPECT_FALSE(device.Start());
  EXPECT_EQ(GetLastError(), kErrorAccessDenied);
}

// A trailing "/" must not let a link through, and a folder above that
// others may change (bar a sticky one, as /tmp is) lets them swap the folder.
TEST(UsbDirectoryTest, RefusesALinkWrittenWithASlashAndAFolderInAnOpenFolder) {
  benchtest::TempDir above("fw-above");
  ASSERT_TRUE(above.Created());
  const std::string folder = above.File("usb");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string link = above.File("link");
  ASSERT_EQ(symlink(folder.c_str(), link.c_str()), 0);
  benchtest::ScopedEnv usbFolder("FLASHWRIGHT_USB_DIR", folder);
  TestDevice handler;
  sim::UsbDeviceServer device(handler, {kAdapterClass, 0x1234, 0x5678, "SN0005"});
  ASSERT_TRUE(device.Start()) << GetLastError();

  const struct {
    const char* what;
    std::string usbFolder;
    mode_t aboveMode;
    bool trusted;
  } cases[] = {
      {"the folder", folder, 0700, true},
      {"the folder written with a slash", folder + "/", 0755, true},
      {"in a sticky folder others may write to", folder, 01777, true},
      {"a link written with a slash", link + "/", 0700, false},
      {"a link written with two slashes", link + "//", 0700, false},
      {"in a folder others may write to", folder, 0777, false},
      {"in a folder its group may write to", folder, 0770, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    benchtest::ScopedEnv variable("FLASHWRIGHT_USB_DIR", c.usbFolder);
    ASSERT_EQ(chmod(above.Path().c_str(), c.aboveMode), 0);
    UsbFile file;
    const bool opened = file.Open(device.DevicePath());
    const std::uint32_t error = GetLastError();
    EXPECT_EQ(EnumerateUsbDevices(kAdapterClass).size(), c.trusted ? 1u : 0u);
    EXPECT_EQ(opened, c.trusted);
    if (!c.trusted) {
      EXPECT_EQ(error, kErrorAccessDenied);
    }
  }
  ASSERT_EQ(chmod(above.Path().c_str(), 0700), 0);
}

// A listening socket at path whose connections are taken without waiting.
int Listen(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(listen(fd, 4), 0);
  return fd;
}

bool Accepts(int listener) {
  const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

// Once checked, the folder is used as it was checked: a folder of the user's
// own put in its place afterwards, with a socket of the same name, is never
// reached.
TEST(TrustedFolderTest, AFolderSwappedAfterTheCheckIsNotReached) {
  benchtest::TempDir above("fw-swap");
  ASSERT_TRUE(above.Created());
  const std::string folder = above.File("bus");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const int checked = Listen(folder + "/peer");
  TrustedFolder trusted;
  ASSERT_TRUE(trusted.Open(folder)) << trusted.Refusal();

  ASSERT_EQ(rename(folder.c_str(), above.File("moved").c_str()), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const int impostor = Listen(folder + "/peer");

  const int fd = trusted.Connect("peer");
  ASSERT_GE(fd, 0) << GetLastError();
  EXPECT_TRUE(Accepts(checked));
  EXPECT_FALSE(Accepts(impostor));
  EXPECT_EQ(trusted.Connect("../bus/peer"), -1) << "a name, not a path";
  for (const int socket : {fd, checked, impostor}) close(socket);
}

}  // namespace
}  // namespace platform
