#pragma once
// What the export sets of the driver libraries share: each library supplies
// its own card table (and with it its profile) through LibraryCards(), and
// its exports reach the card's link through these helpers.
#include <cstdint>
#include <memory>
#include <span>

#include "drivers/commandlink.h"
#include "drivers/drivercore.h"
#include "platform/lasterror.h"

namespace drivers {

CardTable& LibraryCards();

namespace exports {

inline bool Fail(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}

template <typename... Pointers>
bool Present(Pointers... pointers) {
  return ((pointers != nullptr) && ...) || Fail(platform::kErrorInvalidParameter);
}

template <typename Operation>
int WithLink(std::int32_t handle, Operation operation) {
  std::shared_ptr<Link> link = LibraryCards().Find(handle);
  return link && operation(*link) ? 1 : 0;
}

// For the calls that only the maker's own interfaces answer.
template <typename Operation>
int WithCommands(std::int32_t handle, Operation operation) {
  return WithLink(handle, [&](Link& link) {
    CommandChannel* channel = link.commands();
    return channel ? operation(*channel) : Fail(kErrorNotSupported);
  });
}

// An unsigned value of the out-value's size from a query.
template <typename Out>
int AskInto(std::int32_t handle, std::uint8_t code, CommandChannel::ReplyForm form, Out* out,
            std::span<const std::uint8_t> arguments = {}) {
  if (!Present(out)) return 0;
  return WithCommands(handle, [&](CommandChannel& channel) {
    std::uint32_t value = 0;
    if (!AskValue(channel, code, form, sizeof(Out), &value, arguments)) return false;
    *out = Out(value);
    return true;
  });
}

}  // namespace exports
}  // namespace drivers
