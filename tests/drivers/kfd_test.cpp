// The 1770-KFD link of the QX240 driver library through its exports, loaded
// by name as VRK_CAN loads it, against the bench's module on a
// pseudo-terminal: the module's commands, CAN frames both ways, and the DF1
// recovery when the module refuses, loses or garbles messages or falls
// silent.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <set>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "drivers/canmessage.h"
#include "drivers/kfdlink.h"
#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "sim/canbus.h"
#include "sim/kfd/kfdmodule.h"
#include "sim/kfd/kfdpeerkind.h"
#include "sim/qx240/serialline.h"
#include "tests/drivers/adapterapi.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/eventually.h"
#include "tests/support/kfdbench.h"

namespace {

using drivers::CanMessage;
using drivertest::AdapterApi;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

AdapterApi& Api() {
  static AdapterApi api("qx240.dll");
  return api;
}

constexpr std::int32_t kMac = 5;
constexpr std::uint32_t kNoModuleReply = 0xFFFFFFFF;
constexpr std::uint32_t kNotAcknowledged = 0xFFF0;

CanMessage Frame(std::uint32_t id, Bytes data) {
  CanMessage frame{};
  frame.Id = id;
  frame.Length = std::uint8_t(data.size());
  std::copy(data.begin(), data.end(), frame.Data);
  return frame;
}

// A message as the module sends it, with a body of the given data bytes.
Bytes ModuleMessage(std::uint16_t id, const Bytes& data) {
  Bytes body = {0, 0, 0x0C, 0, 1, 0, std::uint8_t(id), std::uint8_t(id >> 8)};
  body.insert(body.end(), data.begin(), data.end());
  Bytes bytes = {0x10, 0x02};
  std::uint8_t sum = 0;
  for (std::uint8_t b : body) {
    bytes.push_back(b);
    if (b == 0x10) bytes.push_back(0x10);
    sum = std::uint8_t(sum + b);
  }
  bytes.insert(bytes.end(), {0x10, 0x03, std::uint8_t(-sum)});
  return bytes;
}

class KfdLinkTest : public benchtest::KfdBench {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Api().Loaded());
    KfdBench::SetUp();
  }

  void TearDown() override {
    if (card != 0) {
      EXPECT_EQ(Api().CloseCard(card), 1);
    }
  }

  int OpenCard(std::int32_t comPort = 1) {
    InterfaceConfiguration record = Interface();
    record.ComPort = comPort;
    return Api().OpenInterface(&card, &record);
  }

  void Open() {
    ASSERT_EQ(OpenCard(), 1) << std::hex << platform::GetLastError();
    ASSERT_EQ(Api().CAN_SetId(card, kMac), 1);
  }

  void OpenOnline() {
    Open();
    ASSERT_EQ(Api().CAN_SetOnline(card, 1), 1) << std::hex << platform::GetLastError();
  }

  // How long a call took, in process milliseconds.
  template <typename Call>
  static std::uint32_t Timed(Call call) {
    const std::uint32_t start = platform::GetTickCount();
    call();
    return platform::GetTickCount() - start;
  }

  sim::BusPeer node = bus.Attach("node");
  std::int32_t card = 0;
};

TEST_F(KfdLinkTest, GoesOnlineByStopMacRateStartAndOfflineByStop) {
  Open();
  EXPECT_EQ(Api().CAN_SetBaud(card, 1000000), 0);
  EXPECT_EQ(Api().CAN_SetId(card, 64), 0);
  ASSERT_EQ(Api().CAN_SetBaud(card, 125000), 1);
  std::int32_t online = -1;
  ASSERT_EQ(Api().CAN_GetOnline(card, &online), 1);
  EXPECT_EQ(online, 0);

  ASSERT_EQ(Api().CAN_SetOnline(card, 1), 1) << std::hex << platform::GetLastError();
  EXPECT_EQ(module.State().commands, (std::vector<Bytes>{{5, 0x07, 3, 1},
                                                         {5, 0x10, 3, 1, 1, 5},
                                                         {5, 0x10, 3, 1, 2, 0},
                                                         {5, 0x06, 3, 1}}));
  EXPECT_TRUE(module.State().online);
  EXPECT_EQ(module.State().mac, kMac);
  ASSERT_EQ(Api().CAN_GetOnline(card, &online), 1);
  EXPECT_EQ(online, 1);
  std::uint32_t rate = 0;
  ASSERT_EQ(Api().CAN_GetBaud(card, &rate), 1);
  EXPECT_EQ(rate, 125000u);

  ASSERT_EQ(Api().CAN_SetOnline(card, 0), 1);
  EXPECT_EQ(module.State().commands.back(), (Bytes{5, 0x07, 3, 1}));
  EXPECT_FALSE(module.State().online);
  ASSERT_EQ(Api().CAN_GetOnline(card, &online), 1);
  EXPECT_EQ(online, 0);
}

TEST_F(KfdLinkTest, AStartTheModuleRefusesFailsAndLeavesTheLinkOffline) {
  Open();
  // The bench's bus runs at 125 kbit/s: the module will not start at 500.
  ASSERT_EQ(Api().CAN_SetBaud(card, 500000), 1);
  EXPECT_EQ(Api().CAN_SetOnline(card, 1), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFFAAu);
  std::int32_t online = -1;
  ASSERT_EQ(Api().CAN_GetOnline(card, &online), 1);
  EXPECT_EQ(online, 0);
  EXPECT_FALSE(module.State().online);
}

TEST_F(KfdLinkTest, FiltersAskTheModuleExceptForWhatItPassesByItself) {
  OpenOnline();
  const std::size_t before = module.State().commands.size();
  // Its own duplicate MAC ID check, group 2 explicit responses, group 3
  // unconnected responses.
  for (std::uint32_t id : {0x42Fu, 0x40Bu, 0x5FBu, 0x745u}) EXPECT_EQ(Api().CAN_AddFilter(card, id), 1) << id;
  EXPECT_EQ(module.State().commands.size(), before);

  ASSERT_EQ(Api().CAN_AddFilter(card, 0x3C5), 1);
  ASSERT_EQ(Api().CAN_RemoveFilter(card, 0x3C5), 1);
  ASSERT_EQ(Api().CAN_AddFilter(card, 0x3C7), 1);
  EXPECT_EQ(module.State().filters, (std::set<std::uint16_t>{0x3C7}));
  ASSERT_EQ(Api().CAN_RemoveFilter(card, 0xFFFFFFFF), 1);
  const auto commands = module.State().commands;
  EXPECT_EQ(std::vector<Bytes>(commands.begin() + std::ptrdiff_t(before), commands.end()),
            (std::vector<Bytes>{{5, 0x08, 0xCB, 0, 0xC5, 3},
                                {5, 0x09, 0xCB, 0xC5, 3},
                                {5, 0x08, 0xCB, 0, 0xC7, 3},
                                {5, 0x09, 0xCB, 0, 0}}));
  EXPECT_TRUE(module.State().filters.empty());
}

TEST_F(KfdLinkTest, CarriesFramesBothWaysAndSignalsEachArrival) {
  OpenOnline();
  const platform::Handle arrived = platform::CreateEvent(false, false, nullptr);
  ASSERT_EQ(Api().CAN_RegisterReceiveEvent(card, arrived, 1), 1);
  ASSERT_EQ(Api().CAN_AddFilter(card, 0x3C5), 1);

  const CanMessage out = Frame(0x410, {0x10, 0x10, 0x03, 0xFF});
  ASSERT_EQ(Api().CAN_Transmit(card, &out), 1);
  sim::BusFrame seen;
  ASSERT_EQ(node.Receive(seen, 5000ms), sim::ReceiveStatus::Received);
  EXPECT_EQ(seen.frame, sim::CanFrame::Standard(0x410, {0x10, 0x10, 0x03, 0xFF}));

  node.Send(sim::CanFrame::Standard(0x3C6, {9}));  // not accepted: the module keeps it
  node.Send(sim::CanFrame::Standard(0x3C5, {1, 0x10, 2, 3, 4, 5, 6, 7}));
  ASSERT_EQ(platform::WaitForSingleObject(arrived, 5000), platform::kWaitObject0);
  CanMessage in{};
  ASSERT_EQ(Api().CAN_Receive(card, &in), 1);
  EXPECT_EQ(in.Id, 0x3C5u);
  ASSERT_EQ(in.Length, 8);
  EXPECT_EQ(in.Data[1], 0x10);
  EXPECT_NE(in.TimeStampLow | in.TimeStampHigh, 0u);
  EXPECT_EQ(Api().CAN_Receive(card, &in), 0);
  EXPECT_EQ(in.Id, 0xFFFFu);
  platform::CloseHandle(arrived);

  // What DF1 cannot carry is refused, not sent as something else.
  CanMessage tooLong = Frame(0x410, {});
  tooLong.Length = 9;
  CanMessage remote = Frame(0x410, {});
  remote.Flags = drivers::kRemoteFrameFlag;
  const CanMessage commandId = Frame(0xFFFF, {5, 0x07, 3, 1});
  for (const CanMessage& refused : {tooLong, remote, commandId}) EXPECT_EQ(Api().CAN_Transmit(card, &refused), 0);
  EXPECT_TRUE(module.State().online);
}

TEST_F(KfdLinkTest, OpeningNeedsAPortAndAModuleThatAnswers) {
  EXPECT_EQ(OpenCard(5), 0);
  EXPECT_EQ(platform::GetLastError(), 0xF001u);
  module.SetFaults({.silent = true});
  {
    // Only the silent module's unanswered rounds are sped up.
    ScopedTimeScale fast(50);
    EXPECT_EQ(OpenCard(), 0);
    EXPECT_EQ(platform::GetLastError(), kNotAcknowledged);
  }
  card = 0;
  module.SetFaults({});
  OpenOnline();  // the port was let go

  // The module now answers an enquiry with ACK, its answer to our last
  // message: that shows it is there as well as a NAK does.
  ASSERT_EQ(Api().CloseCard(card), 1);
  card = 0;
  ScopedTimeScale realTime(1);  // the check's answer window as a user's machine has it
  const std::uint64_t enquiries = module.State().enquiries;
  Open();
  EXPECT_EQ(module.State().enquiries - enquiries, 1u) << "no round of unanswered checks";
}

TEST(KfdLineRate, IsTheRateAskedForWhenTheModuleRunsItElse19200) {
  const std::pair<std::int32_t, std::uint32_t> cases[] = {
      {9600, 9600},     {19200, 19200},   {38400, 38400}, {57600, 57600}, {100000, 100000},
      {115200, 115200}, {128000, 128000}, {14400, 19200}, {0, 19200},     {230400, 19200}};
  for (const auto& [asked, runs] : cases) EXPECT_EQ(drivers::KfdLink::LineRate(asked), runs) << asked;
}

TEST_F(KfdLinkTest, TheModulesOwnQueriesAndParametersAreNotThere) {
  Open();
  std::uint8_t byte = 0;
  std::uint32_t value = 0;
  std::int32_t major = 0, minor = 0;
  EXPECT_EQ(Api().CAN_GetBrp(card, &byte), 0);
  EXPECT_EQ(Api().CAN_GetGlobalMaskShort(card, &value), 0);
  EXPECT_EQ(Api().CAN_SetTSeg1(card, 1), 0);
  EXPECT_EQ(Api().CAN_Set_TimeStampMode(card, 1), 0);
  EXPECT_EQ(Api().CAN_Reset(card), 0);
  EXPECT_EQ(Api().Hardware_Version(card, &major, &minor), 0);
  EXPECT_EQ(Api().Get_Serial_Number(card, &value), 0);
  EXPECT_EQ(Api().Parameter_Get_USIGN8(card, 1, &byte), 0);
  EXPECT_EQ(Api().FirmwareUpgrade(card), 0);
  EXPECT_TRUE(module.State().commands.empty());
}

// Each fault ends in success after the recovery DF1 allows, or in a clear
// error once the repeats, enquiries or the 750 ms deadline are used up;
// after a give-up the next message goes through at once.
TEST_F(KfdLinkTest, RecoversFromRefusalsAndLostAcknowledgementsAndGivesUpInTime) {
  struct Case {
    const char* what;
    sim::KfdFaults faults;
    bool sent;
    std::uint64_t enquiries;
    // Only silence leaves the link's timers to run out, so only it is sped
    // up; the other cases end on the module's answers, whose round trip
    // keeps real time. A link thread that gets to run only after the
    // deadline gives up without the enquiry then due, so silence may end
    // after one enquiry instead of two.
    bool silent;
  };
  const Case cases[] = {
      {"two refusals", {.naks = 2}, true, 0, false},
      {"three refusals", {.naks = 3}, false, 0, false},
      {"a lost acknowledgement", {.lostAcks = 1}, true, 1, false},
      {"silence", {.silent = true}, false, 2, true},
  };
  OpenOnline();
  for (const Case& c : cases) {
    const sim::KfdModuleState before = module.State();
    module.SetFaults(c.faults);
    const CanMessage out = Frame(0x410, {1, 2});
    int result = -1;
    std::uint32_t took = 0;
    {
      ScopedTimeScale fast(c.silent ? 2 : 1);
      took = Timed([&] { result = Api().CAN_Transmit(card, &out); });
    }
    module.SetFaults({});
    EXPECT_EQ(result, c.sent ? 1 : 0) << c.what;
    if (!c.sent) {
      EXPECT_EQ(platform::GetLastError(), kNotAcknowledged) << c.what;
      EXPECT_LE(took, 2000u) << c.what;
    }
    if (c.silent) {
      EXPECT_GE(took, 750u) << c.what;
    }
    const auto enquiries = [&] { return module.State().enquiries - before.enquiries; };
    const std::uint64_t fewest = c.silent ? 1 : c.enquiries;
    EXPECT_TRUE(benchtest::Eventually([&] { return enquiries() >= fewest; })) << c.what;
    EXPECT_LE(enquiries(), c.enquiries) << c.what;
    EXPECT_EQ(Api().CAN_Transmit(card, &out), 1) << c.what << ": " << std::hex << platform::GetLastError();
  }
}

TEST_F(KfdLinkTest, AGarbledMessageIsRefusedAndTakenOnceRepeatedAndGarbledRepliesFailTheCommand) {
  OpenOnline();
  ASSERT_EQ(Api().CAN_AddFilter(card, 0x3C5), 1);
  const std::uint64_t naks = module.State().naksFromHost;
  module.SetFaults({.garbled = 1});
  node.Send(sim::CanFrame::Standard(0x3C5, {7}));
  ASSERT_TRUE(benchtest::Eventually([&] { return module.State().framesToHost == 1; }));
  EXPECT_EQ(module.State().naksFromHost, naks + 1);
  CanMessage in{};
  ASSERT_EQ(Api().CAN_Receive(card, &in), 1);
  EXPECT_EQ(in.Data[0], 7);
  EXPECT_EQ(Api().CAN_Receive(card, &in), 0);

  ScopedTimeScale fast(5);
  module.SetFaults({.garbled = 1000});
  std::int32_t result = -1;
  const std::uint32_t took = Timed([&] { result = Api().CAN_AddFilter(card, 0x3C7); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(platform::GetLastError(), kNoModuleReply);
  EXPECT_LE(took, 2000u);
}

TEST_F(KfdLinkTest, MessagesWithMoreThanEightDataBytesOrPastTheBufferAreRefusedAndNotDelivered) {
  OpenOnline();
  const std::uint64_t naks = module.State().naksFromHost;
  ASSERT_TRUE(module.SendRaw(ModuleMessage(0x3C5, Bytes(9, 0x11))));
  ASSERT_TRUE(module.SendRaw(ModuleMessage(0x3C5, Bytes(120, 0x22))));
  ASSERT_TRUE(module.SendRaw(ModuleMessage(0x3C5, {0x33})));
  ASSERT_TRUE(benchtest::Eventually([&] { return module.State().naksFromHost == naks + 2; }));
  CanMessage in{};
  ASSERT_TRUE(benchtest::Eventually([&] { return Api().CAN_Receive(card, &in) == 1; }));
  EXPECT_EQ(in.Length, 1);
  EXPECT_EQ(in.Data[0], 0x33);
  EXPECT_EQ(Api().CAN_Receive(card, &in), 0);
}

TEST_F(KfdLinkTest, AReplyThatCameBeforeTheCommandIsNotTakenForItsAnswer) {
  OpenOnline();
  // A late answer to an accept command arrives; the next accept gets none.
  const auto repliesTaken = [&](std::size_t extra) {
    return benchtest::Eventually([&] {
      const sim::KfdModuleState state = module.State();
      return state.repliesToHost == state.commands.size() + extra;
    });
  };
  ASSERT_TRUE(repliesTaken(0));
  module.SendToHost(sim::KfdModule::kModuleId, std::vector<std::uint8_t>{5, 0x88});
  ASSERT_TRUE(repliesTaken(1));
  // The module acknowledges the command and never answers it. Only the wait
  // for the answer is sped up, once the module has the command: its
  // acknowledgement ends on a round trip in real time.
  ScopedTimeScale realTime(1);
  module.SetCommandInterceptor([](std::span<const std::uint8_t>) {
    platform::SetTimeScale(5);
    return std::vector<std::uint8_t>{};
  });
  EXPECT_EQ(Api().CAN_AddFilter(card, 0x3C7), 0);
  EXPECT_EQ(platform::GetLastError(), kNoModuleReply);
}

// Every send holds the line until its acknowledgement, whichever thread it
// comes from, and the module's quick answers are never missed.
TEST_F(KfdLinkTest, SendsFromSeveralThreadsGoOneAtATimeWithoutEnquiries) {
  OpenOnline();
  const std::uint64_t enquiries = module.State().enquiries;  // the link check's
  constexpr int kThreads = 4, kFrames = 50;
  std::vector<std::thread> senders;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([&, t] {
      for (int i = 0; i < kFrames; ++i) {
        const CanMessage out = Frame(0x400 + std::uint32_t(t), {std::uint8_t(i)});
        if (Api().CAN_Transmit(card, &out) != 1) ++failures;
      }
    });
  }
  for (std::thread& sender : senders) sender.join();
  EXPECT_EQ(failures, 0);
  std::vector<int> next(kThreads, 0);
  for (int n = 0; n < kThreads * kFrames; ++n) {
    sim::BusFrame seen;
    ASSERT_EQ(node.Receive(seen, 5000ms), sim::ReceiveStatus::Received);
    const std::size_t sender = seen.frame.id - 0x400;
    ASSERT_LT(sender, next.size());
    EXPECT_EQ(seen.frame.data[0], next[sender]++);
  }
  EXPECT_EQ(module.State().enquiries, enquiries);
  EXPECT_EQ(module.State().naksFromHost, 0u);
}

// flashwright-sim's "kfd" peer: its options reach the module, and it tells
// the user the port setting that reaches it.
TEST(KfdPeerKind, StartsAModuleWithItsFaultSwitchesAndSaysHowToReachIt) {
  const sim::PeerKind kind = sim::KfdPeerKind();
  EXPECT_THROW(sim::ParsePeerSettings(kind, "silent=2").Number("silent", 0, 1), std::invalid_argument);
  sim::CanBus bus;
  const auto peer = kind.create(bus, sim::ParsePeerSettings(kind, "com=2,naks=3"));
  const std::vector<std::string> info = peer->ConnectionInfo();
  ASSERT_EQ(info.size(), 1u);
  const std::size_t setting = info[0].find("FLASHWRIGHT_COM2=");
  ASSERT_NE(setting, std::string::npos) << info[0];
  benchtest::ScopedEnv port("FLASHWRIGHT_COM2", info[0].substr(setting + 17));

  InterfaceConfiguration record = benchtest::KfdOnCom1();
  record.ComPort = 2;
  std::int32_t card = 0;
  ASSERT_EQ(Api().OpenInterface(&card, &record), 1) << std::hex << platform::GetLastError();
  ScopedTimeScale fast(5);
  EXPECT_EQ(Api().CAN_SetOnline(card, 1), 0);  // its first command is refused three times
  EXPECT_EQ(platform::GetLastError(), kNotAcknowledged);
  EXPECT_EQ(Api().CloseCard(card), 1);
}

// With a paced line the module holds every byte for its time at the rate the
// driver set: the link goes online and carries frames through it, and no
// step is done before the bytes it needed could have crossed the line.
TEST(KfdPacedLine, GoesOnlineAndCarriesFramesNoFasterThanTheLine) {
  sim::CanBus bus;
  sim::BusPeer node = bus.Attach("node");
  sim::KfdModule module({}, /*pacedLine=*/true);
  ASSERT_TRUE(module.Start());
  module.AttachToBus(bus);
  benchtest::ScopedEnv port("FLASHWRIGHT_COM1", module.SlavePath());

  ScopedTimeScale fast(4);
  const std::uint64_t startUs = platform::NowMicroseconds();
  constexpr std::uint32_t kLineRate = 9600;
  InterfaceConfiguration record = benchtest::KfdOnCom1();
  record.ComBaud = kLineRate;
  std::int32_t card = 0;
  ASSERT_EQ(Api().OpenInterface(&card, &record), 1) << std::hex << platform::GetLastError();
  ASSERT_EQ(Api().CAN_SetId(card, kMac), 1);
  ASSERT_EQ(Api().CAN_SetOnline(card, 1), 1) << std::hex << platform::GetLastError();
  for (std::uint8_t i = 0; i < 10; ++i) {
    const CanMessage out = Frame(0x410, {0x10, i, 2});
    ASSERT_EQ(Api().CAN_Transmit(card, &out), 1);
    sim::BusFrame seen;
    ASSERT_EQ(node.Receive(seen, 5000ms), sim::ReceiveStatus::Received);
    EXPECT_EQ(seen.frame, sim::CanFrame::Standard(0x410, {0x10, i, 2}));
  }
  const sim::KfdModuleState state = module.State();
  const std::uint64_t elapsedUs = platform::NowMicroseconds() - startUs;
  EXPECT_GE(elapsedUs, std::uint64_t(sim::LineTime(state.lineBytesIn, kLineRate).count()));
  EXPECT_TRUE(state.online);
  EXPECT_EQ(Api().CloseCard(card), 1);
}

}  // namespace
