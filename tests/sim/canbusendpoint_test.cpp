// The bus offered over a socket: frames pass both ways between a client and
// the bus's own peers, and a client refuses an endpoint others could reach.
#include "sim/canbusendpoint.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>

#include "sim/canbusclient.h"
#include "tests/support/scratch.h"

namespace {

using namespace std::chrono_literals;

class EndpointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(endpoint.Start());
    variable.emplace(sim::buswire::kEndpointVariable, endpoint.SocketPath());
  }

  sim::CanBus bus;
  sim::CanBusEndpoint endpoint{bus};
  std::optional<benchtest::ScopedEnv> variable;
};

TEST_F(EndpointTest, FramesPassBothWays) {
  sim::BusPeer node = bus.Attach("node");
  sim::CanBusClient client;
  ASSERT_TRUE(client.Connect());
  EXPECT_EQ(client.BitRate(), bus.BitRate());

  sim::buswire::Packet out;
  out.id = 0x2A5;
  out.length = 2;
  out.data[0] = 0x12, out.data[1] = 0x34;
  ASSERT_TRUE(client.Send(out));
  sim::BusFrame received;
  ASSERT_EQ(node.Receive(received, 5000ms), sim::ReceiveStatus::Received);
  EXPECT_EQ(received.frame, sim::CanFrame::Standard(0x2A5, {0x12, 0x34}));

  ASSERT_EQ(node.Send(sim::CanFrame::Remote(0x701, 1)), sim::SendResult::Queued);
  sim::buswire::Packet in;
  ASSERT_TRUE(client.Receive(in));
  EXPECT_EQ(in.id, 0x701u);
  EXPECT_EQ(in.flags, sim::buswire::kRemote);
  EXPECT_EQ(in.length, 1);

  client.Shutdown();
  EXPECT_FALSE(client.Receive(in)) << "a shut client receives nothing more";
}

TEST_F(EndpointTest, OnlyTheUsersOwnFolderIsTrusted) {
  const std::filesystem::path folder = std::filesystem::path(endpoint.SocketPath()).parent_path();
  struct stat status;
  ASSERT_EQ(::stat(folder.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u) << "made open to the user alone";

  ASSERT_EQ(::chmod(folder.c_str(), 0770), 0);
  sim::CanBusClient client;
  EXPECT_FALSE(client.Connect()) << "a folder the group may write to";
  ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
  EXPECT_TRUE(client.Connect());

  // A link to the folder is refused however the path is written.
  const std::filesystem::path link = folder.parent_path() / (folder.filename().string() + "-link");
  std::filesystem::create_directory_symlink(folder, link);
  for (const char* separator : {"/", "//"}) {
    benchtest::ScopedEnv throughLink(sim::buswire::kEndpointVariable, link.string() + separator + "bus");
    sim::CanBusClient refused;
    EXPECT_FALSE(refused.Connect()) << separator;
  }
  std::filesystem::remove(link);
}

TEST(Endpoint, StoppingRemovesSocketAndFolder) {
  sim::CanBus bus;
  std::string folder;
  {
    sim::CanBusEndpoint endpoint(bus);
    ASSERT_TRUE(endpoint.Start());
    folder = std::filesystem::path(endpoint.SocketPath()).parent_path().string();
    sim::CanBusClient client;
    benchtest::ScopedEnv variable(sim::buswire::kEndpointVariable, endpoint.SocketPath());
    ASSERT_TRUE(client.Connect());
  }
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
