#pragma once
// A non-blocking file descriptor with waits that a time-out, a cancel call or
// closing can end. Serial ports, the pseudo-terminal helper and the USB
// provider's sockets all wait through it, so that a thread blocked in a read
// is always woken promptly when another thread cancels or closes.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace platform {

// Codes the I/O layers leave in addition to those of lasterror.h.
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

// The last-error code for an errno value of a failed system call.
std::uint32_t ErrorFromErrno(int error);

// A point in real time by which a wait of timeoutMs process milliseconds ends
// (none for kInfinite).
using Deadline = std::optional<std::chrono::steady_clock::time_point>;
Deadline DeadlineAfter(std::uint32_t timeoutMs);

class IoChannel {
 public:
  enum class WaitResult { kReady, kTimeout, kCancelled, kClosed, kHangup, kFailed };

  IoChannel();
  ~IoChannel();
  IoChannel(const IoChannel&) = delete;
  IoChannel& operator=(const IoChannel&) = delete;

  // Takes ownership of fd (made non-blocking). False when the wake-up
  // descriptors could not be created or a descriptor is already attached.
  bool Attach(int fd);
  bool IsOpen() const;

  // Wakes every waiting thread, waits until all operations have left, then
  // closes the descriptor. Safe to call from any thread, more than once.
  // beforeClose runs on the descriptor once no operation uses it any more.
  // True for the call that actually closed it.
  bool Close(const std::function<void(int fd)>& beforeClose = {});

  // Wakes the thread blocked in a read; when none is blocked, the next read
  // returns at once instead, so that a receive thread that is just about to
  // read cannot miss a stop request.
  void CancelRead();

  // An operation on the descriptor: while one is alive, Close waits for it.
  // fd() is -1 when the channel was closed (or never opened).
  class Operation {
   public:
    explicit Operation(IoChannel& channel);
    ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    int fd() const { return fd_; }

   private:
    IoChannel& channel_;
    int fd_;
  };

  // Waits inside an operation until fd can be read (cancellable) or written.
  WaitResult WaitReadable(const Operation& op, const Deadline& deadline);
  WaitResult WaitWritable(const Operation& op, const Deadline& deadline);

  // Byte-stream transfers with Windows-like time-outs. A read ends when size
  // bytes arrived, when the total time-out ran out or, once bytes arrived,
  // when the line stayed quiet for intervalMs (0: no interval limit). A
  // time-out is success with the bytes that came (possibly none); a cancel,
  // closing or a vanished peer is failure with the last error set.
  bool ReadStream(void* buffer, std::size_t size, std::size_t* got, std::uint32_t totalMs,
                  std::uint32_t intervalMs);
  // A write that cannot finish in time fails with kErrorTimeout; *written
  // tells how much went out.
  bool WriteStream(const void* buffer, std::size_t size, std::size_t* written,
                   std::uint32_t totalMs);

  // Sets the last error for a wait that did not end ready.
  static void SetWaitError(WaitResult result);

 private:
  WaitResult Wait(int fd, short events, bool cancellable, const Deadline& deadline);

  mutable std::mutex mutex_;
  std::condition_variable idle_;
  int fd_ = -1;
  int operations_ = 0;
  // Stays readable once closing began; drained by no one.
  int closeWake_ = -1;
  // A counter that a read drains when it takes a cancel.
  int cancelWake_ = -1;
};

}  // namespace platform
