#pragma once
// The device end of one of the bench's serial lines: a pseudo-terminal whose
// slave end is the port the program opens. Unpaced, bytes cross at once.
// Paced, they take the time a real line at the program's bit rate takes
// (start bit, eight data bits, stop bit a byte), each direction on its own as
// on a full-duplex line: what the program writes reaches the device only once
// its bytes are through the line, and what the device writes is queued and
// reaches the program the same way, while the device goes on working.
//
//   sim::SerialLine line(/*paced=*/true);
//   line.Open();                          // FLASHWRIGHT_COM1=line.SlavePath()
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial.h"

namespace sim {

// The line time of `bytes` bytes at the rate (10 bits a byte), in process time.
std::chrono::microseconds LineTime(std::size_t bytes, std::uint32_t bitsPerSecond);

class SerialLine {
 public:
  explicit SerialLine(bool paced = false) : paced_(paced) {}
  ~SerialLine();
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  bool Open();
  void Close();
  const std::string& SlavePath() const { return pty_.SlavePath(); }
  bool Paced() const { return paced_; }

  // As PseudoTerminal::Read; paced, it returns once the bytes that came are
  // through the line.
  bool Read(void* buffer, std::size_t size, std::size_t* got, std::uint32_t timeoutMs);
  // As PseudoTerminal::Write. Paced, the bytes are queued and the call
  // returns at once; it fails (kErrorTimeout) when an earlier queued write
  // found no taker within its time-out, so that the device notices a host
  // that has gone the same way.
  bool Write(const void* buffer, std::size_t size, std::size_t* written, std::uint32_t timeoutMs);
  void CancelRead();

 private:
  struct Outgoing {
    std::vector<std::uint8_t> bytes;
    std::uint64_t dueUs;  // process time at which its last byte is through
    std::uint32_t timeoutMs;
  };

  // When bytes starting now, or once the direction is free, are through.
  std::uint64_t Carry(std::size_t bytes, std::uint64_t& freeUs);
  // Waits until the process time; false when the line closes or `abort`
  // is set first.
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t processUs, const bool& abort);
  void SendLoop();

  const bool paced_;
  platform::PseudoTerminal pty_;
  std::thread sender_;

  std::mutex mutex_;  // guards what follows
  std::condition_variable changed_;
  bool closing_ = false;
  bool readCancelled_ = false;
  bool writeFailed_ = false;
  std::uint64_t inFreeUs_ = 0, outFreeUs_ = 0;
  std::deque<Outgoing> outgoing_;
};

}  // namespace sim
