#include "platform/serial.h"

// termios2 (any bit rate through BOTHER) clashes with <termios.h>, so the
// line is configured through the kernel's own structure alone.
#include <asm/termbits.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <set>

#include "platform/lasterror.h"

namespace platform {

namespace {

// Ports open in this process, by canonical device path, so that a second
// open in the process is refused before it touches the device.
std::mutex openPortsMutex;
std::set<std::string> openPorts;

bool ReservePort(const std::string& key) {
  std::lock_guard lock(openPortsMutex);
  return openPorts.insert(key).second;
}

void ReleasePort(const std::string& key) {
  std::lock_guard lock(openPortsMutex);
  openPorts.erase(key);
}

std::string CanonicalPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool FailWithErrno() {
  SetLastError(ErrorFromErrno(errno));
  return false;
}

// Raw 8N1 without flow control; a read may return after one byte.
void MakeRaw(termios2& line) {
  line.c_iflag &=
      ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
  line.c_oflag &= ~OPOST;
  line.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  line.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  line.c_cflag |= CS8 | CLOCAL | CREAD;
  line.c_cc[VMIN] = 1;
  line.c_cc[VTIME] = 0;
}

bool SetRawMode(int fd) {
  termios2 line{};
  if (ioctl(fd, TCGETS2, &line) != 0) return FailWithErrno();
  MakeRaw(line);
  if (ioctl(fd, TCSETS2, &line) != 0) return FailWithErrno();
  return true;
}

// A device without modem lines refuses their ioctls with one of these.
bool LacksModemLines(int error) { return error == ENOTTY || error == EINVAL; }

// Whether the terminal is in exclusive mode (set by this or another opener).
bool IsExclusive(int fd) {
  int exclusive = 0;
  return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// Holds the terminal for this descriptor alone. The advisory lock is what
// another instance of this program and other well-behaved serial tools
// respect; the exclusive mode also keeps out unprivileged openers that do
// not look at the lock (the kernel lets root past it). A terminal that is
// locked, or exclusive for an opener that took no lock, is in use.
// *exclusiveSet tells whether this descriptor set the exclusive mode, the
// only case in which it may clear it again.
bool TakeTerminal(int fd, bool* exclusiveSet) {
  *exclusiveSet = false;
  // Fails with ENOTTY for a path that is no terminal at all.
  termios2 line{};
  if (ioctl(fd, TCGETS2, &line) != 0) return FailWithErrno();
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    SetLastError(errno == EWOULDBLOCK ? kErrorAccessDenied : ErrorFromErrno(errno));
    return false;
  }
  if (IsExclusive(fd)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  if (ioctl(fd, TIOCEXCL) != 0) return FailWithErrno();
  *exclusiveSet = true;
  if (!SetRawMode(fd)) return false;
  if (ioctl(fd, TCFLSH, TCIOFLUSH) != 0) return FailWithErrno();
  return true;
}

// The output rate of the terminal behind the channel; a pseudo-terminal's
// master end reports its slave end's settings.
bool OutputRate(IoChannel& channel, std::uint32_t* bitsPerSecond) {
  IoChannel::Operation op(channel);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  termios2 line{};
  if (ioctl(op.fd(), TCGETS2, &line) != 0) return FailWithErrno();
  *bitsPerSecond = line.c_ospeed;
  return true;
}

}  // namespace

std::string SerialDevicePath(const std::string& portName) {
  if (!portName.empty() && portName.front() == '/') return portName;
  if (portName.size() < 4) return {};
  for (int i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(portName[i])) != "COM"[i]) return {};
  }
  const std::string digits = portName.substr(3);
  if (digits.size() > 3 || digits.front() == '0' ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return {};
  }
  const std::string variable = "FLASHWRIGHT_COM" + digits;
  if (const char* mapped = std::getenv(variable.c_str()); mapped && *mapped) return mapped;
  return "/dev/ttyS" + std::to_string(std::stoi(digits) - 1);
}

bool SerialPortOpenHere(const std::string& portName) {
  const std::string path = SerialDevicePath(portName);
  if (path.empty()) return false;
  const std::string key = CanonicalPath(path);
  std::lock_guard lock(openPortsMutex);
  return openPorts.contains(key);
}

// --- SerialPort -------------------------------------------------------------

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(const std::string& portName) {
  if (IsOpen()) {
    SetLastError(kErrorAlreadyExists);
    return false;
  }
  const std::string path = SerialDevicePath(portName);
  if (path.empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  const std::string key = CanonicalPath(path);
  if (!ReservePort(key)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const std::uint32_t error = ErrorFromErrno(errno);
    ReleasePort(key);
    SetLastError(error);
    return false;
  }
  bool exclusiveSet = false;
  if (!TakeTerminal(fd, &exclusiveSet) || !channel_.Attach(fd)) {
    const std::uint32_t error = GetLastError();
    if (exclusiveSet) ioctl(fd, TIOCNXCL);
    ::close(fd);
    ReleasePort(key);
    SetLastError(error);
    return false;
  }
  path_ = path;
  lockKey_ = key;
  SetTimeouts(SerialTimeouts{});
  return true;
}

void SerialPort::Close() {
  // The exclusive mode belongs to the terminal, not to the descriptor, and
  // an open port is the one that set it: leave it so that the next open (by
  // anyone) is not refused. The lock goes with the descriptor.
  if (channel_.Close([](int fd) { ioctl(fd, TIOCNXCL); })) ReleasePort(lockKey_);
}

bool SerialPort::SetBaudRate(std::uint32_t bitsPerSecond) {
  IoChannel::Operation op(channel_);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  if (bitsPerSecond == 0) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  termios2 line{};
  if (ioctl(op.fd(), TCGETS2, &line) != 0) return FailWithErrno();
  line.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  line.c_ispeed = bitsPerSecond;
  line.c_ospeed = bitsPerSecond;
  if (ioctl(op.fd(), TCSETS2, &line) != 0) return FailWithErrno();
  return true;
}

bool SerialPort::GetBaudRate(std::uint32_t* bitsPerSecond) { return OutputRate(channel_, bitsPerSecond); }

void SerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
  std::lock_guard lock(timeoutsMutex_);
  timeouts_ = timeouts;
}

SerialTimeouts SerialPort::Timeouts() const {
  std::lock_guard lock(timeoutsMutex_);
  return timeouts_;
}

bool SerialPort::SetModemLine(int line, bool on) {
  IoChannel::Operation op(channel_);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  if (ioctl(op.fd(), on ? TIOCMBIS : TIOCMBIC, &line) != 0 && !LacksModemLines(errno)) {
    return FailWithErrno();
  }
  return true;
}

bool SerialPort::SetDtr(bool on) { return SetModemLine(TIOCM_DTR, on); }
bool SerialPort::SetRts(bool on) { return SetModemLine(TIOCM_RTS, on); }

bool SerialPort::Purge(std::uint32_t flags) {
  IoChannel::Operation op(channel_);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  const bool rx = flags & kPurgeRxClear;
  const bool tx = flags & kPurgeTxClear;
  if (!rx && !tx) return true;
  if (ioctl(op.fd(), TCFLSH, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) != 0) {
    return FailWithErrno();
  }
  return true;
}

bool SerialPort::Read(void* buffer, std::size_t size, std::size_t* got) {
  const SerialTimeouts timeouts = Timeouts();
  return channel_.ReadStream(buffer, size, got, timeouts.readTotalMs, timeouts.readIntervalMs);
}

bool SerialPort::Write(const void* buffer, std::size_t size, std::size_t* written) {
  return channel_.WriteStream(buffer, size, written, Timeouts().writeTotalMs);
}

// --- PseudoTerminal ---------------------------------------------------------

PseudoTerminal::~PseudoTerminal() { Close(); }

bool PseudoTerminal::Open() {
  if (IsOpen()) {
    SetLastError(kErrorAlreadyExists);
    return false;
  }
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return FailWithErrno();
  char name[128];
  // The held slave end keeps the terminal up between the driver's opens: with
  // no slave open, the master would read EIO and the line settings be lost.
  int slave = -1;
  bool ready = grantpt(master) == 0 && unlockpt(master) == 0 &&
               ptsname_r(master, name, sizeof name) == 0 &&
               (slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) >= 0;
  if (!ready) FailWithErrno();
  ready = ready && SetRawMode(slave) && master_.Attach(master);
  if (!ready) {
    const std::uint32_t error = GetLastError();
    if (slave >= 0) ::close(slave);
    ::close(master);
    SetLastError(error);
    return false;
  }
  heldSlave_ = slave;
  slavePath_ = name;
  return true;
}

void PseudoTerminal::Close() {
  // Closing the master hangs up every open slave end: the port sees its
  // device vanish.
  if (master_.Close()) {
    ::close(heldSlave_);
    heldSlave_ = -1;
  }
}

bool PseudoTerminal::Read(void* buffer, std::size_t size, std::size_t* got,
                          std::uint32_t timeoutMs) {
  return master_.ReadStream(buffer, size, got, timeoutMs, 0);
}

bool PseudoTerminal::LineRate(std::uint32_t* bitsPerSecond) { return OutputRate(master_, bitsPerSecond); }

bool PseudoTerminal::Write(const void* buffer, std::size_t size, std::size_t* written,
                           std::uint32_t timeoutMs) {
  return master_.WriteStream(buffer, size, written, timeoutMs);
}

}  // namespace platform
