// Nodes and connections: the scanlist, allocation of the Predefined
// Master/Slave Connection Set through a UCMM connection or the Group 2 Only
// port, configuration of allocated connections, release, and the scan
// maintenance that the scan thread runs while the card is online.
#include <algorithm>

#include "devicenet/dncn.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace dncn {
namespace {

constexpr std::uint64_t kUcmmPacingMs = 10;
constexpr std::uint64_t kRetryPauseMs = 2000;
// A connected node whose wanted I/O is not yet allocated is looked at again
// after this, not on every pass.
constexpr std::uint64_t kRecheckMs = 1000;
// A node checking its MAC ID goes online a second after its last check.
constexpr std::uint64_t kRestartCheckMs = 1000;
constexpr std::uint8_t kUcmmOpenFormat = 0x00;  // message body format 8/8
constexpr std::uint8_t kUcmmOpenGroup3 = 0x30;  // Group 3, source message ID 0
constexpr std::uint8_t kAttributeAllocation = 5;
constexpr std::uint8_t kAttributeState = 1;
constexpr std::uint8_t kAttributeProducedSize = 7, kAttributeConsumedSize = 8, kAttributePacketRate = 9;

std::uint16_t Group2Id(int mac, int message) { return static_cast<std::uint16_t>(0x400 + mac * 8 + message); }

std::uint8_t Lo(unsigned v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t Hi(unsigned v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }

ConnectionPtr UnconnectedPort(Card& card, Node& node, int mac) {
  ConnectionPtr port = card.CreateSlot(node, mac, kSlotUnconnected);
  if (port->output.empty()) {
    port->producedSize = port->consumedSize = 8;
    port->SizeBuffers();
  }
  return port;
}

// Points the unconnected port at the UCMM identifiers or at the Group 2 Only port.
void UsePort(Card& card, Connection& port, std::uint16_t rxId, std::uint16_t txId, int mac, std::uint16_t timeoutMs) {
  card.SetReceiveId(port, rxId);
  std::lock_guard lock(port.mutex);
  port.txId = txId;
  port.headerMac = static_cast<std::uint8_t>(mac);
  port.replyTimeoutMs = timeoutMs;
}

void UseUcmmPort(Card& card, Connection& port, int mac) {
  UsePort(card, port, static_cast<std::uint16_t>(0x740 + mac), static_cast<std::uint16_t>(0x780 + card.ownMac), mac,
          kUcmmReplyTimeoutMs);
}

void UseGroup2Port(Card& card, Connection& port, int mac) {
  UsePort(card, port, Group2Id(mac, 3), Group2Id(mac, 6), mac, kGroup2ReplyTimeoutMs);
}

// The predefined explicit connection: always instance 1, sized as the
// scanlist entry said (a memory write needs 41 bytes).
ConnectionPtr PredefinedExplicit(Card& card, Node& node, int mac) {
  ConnectionPtr c = card.CreateSlot(node, mac, kSlotExplicit);
  {
    // The receive thread may already see the slot.
    std::lock_guard lock(c->mutex);
    if (c->output.empty()) {
      c->producedSize = node.explicitProduced;
      c->consumedSize = node.explicitConsumed;
      c->SizeBuffers();
    }
  }
  c->choiceBit = kChoiceExplicit;
  c->instance = 1;
  card.SetReceiveId(*c, Group2Id(mac, 3));
  c->txId = Group2Id(mac, 4);
  c->headerMac = card.ownMac;
  c->timerReloadMs = node.explicitTimerReload;
  c->expectedPacketRate = node.explicitPacketRate;
  return c;
}

std::array<std::uint8_t, 4> AllocateBody(Card& card, std::uint8_t choice) {
  return {kClassDeviceNet, 1, choice, card.ownMac};
}

bool SendUcmmOpen(Card& card, Node& node, int mac) {
  ConnectionPtr port = UnconnectedPort(card, node, mac);
  UseUcmmPort(card, *port, mac);
  const std::uint8_t body[2] = {kUcmmOpenFormat, kUcmmOpenGroup3};
  // The scan looks at the answer without waiting: it is woken when it came.
  return SendRequest(card, *port, kServiceAllocate, body, &card.scanSchedule);
}

// Takes the answer to a UCMM open: [format, message IDs, instance lo, hi].
// A connection left from an earlier open is replaced, identifiers and all.
bool TakeUcmmOpen(Card& card, Node& node, int mac, const std::uint8_t* data, std::uint16_t length) {
  if (length < 4) return false;
  card.DeleteSlot(node, kSlotUcmm);
  ConnectionPtr c = card.CreateSlot(node, mac, kSlotUcmm);
  {
    std::lock_guard lock(c->mutex);
    c->producedSize = node.explicitProduced;
    c->consumedSize = node.explicitConsumed;
    c->SizeBuffers();
  }
  card.SetReceiveId(*c, static_cast<std::uint16_t>(0x600 + (data[1] & 0x0F) * 64 + mac));
  c->txId = static_cast<std::uint16_t>(0x600 + ((data[1] >> 4) & 0x0F) * 64 + card.ownMac);
  c->instance = static_cast<std::int16_t>(data[2] | (data[3] << 8));
  c->headerMac = static_cast<std::uint8_t>(mac);
  c->choiceBit = kChoiceExplicit;
  c->timerReloadMs = node.explicitTimerReload != 0 ? node.explicitTimerReload.load() : std::uint16_t{1000};
  c->expectedPacketRate = node.explicitPacketRate;
  node.ucmmNode = true;
  node.allocatedByUcmm = true;
  return true;
}

bool IsStateConflictRefusal() {
  return (platform::GetLastError() & 0xFFFFFF00u) == (kDnetErrorResponse | (std::uint32_t{kServiceError} << 16) |
                                                      (std::uint32_t{kStatusStateConflict} << 8));
}

// notify: as for SendRequest; the scan looks at the answer without waiting.
bool SendGroup2Allocate(Card& card, Node& node, int mac, std::uint8_t choice, platform::WakeSchedule* notify) {
  ConnectionPtr port = UnconnectedPort(card, node, mac);
  UseGroup2Port(card, *port, mac);
  const auto body = AllocateBody(card, choice);
  return SendRequest(card, *port, kServiceAllocate, body, notify);
}

// The node allocated the set through the Group 2 Only port.
void TakeGroup2Allocate(Card& card, Node& node, int mac) {
  node.ucmmNode = false;
  node.allocatedByUcmm = false;
  PredefinedExplicit(card, node, mac);
}

bool AllocateThroughGroup2(Card& card, Node& node, int mac, std::uint8_t choice) {
  if (!SendGroup2Allocate(card, node, mac, choice, nullptr)) return false;
  ConnectionPtr port = node.Slot(kSlotUnconnected);
  std::uint8_t reply[8];
  std::uint16_t length = sizeof reply;
  if (!AwaitResponse(card, *port, 10u * port->replyTimeoutMs, {&length, reply})) return false;
  TakeGroup2Allocate(card, node, mac);
  return true;
}

bool AllocateOverUcmm(Card& card, Node& node, int mac, std::uint8_t choice) {
  ConnectionPtr c = node.Slot(kSlotUcmm);
  if (c == nullptr) return false;
  std::uint8_t reply[8];
  std::uint16_t length = sizeof reply;
  const auto body = AllocateBody(card, choice);
  if (!Transact(card, *c, kServiceAllocate, body, {&length, reply}, 10u * c->replyTimeoutMs)) return false;
  PredefinedExplicit(card, node, mac);
  return true;
}

bool ReadAttribute(Card& card, Connection& c, std::uint8_t cls, std::uint8_t instance, std::uint8_t attribute,
                   std::uint8_t* data, std::uint16_t* length) {
  const std::uint8_t body[3] = {cls, instance, attribute};
  return Transact(card, c, kServiceGetSingle, body, {length, data}, 10u * c.replyTimeoutMs);
}

bool WritePacketRate(Card& card, Connection& explicitConnection, std::uint8_t instance, std::uint16_t rate) {
  const std::uint8_t body[5] = {kClassConnection, instance, kAttributePacketRate, Lo(rate), Hi(rate)};
  std::uint8_t reply[8];
  std::uint16_t length = sizeof reply;
  return Transact(card, explicitConnection, kServiceSetSingle, body, {&length, reply},
                  10u * explicitConnection.replyTimeoutMs);
}

bool ReadSize(Card& card, Connection& via, std::uint8_t instance, std::uint8_t attribute, std::uint16_t* size) {
  std::uint8_t data[8];
  std::uint16_t length = sizeof data;
  if (!ReadAttribute(card, via, kClassConnection, instance, attribute, data, &length) || length != 2) return false;
  *size = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
  return true;
}

// Gives an explicit connection new sizes between two of its exchanges.
bool ResizeExplicit(Connection& c, std::uint16_t produced, std::uint16_t consumed) {
  if (c.producedSize == produced && c.consumedSize == consumed) return true;
  if (platform::WaitForSingleObject(c.requestEvent, c.replyTimeoutMs) != platform::kWaitObject0) return false;
  {
    std::lock_guard lock(c.mutex);
    c.producedSize = produced;
    c.consumedSize = consumed;
    c.SizeBuffers();
  }
  platform::SetEvent(c.requestEvent);
  return true;
}

// Writes the expected packet rate and reads the sizes the node reports. The
// connection takes the sizes of the node's latest scanlist entry, so a node
// added again with other sizes gets them here; the node's own sizes serve
// only where the entry has none.
bool ConfigureExplicit(Card& card, Node& node) {
  ConnectionPtr c = ExplicitConnectionOf(node);
  const auto instance = c != nullptr ? static_cast<std::uint8_t>(c->instance) : std::uint8_t{0};
  std::uint16_t produced = 0, consumed = 0;
  if (c == nullptr || !WritePacketRate(card, *c, instance, c->expectedPacketRate) ||
      !ReadSize(card, *c, instance, kAttributeProducedSize, &produced) ||
      !ReadSize(card, *c, instance, kAttributeConsumedSize, &consumed) ||
      !ResizeExplicit(*c, node.explicitProduced != 0 ? node.explicitProduced.load() : produced,
                      node.explicitConsumed != 0 ? node.explicitConsumed.load() : consumed)) {
    node.allocation = Allocation::kIdle;
    node.step = Step::kFailed;
    return false;
  }
  c->established = true;
  c->timedOut = false;
  c->timerDueMs = NowMs();
  if (node.ucmmNode) {
    node.wantedUcmm |= kChoiceExplicit;
  } else {
    node.wantedSet |= kChoiceExplicit;
  }
  return true;
}

struct IoSlot {
  int slot;
  std::uint8_t bits;
  std::uint16_t (*rxId)(int mac);
  std::uint16_t (*txId)(int mac, int ownMac);
};
constexpr IoSlot kIoSlots[] = {
    {kSlotPoll, kChoicePoll, [](int mac) { return static_cast<std::uint16_t>(0x3C0 + mac); },
     [](int mac, int) { return Group2Id(mac, 5); }},
    {kSlotStrobe, kChoiceStrobe, [](int mac) { return static_cast<std::uint16_t>(0x380 + mac); },
     [](int, int own) { return static_cast<std::uint16_t>(own * 8 + 0x400); }},
    {kSlotCosCyclic, kChoiceCosCyclic, [](int mac) { return static_cast<std::uint16_t>(0x340 + mac); },
     [](int, int) { return std::uint16_t{0}; }},
};

bool ConfigureIo(Card& card, Node& node, int mac, const IoSlot& io, Connection& via) {
  ConnectionPtr c = node.Slot(io.slot);
  if (c == nullptr) return false;
  const auto instance = static_cast<std::uint8_t>(io.slot);
  std::uint16_t produced = 0, consumed = 0;
  if (!WritePacketRate(card, via, instance, c->expectedPacketRate) ||
      !ReadSize(card, via, instance, kAttributeProducedSize, &produced) ||
      !ReadSize(card, via, instance, kAttributeConsumedSize, &consumed)) {
    return false;
  }
  {
    std::lock_guard lock(c->mutex);
    c->producedSize = produced;
    // The strobe command is the card's one 8-byte frame for all nodes.
    c->consumedSize = io.slot == kSlotStrobe ? 1 : consumed;
    c->SizeBuffers();
    c->ioFragmentsPending = -1;
    c->missedReplies = 0;
    c->waiting = false;
    c->timedOut = false;
    c->established = true;
    c->choiceBit = io.bits;
    c->instance = instance;
  }
  c->txId = io.txId(mac, card.ownMac);
  card.SetReceiveId(*c, io.rxId(mac));
  node.wantedSet |= static_cast<std::uint8_t>(node.scanlistChoice & io.bits);
  card.communicationSchedule.Wake();  // a poll cycle may have work again
  return true;
}

// The non-blocking allocation of the explicit connection, one step per pass;
// true once allocated.
bool RunAllocation(Card& card, Node& node, int mac) {
  const std::uint64_t now = NowMs();
  switch (node.allocation) {
    case Allocation::kIdle:
      node.allocation = Allocation::kUcmmFirst;
      node.step = Step::kStart;
      [[fallthrough]];
    case Allocation::kUcmmFirst:
    case Allocation::kUcmmSecond: {
      if (node.step == Step::kStart) {
        if (now < card.ucmmPacingUntilMs) return false;
        card.ucmmPacingUntilMs = now + kUcmmPacingMs;
        node.step = SendUcmmOpen(card, node, mac) ? Step::kWaiting : Step::kFailed;
      }
      if (node.step != Step::kWaiting) break;
      ConnectionPtr port = node.Slot(kSlotUnconnected);
      std::uint8_t reply[8];
      std::uint16_t length = sizeof reply;
      if (AwaitResponse(card, *port, 0, {&length, reply})) {
        TakeUcmmOpen(card, node, mac, reply, length);
        // Through UCMM alone, or on to allocate the set over it.
        node.allocation = (node.wantedSet & kChoiceExplicit) ? Allocation::kOverUcmm : Allocation::kAllocated;
      } else if (platform::GetLastError() == kDnetErrorPending) {
        return false;
      } else if (IsStateConflictRefusal() || node.allocation == Allocation::kUcmmSecond) {
        // The node refuses UCMM, or did not take it twice: the Group 2 Only port.
        node.allocation = Allocation::kGroup2;
      } else {
        node.allocation = Allocation::kUcmmSecond;
      }
      node.step = Step::kStart;
      return false;
    }
    case Allocation::kGroup2: {
      // Sent, then looked at on later passes (woken by its end), as the UCMM
      // opens are: a node that is not there costs the other nodes nothing.
      if (node.step == Step::kStart) {
        node.step = SendGroup2Allocate(card, node, mac, kChoiceExplicit, &card.scanSchedule) ? Step::kWaiting
                                                                                            : Step::kFailed;
        if (node.step == Step::kWaiting) return false;
        break;
      }
      ConnectionPtr port = node.Slot(kSlotUnconnected);
      std::uint8_t reply[8];
      std::uint16_t length = sizeof reply;
      if (AwaitResponse(card, *port, 0, {&length, reply})) {
        TakeGroup2Allocate(card, node, mac);
        if (node.wantedUcmm & kChoiceExplicit) {
          node.wantedUcmm &= static_cast<std::uint8_t>(~kChoiceExplicit);
          node.wantedSet |= kChoiceExplicit;
        }
        node.allocation = Allocation::kAllocated;
        return true;
      }
      if (platform::GetLastError() == kDnetErrorPending) return false;
      node.step = Step::kFailed;
      break;
    }
    case Allocation::kOverUcmm:
      if (AllocateOverUcmm(card, node, mac, kChoiceExplicit)) {
        node.allocation = Allocation::kCloseUcmm;
        return false;
      }
      node.step = Step::kFailed;
      break;
    case Allocation::kCloseUcmm:
      if (CloseUcmm(card, node, mac)) {
        node.allocation = Allocation::kAllocated;
        return true;
      }
      node.step = Step::kFailed;
      break;
    case Allocation::kRetryPause:
      if (node.step == Step::kStart) {
        node.pauseUntilMs = now + kRetryPauseMs;
        node.step = Step::kWaiting;
      }
      if (now >= node.pauseUntilMs) {
        node.allocation = Allocation::kUcmmFirst;
        node.step = Step::kStart;
      }
      return false;
    case Allocation::kAllocated:
      return true;
  }
  if (node.step == Step::kFailed) {
    node.allocation = Allocation::kRetryPause;
    node.step = Step::kStart;
  }
  return false;
}

void DeleteReleased(Card& card, Node& node, std::uint8_t bits) {
  for (auto [slot, bit] : {std::pair{kSlotExplicit, kChoiceExplicit}, std::pair{kSlotPoll, kChoicePoll},
                           std::pair{kSlotStrobe, kChoiceStrobe}, std::pair{kSlotCosCyclic, kChoiceCosCyclic}}) {
    if ((bits & bit) == 0) continue;
    card.DeleteSlot(node, slot);
    node.allocatedSet &= static_cast<std::uint8_t>(~bit);
  }
}

void ReleaseWithDeletion(Card& card, Node& node, int mac, std::uint8_t bits) {
  if (node.ucmmNode && (bits & kChoiceExplicit)) {
    if (bits & ~kChoiceExplicit) ReleaseSet(card, mac, static_cast<std::uint8_t>(bits & ~kChoiceExplicit));
    CloseUcmm(card, node, mac);
    node.wantedSet &= static_cast<std::uint8_t>(~kChoiceExplicit);
  } else if (bits != 0) {
    ReleaseSet(card, mac, bits);
  }
  DeleteReleased(card, node, bits);
  if (node.wantedSet == 0 && node.wantedUcmm == 0) {
    // Kept until the card closes: exports may be reading it.
    for (int slot = 0; slot < kSlotCount; ++slot) card.DeleteSlot(node, slot);
    node.ResetInPlace();
  }
}

// A node whose wanted I/O is all allocated but has timed out gets its
// Connection class reset, which brings timed-out I/O connections back.
void ReviveTimedOutIo(Card& card, Node& node, Connection& via) {
  const std::uint8_t ioWanted = node.wantedSet & static_cast<std::uint8_t>(~kChoiceExplicit);
  if (!node.faulted || ioWanted == 0 || (node.allocatedSet & ioWanted) != ioWanted) return;
  const std::uint8_t body[2] = {kClassConnection, 0};
  std::uint8_t reply[8];
  std::uint16_t length = sizeof reply;
  // A node that refuses it keeps its I/O down; the configuration below then fails.
  Transact(card, via, kServiceReset, body, {&length, reply}, 10u * via.replyTimeoutMs);
}

// Reads what the node has allocated and configures the wanted I/O it holds.
bool CheckNode(Card& card, Node& node, int mac) {
  node.allocation = Allocation::kIdle;
  node.step = Step::kStart;
  ConnectionPtr via = ExplicitConnectionOf(node);
  if (via == nullptr) return false;
  bool ok = true;
  if (node.wantedSet != 0) {
    std::uint8_t data[8];
    std::uint16_t length = sizeof data;
    if (ReadAttribute(card, *via, kClassDeviceNet, 1, kAttributeAllocation, data, &length) && length == 2) {
      node.allocatedSet = data[0];
      node.allocatorMac = data[1];
      ReviveTimedOutIo(card, node, *via);
      for (const IoSlot& io : kIoSlots) {
        ConnectionPtr c = node.Slot(io.slot);
        const bool wanted = (node.scanlistChoice & io.bits) != 0;
        if (c != nullptr && wanted && (node.allocatedSet & io.bits) && (!c->established || c->timedOut)) {
          ConfigureIo(card, node, mac, io, *via);
        }
      }
    } else {
      via->timedOut = true;
      ok = false;
    }
  }
  if (node.wantedUcmm & kChoiceExplicit) {
    ConnectionPtr ucmm = node.Slot(kSlotUcmm);
    std::uint8_t data[8];
    std::uint16_t length = sizeof data;
    if (ucmm != nullptr && ReadAttribute(card, *ucmm, kClassConnection, static_cast<std::uint8_t>(ucmm->instance),
                                         kAttributeState, data, &length)) {
      node.ucmmOpen |= kChoiceExplicit;
    } else {
      if (ucmm != nullptr) ucmm->timedOut = true;
      node.ucmmOpen &= static_cast<std::uint8_t>(~kChoiceExplicit);
      ok = false;
    }
  }
  if (ok) {
    node.status = 0;
    if (!node.connected.exchange(true)) card.nodeStatusSchedule.Wake();
  }
  return ok;
}

bool AnySlotTimedOut(const Node& node) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (slot == kSlotExplicit && node.ucmmNode) continue;
    ConnectionPtr c = node.Slot(slot);
    if (c != nullptr && c->timedOut) return true;
  }
  return false;
}

bool NeedsMaintenance(const Node& node) {
  const bool explicitWanted = ((node.wantedSet | node.wantedUcmm) & kChoiceExplicit) != 0;
  const bool differs = node.wantedSet != node.allocatedSet || node.wantedUcmm != node.ucmmOpen;
  return explicitWanted && (!node.connected || node.faulted || differs);
}

bool ExplicitReady(const Node& node) {
  ConnectionPtr c = ExplicitConnectionOf(node);
  return c != nullptr && c->established && !c->timedOut;
}

// When the node next needs the scan thread: a node being connected is taken a
// step further every millisecond, unless it pauses, waits for the UCMM pacing
// or waits for the answer to its UCMM open or Group 2 Only allocation (whose
// end wakes the scan).
std::uint64_t NextMaintenance(const Card& card, const Node& node) {
  if (!NeedsMaintenance(node)) return kNever;
  std::uint64_t due = std::max(NowMs() + 1, node.pauseUntilMs.load());
  const bool opening = node.allocation == Allocation::kIdle || node.allocation == Allocation::kUcmmFirst ||
                       node.allocation == Allocation::kUcmmSecond;
  const bool group2 = node.allocation == Allocation::kGroup2;
  if ((!opening && !group2) || ExplicitReady(node)) return due;
  if (node.step == Step::kWaiting) return kNever;
  return group2 ? due : std::max(due, card.ucmmPacingUntilMs);
}

std::uint64_t MaintainNode(Card& card, Node& node, int mac) {
  // A restarted node holds nothing of what was allocated: allocate anew.
  if (node.restarted.exchange(false) && node.allocation == Allocation::kAllocated) {
    node.allocation = Allocation::kIdle;
    node.step = Step::kStart;
    node.allocatorMac = 0xFF;
  }
  const std::uint8_t unwanted = static_cast<std::uint8_t>((node.allocatedSet & ~node.wantedSet) |
                                                          (node.ucmmOpen & ~node.wantedUcmm));
  if (unwanted != 0) ReleaseWithDeletion(card, node, mac, unwanted);

  if (NeedsMaintenance(node) && NowMs() >= node.pauseUntilMs) {
    bool ready = ExplicitReady(node);
    if (!ready) ready = RunAllocation(card, node, mac) && ConfigureExplicit(card, node);
    if (ready && (!CheckNode(card, node, mac) || node.wantedSet != node.allocatedSet || AnySlotTimedOut(node))) {
      node.pauseUntilMs = NowMs() + kRecheckMs;
    }
  }
  node.faulted = AnySlotTimedOut(node);
  return NextMaintenance(card, node);
}

}  // namespace

bool AddToScanlist(Card& card, int mac, std::uint8_t choice, const DnetScanlistEntry& entry) {
  Node& node = card.EnsureNode(mac);
  std::lock_guard work(node.workMutex);
  if (choice & kChoiceExplicit) {
    const bool defaultSizes = entry.ExplicitProducedSize == 0 || entry.ExplicitConsumedSize == 0;
    node.explicitProduced = defaultSizes ? kDefaultExplicitSize : entry.ExplicitProducedSize;
    node.explicitConsumed = defaultSizes ? kDefaultExplicitSize : entry.ExplicitConsumedSize;
    node.explicitTimerReload = entry.ExplicitTimerReload;
    node.explicitPacketRate = entry.ExplicitPacketRate;
    ConnectionPtr c = PredefinedExplicit(card, node, mac);
    c->timedOut = true;
    node.scanlistChoice |= kChoiceExplicit;
    if (choice == kChoiceExplicit) {
      node.wantedUcmm |= kChoiceExplicit;
    } else {
      node.wantedSet |= kChoiceExplicit;
    }
  }
  struct IoRequest {
    int slot;
    std::uint8_t bits;
    std::uint16_t packetRate;
    std::uint16_t timerReload;
  };
  const IoRequest requests[] = {{kSlotPoll, kChoicePoll, entry.PollPacketRate, entry.PollTimerReload},
                                {kSlotStrobe, kChoiceStrobe, entry.StrobePacketRate, 0},
                                {kSlotCosCyclic, kChoiceCosCyclic, entry.CosCyclicPacketRate, 0}};
  for (const IoRequest& request : requests) {
    const std::uint8_t bits = choice & request.bits;
    if (bits == 0) continue;
    ConnectionPtr c = card.CreateSlot(node, mac, request.slot);
    c->expectedPacketRate = request.packetRate;
    c->timerReloadMs = request.timerReload;
    c->replyTimeoutMs = request.slot == kSlotPoll ? kPollReplyTimeoutMs : kDefaultReplyTimeoutMs;
    c->timedOut = true;
    if (request.slot == kSlotStrobe) card.strobeConnectionsExist = true;
    node.scanlistChoice |= bits;
    node.wantedSet |= bits;
  }
  node.pauseUntilMs = 0;
  card.scanSchedule.Wake();
  card.communicationSchedule.Wake();  // a strobe connection may exist now
  return true;
}

bool RemoveFromScanlist(Card& card, int mac, std::uint8_t choice) {
  Node* node = card.NodeAt(mac);
  if (node == nullptr) return true;
  std::lock_guard work(node->workMutex);
  node->scanlistChoice &= static_cast<std::uint8_t>(~choice);
  node->wantedSet &= static_cast<std::uint8_t>(~choice);
  if (choice & kChoiceExplicit) node->wantedUcmm &= static_cast<std::uint8_t>(~kChoiceExplicit);
  node->pauseUntilMs = 0;
  card.scanSchedule.Wake();
  return true;
}

bool AllocateBlocking(Card& card, int mac, std::uint8_t choice) {
  Node& node = card.EnsureNode(mac);
  // A node that already has an explicit connection allocates over it.
  if (ConnectionPtr c = ExplicitConnectionOf(node); c != nullptr && c->established && !c->timedOut) {
    const auto body = AllocateBody(card, choice);
    std::uint8_t reply[8];
    std::uint16_t length = sizeof reply;
    return Transact(card, *c, kServiceAllocate, body, {&length, reply}, 10u * c->replyTimeoutMs);
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    ConnectionPtr port;
    if (!SendUcmmOpen(card, node, mac)) break;
    port = node.Slot(kSlotUnconnected);
    std::uint8_t reply[8];
    std::uint16_t length = sizeof reply;
    if (AwaitResponse(card, *port, port->replyTimeoutMs, {&length, reply})) {
      return TakeUcmmOpen(card, node, mac, reply, length) && AllocateOverUcmm(card, node, mac, choice) &&
             CloseUcmm(card, node, mac);
    }
    if (IsStateConflictRefusal()) break;
  }
  return AllocateThroughGroup2(card, node, mac, choice);
}

bool ReleaseSet(Card& card, int mac, std::uint8_t choice) {
  Node* node = card.NodeAt(mac);
  if (node == nullptr) return false;
  const std::uint8_t body[3] = {kClassDeviceNet, 1, choice};
  std::uint8_t reply[8];
  std::uint16_t length = sizeof reply;
  if (ConnectionPtr c = node->Slot(kSlotExplicit);
      c != nullptr && Transact(card, *c, kServiceRelease, body, {&length, reply}, 10u * c->replyTimeoutMs)) {
    return true;
  }
  ConnectionPtr port = UnconnectedPort(card, *node, mac);
  UseGroup2Port(card, *port, mac);
  length = sizeof reply;
  return Transact(card, *port, kServiceRelease, body, {&length, reply}, 10u * port->replyTimeoutMs);
}

bool CloseUcmm(Card& card, Node& node, int mac) {
  ConnectionPtr ucmm = node.Slot(kSlotUcmm);
  if (ucmm == nullptr) return false;
  ConnectionPtr port = UnconnectedPort(card, node, mac);
  UseUcmmPort(card, *port, mac);
  const std::uint8_t body[2] = {Lo(static_cast<std::uint16_t>(ucmm->instance)),
                                Hi(static_cast<std::uint16_t>(ucmm->instance))};
  std::uint8_t reply[8];
  std::uint16_t length = sizeof reply;
  const bool closed = Transact(card, *port, kServiceRelease, body, {&length, reply}, port->replyTimeoutMs);
  // Closed or not, its identifiers are not to be used again.
  card.DeleteSlot(node, kSlotUcmm);
  node.ucmmNode = false;
  node.ucmmOpen &= static_cast<std::uint8_t>(~kChoiceExplicit);
  return closed;
}

void ReleaseAll(Card& card) {
  for (int mac = 0; mac < kNodeCount; ++mac) {
    Node* node = card.NodeAt(mac);
    if (node == nullptr) continue;
    std::lock_guard lock(node->workMutex);
    if (node->connected) {
      if (node->allocatorMac == card.ownMac) {
        const std::uint8_t allocated = node->allocatedSet;
        node->wantedSet &= static_cast<std::uint8_t>(~allocated);
        node->scanlistChoice &= static_cast<std::uint8_t>(~allocated);
        ReleaseWithDeletion(card, *node, mac, allocated);
      } else if (node->allocatorMac == 0xFF) {
        ReleaseWithDeletion(card, *node, mac, kChoiceExplicit);
      }
      if ((node->wantedUcmm & kChoiceExplicit) && node->Slot(kSlotUcmm) != nullptr) CloseUcmm(card, *node, mac);
    }
    node->scanlistChoice = node->wantedSet = node->wantedUcmm = 0;
    node->connected = false;
  }
}

// What the heartbeat would conclude after its third miss, known at once: the
// node is not connected and its connections are gone, so nothing is left to
// release there and the answers still awaited will not come. It answers
// nothing until its check has had its second.
void NodeRestarted(Card& card, Node& node) {
  node.connected = false;
  node.faulted = true;
  node.status = -1;
  node.allocatedSet = 0;
  node.ucmmOpen = 0;
  if (ConnectionPtr c = ExplicitConnectionOf(node)) c->timedOut = true;
  const std::uint64_t now = NowMs();
  for (int slot = 0; slot < kSlotCount; ++slot) {
    ConnectionPtr c = node.Slot(slot);
    if (c == nullptr) continue;
    std::lock_guard lock(c->mutex);
    if (c->waiting) c->replyDeadlineMs = now;
  }
  node.pauseUntilMs = now + kRestartCheckMs;
  node.restarted = true;
  card.communicationSchedule.Wake();
  card.scanSchedule.Wake();
}

std::uint64_t MaintainScan(Card& card) {
  std::uint64_t due = kNever;
  for (int mac = 0; mac < kNodeCount && !card.Closing(); ++mac) {
    Node* node = card.NodeAt(mac);
    if (node == nullptr) continue;
    std::lock_guard lock(node->workMutex);
    due = std::min(due, MaintainNode(card, *node, mac));
  }
  return due;
}

}  // namespace dncn
