#include "platform/serial.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/lasterror.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

// Generous real-time bound for "promptly" on a loaded machine.
constexpr auto kPrompt = 10s;

std::string Text(const std::vector<char>& bytes) { return {bytes.begin(), bytes.end()}; }

// A port opened through "COM4" on a fresh pseudo-terminal.
class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device.Open()) << GetLastError();
    setenv("FLASHWRIGHT_COM4", device.SlavePath().c_str(), 1);
    ASSERT_TRUE(port.Open("COM4")) << GetLastError();
  }
  void TearDown() override { unsetenv("FLASHWRIGHT_COM4"); }

  void DeviceSends(const std::string& text) {
    std::size_t written = 0;
    ASSERT_TRUE(device.Write(text.data(), text.size(), &written, 5000));
    ASSERT_EQ(written, text.size());
  }

  std::string DeviceReceives(std::size_t size) {
    std::vector<char> buffer(size);
    std::size_t got = 0;
    EXPECT_TRUE(device.Read(buffer.data(), size, &got, 5000));
    buffer.resize(got);
    return Text(buffer);
  }

  // Starts a read of up to size bytes with the port's current time-outs.
  std::future<std::pair<bool, std::uint32_t>> ReadInBackground(std::size_t size = 1) {
    return std::async(std::launch::async, [this, size] {
      std::vector<char> buffer(size);
      std::size_t got = 0;
      bool ok = port.Read(buffer.data(), size, &got);
      return std::make_pair(ok, GetLastError());
    });
  }

  PseudoTerminal device;
  SerialPort port;
};

TEST(SerialDevicePathTest, MapsPortNamesAndPaths) {
  setenv("FLASHWRIGHT_COM3", "/tmp/bench-port", 1);
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"COM1", "/dev/ttyS0"},
      {"com2", "/dev/ttyS1"},
      {"COM3", "/tmp/bench-port"},
      {"COM12", "/dev/ttyS11"},
      {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"COM0", ""},
      {"COM", ""},
      {"COM1x", ""},
      {"COM-1", ""},
      {"LPT1", ""},
      {"", ""},
      {"COM01", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SerialDevicePath(c.name), c.path) << c.name;
  unsetenv("FLASHWRIGHT_COM3");
}

TEST_F(SerialPortTest, BytesRoundTripBothWays) {
  const std::string command = "\x02\x10\x0a\x00\xff";
  std::size_t written = 0;
  ASSERT_TRUE(port.Write(command.data(), command.size(), &written));
  EXPECT_EQ(written, command.size());
  EXPECT_EQ(DeviceReceives(command.size()), command);  // raw: no byte translated or echoed

  DeviceSends(std::string("\r\n\x03\x11\x13\x7f", 6));
  std::vector<char> reply(6);
  std::size_t got = 0;
  ASSERT_TRUE(port.Read(reply.data(), reply.size(), &got));
  EXPECT_EQ(Text(reply), std::string("\r\n\x03\x11\x13\x7f", 6));

  // More than the terminal buffers at once: both sides wait and resume.
  std::vector<char> block(200000);
  std::iota(block.begin(), block.end(), 0);
  auto sender = std::async(std::launch::async, [&] {
    std::size_t sent = 0;
    return device.Write(block.data(), block.size(), &sent, 20000) && sent == block.size();
  });
  std::vector<char> received(block.size());
  ASSERT_TRUE(port.Read(received.data(), received.size(), &got));
  EXPECT_TRUE(sender.get());
  EXPECT_EQ(got, block.size());
  EXPECT_EQ(received, block);
}

TEST_F(SerialPortTest, PortIsExclusiveUntilClosed) {
  SerialPort second;
  EXPECT_FALSE(second.Open("COM4"));
  EXPECT_EQ(GetLastError(), kErrorAccessDenied);

  // The same device under another name is the same port.
  const std::string link = testing::TempDir() + "serial_test_link";
  unlink(link.c_str());
  ASSERT_EQ(symlink(device.SlavePath().c_str(), link.c_str()), 0);
  EXPECT_FALSE(second.Open(link));
  EXPECT_EQ(GetLastError(), kErrorAccessDenied);

  port.Close();
  ASSERT_TRUE(second.Open(link)) << GetLastError();
  unlink(link.c_str());

  // The device survives the driver closing and reopening the port.
  second.Close();
  ASSERT_TRUE(port.Open("COM4"));
  DeviceSends("again");
  std::vector<char> buffer(5);
  std::size_t got = 0;
  ASSERT_TRUE(port.Read(buffer.data(), buffer.size(), &got));
  EXPECT_EQ(Text(buffer), "again");
}

// What another instance of the program gets when it opens the port (it
// closes the port again at once): 0 for an open port, 1 when refused as in
// use, 2 for any other failure, -1 when it did not run.
int OpenInAnotherProcess(const std::string& path) {
  const std::string program =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "fwtest_openport").string();
  const pid_t child = fork();
  if (child == 0) {
    execl(program.c_str(), program.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) <= 2 ? WEXITSTATUS(status) : -1;
}

// A descriptor of the device opened past the port layer, as another tool
// would open it (root passes the terminal's exclusive mode).
struct RawDevice {
  explicit RawDevice(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
  ~RawDevice() {
    if (fd >= 0) close(fd);
  }
  bool IsExclusive() const {
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
  }
  bool CanLock() const { return flock(fd, LOCK_EX | LOCK_NB) == 0; }
  int fd;
};

TEST_F(SerialPortTest, AnotherInstanceCannotTakeOrFreeAHeldPort) {
  const std::string path = device.SlavePath();
  // Refused twice: the first refused opener's close must not free the port,
  // whatever privileges it runs with.
  EXPECT_EQ(OpenInAnotherProcess(path), 1);
  EXPECT_EQ(OpenInAnotherProcess(path), 1);
  RawDevice probe(path);
  ASSERT_GE(probe.fd, 0);
  EXPECT_TRUE(probe.IsExclusive());
  EXPECT_FALSE(probe.CanLock());

  port.Close();
  EXPECT_FALSE(probe.IsExclusive());
  EXPECT_EQ(OpenInAnotherProcess(path), 0);
}

TEST_F(SerialPortTest, PortHeldByAnotherToolIsRefused) {
  port.Close();
  const std::string path = device.SlavePath();
  for (const bool byLock : {true, false}) {
    SCOPED_TRACE(byLock ? "advisory lock" : "exclusive mode");
    {
      RawDevice other(path);
      ASSERT_GE(other.fd, 0);
      ASSERT_EQ(byLock ? flock(other.fd, LOCK_EX | LOCK_NB) : ioctl(other.fd, TIOCEXCL), 0);
      EXPECT_FALSE(port.Open(path));
      EXPECT_EQ(GetLastError(), kErrorAccessDenied);
      // The refused open left the other tool's hold as it was.
      RawDevice probe(path);
      EXPECT_EQ(probe.IsExclusive(), !byLock);
      EXPECT_EQ(probe.CanLock(), !byLock);
      if (!byLock) ioctl(other.fd, TIOCNXCL);
    }
    ASSERT_TRUE(port.Open(path)) << GetLastError();
    port.Close();
  }
}

TEST(SerialPortOpenTest, RefusesWhatIsNoUsablePort) {
  const struct {
    const char* name;
    std::uint32_t error;
  } cases[] = {
      {"LPT1", kErrorFileNotFound},
      {"/nonexistent/ttyS9", kErrorFileNotFound},
      {"/dev/null", kErrorInvalidFunction},  // not a terminal
  };
  for (const auto& c : cases) {
    // Twice: a failed open must not leave the port reserved.
    for (int attempt = 0; attempt < 2; ++attempt) {
      SerialPort port;
      EXPECT_FALSE(port.Open(c.name)) << c.name;
      EXPECT_EQ(GetLastError(), c.error) << c.name;
      EXPECT_FALSE(port.IsOpen());
    }
  }
}

TEST_F(SerialPortTest, LineSettingsTheDriversUse) {
  for (std::uint32_t rate : {9600u, 19200u, 38400u, 57600u, 100000u, 115200u, 128000u}) {
    ASSERT_TRUE(port.SetBaudRate(rate)) << rate << " error " << GetLastError();
    std::uint32_t current = 0;
    ASSERT_TRUE(port.GetBaudRate(&current));
    EXPECT_EQ(current, rate);
  }
  EXPECT_FALSE(port.SetBaudRate(0));
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);

  // A pseudo-terminal has no modem lines: not an error.
  EXPECT_TRUE(port.SetDtr(true));
  EXPECT_TRUE(port.SetRts(true));
  EXPECT_TRUE(port.SetDtr(false));
  EXPECT_TRUE(port.SetRts(false));

  DeviceSends("stale");
  port.SetTimeouts({.readIntervalMs = 0, .readTotalMs = 2000, .writeTotalMs = kInfinite});
  char byte;
  std::size_t got = 0;
  ASSERT_TRUE(port.Read(&byte, 1, &got));  // the bytes have arrived
  ASSERT_EQ(got, 1u);
  ASSERT_TRUE(port.Purge(kPurgeRxClear | kPurgeTxClear));
  port.SetTimeouts({.readIntervalMs = 0, .readTotalMs = 0, .writeTotalMs = kInfinite});
  ASSERT_TRUE(port.Read(&byte, 1, &got));
  EXPECT_EQ(got, 0u);
}

class SerialTimeoutTest : public SerialPortTest {
 protected:
  void SetUp() override {
    SerialPortTest::SetUp();
    previousScale = TimeScale();
    SetTimeScale(1000);
  }
  void TearDown() override {
    SetTimeScale(previousScale);
    SerialPortTest::TearDown();
  }
  double previousScale = 1;
};

TEST_F(SerialTimeoutTest, ReadTimeOutsRunInProcessTime) {
  // Nothing arrives: the read waits its whole time-out (process time), then
  // succeeds with no bytes.
  port.SetTimeouts({.readIntervalMs = 0, .readTotalMs = 3000, .writeTotalMs = kInfinite});
  char buffer[8];
  std::size_t got = 99;
  const std::uint32_t start = GetTickCount();
  const auto realStart = std::chrono::steady_clock::now();
  ASSERT_TRUE(port.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_GE(GetTickCount() - start, 3000u);
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, kPrompt);

  // Some bytes arrive: the total time-out ends the read with what came.
  DeviceSends("abc");
  ASSERT_TRUE(port.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "abc");

  // Without a total limit, a quiet line ends a read once bytes came.
  port.SetTimeouts({.readIntervalMs = 500, .readTotalMs = kInfinite, .writeTotalMs = kInfinite});
  DeviceSends("de");
  ASSERT_TRUE(port.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "de");
}

TEST_F(SerialTimeoutTest, WriteThatCannotFinishTimesOut) {
  // The device never reads: the terminal's buffers fill up.
  port.SetTimeouts({.readIntervalMs = 0, .readTotalMs = kInfinite, .writeTotalMs = 2000});
  std::vector<char> block(1 << 20);
  std::size_t written = 0;
  EXPECT_FALSE(port.Write(block.data(), block.size(), &written));
  EXPECT_EQ(GetLastError(), kErrorTimeout);
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, block.size());
}

TEST_F(SerialPortTest, CancelOrCloseWakesABlockedReader) {
  for (bool byClose : {false, true}) {
    SCOPED_TRACE(byClose ? "close" : "cancel");
    if (!port.IsOpen()) {
      ASSERT_TRUE(port.Open("COM4"));
    }
    auto reader = ReadInBackground();
    std::this_thread::sleep_for(50ms);  // let it block (either order must work)
    if (byClose) {
      port.Close();
    } else {
      port.CancelRead();
    }
    ASSERT_EQ(reader.wait_for(kPrompt), std::future_status::ready);
    auto [ok, error] = reader.get();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error == kErrorOperationAborted || (byClose && error == kErrorInvalidHandle))
        << error;
  }
}

TEST_F(SerialPortTest, CancelBeforeTheReadIsNotLost) {
  // A receive thread told to stop just before it reads must not block.
  port.CancelRead();
  auto reader = ReadInBackground();
  ASSERT_EQ(reader.wait_for(kPrompt), std::future_status::ready);
  EXPECT_EQ(reader.get(), std::make_pair(false, kErrorOperationAborted));

  // The cancel is used up: the next read waits for data again.
  DeviceSends("x");
  char byte;
  std::size_t got = 0;
  ASSERT_TRUE(port.Read(&byte, 1, &got));
  EXPECT_EQ(byte, 'x');
}

TEST_F(SerialPortTest, VanishedDeviceFailsReadsAndWrites) {
  auto blocked = ReadInBackground();
  std::this_thread::sleep_for(50ms);
  device.Close();
  ASSERT_EQ(blocked.wait_for(kPrompt), std::future_status::ready);
  EXPECT_EQ(blocked.get(), std::make_pair(false, kErrorDeviceNotConnected));

  char byte = 0;
  std::size_t count = 0;
  EXPECT_FALSE(port.Read(&byte, 1, &count));
  EXPECT_EQ(GetLastError(), kErrorDeviceNotConnected);
  EXPECT_FALSE(port.Write(&byte, 1, &count));
  EXPECT_EQ(GetLastError(), kErrorDeviceNotConnected);
}

}  // namespace
}  // namespace platform
