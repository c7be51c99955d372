// A CAN2A library whose card is a script, for what the bench's library cannot
// be made to do on demand: refuse its driver or a module header, hand over a
// message longer than a frame. The test drives it through the Script_ exports.
// Built without C2A_Version (SCRIPTED_WITHOUT_VERSION) it lacks an entry point.
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "can/sstcan2a.h"
#include "platform/threadmessage.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using std::int32_t;
using std::uint32_t;

std::mutex mutex;
std::map<std::string, int> results;  // scripted results by entry point name
std::deque<SstCanMessage> incoming;
std::vector<SstCanMessage> sent;
int32_t lastOnlineCode = -1;
int32_t nextHandle = 1;
int closes = 0;
uint32_t receiver = 0;      // the registered thread, while registered
uint32_t lastReceiver = 0;  // the last thread ever registered
uint32_t receiverMessage = 0;

int Result(const char* call) {
  auto it = results.find(call);
  return it != results.end() ? it->second : 1;
}

int Version(const char* call, uint32_t value, uint32_t* version, char* text, int32_t size) {
  std::lock_guard lock(mutex);
  if (Result(call) == 0) return 0;
  *version = value;
  std::snprintf(text, static_cast<std::size_t>(size), "scripted");
  return 1;
}

}  // namespace

EXPORT void Script_SetResult(const char* call, int result) {
  std::lock_guard lock(mutex);
  results[call] = result;
}
EXPORT int32_t Script_LastOnlineCode() {
  std::lock_guard lock(mutex);
  return lastOnlineCode;
}
EXPORT int Script_Closes() {
  std::lock_guard lock(mutex);
  return closes;
}
EXPORT std::size_t Script_Sent(SstCanMessage* last) {
  std::lock_guard lock(mutex);
  if (!sent.empty()) *last = sent.back();
  return sent.size();
}
EXPORT uint32_t Script_LastReceiver() {
  std::lock_guard lock(mutex);
  return lastReceiver;
}
// Queues a message and notifies the registered thread, as a card would.
EXPORT void Script_Deliver(const SstCanMessage* message) {
  std::lock_guard lock(mutex);
  incoming.push_back(*message);
  if (receiver != 0) platform::PostThreadMessage(receiver, receiverMessage, 0, 0);
}

EXPORT int C2A_LoadDriver(const char* name) {
  std::lock_guard lock(mutex);
  return std::strcmp(name, "SSDN32.dll") == 0 ? Result("C2A_LoadDriver") : 0;
}
EXPORT int C2A_FreeDriver() { return 1; }
#ifndef SCRIPTED_WITHOUT_VERSION
EXPORT int C2A_Version(uint32_t* version, char* text, int32_t size) {
  return Version("C2A_Version", 0x0307, version, text, size);
}
#endif
EXPORT int C2A_Driver(uint32_t* version, char* text, int32_t size) {
  return Version("C2A_Driver", 0x0412, version, text, size);
}
EXPORT int C2A_OpenCard(int32_t* handle, const char*, int32_t, int32_t, int32_t) {
  std::lock_guard lock(mutex);
  *handle = nextHandle++;
  return Result("C2A_OpenCard");
}
EXPORT int C2A_CloseCard(int32_t) {
  std::lock_guard lock(mutex);
  ++closes;
  return 1;
}
EXPORT int C2A_GetModuleHeader(int32_t, SstModuleHeader* header) {
  std::lock_guard lock(mutex);
  std::memset(header, 0xA5, sizeof *header);
  return Result("C2A_GetModuleHeader");
}
EXPORT int C2A_Online(int32_t, int32_t code, int32_t, int32_t) {
  std::lock_guard lock(mutex);
  lastOnlineCode = code;
  return 1;
}
EXPORT int C2A_Offline(int32_t) {
  std::lock_guard lock(mutex);
  lastOnlineCode = -1;
  return 1;
}
EXPORT int C2A_Send(int32_t, const SstCanMessage* message) {
  std::lock_guard lock(mutex);
  sent.push_back(*message);
  return 1;
}
EXPORT int C2A_Receive(int32_t, SstCanMessage* message) {
  std::lock_guard lock(mutex);
  if (incoming.empty()) return 0;
  *message = incoming.front();
  incoming.pop_front();
  return 1;
}
EXPORT int C2A_ModifyFilter(int32_t, uint32_t, int32_t) { return 1; }
EXPORT int C2A_RegisterReceiveEvent(int32_t, uint32_t thread, uint32_t message, int32_t) {
  std::lock_guard lock(mutex);
  receiver = lastReceiver = thread;
  receiverMessage = message;
  return 1;
}
EXPORT int C2A_UnRegisterReceiveEvent(int32_t) {
  std::lock_guard lock(mutex);
  receiver = 0;
  return 1;
}
EXPORT int C2A_SetEventNotificationInterval(int32_t, int32_t) { return 1; }
EXPORT int C2A_RegisterBusStatusEvent(int32_t, uint32_t, uint32_t, int32_t) { return 1; }
EXPORT int C2A_UnRegisterBusStatusEvent(int32_t) { return 1; }
EXPORT int C2A_GetBusStatus(int32_t, uint32_t*) { return 1; }
EXPORT int C2A_GetCardStatus(int32_t, uint32_t*) { return 1; }
EXPORT int C2A_GetCANCounters(int32_t, uint32_t*, uint32_t*) { return 1; }
EXPORT int C2A_VerifyCardHandle(int32_t) { return 1; }
