#pragma once
// The replies of the maker's interfaces on the serial link: a query's value
// taken from its reply frame by the reply's form, and a parameter array
// gathered from the reply frames it comes in.
//
// Failures leave a code in the last-error value: 0xFFF0 for a reply without
// a fitting value, 0x20000000 for one that does not echo its command.
#include <cstdint>
#include <vector>

#include "drivers/link.h"
#include "drivers/serialframe.h"

namespace drivers {

// The value of a query from its reply, within the query's accepted sizes.
bool DecodeReply(const CommandChannel::Query& query, const DeviceFrame& reply,
                 std::vector<std::uint8_t>* value);

// A reply that echoes the command: Flags 1 and byte 0 the command code.
bool IsEchoOf(const DeviceFrame& reply, std::uint8_t code);

// A parameter array (0x7E kind 7). A first reply of up to 8 bytes holds the
// whole value; a longer Length announces the total, which further reply
// frames of up to 8 bytes each carry on from byte 0.
class ParameterArrayReply {
 public:
  // Takes the first reply, which must echo 0x7E.
  bool Start(const DeviceFrame& first);
  // Takes a following reply; false when it does not fit the announced total.
  bool Add(const DeviceFrame& next);
  bool Complete() const { return value_.size() == total_; }
  const std::vector<std::uint8_t>& Value() const { return value_; }

 private:
  std::size_t total_ = 0;
  std::vector<std::uint8_t> value_;
};

}  // namespace drivers
