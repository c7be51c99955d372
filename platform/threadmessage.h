#pragma once
// Per-thread message queues: any thread posts a message to a thread by its
// id; the thread takes its messages in a loop. A thread has a queue from its
// first GetMessage or PeekMessage until it ends; posting to a thread without
// one fails, so a thread that is to receive messages peeks once before it
// hands its id out.
#include <cstdint>

namespace platform {

struct ThreadMessage {
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// The message that ends a message loop: GetMessage returns 0 for it.
inline constexpr std::uint32_t kQuitMessage = 0x0012;
inline constexpr std::uint32_t kErrorInvalidThreadId = 1444;

// False with kErrorInvalidThreadId when the thread has no queue.
bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);
// Waits for the next message: 1 with it, 0 when it is the quit message.
int GetMessage(ThreadMessage* message);
// Takes (remove) or looks at the next message without waiting; false when
// none is queued.
bool PeekMessage(ThreadMessage* message, bool remove);

}  // namespace platform
