// The serial link's byte stream from an interface: the parser synchronises,
// cuts frames whose checksum holds, and finishes each the moment its last
// byte is in (the receive thread reads exactly the bytes the parser asks
// for); every reply either yields a value of a size its query accepts or
// fails with a code, and a parameter array is only ever the announced length.
//
// Input: one byte for the time-stamp mode after synchronisation, then the
// stream.
#include <cstdint>
#include <vector>

#include "drivers/commandlink.h"
#include "drivers/serialframe.h"
#include "drivers/serialreply.h"
#include "platform/lasterror.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using drivers::CommandChannel;
using drivers::DeviceFrame;
using drivers::DeviceFrameParser;

void CheckFails(bool result) {
  if (result) return;
  const std::uint32_t code = platform::GetLastError();
  FUZZ_CHECK(code == drivers::kErrorNoReply || code == drivers::kErrorBadReply);
}

// The query shapes the drivers ask with.
const CommandChannel::Query kQueries[] = {
    {drivers::command::kGetOnline, {}, CommandChannel::ReplyForm::kPlain, 1, 1},
    {drivers::command::kGetBaud, {}, CommandChannel::ReplyForm::kPlain, 4, 4},
    {drivers::command::kMode, {}, CommandChannel::ReplyForm::kEcho, 1, 1},
    {drivers::command::kProductName, {}, CommandChannel::ReplyForm::kEcho, 0, 7},
    {drivers::command::kParameterGet, {}, CommandChannel::ReplyForm::kEcho, 1, 4},
    {drivers::command::kSectorSize, {}, CommandChannel::ReplyForm::kTagged, 2, 4},
};

// A parameter array gathered from the replies as they come: never more than
// the first reply announced.
class ArrayGatherer {
 public:
  void Take(const DeviceFrame& reply) {
    if (!started_) {
      started_ = gathered_.Start(reply);
      CheckFails(started_);
      announced_ = reply.length - 1u;
    } else {
      started_ = gathered_.Add(reply);
      CheckFails(started_);
    }
    if (!started_) return;
    FUZZ_CHECK(gathered_.Value().size() <= announced_);
    if (gathered_.Complete()) {
      FUZZ_CHECK(gathered_.Value().size() == announced_);
      started_ = false;
    }
  }

 private:
  drivers::ParameterArrayReply gathered_;
  bool started_ = false;
  std::size_t announced_ = 0;
};

void CheckReply(const DeviceFrame& reply, ArrayGatherer& gatherer) {
  for (const CommandChannel::Query& query : kQueries) {
    std::vector<std::uint8_t> value;
    const bool decoded = drivers::DecodeReply(query, reply, &value);
    CheckFails(decoded);
    if (decoded) FUZZ_CHECK(value.size() >= query.minValueSize && value.size() <= query.maxValueSize);
  }
  gatherer.Take(reply);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;
  DeviceFrameParser parser;
  parser.ExpectSynchronisation();
  ArrayGatherer gatherer;
  for (std::size_t i = 1; i < size; ++i) {
    const std::size_t wanted = parser.BytesToFrameEnd();
    FUZZ_CHECK(wanted >= 1 && wanted <= drivers::kMaxDeviceFrameSize);
    DeviceFrame frame;
    const DeviceFrameParser::Event event = parser.Feed(data[i], &frame);
    // Only the last byte of what was asked for completes something.
    if (event != DeviceFrameParser::Event::kNone) FUZZ_CHECK(wanted == 1);
    if (event == DeviceFrameParser::Event::kSynchronised) {
      FUZZ_CHECK(parser.Synchronised());
      parser.SetTimeStampMode(mode);
    }
    if (event == DeviceFrameParser::Event::kFrame) {
      FUZZ_CHECK(frame.stamped == (mode != 0));
      if (frame.id == drivers::kCommandId) CheckReply(frame, gatherer);
    }
  }
  return 0;
}
