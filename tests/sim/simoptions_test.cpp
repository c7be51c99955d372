// The command line of flashwright-sim and the bench behind it, with a peer
// kind of the test's own (a node that answers requests).
#include "sim/simoptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "sim/bench.h"

namespace sim {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kRequestId = 0x100;

// Answers each request frame with identifier 0x100 + node number.
class EchoNode : public BenchPeer {
 public:
  EchoNode(CanBus& bus, std::uint8_t node, std::string label) : label_(std::move(label)), node_(node) {
    peer_ = bus.Attach(
        label_,
        [this](const BusFrame& frame) {
          if (frame.frame.id == kRequestId) peer_.Send(CanFrame::Standard(kRequestId + node_, {node_}));
        },
        Power::Off);
    peer_.Reattach();
  }
  std::vector<std::string> ConnectionInfo() const override {
    return {"echo node " + std::to_string(node_) + " (" + label_ + ")"};
  }

 private:
  std::string label_;
  std::uint8_t node_;
  BusPeer peer_;
};

PeerKindRegistry EchoKinds() {
  PeerKindRegistry kinds;
  kinds.Add({"echo",
             "a node that answers requests",
             {{"node", "node number, 1 to 63", std::nullopt}, {"label", "name on the bus", "echo"}},
             [](CanBus& bus, const PeerSettings& settings) {
               return std::make_unique<EchoNode>(
                   bus, static_cast<std::uint8_t>(settings.Number("node", 1, 63)), settings.Text("label"));
             }});
  return kinds;
}

TEST(SimOptions, AcceptsBusSettingsInBothSpellings) {
  const PeerKindRegistry none;
  const SimOptions defaults = ParseSimOptions({}, none);
  EXPECT_EQ(defaults.bench.bus.bitRate, 125'000u);
  EXPECT_TRUE(defaults.bench.bus.pacing);
  EXPECT_FALSE(defaults.bench.bus.serialPacing);
  EXPECT_EQ(defaults.bench.pcapPath, "");

  const SimOptions given = ParseSimOptions(
      {"--bit-rate", "500k", "--pacing=off", "--serial-pacing", "on", "--pcap", "x.pcap"}, none);
  EXPECT_EQ(given.bench.bus.bitRate, 500'000u);
  EXPECT_FALSE(given.bench.bus.pacing);
  EXPECT_TRUE(given.bench.bus.serialPacing);
  EXPECT_EQ(given.bench.pcapPath, "x.pcap");
  EXPECT_EQ(ParseSimOptions({"--bit-rate=1M"}, none).bench.bus.bitRate, 1'000'000u);
  EXPECT_EQ(ParseSimOptions({"--bit-rate", "10000"}, none).bench.bus.bitRate, 10'000u);
  EXPECT_TRUE(ParseSimOptions({"-h"}, none).help);
}

TEST(SimOptions, RefusesWhatItCannotUse) {
  const PeerKindRegistry none;
  const PeerKindRegistry kinds = EchoKinds();
  const std::vector<std::vector<std::string>> bad = {
      {"--bit-rate"},
      {"--bit-rate", "0"},
      {"--bit-rate", "2M"},
      {"--bit-rate", "fast"},
      {"--bit-rate", "1000001"},
      {"--pacing", "maybe"},
      {"--serial-pacing=1"},
      {"--pcap="},
      {"--verbose"},
      {"--peer", "nosuch"},
      {"--peer", "echo"},  // node is required
      {"--peer", "echo:node=64"},
      {"--peer", "echo:node=1,colour=red"},
      {"--peer", "echo:node"},
      {"--peer", "echo:node=1,node=2"},
      {"--peer", "echo:node=1,label=\"open"},
      {"--peer", "echo:,node=1"},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const std::string& arg : args) joined += arg + " ";
    SCOPED_TRACE(joined);
    EXPECT_THROW(
        {
          const SimOptions options = ParseSimOptions(args, kinds);
          for (const PeerRequest& peer : options.peers) {
            Bench bench({});
            bench.AddPeer(*peer.kind, peer.settings);
          }
        },
        std::invalid_argument);
  }
  // Without peer kinds there is no --peer at all.
  EXPECT_THROW(ParseSimOptions({"--peer", "echo:node=1"}, none), std::invalid_argument);
}

TEST(SimOptions, PeerValuesInDoubleQuotesKeepTheirCommas) {
  const PeerKindRegistry kinds = EchoKinds();
  const SimOptions options = ParseSimOptions({"--peer", R"(echo:label="left, right",node=3,)"}, kinds);
  ASSERT_EQ(options.peers.size(), 1u);
  // The kind decides what the quotes mean; the value comes as written.
  EXPECT_EQ(options.peers[0].settings.Text("label"), R"("left, right")");
  EXPECT_EQ(options.peers[0].settings.Number("node", 1, 63), 3);
}

TEST(SimOptions, HelpListsPeerKindsOnlyWhenThereAreSome) {
  const std::string plain = SimHelp(PeerKindRegistry());
  for (const char* option : {"--bit-rate", "--pacing", "--serial-pacing", "--pcap", "--help"})
    EXPECT_NE(plain.find(option), std::string::npos);
  EXPECT_EQ(plain.find("--peer"), std::string::npos);
  const std::string withKinds = SimHelp(EchoKinds());
  EXPECT_NE(withKinds.find("--peer"), std::string::npos);
  EXPECT_NE(withKinds.find("echo  a node that answers requests"), std::string::npos);
  EXPECT_NE(withKinds.find("label=VALUE  name on the bus (default echo)"), std::string::npos);
}

TEST(Bench, StartsRequestedPeersOnItsBus) {
  const PeerKindRegistry kinds = EchoKinds();
  const SimOptions options = ParseSimOptions(
      {"--pacing", "off", "--peer", "echo:node=5", "--peer", "echo:node=0x07,label=seven"}, kinds);
  Bench bench(options.bench);
  for (const PeerRequest& request : options.peers) bench.AddPeer(*request.kind, request.settings);
  EXPECT_EQ(bench.Describe(), (std::vector<std::string>{"CAN bus: 125000 bit/s, pacing off, serial pacing off",
                                                        "echo node 5 (echo)", "echo node 7 (seven)"}));

  BusPeer tester = bench.Bus().Attach("tester");
  tester.Send(CanFrame::Standard(kRequestId, {}));
  std::vector<std::uint8_t> answers;
  BusFrame frame;
  while (answers.size() < 2 && tester.Receive(frame, 10s) == ReceiveStatus::Received)
    answers.push_back(frame.frame.data[0]);
  std::sort(answers.begin(), answers.end());
  EXPECT_EQ(answers, (std::vector<std::uint8_t>{5, 7}));
}

TEST(Bench, UnwritableCaptureIsAnError) {
  EXPECT_THROW(Bench(BenchOptions{.bus = {}, .pcapPath = "/nonexistent-directory/x.pcap"}),
               std::runtime_error);
}

}  // namespace
}  // namespace sim
