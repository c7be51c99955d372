#pragma once
// Serial ports with the semantics the drivers were written for: a port is
// opened by its name ("COM1"), exclusively, set to a bit rate with eight data
// bits, no parity, one stop bit and no flow control, and read and written
// with time-outs in process time (see clock.h).
//
// "COMn" is the device path in the environment variable FLASHWRIGHT_COMn,
// else /dev/ttyS{n-1}; a name that starts with "/" is taken as a device path.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/iochannel.h"
#include "platform/kernelobject.h"
#include "platform/sync.h"

namespace platform {

// The device path behind a port name, or "" for a name that is neither
// "COMn" (n >= 1) nor a path.
std::string SerialDevicePath(const std::string& portName);

// Whether a SerialPort of this process holds the port open, so that opening
// it again here is refused.
bool SerialPortOpenHere(const std::string& portName);

struct SerialTimeouts {
  // Once a byte has arrived, a quiet line for this long ends a read early
  // (0: no interval limit).
  std::uint32_t readIntervalMs = 0;
  // Longest time for a whole read (kInfinite: until the buffer is full; 0:
  // return at once with what has already arrived).
  std::uint32_t readTotalMs = kInfinite;
  // Longest time for a whole write (kInfinite: until all bytes went out).
  std::uint32_t writeTotalMs = kInfinite;
};

// Purge what lies in the driver's buffers.
inline constexpr std::uint32_t kPurgeTxClear = 0x4;
inline constexpr std::uint32_t kPurgeRxClear = 0x8;

// One open serial port. Reads, writes, cancel and Close may be called from
// different threads at the same time: Close and CancelRead wake a blocked
// reader promptly (its read fails with kErrorOperationAborted).
//
// Failures return false and leave the reason in the last error:
// kErrorFileNotFound for an unknown port or missing device, kErrorAccessDenied
// for a port that is in use (open in this process, or held by another
// process through an advisory lock on the device or the terminal's exclusive
// mode), kErrorDeviceNotConnected when the device vanished. An open port
// holds both the lock and the exclusive mode until it is closed.
//
// A kernel object, so a driver may register it and hand its handle out.
class SerialPort : public KernelObject {
 public:
  SerialPort() = default;
  ~SerialPort() override;

  // Opens the port in raw mode, 8N1, no flow control, default time-outs, and
  // discards what the device sent before.
  bool Open(const std::string& portName);
  void Close();
  bool IsOpen() const { return channel_.IsOpen(); }
  const std::string& DevicePath() const { return path_; }

  // Any rate above 0 is asked for, the standard ones and others alike (a
  // device that cannot run the rate refuses it: kErrorInvalidParameter).
  bool SetBaudRate(std::uint32_t bitsPerSecond);
  bool GetBaudRate(std::uint32_t* bitsPerSecond);

  void SetTimeouts(const SerialTimeouts& timeouts);
  SerialTimeouts Timeouts() const;

  // Modem control lines. A device without them (a pseudo-terminal) accepts
  // the call and does nothing.
  bool SetDtr(bool on);
  bool SetRts(bool on);

  // kPurgeRxClear and/or kPurgeTxClear.
  bool Purge(std::uint32_t flags);

  // See SerialTimeouts. A read that times out succeeds with the bytes that
  // came, possibly none; a write that cannot finish in time fails with
  // kErrorTimeout and *written tells how much went out.
  bool Read(void* buffer, std::size_t size, std::size_t* got);
  bool Write(const void* buffer, std::size_t size, std::size_t* written);

  // Wakes a blocked read; with none blocked, the next read returns at once.
  void CancelRead() { channel_.CancelRead(); }

 private:
  bool SetModemLine(int line, bool on);

  IoChannel channel_;
  std::string path_;
  std::string lockKey_;
  mutable std::mutex timeoutsMutex_;
  SerialTimeouts timeouts_;
};

// A pseudo-terminal for tests and the bench: the master end plays the device,
// SlavePath() is the port a driver opens (for example through
// FLASHWRIGHT_COMn). The helper keeps the terminal alive while the driver
// closes and reopens the port, so the device never sees a hang-up and the
// line keeps its settings between opens (opening a port discards stale input).
// Closing the helper makes the port's device vanish.
class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool Open();
  void Close();
  bool IsOpen() const { return master_.IsOpen(); }
  const std::string& SlavePath() const { return slavePath_; }

  // Reads until size bytes came or timeoutMs ran out (success with what came),
  // writes with the same time-out rule as SerialPort::Write.
  bool Read(void* buffer, std::size_t size, std::size_t* got, std::uint32_t timeoutMs);
  bool Write(const void* buffer, std::size_t size, std::size_t* written,
             std::uint32_t timeoutMs = kInfinite);
  void CancelRead() { master_.CancelRead(); }

  // The bit rate the port's opener set on the line (the terminal's rate
  // until it sets one); false (last error set) when the terminal is closed.
  bool LineRate(std::uint32_t* bitsPerSecond);

 private:
  IoChannel master_;
  int heldSlave_ = -1;
  std::string slavePath_;
};

}  // namespace platform
