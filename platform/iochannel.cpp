#include "platform/iochannel.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace platform {

std::uint32_t ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ECONNREFUSED:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
      return kErrorAccessDenied;
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE:
    case ECONNRESET:
    case ENOTCONN:
      return kErrorDeviceNotConnected;
    case EINVAL:
      return kErrorInvalidParameter;
    case ENOMEM:
    case ENOBUFS:
      return kErrorNotEnoughMemory;
    case ETIMEDOUT:
      return kErrorTimeout;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOTTY:
      return kErrorInvalidFunction;
    default:
      return kErrorGenFailure;
  }
}

Deadline DeadlineAfter(std::uint32_t timeoutMs) {
  if (timeoutMs == kInfinite) return std::nullopt;
  return std::chrono::steady_clock::now() + ToRealDuration(std::chrono::milliseconds(timeoutMs));
}

namespace {

// Time left until the deadline for ppoll (null: no limit).
const timespec* TimeLeft(const Deadline& deadline, timespec& storage) {
  if (!deadline) return nullptr;
  auto left = std::max(std::chrono::nanoseconds(0), *deadline - std::chrono::steady_clock::now());
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  storage.tv_sec = seconds.count();
  storage.tv_nsec = (left - seconds).count();
  return &storage;
}

void Signal(int eventFd) {
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(eventFd, &one, sizeof one);
}

void Drain(int eventFd) {
  std::uint64_t value;
  [[maybe_unused]] ssize_t n = read(eventFd, &value, sizeof value);
}

}  // namespace

IoChannel::IoChannel()
    : closeWake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      cancelWake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

IoChannel::~IoChannel() {
  Close();
  for (int fd : {closeWake_, cancelWake_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool IoChannel::Attach(int fd) {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0 || closeWake_ < 0 || cancelWake_ < 0) {
    SetLastError(fd_ >= 0 ? kErrorInvalidHandle : kErrorNotEnoughMemory);
    return false;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  // A previous life of this channel may have left both wake-ups signalled.
  Drain(closeWake_);
  Drain(cancelWake_);
  fd_ = fd;
  return true;
}

bool IoChannel::IsOpen() const {
  std::lock_guard lock(mutex_);
  return fd_ >= 0;
}

bool IoChannel::Close(const std::function<void(int fd)>& beforeClose) {
  int fd;
  {
    std::unique_lock lock(mutex_);
    if (fd_ < 0) return false;
    fd = fd_;
    fd_ = -1;
    Signal(closeWake_);
    idle_.wait(lock, [this] { return operations_ == 0; });
  }
  if (beforeClose) beforeClose(fd);
  ::close(fd);
  return true;
}

void IoChannel::CancelRead() { Signal(cancelWake_); }

IoChannel::Operation::Operation(IoChannel& channel) : channel_(channel) {
  std::lock_guard lock(channel_.mutex_);
  fd_ = channel_.fd_;
  if (fd_ >= 0) ++channel_.operations_;
}

IoChannel::Operation::~Operation() {
  if (fd_ < 0) return;
  std::lock_guard lock(channel_.mutex_);
  if (--channel_.operations_ == 0) channel_.idle_.notify_all();
}

IoChannel::WaitResult IoChannel::WaitReadable(const Operation& op, const Deadline& deadline) {
  return Wait(op.fd(), POLLIN, true, deadline);
}

IoChannel::WaitResult IoChannel::WaitWritable(const Operation& op, const Deadline& deadline) {
  return Wait(op.fd(), POLLOUT, false, deadline);
}

IoChannel::WaitResult IoChannel::Wait(int fd, short events, bool cancellable,
                                      const Deadline& deadline) {
  if (fd < 0) return WaitResult::kClosed;
  pollfd fds[3] = {{fd, events, 0}, {closeWake_, POLLIN, 0}, {cancelWake_, POLLIN, 0}};
  const nfds_t count = cancellable ? 3 : 2;
  for (;;) {
    timespec storage;
    int n = ppoll(fds, count, TimeLeft(deadline, storage), nullptr);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return WaitResult::kFailed;
    if (n == 0) return WaitResult::kTimeout;
    if (fds[1].revents) return WaitResult::kClosed;
    if (cancellable && fds[2].revents) {
      Drain(cancelWake_);
      return WaitResult::kCancelled;
    }
    // Data still queued before a hang-up is delivered first.
    if (fds[0].revents & events) return WaitResult::kReady;
    if (fds[0].revents & POLLNVAL) return WaitResult::kFailed;
    return WaitResult::kHangup;
  }
}

void IoChannel::SetWaitError(WaitResult result) {
  switch (result) {
    case WaitResult::kReady:
      break;
    case WaitResult::kTimeout:
      SetLastError(kErrorTimeout);
      break;
    case WaitResult::kCancelled:
    case WaitResult::kClosed:
      SetLastError(kErrorOperationAborted);
      break;
    case WaitResult::kHangup:
      SetLastError(kErrorDeviceNotConnected);
      break;
    case WaitResult::kFailed:
      SetLastError(kErrorGenFailure);
      break;
  }
}

bool IoChannel::ReadStream(void* buffer, std::size_t size, std::size_t* got, std::uint32_t totalMs,
                           std::uint32_t intervalMs) {
  *got = 0;
  Operation op(*this);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  const Deadline total = DeadlineAfter(totalMs);
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  while (*got < size) {
    ssize_t n = ::read(op.fd(), bytes + *got, size - *got);
    if (n > 0) {
      *got += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) {  // end of file: the peer has gone
      SetLastError(kErrorDeviceNotConnected);
      return false;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) {
      SetLastError(ErrorFromErrno(errno));
      return false;
    }
    Deadline until = total;
    if (*got > 0 && intervalMs != 0) {
      Deadline quiet = DeadlineAfter(intervalMs);
      if (!until || *quiet < *until) until = quiet;
    }
    WaitResult result = WaitReadable(op, until);
    if (result == WaitResult::kTimeout) return true;
    if (result != WaitResult::kReady) {
      SetWaitError(result);
      return false;
    }
  }
  return true;
}

bool IoChannel::WriteStream(const void* buffer, std::size_t size, std::size_t* written,
                            std::uint32_t totalMs) {
  *written = 0;
  Operation op(*this);
  if (op.fd() < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  const Deadline deadline = DeadlineAfter(totalMs);
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  while (*written < size) {
    ssize_t n = ::write(op.fd(), bytes + *written, size - *written);
    if (n > 0) {
      *written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      SetLastError(ErrorFromErrno(errno));
      return false;
    }
    WaitResult result = WaitWritable(op, deadline);
    if (result != WaitResult::kReady) {
      SetWaitError(result);
      return false;
    }
  }
  return true;
}

}  // namespace platform
