#include "can/cardtable.h"

#include <array>
#include <mutex>

namespace {

// How long the library's unload waits for threads that outlived their card.
constexpr std::uint32_t kUnloadThreadWaitMs = 5000;

std::array<CanCard, kCanCardSlots> cards;
std::mutex openCloseMutex;

CanCard* FirstFreeSlot() {
  for (CanCard& card : cards) {
    if (card.IsFree()) return &card;
  }
  return nullptr;
}

int CloseLocked(CanCard& card) {
  const std::int32_t handle = card.Handle();
  card.Stop();
  const int result = card.Backend().Close(handle);
  if (result != 0) card.Release();
  return result;
}

// Closes whatever is still open when the library goes away.
struct LibraryDetach {
  ~LibraryDetach() {
    CloseAllCanCards();
    std::lock_guard lock(openCloseMutex);
    for (CanCard& card : cards) card.JoinLingeringThreads(kUnloadThreadWaitMs);
  }
};

// Made once a back-end has opened a card, so that it is finalised before the
// back-end's driver library, loaded after this one, and the cards are closed
// while the driver still stands.
void CloseCardsAtDetach() { static LibraryDetach libraryDetach; }

}  // namespace

CanCard* FindCard(std::int32_t handle) {
  for (CanCard& card : cards) {
    if (card.IsOpen() && card.Handle() == handle) return &card;
  }
  return nullptr;
}

int OpenCanCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings& settings) {
  std::lock_guard lock(openCloseMutex);
  CanCard* slot = FirstFreeSlot();
  if (slot == nullptr) return 0;
  if (!IsCanInterfaceType(interfaceType)) {
    *card = -1;
    return 0;
  }
  CanBackend* backend = BackendForInterfaceType(interfaceType);
  if (backend == nullptr) return 0;
  std::int32_t handle = -1;
  const int result = backend->Open(interfaceType, settings, &handle);
  if (result == 0) return 0;
  if (!slot->Open(interfaceType, *backend, handle, settings)) {
    backend->Close(handle);
    return 0;
  }
  CloseCardsAtDetach();
  *card = handle;
  return result;
}

int CloseCanCard(std::int32_t handle) {
  std::lock_guard lock(openCloseMutex);
  CanCard* card = FindCard(handle);
  return card != nullptr ? CloseLocked(*card) : 0;
}

void CloseAllCanCards() {
  std::lock_guard lock(openCloseMutex);
  for (CanCard& card : cards) {
    if (card.IsOpen()) CloseLocked(card);
  }
}
