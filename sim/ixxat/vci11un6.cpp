// The bench's stand-in for the IXXAT VCI library: each prepared board is a
// peer of the bench's bus, reached through the endpoint that
// FLASHWRIGHT_CAN_BUS names. A board's reader thread hands each frame its
// receive queue accepts to the receive callback, while the controller runs.
//
// A filter change stops the controller for a moment. On a wire the sender of
// a frame nobody acknowledged repeats it until the controller is back; the
// bench's bus has no acknowledgement, so a board that was running holds what
// arrives while stopped and takes it in when started again (frames older
// than a sender would keep repeating are dropped).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "can/ixxatvci.h"
#include "sim/canbusclient.h"
#include "sim/handletable.h"
#include "sim/ixxat/vcibench.h"

#define VCI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using std::int32_t;
using std::uint16_t;
using std::uint32_t;
using std::uint8_t;

constexpr int32_t kError = -1;
constexpr uint32_t kClockHz = 16'000'000;
constexpr uint32_t kAllIdentifiers = 0xFFFFFFFF;
constexpr std::size_t kHeldFrames = 100;
constexpr auto kRepeatSpan = std::chrono::seconds(1);

struct HeldFrame {
  sim::buswire::Packet packet;
  std::chrono::steady_clock::time_point arrived;
};

struct Board {
  int32_t type = 0;
  int32_t number = 0;
  vci::ReceiveCallback onReceive = nullptr;
  sim::CanBusClient bus;
  std::thread reader;
  std::mutex mutex;  // everything below
  uint32_t bitRate = 0;
  bool running = false;
  bool paused = false;          // stopped after running: frames are held
  std::deque<HeldFrame> held;
  uint16_t transmitQueue = 0;
  uint16_t receiveQueue = 0;
  std::set<uint32_t> accepted;  // the receive queue's identifiers
  std::chrono::steady_clock::time_point prepared = std::chrono::steady_clock::now();
};

sim::HandleTable<Board, uint16_t> boards;
std::atomic<uint16_t> nextQueue{1};

std::shared_ptr<Board> FindBoard(uint16_t handle) { return boards.Find(handle); }

template <typename Op>
int32_t WithBoard(uint16_t handle, Op op) {
  std::shared_ptr<Board> board = FindBoard(handle);
  if (board == nullptr) return kError;
  std::lock_guard lock(board->mutex);
  return op(*board);
}

// The controller's rate from its timing registers: the clock halved, divided
// by the prescaler and by the quanta of one bit.
uint32_t BitRateOf(uint8_t btr0, uint8_t btr1) {
  const uint32_t prescaler = (btr0 & 0x3Fu) + 1;
  const uint32_t quanta = 1 + ((btr1 & 0x0Fu) + 1) + (((btr1 >> 4) & 0x07u) + 1);
  return kClockHz / 2 / prescaler / quanta;
}

VciCanObject ObjectOf(const Board& board, const sim::buswire::Packet& packet,
                      std::chrono::steady_clock::time_point arrived) {
  VciCanObject object{};
  object.Id = packet.id;
  object.Bits = static_cast<uint8_t>(packet.length & kVciLengthMask);
  if ((packet.flags & sim::buswire::kRemote) != 0) object.Bits |= kVciRemoteBit;
  std::memcpy(object.Data, packet.data, sizeof object.Data);
  object.TimeStamp = static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(arrived - board.prepared).count());
  return object;
}

// Frames go to the callback outside the board's lock, as from the library's
// own thread.
void Deliver(Board& board, uint16_t queue, std::vector<VciCanObject>& objects) {
  if (objects.empty() || board.onReceive == nullptr) return;
  board.onReceive(queue, static_cast<uint16_t>(objects.size()), objects.data());
}

void TakeFrame(Board& board, const sim::buswire::Packet& packet) {
  if ((packet.flags & sim::buswire::kExtended) != 0 || packet.id > 0x7FF) return;
  std::vector<VciCanObject> objects;
  uint16_t queue = 0;
  {
    std::lock_guard lock(board.mutex);
    const auto now = std::chrono::steady_clock::now();
    if (board.paused && board.held.size() < kHeldFrames) board.held.push_back({packet, now});
    if (!board.running || !board.accepted.contains(packet.id)) return;
    queue = board.receiveQueue;
    objects.push_back(ObjectOf(board, packet, now));
  }
  Deliver(board, queue, objects);
}

// The frames held while stopped that the filter now accepts, in arrival order.
std::vector<VciCanObject> TakeHeld(Board& board) {
  std::vector<VciCanObject> objects;
  const auto oldest = std::chrono::steady_clock::now() - kRepeatSpan;
  for (const HeldFrame& frame : board.held) {
    if (frame.arrived >= oldest && board.accepted.contains(frame.packet.id)) {
      objects.push_back(ObjectOf(board, frame.packet, frame.arrived));
    }
  }
  board.held.clear();
  return objects;
}

void ReadBus(Board& board) {
  sim::buswire::Packet packet;
  while (board.bus.Receive(packet)) TakeFrame(board, packet);
}

int32_t Send(uint16_t handle, uint16_t queue, const sim::buswire::Packet& packet) {
  return WithBoard(handle, [&](Board& board) {
    if (!board.running || queue != board.transmitQueue) return 0;
    return board.bus.Send(packet) ? 1 : 0;
  });
}

}  // namespace

VCI_EXPORT int32_t VCI2_PrepareBoard(int32_t type, int32_t number, vci::MessageCallback,
                                     vci::ReceiveCallback onReceive, vci::ExceptionCallback) {
  if (type != sim::vcibench::kBoardType || number < 0 || number >= sim::vcibench::kBoardCount) {
    return kError;
  }
  auto board = std::make_shared<Board>();
  board->type = type;
  board->number = number;
  board->onReceive = onReceive;
  if (!board->bus.Connect()) return kError;
  const uint16_t handle =
      boards.Add(board, [&](const Board& open) { return open.type == type && open.number == number; });
  if (handle == 0) {
    board->bus.Shutdown();
    return kError;
  }
  board->reader = std::thread([raw = board.get()] { ReadBus(*raw); });
  return handle;
}

VCI_EXPORT int32_t VCI_CancelBoard(uint16_t handle) {
  std::shared_ptr<Board> board = boards.Take(handle);
  if (board == nullptr) return kError;
  board->bus.Shutdown();
  board->reader.join();
  return 1;
}

VCI_EXPORT int32_t VCI_InitCan(uint16_t handle, uint8_t can, uint8_t btr0, uint8_t btr1, uint8_t) {
  if (can != 0) return kError;
  return WithBoard(handle, [&](Board& board) {
    board.running = board.paused = false;
    board.held.clear();
    board.bitRate = BitRateOf(btr0, btr1);
    return 1;
  });
}

// The controller joins the bus only at the bus's own rate, as a real one
// would find nothing but errors on a bus of another rate.
VCI_EXPORT int32_t VCI_StartCan(uint16_t handle, uint8_t can) {
  if (can != 0) return kError;
  std::shared_ptr<Board> board = FindBoard(handle);
  if (board == nullptr) return kError;
  std::vector<VciCanObject> held;
  uint16_t queue = 0;
  {
    std::lock_guard lock(board->mutex);
    if (board->bitRate != board->bus.BitRate()) return 0;
    board->running = true;
    board->paused = false;
    held = TakeHeld(*board);
    queue = board->receiveQueue;
  }
  Deliver(*board, queue, held);
  return 1;
}

VCI_EXPORT int32_t VCI_ResetCan(uint16_t handle, uint8_t can) {
  if (can != 0) return kError;
  return WithBoard(handle, [](Board& board) {
    board.paused = board.running;
    board.running = false;
    return 1;
  });
}

VCI_EXPORT int32_t VCI_ConfigQueue(uint16_t handle, uint8_t can, uint8_t kind, uint16_t size,
                                   uint16_t, uint16_t, uint16_t, uint16_t* queue) {
  if (can != 0 || queue == nullptr || size == 0) return kError;
  if (kind != kVciTransmitQueue && kind != kVciReceiveQueue) return kError;
  return WithBoard(handle, [&](Board& board) {
    *queue = nextQueue++;
    (kind == kVciTransmitQueue ? board.transmitQueue : board.receiveQueue) = *queue;
    return 1;
  });
}

// Only exact identifiers are assigned here: the mask must cover all eleven
// bits. Rejecting the identifier with every bit set withdraws them all.
VCI_EXPORT int32_t VCI_AssignRxQueObj(uint16_t handle, uint16_t queue, uint8_t mode, uint32_t id,
                                      uint32_t mask) {
  const bool withdrawAll = mode == kVciReject && id == kAllIdentifiers;
  if ((id > 0x7FF && !withdrawAll) || mask != 0x7FF) return kError;
  if (mode != kVciAccept && mode != kVciReject) return kError;
  return WithBoard(handle, [&](Board& board) {
    if (queue != board.receiveQueue || board.running) return kError;
    if (withdrawAll) board.accepted.clear();
    else if (mode == kVciAccept) board.accepted.insert(id);
    else board.accepted.erase(id);
    return 1;
  });
}

VCI_EXPORT int32_t VCI_TransmitObj(uint16_t handle, uint16_t queue, uint32_t id, uint8_t length,
                                   const uint8_t* data) {
  if (id > 0x7FF || length > 8 || (length > 0 && data == nullptr)) return kError;
  sim::buswire::Packet packet;
  packet.id = id;
  packet.length = length;
  if (length > 0) std::memcpy(packet.data, data, length);
  return Send(handle, queue, packet);
}

VCI_EXPORT int32_t VCI_RequestObj(uint16_t handle, uint16_t queue, uint32_t id, uint8_t length) {
  if (id > 0x7FF || length > 8) return kError;
  sim::buswire::Packet packet;
  packet.id = id;
  packet.length = length;
  packet.flags = sim::buswire::kRemote;
  return Send(handle, queue, packet);
}

// For tests: hands an object to the receive callback of every running board
// as if it had come off the wire, whatever it holds (a data-length code above
// 8, say, which the bench's bus does not carry).
VCI_EXPORT void Bench_Deliver(const VciCanObject* object) {
  boards.ForEach([object](Board& board) {
    bool running = false;
    uint16_t queue = 0;
    {
      std::lock_guard boardLock(board.mutex);
      running = board.running;
      queue = board.receiveQueue;
    }
    VciCanObject copy = *object;
    if (running && board.onReceive != nullptr) board.onReceive(queue, 1, &copy);
  });
}
