#pragma once
// The bus offered to processes outside the bench: a Unix socket in a folder
// of the user's own (made for it, mode 0700), whose path the bench prints as
// FLASHWRIGHT_CAN_BUS. Each connection becomes a peer of the bus; the frames
// pass both ways (see canbuswire.h), paced and logged by the bus itself.
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/canbus.h"

namespace sim {

class CanBusEndpoint {
 public:
  explicit CanBusEndpoint(CanBus& bus);
  ~CanBusEndpoint();
  CanBusEndpoint(const CanBusEndpoint&) = delete;
  CanBusEndpoint& operator=(const CanBusEndpoint&) = delete;

  // Makes the folder and the socket. False (with errno's reason on the
  // standard error) when either cannot be made.
  bool Start();
  // Every connected peer leaves the bus; the socket and folder go.
  void Stop();

  const std::string& SocketPath() const { return socketPath_; }

 private:
  struct Connection {
    int fd = -1;
    BusPeer peer;
    std::thread reader;
  };

  void AcceptLoop();
  void Serve(Connection& connection);

  CanBus& bus_;
  std::string folder_;
  std::string socketPath_;
  int listener_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;
  std::mutex connectionsMutex_;
  std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace sim
