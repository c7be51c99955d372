// The bench's stand-in for the SST CAN2A library: each card is a peer of the
// bench's bus, reached through the endpoint that FLASHWRIGHT_CAN_BUS names.
// Cards take 11-bit data frames while online, keep them in a queue and post
// the registered thread message after each one.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "can/sstcan2a.h"
#include "platform/module.h"
#include "platform/threadmessage.h"
#include "sim/canbusclient.h"
#include "sim/handletable.h"

#define C2A_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using std::int32_t;
using std::uint32_t;

constexpr uint32_t kLibraryVersion = 0x0203;  // 2.3
constexpr std::size_t kQueueCapacity = 4096;
using DriverVersionFn = int (*)(uint32_t* version);

struct Card {
  sim::CanBusClient bus;
  std::thread reader;
  std::mutex mutex;  // everything below
  bool online = false;
  std::deque<SstCanMessage> received;
  std::set<uint32_t> filters;  // none: every identifier passes
  uint32_t notifyThread = 0;
  uint32_t notifyMessage = 0;
  uint32_t sent = 0;
  uint32_t receivedCount = 0;
  std::chrono::steady_clock::time_point opened = std::chrono::steady_clock::now();
};

sim::HandleTable<Card, int32_t> cards;
DriverVersionFn driverVersion = nullptr;

std::shared_ptr<Card> FindCard(int32_t handle) { return cards.Find(handle); }

// Stamps in milliseconds since the card opened, split into two 16-bit words.
void Stamp(const Card& card, SstCanMessage& message) {
  const auto ms = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - card.opened)
                                            .count());
  message.TimeStampLow = static_cast<std::uint16_t>(ms);
  message.TimeStampHigh = static_cast<std::uint16_t>(ms >> 16);
}

void TakeFrame(Card& card, const sim::buswire::Packet& packet) {
  if (packet.flags != 0 || packet.length > 8 || packet.id > 0x7FF) return;
  std::lock_guard lock(card.mutex);
  if (!card.online || card.received.size() >= kQueueCapacity) return;
  if (!card.filters.empty() && !card.filters.contains(packet.id)) return;
  SstCanMessage message{};
  message.Id = static_cast<std::uint16_t>(packet.id);
  message.Length = packet.length;
  std::memcpy(message.Data, packet.data, sizeof message.Data);
  Stamp(card, message);
  card.received.push_back(message);
  ++card.receivedCount;
  if (card.notifyThread != 0) {
    platform::PostThreadMessage(card.notifyThread, card.notifyMessage, 0, 0);
  }
}

void ReadBus(Card& card) {
  sim::buswire::Packet packet;
  while (card.bus.Receive(packet)) TakeFrame(card, packet);
}

int VersionText(uint32_t value, uint32_t* version, char* text, int32_t size) {
  if (version == nullptr) return 0;
  *version = value;
  if (text != nullptr && size > 0) {
    std::snprintf(text, static_cast<std::size_t>(size), "%u.%u", (value >> 8) & 0xFF, value & 0xFF);
  }
  return 1;
}

template <typename Op>
int WithCard(int32_t handle, Op op) {
  std::shared_ptr<Card> card = FindCard(handle);
  if (card == nullptr) return 0;
  std::lock_guard lock(card->mutex);
  return op(*card);
}

}  // namespace

C2A_EXPORT int C2A_LoadDriver(const char* driverName) {
  platform::ModuleHandle driver = platform::LoadLibrary(driverName);
  if (driver == nullptr) return 0;
  driverVersion = platform::BindEntryPoint<DriverVersionFn>(driver, "SSDN_DriverVersion");
  return driverVersion != nullptr ? 1 : 0;
}

C2A_EXPORT int C2A_FreeDriver() { return 1; }

C2A_EXPORT int C2A_Version(uint32_t* version, char* text, int32_t size) {
  return VersionText(kLibraryVersion, version, text, size);
}

C2A_EXPORT int C2A_Driver(uint32_t* version, char* text, int32_t size) {
  uint32_t value = 0;
  if (driverVersion == nullptr || driverVersion(&value) == 0) return 0;
  return VersionText(value, version, text, size);
}

C2A_EXPORT int C2A_OpenCard(int32_t* handle, const char*, int32_t, int32_t, int32_t) {
  if (handle == nullptr || driverVersion == nullptr) return 0;
  auto card = std::make_shared<Card>();
  if (!card->bus.Connect()) return 0;
  card->reader = std::thread([raw = card.get()] { ReadBus(*raw); });
  *handle = cards.Add(std::move(card));
  return 1;
}

C2A_EXPORT int C2A_CloseCard(int32_t handle) {
  std::shared_ptr<Card> card = cards.Take(handle);
  if (card == nullptr) return 0;
  card->bus.Shutdown();
  card->reader.join();
  return 1;
}

C2A_EXPORT int C2A_VerifyCardHandle(int32_t handle) { return FindCard(handle) != nullptr ? 1 : 0; }

C2A_EXPORT int C2A_GetModuleHeader(int32_t handle, SstModuleHeader* header) {
  if (header == nullptr) return 0;
  return WithCard(handle, [&](Card&) {
    std::memset(header, 0, sizeof *header);
    std::memcpy(header->Bytes, "CAN2A bench", 11);
    return 1;
  });
}

// A card goes online only at the bus's own rate, as a real one would find
// nothing but errors on a bus of another rate. This library's code 3 is
// 1 Mbit/s.
C2A_EXPORT int C2A_Online(int32_t handle, int32_t rateCode, int32_t, int32_t) {
  constexpr uint32_t kRates[] = {125'000, 250'000, 500'000, 1'000'000};
  if (rateCode < kSstRate125k || rateCode > kSstRateOther) return 0;
  return WithCard(handle, [&](Card& card) {
    if (card.bus.BitRate() != kRates[rateCode]) return 0;
    card.online = true;
    return 1;
  });
}

C2A_EXPORT int C2A_Offline(int32_t handle) {
  return WithCard(handle, [](Card& card) {
    card.online = false;
    card.received.clear();
    return 1;
  });
}

C2A_EXPORT int C2A_Send(int32_t handle, const SstCanMessage* message) {
  if (message == nullptr || message->Length > 8 || message->Id > 0x7FF) return 0;
  return WithCard(handle, [&](Card& card) {
    if (!card.online) return 0;
    sim::buswire::Packet packet;
    packet.id = message->Id;
    packet.length = message->Length;
    std::memcpy(packet.data, message->Data, sizeof packet.data);
    if (!card.bus.Send(packet)) return 0;
    ++card.sent;
    return 1;
  });
}

C2A_EXPORT int C2A_Receive(int32_t handle, SstCanMessage* message) {
  if (message == nullptr) return 0;
  return WithCard(handle, [&](Card& card) {
    if (card.received.empty()) return 0;
    *message = card.received.front();
    card.received.pop_front();
    return 1;
  });
}

C2A_EXPORT int C2A_ModifyFilter(int32_t handle, uint32_t identifier, int32_t add) {
  return WithCard(handle, [&](Card& card) {
    if (add != 0) card.filters.insert(identifier);
    else card.filters.erase(identifier);
    return 1;
  });
}

C2A_EXPORT int C2A_RegisterReceiveEvent(int32_t handle, uint32_t threadId, uint32_t message,
                                        int32_t) {
  return WithCard(handle, [&](Card& card) {
    card.notifyThread = threadId;
    card.notifyMessage = message;
    return 1;
  });
}

C2A_EXPORT int C2A_UnRegisterReceiveEvent(int32_t handle) {
  return WithCard(handle, [](Card& card) {
    card.notifyThread = 0;
    return 1;
  });
}

// Notices go out with each frame, well within any interval asked for.
C2A_EXPORT int C2A_SetEventNotificationInterval(int32_t handle, int32_t milliseconds) {
  return milliseconds >= 0 ? C2A_VerifyCardHandle(handle) : 0;
}

// The bench's bus has no errors to report.
C2A_EXPORT int C2A_RegisterBusStatusEvent(int32_t handle, uint32_t, uint32_t, int32_t) {
  return C2A_VerifyCardHandle(handle);
}
C2A_EXPORT int C2A_UnRegisterBusStatusEvent(int32_t handle) { return C2A_VerifyCardHandle(handle); }

C2A_EXPORT int C2A_GetBusStatus(int32_t handle, uint32_t* status) {
  if (status == nullptr) return 0;
  return WithCard(handle, [&](Card&) {
    *status = 0;
    return 1;
  });
}

C2A_EXPORT int C2A_GetCardStatus(int32_t handle, uint32_t* status) {
  if (status == nullptr) return 0;
  return WithCard(handle, [&](Card& card) {
    *status = card.online ? 1 : 0;
    return 1;
  });
}

C2A_EXPORT int C2A_GetCANCounters(int32_t handle, uint32_t* sent, uint32_t* received) {
  if (sent == nullptr || received == nullptr) return 0;
  return WithCard(handle, [&](Card& card) {
    *sent = card.sent;
    *received = card.receivedCount;
    return 1;
  });
}
