#include "drivers/serialreply.h"

#include <algorithm>

#include "drivers/commandlink.h"
#include "platform/lasterror.h"

namespace drivers {
namespace {

bool Fail(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}

}  // namespace

bool DecodeReply(const CommandChannel::Query& query, const DeviceFrame& reply,
                 std::vector<std::uint8_t>* value) {
  if (reply.length == 0 || reply.length > kMaxDataLength) return Fail(kErrorNoReply);
  std::size_t offset = 0;
  if (query.form != CommandChannel::ReplyForm::kPlain) {
    const bool flagsFit = query.form == CommandChannel::ReplyForm::kTagged || reply.flags == 1;
    if (!flagsFit || reply.data[0] != query.code) return Fail(kErrorBadReply);
    offset = 1;
  }
  const std::size_t size = reply.length - offset;
  if (size < query.minValueSize || size > query.maxValueSize) return Fail(kErrorNoReply);
  value->assign(reply.data.begin() + offset, reply.data.begin() + offset + size);
  return true;
}

bool IsEchoOf(const DeviceFrame& reply, std::uint8_t code) {
  if (reply.length == 0) return Fail(kErrorNoReply);
  if (reply.flags != 1 || reply.data[0] != code) return Fail(kErrorBadReply);
  return true;
}

bool ParameterArrayReply::Start(const DeviceFrame& first) {
  if (!IsEchoOf(first, command::kParameterGet)) return false;
  total_ = first.length - 1u;
  const std::size_t inFirst = std::min<std::size_t>(total_, kMaxDataLength - 1);
  value_.assign(first.data.begin() + 1, first.data.begin() + 1 + inFirst);
  return true;
}

bool ParameterArrayReply::Add(const DeviceFrame& next) {
  if (next.length == 0 || next.length > kMaxDataLength || value_.size() + next.length > total_)
    return Fail(kErrorNoReply);
  value_.insert(value_.end(), next.data.begin(), next.data.begin() + next.length);
  return true;
}

}  // namespace drivers
