#pragma once
// A bench QX24X module on a pseudo-terminal: the maker's serial frame
// protocol in front of a Qx24xModule. Commands are answered with echo
// replies (plain for the version queries), firmware frames with a frame of
// the same address and Length and with Flags 0; a refused transfer gets that
// frame with no bytes. A restart of the module ends the
// host's session until the host synchronises again.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "platform/serial.h"
#include "sim/qx240/serialwire.h"
#include "sim/qx24x/qx24xmodule.h"

namespace sim {

class Qx24xSerialPort {
 public:
  explicit Qx24xSerialPort(Qx24xModule& module);
  ~Qx24xSerialPort();
  Qx24xSerialPort(const Qx24xSerialPort&) = delete;
  Qx24xSerialPort& operator=(const Qx24xSerialPort&) = delete;

  // False (last error set) when no terminal could be opened.
  bool Start();
  void Stop();
  const std::string& SlavePath() const { return serial_.SlavePath(); }
  std::uint64_t Syncs() const { return syncs_; }

  // Holds the next firmware answer back for this long (process time), as a
  // busy module would: it comes after the driver gave up on its request.
  void DelayNextFirmwareAnswer(std::chrono::milliseconds delay) { nextAnswerDelayMs_ = delay.count(); }
  // Firmware answers put on the line so far (counted before the write).
  std::uint64_t FirmwareAnswersSent() const { return firmwareAnswers_; }

 private:
  void ServeLine();
  void HandleFrame(const HostFrameBytes& frame);
  void HandleCommand(std::span<const std::uint8_t> command);
  void HandleFirmwareFrame(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                           const std::uint8_t* data);
  void Send(std::uint32_t id, std::uint8_t flags, std::span<const std::uint8_t> data);

  Qx24xModule& module_;
  SerialLine serial_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<std::uint64_t> syncs_{0};
  std::atomic<std::int64_t> nextAnswerDelayMs_{0};
  std::atomic<std::uint64_t> firmwareAnswers_{0};
  // Line thread only.
  HostLineParser line_;
  bool hostPresent_ = false;
  bool restarted_ = false;
};

}  // namespace sim
