// The bench's stand-in for the SST DeviceNet scanner library: each scanner
// card is a DeviceNet master on the bench's bus, the project's own VRK_DNCN
// over an SST CAN2A card of the bench. Devices added to the card go on the
// master's scanlist; the card posts each device's status changes and each
// explicit answer to the threads registered for them.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "devicenet/dnetapi.h"
#include "devicenet/dnscan.h"
#include "platform/lasterror.h"
#include "platform/module.h"
#include "platform/threadmessage.h"
#include "sim/handletable.h"

#define DNS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using std::int32_t;
using std::uint16_t;
using std::uint8_t;

constexpr std::uint32_t kLibraryVersion = 0x0302;  // 3.2
constexpr int32_t kBitRates[] = {125000, 250000, 500000};
using DriverVersionFn = int (*)(std::uint32_t* version);

struct MasterApi {
  decltype(&::OpenCard) OpenCard;
  decltype(&::CloseCard) CloseCard;
  decltype(&::SetMacID) SetMacID;
  decltype(&::SetBaud) SetBaud;
  decltype(&::SetOnline) SetOnline;
  decltype(&::GetOnline) GetOnline;
  decltype(&::StartScan) StartScan;
  decltype(&::StopScan) StopScan;
  decltype(&::AddToScanlist) AddToScanlist;
  decltype(&::RemoveFromScanlist) RemoveFromScanlist;
  decltype(&::NodeOnline) NodeOnline;
  decltype(&::ExplicitService) ExplicitService;
};

struct Registration {
  std::uint32_t thread = 0;
  std::uint32_t message = 0;
};

struct Reply {
  uint8_t service = 0;
  std::vector<uint8_t> data;
};

struct Device {
  DnsDevice record{};
  uint16_t status = 0;
  std::unique_ptr<Reply> reply;
};

// Registrations outlive the device: a device replaced keeps them.
struct Registrations {
  Registration status, answer;
};

struct Card {
  int32_t master = -1;
  std::mutex mutex;  // devices
  std::map<uint16_t, Device> devices;
  std::map<uint16_t, Registrations> registrations;
  std::atomic<bool> running{true};
  std::thread watcher;
};

DriverVersionFn driverVersion = nullptr;
MasterApi master{};
sim::HandleTable<Card, int32_t> cards;

bool BindMaster() {
  if (master.OpenCard != nullptr) return true;
  platform::ModuleHandle module = platform::LoadLibrary("VRK_DNCN.dll");
  if (module == nullptr) return false;
#define BIND(name) master.name = platform::BindEntryPoint<decltype(master.name)>(module, #name);
  BIND(OpenCard) BIND(CloseCard) BIND(SetMacID) BIND(SetBaud) BIND(SetOnline) BIND(GetOnline) BIND(StartScan)
  BIND(StopScan) BIND(AddToScanlist) BIND(RemoveFromScanlist) BIND(NodeOnline) BIND(ExplicitService)
#undef BIND
  return master.OpenCard != nullptr;
}

std::shared_ptr<Card> FindCard(int32_t handle) { return cards.Find(handle); }

void Post(const Registration& registration, std::uintptr_t wParam, uint16_t mac) {
  if (registration.thread != 0) platform::PostThreadMessage(registration.thread, registration.message, wParam, mac);
}

// Follows the master's view of each device and reports its changes.
void Watch(Card& card) {
  while (card.running) {
    {
      std::lock_guard lock(card.mutex);
      for (auto& [mac, device] : card.devices) {
        int32_t online = 0;
        master.NodeOnline(card.master, mac, &online);
        const uint16_t status = online != 0 ? kDnsDeviceActive : 1;
        if (status == device.status) continue;
        device.status = status;
        Post(card.registrations[mac].status, status, mac);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

template <typename Op>
int WithDevice(int32_t handle, uint16_t mac, Op op) {
  std::shared_ptr<Card> card = FindCard(handle);
  if (card == nullptr) return 0;
  std::lock_guard lock(card->mutex);
  auto it = card->devices.find(mac);
  if (it == card->devices.end()) {
    platform::SetLastError(kDnsErrorNoDevice);
    return 0;
  }
  return op(*card, it->second);
}

int VersionOf(std::uint32_t value, std::uint32_t* version) {
  if (version == nullptr) return 0;
  *version = value;
  return 1;
}

}  // namespace

DNS_EXPORT int DNS_LoadDriver(const char* driverName) {
  platform::ModuleHandle driver = platform::LoadLibrary(driverName);
  if (driver == nullptr) return 0;
  driverVersion = platform::BindEntryPoint<DriverVersionFn>(driver, "SSDN_DriverVersion");
  return driverVersion != nullptr ? 1 : 0;
}

DNS_EXPORT int DNS_Version(std::uint32_t* version) { return VersionOf(kLibraryVersion, version); }

DNS_EXPORT int DNS_Driver(std::uint32_t* version) {
  std::uint32_t value = 0;
  if (driverVersion == nullptr || driverVersion(&value) == 0) return 0;
  return VersionOf(value, version);
}

// The scanner's own CAN side is the bench's first SST CAN2A card.
DNS_EXPORT int DNS_OpenCard(int32_t* handle, const char*) {
  if (handle == nullptr || driverVersion == nullptr || !BindMaster()) return 0;
  InterfaceConfiguration can{};
  can.InterfaceType = CAN_INTERFACE_SST_CAN2A;
  std::strcpy(can.AccessPoint, "CAN2A-1");
  auto card = std::make_shared<Card>();
  if (master.OpenCard(&card->master, can.InterfaceType, SettingsOf(&can)) == 0) return 0;
  card->watcher = std::thread([raw = card.get()] { Watch(*raw); });
  *handle = cards.Add(std::move(card));
  return 1;
}

DNS_EXPORT int DNS_CloseCard(int32_t handle) {
  std::shared_ptr<Card> card = cards.Take(handle);
  if (card == nullptr) return 0;
  card->running = false;
  card->watcher.join();
  return master.CloseCard(card->master);
}

DNS_EXPORT int DNS_SetEventNotificationInterval(int32_t handle, int32_t) { return FindCard(handle) != nullptr; }

DNS_EXPORT int DNS_Online(int32_t handle, uint16_t mac, uint16_t baudCode) {
  std::shared_ptr<Card> card = FindCard(handle);
  if (card == nullptr || baudCode > 2) return 0;
  return master.SetMacID(card->master, mac) != 0 && master.SetBaud(card->master, kBitRates[baudCode]) != 0 &&
         master.SetOnline(card->master, 1) != 0;
}

DNS_EXPORT int DNS_Offline(int32_t handle) {
  std::shared_ptr<Card> card = FindCard(handle);
  return card != nullptr ? master.SetOnline(card->master, 0) : 0;
}

DNS_EXPORT int DNS_GetBusStatus(int32_t handle, uint16_t* status) {
  std::shared_ptr<Card> card = FindCard(handle);
  int32_t online = 0;
  if (card == nullptr || status == nullptr || master.GetOnline(card->master, &online) == 0) return 0;
  *status = online != 0 ? 0x1000 : 0;
  return 1;
}

DNS_EXPORT int DNS_StartScan(int32_t handle) {
  std::shared_ptr<Card> card = FindCard(handle);
  return card != nullptr ? master.StartScan(card->master) : 0;
}

DNS_EXPORT int DNS_StopScan(int32_t handle) {
  std::shared_ptr<Card> card = FindCard(handle);
  return card != nullptr ? master.StopScan(card->master) : 0;
}

// The bench's master serves the device's explicit connection.
DNS_EXPORT int DNS_AddDevice(int32_t handle, const DnsDevice* record) {
  std::shared_ptr<Card> card = FindCard(handle);
  if (card == nullptr || record == nullptr || record->MacId > 63) return 0;
  DnetScanlistEntry entry{};
  entry.ExplicitProducedSize = entry.ExplicitConsumedSize = record->ExplicitSize;
  entry.ExplicitTimerReload = 1000;
  entry.ExplicitPacketRate = 2500;
  if (master.AddToScanlist(card->master, record->MacId, 1, &entry) == 0) return 0;
  std::lock_guard lock(card->mutex);
  Device& device = card->devices[record->MacId];
  device.record = *record;
  device.status = 0;
  return 1;
}

// A device the bench's card cannot let go: the MAC ID that
// FLASHWRIGHT_DNSCAN_STUCK_DEVICE names, for the tests of the card's callers.
constexpr std::uint32_t kErrorDeviceBusy = 0x20000001;

bool Stuck(uint16_t mac) {
  const char* stuck = std::getenv("FLASHWRIGHT_DNSCAN_STUCK_DEVICE");
  return stuck != nullptr && std::atoi(stuck) == mac;
}

DNS_EXPORT int DNS_DeleteDevice(int32_t handle, uint16_t mac) {
  if (FindCard(handle) != nullptr && Stuck(mac)) {
    platform::SetLastError(kErrorDeviceBusy);
    return 0;
  }
  const int held = WithDevice(handle, mac, [mac](Card& card, Device&) {
    card.devices.erase(mac);
    return 1;
  });
  if (held == 0) return 0;
  const int32_t masterCard = FindCard(handle)->master;
  if (master.RemoveFromScanlist(masterCard, mac, 1) == 0) return 0;
  // The device is gone once the master has let the node go.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int32_t online = 1;
  while (master.NodeOnline(masterCard, mac, &online) != 0 && online != 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 1;
}

DNS_EXPORT int DNS_GetDevice(int32_t handle, uint16_t mac, DnsDevice* record) {
  if (record == nullptr) return 0;
  return WithDevice(handle, mac, [record](Card&, Device& device) {
    *record = device.record;
    return 1;
  });
}

DNS_EXPORT int DNS_GetDeviceStatus(int32_t handle, uint16_t mac, uint16_t* status) {
  if (status == nullptr) return 0;
  return WithDevice(handle, mac, [status](Card&, Device& device) {
    *status = device.status;
    return 1;
  });
}

DNS_EXPORT int DNS_RegisterDeviceEvent(int32_t handle, uint16_t mac, int32_t kind, std::uint32_t thread,
                                       std::uint32_t message) {
  return WithDevice(handle, mac, [&](Card& card, Device& device) {
    Registrations& registrations = card.registrations[mac];
    Registration& registration = kind == kDnsEventExplicit ? registrations.answer : registrations.status;
    if (registration.thread == thread && registration.message == message) {
      platform::SetLastError(kDnsErrorAlreadyRegistered);
      return 0;
    }
    registration = {thread, message};
    Post(registrations.status, device.status, mac);  // the current status right away
    return 1;
  });
}

// The master runs the exchange; its answer, or the node's error answer, waits
// for DNS_ReceiveDeviceExplicit. A node that does not answer gets no message.
DNS_EXPORT int DNS_SendDeviceExplicit(int32_t handle, uint16_t mac, uint8_t service, uint16_t objectClass,
                                      uint16_t instance, const uint8_t* data, uint16_t length) {
  std::shared_ptr<Card> card = FindCard(handle);
  if (card == nullptr) return 0;
  auto reply = std::make_unique<Reply>();
  reply->data.resize(512);
  uint16_t replyLength = static_cast<uint16_t>(reply->data.size());
  if (master.ExplicitService(card->master, mac, service, static_cast<uint8_t>(objectClass),
                             static_cast<uint8_t>(instance), length, data, &replyLength, reply->data.data()) != 0) {
    reply->service = static_cast<uint8_t>(service | 0x80);
    reply->data.resize(replyLength);
  } else {
    const std::uint32_t error = platform::GetLastError();
    if ((error & 0xF0000000u) != kDnetErrorResponse) return 1;
    reply->service = static_cast<uint8_t>(error >> 16);
    reply->data = {static_cast<uint8_t>(error >> 8), static_cast<uint8_t>(error)};
  }
  return WithDevice(handle, mac, [&](Card& card, Device& device) {
    device.reply = std::move(reply);
    Post(card.registrations[mac].answer, 0, mac);
    return 1;
  });
}

DNS_EXPORT int DNS_ReceiveDeviceExplicit(int32_t handle, uint16_t mac, uint8_t* service, uint8_t* data,
                                         uint16_t* length) {
  if (service == nullptr || data == nullptr || length == nullptr) return 0;
  return WithDevice(handle, mac, [&](Card&, Device& device) {
    if (device.reply == nullptr || device.reply->data.size() > *length) return 0;
    *service = device.reply->service;
    *length = static_cast<uint16_t>(device.reply->data.size());
    std::memcpy(data, device.reply->data.data(), device.reply->data.size());
    device.reply.reset();
    return 1;
  });
}

// I/O data and the rest of the scanner's calls are not on the bench.
#define DNS_UNSERVED(name) \
  DNS_EXPORT int DNS_##name() { return 0; }
DNS_UNSERVED(FreeDriver) DNS_UNSERVED(GetClientEvent) DNS_UNSERVED(GetClientStatus) DNS_UNSERVED(GetDeviceEvent)
DNS_UNSERVED(GetDevicePath) DNS_UNSERVED(GetModuleHeader) DNS_UNSERVED(GetServerEvent) DNS_UNSERVED(GetServerPath)
DNS_UNSERVED(GetServerStatus) DNS_UNSERVED(InitializePathBuffer) DNS_UNSERVED(IoActive) DNS_UNSERVED(IoIdle)
DNS_UNSERVED(Log) DNS_UNSERVED(ReadDeviceIo) DNS_UNSERVED(ReadServerIo) DNS_UNSERVED(ReceiveServerExplicit)
DNS_UNSERVED(RegisterBusStatusEvent) DNS_UNSERVED(RegisterClientEvent) DNS_UNSERVED(RegisterServerEvent)
DNS_UNSERVED(SendServerExplicit) DNS_UNSERVED(SetAccessTimeout) DNS_UNSERVED(UnRegisterBusStatusEvent)
DNS_UNSERVED(UnRegisterClientEvent) DNS_UNSERVED(UnRegisterDeviceEvent) DNS_UNSERVED(UnRegisterServerEvent)
DNS_UNSERVED(WriteDeviceIo) DNS_UNSERVED(WriteServerIo)
