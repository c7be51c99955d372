#include "sim/qx240/serialline.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/lasterror.h"
#include "sim/benchthread.h"

namespace sim {
namespace {

constexpr std::uint64_t kBitsPerByte = 10;  // start, eight data, stop
constexpr bool kNever = false;

}  // namespace

std::chrono::microseconds LineTime(std::size_t bytes, std::uint32_t bitsPerSecond) {
  if (bitsPerSecond == 0) return std::chrono::microseconds(0);
  return std::chrono::microseconds(bytes * kBitsPerByte * 1'000'000 / bitsPerSecond);
}

SerialLine::~SerialLine() { Close(); }

bool SerialLine::Open() {
  if (!pty_.Open()) return false;
  std::lock_guard lock(mutex_);
  closing_ = readCancelled_ = writeFailed_ = false;
  inFreeUs_ = outFreeUs_ = 0;
  if (paced_) sender_ = StartBenchThread("serial-line", [this] { SendLoop(); });
  return true;
}

void SerialLine::Close() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    changed_.notify_all();
  }
  pty_.CancelRead();
  pty_.Close();  // also ends a write the sender is blocked in
  if (sender_.joinable()) sender_.join();
}

void SerialLine::CancelRead() {
  {
    std::lock_guard lock(mutex_);
    readCancelled_ = true;
    changed_.notify_all();
  }
  pty_.CancelRead();
}

std::uint64_t SerialLine::Carry(std::size_t bytes, std::uint64_t& freeUs) {
  std::uint32_t rate = 0;
  pty_.LineRate(&rate);
  freeUs = std::max(freeUs, platform::NowMicroseconds()) + std::uint64_t(LineTime(bytes, rate).count());
  return freeUs;
}

bool SerialLine::WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t processUs, const bool& abort) {
  for (std::uint64_t now; !closing_ && !abort && (now = platform::NowMicroseconds()) < processUs;) {
    changed_.wait_for(lock, platform::ToRealDuration(std::chrono::microseconds(processUs - now)));
  }
  return !closing_ && !abort;
}

bool SerialLine::Read(void* buffer, std::size_t size, std::size_t* got, std::uint32_t timeoutMs) {
  const bool read = pty_.Read(buffer, size, got, timeoutMs);
  if (!paced_ || *got == 0) {
    if (!read) {
      std::lock_guard lock(mutex_);
      readCancelled_ = false;  // the terminal's read took the cancel
    }
    return read;
  }
  std::unique_lock lock(mutex_);
  if (!WaitUntil(lock, Carry(*got, inFreeUs_), readCancelled_)) {
    readCancelled_ = false;
    platform::SetLastError(platform::kErrorOperationAborted);
    return false;
  }
  return read;
}

bool SerialLine::Write(const void* buffer, std::size_t size, std::size_t* written,
                       std::uint32_t timeoutMs) {
  if (!paced_) return pty_.Write(buffer, size, written, timeoutMs);
  *written = 0;
  std::lock_guard lock(mutex_);
  if (writeFailed_) {
    writeFailed_ = false;
    platform::SetLastError(platform::kErrorTimeout);
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  const std::uint64_t dueUs = Carry(size, outFreeUs_);
  outgoing_.push_back({{bytes, bytes + size}, dueUs, timeoutMs});
  changed_.notify_all();
  *written = size;
  return true;
}

// Hands each queued write to the program when its last byte is through the
// line. A program that reads its port whole frames at a time sees the same
// as from a line that delivers byte by byte.
void SerialLine::SendLoop() {
  std::unique_lock lock(mutex_);
  while (!closing_) {
    if (outgoing_.empty()) {
      changed_.wait(lock);
      continue;
    }
    const std::uint64_t dueUs = outgoing_.front().dueUs;
    if (!WaitUntil(lock, dueUs, kNever)) return;
    Outgoing next = std::move(outgoing_.front());
    outgoing_.pop_front();
    lock.unlock();
    std::size_t written = 0;
    const bool sent = pty_.Write(next.bytes.data(), next.bytes.size(), &written, next.timeoutMs) &&
                      written == next.bytes.size();
    lock.lock();
    if (!sent) writeFailed_ = true;
  }
}

}  // namespace sim
