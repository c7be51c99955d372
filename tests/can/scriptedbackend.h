#pragma once
// A back-end whose hardware is a script: frames to deliver, a record of the
// frames sent, and a hook that decides whether the "link" takes a frame.
// It stands in for interface behaviour a real adapter cannot be made to show
// on demand (refusing frames, stalling inside a call).
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "can/canbackend.h"
#include "platform/sync.h"

class ScriptedBackend final : public CanBackend {
 public:
  // Return false to refuse the frame. Runs on the sending thread.
  std::function<bool(const CanMessage&)> onTransmit;
  bool signalsReceive = true;

  void Deliver(const CanMessage& frame) {
    platform::Handle event = 0;
    {
      std::lock_guard lock(mutex_);
      incoming_.push_back(frame);
      event = receiveEvent_;
    }
    if (event != 0) platform::SetEvent(event);
  }

  std::vector<CanMessage> Sent() {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  platform::Handle ReceiveEvent() {
    std::lock_guard lock(mutex_);
    return receiveEvent_;
  }

  int Open(std::int32_t, const InterfaceSettings&, std::int32_t* handle) override {
    *handle = 77;
    return 1;
  }
  int Close(std::int32_t) override { return 1; }

  int Transmit(std::int32_t, const CanMessage& frame) override {
    if (onTransmit && !onTransmit(frame)) return 0;
    std::lock_guard lock(mutex_);
    sent_.push_back(frame);
    return 1;
  }
  int Receive(std::int32_t, CanMessage* frame) override {
    std::lock_guard lock(mutex_);
    if (incoming_.empty()) return 0;
    *frame = incoming_.front();
    incoming_.pop_front();
    return 1;
  }
  int RegisterReceiveEvent(std::int32_t, platform::Handle event, std::int32_t enable) override {
    std::lock_guard lock(mutex_);
    receiveEvent_ = enable != 0 && signalsReceive ? event : 0;
    return signalsReceive ? 1 : 0;
  }

  // Nothing below is reached by the card itself.
  int Query(std::int32_t, CanQuery, std::uint32_t*) override { return 0; }
  int Apply(std::int32_t, CanSetting, std::uint32_t) override { return 0; }
  int GetMessageArbitration(std::int32_t, std::int32_t, std::uint32_t*) override { return 0; }
  int SetMessageArbitration(std::int32_t, std::int32_t, std::uint32_t) override { return 0; }
  int Reset(std::int32_t) override { return 0; }
  int FirmwareUpgrade(std::int32_t) override { return 0; }
  int HardwareVersion(std::int32_t, std::int32_t*, std::int32_t*) override { return 0; }
  int FirmwareVersion(std::int32_t, std::int32_t*, std::int32_t*) override { return 0; }
  int ErrorText(std::int32_t, char*) override { return 0; }
  int DllName(std::int32_t, char*) override { return 0; }
  int DllVersion(std::int32_t, std::int32_t*, std::int32_t*) override { return 0; }
  int GetParameter(std::int32_t, std::uint16_t, ParameterWidth, std::uint32_t*) override { return 0; }
  int SetParameter(std::int32_t, std::uint16_t, ParameterWidth, std::uint32_t) override { return 0; }
  int GetParameterArray(std::int32_t, std::uint16_t, std::uint8_t*, std::uint8_t*) override {
    return 0;
  }
  int SetParameterArray(std::int32_t, std::uint16_t, std::uint32_t, const std::uint8_t*) override {
    return 0;
  }

 private:
  std::mutex mutex_;
  std::deque<CanMessage> incoming_;
  std::vector<CanMessage> sent_;
  platform::Handle receiveEvent_ = 0;
};
