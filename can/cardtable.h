#pragma once
// The ten card slots of the library. Opening and closing are serialised; a
// card is found by the handle its back-end handed out.
#include <cstdint>

#include "can/cancard.h"

inline constexpr int kCanCardSlots = 10;

// The open card with that handle, or null.
CanCard* FindCard(std::int32_t handle);

// Opens a card in the first free slot: 0 when every slot is in use (card
// untouched), -1 written and 0 for a type that is not a CAN interface, else
// the back-end's open result with its handle written.
int OpenCanCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings& settings);
// Stops the card's threads and closes it in its back-end; the slot is freed
// only when the back-end closed it.
int CloseCanCard(std::int32_t handle);
void CloseAllCanCards();
