#pragma once
// A bench library's end of the bus endpoint (see canbusendpoint.h): one
// connection, one bus peer. Used by the bench's stand-ins for other makers'
// libraries, inside the program's process.
#include <cstdint>
#include <string>

#include "sim/canbuswire.h"

namespace sim {

class CanBusClient {
 public:
  CanBusClient() = default;
  ~CanBusClient();
  CanBusClient(const CanBusClient&) = delete;
  CanBusClient& operator=(const CanBusClient&) = delete;

  // Connects to the endpoint that FLASHWRIGHT_CAN_BUS names. Refused, with
  // the reason on the standard error, unless its folder may be trusted (see
  // platform::TrustedFolder) and the socket in it is the user's own.
  bool Connect();
  // The bus's bit rate, as the endpoint told it at Connect.
  std::uint32_t BitRate() const { return bitRate_; }
  bool Send(const buswire::Packet& packet);
  // Waits for the next frame; false once the connection has ended or
  // Shutdown was called.
  bool Receive(buswire::Packet& packet);
  // Ends the connection: a waiting Receive returns false. The socket stays
  // until the destructor, so a reader thread may still be inside Receive.
  void Shutdown();

 private:
  int fd_ = -1;
  std::uint32_t bitRate_ = 0;
};

}  // namespace sim
