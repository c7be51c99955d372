#pragma once
// What the DeviceNet and CANopen back-ends of the downloader share: the
// binding of their network library, the image mirror of the selected node,
// the writes and erases through the node's firmware command channel, and the
// operations that only pass the interface settings on to the library.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/Class_flashwright.h"
#include "app/firmwareobject.h"
#include "platform/clock.h"
#include "platform/lasterror.h"

// BindingType: the library binding class; kNodes: how many node addresses the
// network has (the node table's entries past it stay unused).
template <typename BindingType, int kNodes>
class TNetworkDownloader : public TFlashwright {
 public:
  static constexpr std::size_t kMirrorBytes = 0x2FFFE;

  int WriteMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length, const std::uint8_t* data) override {
    const std::vector<std::uint8_t> payload = firmware::WritePayload(sector, address, length, data);
    if (payload.empty()) {
      platform::SetLastError(platform::kErrorInvalidParameter);
      return 0;
    }
    // The node takes 1 to 32 data bytes; an empty write has nothing to carry.
    if (payload.size() == firmware::kWriteHeaderBytes) return 1;
    mirror_.Write(address, std::span(payload).subspan(firmware::kWriteHeaderBytes));
    return firmware::SendWithRetries([&] { return SendCommand(payload); });
  }

  int EraseSector(std::uint8_t sector) override {
    const int result = SendCommand(firmware::ErasePayload(sector, erasePayloadBytes_));
    if (result == 0) return 0;
    // The mirror follows the flash: what the erased sector held is gone.
    mirror_.Fill();
    platform::Sleep(firmware::kEraseSettleMs);
    return result;
  }

  std::string GetBaudRateText() override {
    if (!binding_.Loaded()) return {};
    return Format("%luk", static_cast<unsigned long>(binding_.Network().BaudRate) / 1000);
  }

  int HardwareConfigurationWindow(InterfaceConfiguration* record) override {
    return binding_.HardwareConfigurationWindow(record);
  }
  int ReadConfiguration(const char* baseKey) override { return binding_.ReadConfiguration(baseKey); }
  int SaveConfiguration(const char* baseKey) override { return binding_.SaveConfiguration(baseKey); }

  int GetNodeCount(std::uint16_t* count) override {
    if (!binding_.Loaded() || count == nullptr) return 0;
    *count = kNodeEntries;
    return 1;
  }

  int GetInterfaceConfiguration(InterfaceConfiguration* record) override {
    if (!binding_.Loaded() || record == nullptr) return 0;
    *record = binding_.Interface();
    return 1;
  }

  int GetInterfaceName(char* name) override {
    return binding_.GetInterfaceName(binding_.Interface().InterfaceType, name);
  }

  BindingType& Binding() { return binding_; }

 protected:
  // erasePayloadBytes: how long the node wants the erase command's payload.
  TNetworkDownloader(const char* libraryName, std::size_t erasePayloadBytes)
      : binding_(libraryName), erasePayloadBytes_(erasePayloadBytes) {}

  // Writes one payload to the selected node's firmware command channel.
  virtual int SendCommand(const std::vector<std::uint8_t>& payload) = 0;

  std::uint8_t SelectedNode() const { return static_cast<std::uint8_t>(NodeNumber()); }
  static bool IsNode(int node) { return node >= 0 && node < kNodes; }

  // The text that describe(identity) makes of the node's last identity; empty
  // without a library or for a node outside the network.
  template <typename Describe>
  std::string IdentityText(int node, Describe describe) const {
    if (!binding_.Loaded() || !IsNode(node)) return {};
    return describe(binding_.Identity(node));
  }

  BindingType binding_;
  firmware::ImageMirror mirror_{kMirrorBytes};

 private:
  std::size_t erasePayloadBytes_;
};
