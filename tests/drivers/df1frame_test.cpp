// The DF1 framing of the 1770-KFD link: stuffing and block check on the way
// out, and the parser's verdict on what the module sends.
#include "drivers/df1frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using drivers::df1::Parser;
using Event = Parser::Event;

TEST(Df1Frame, DoublesEveryDleAndCountsItOnceInTheBlockCheck) {
  const Bytes data = {0x10, 0x22};
  // TNS 0x1010 and identifier 0x0410 carry DLEs too.
  const Bytes expected = {0x10, 0x02, 0x00, 0x00, 0x0C, 0x00, 0x10, 0x10, 0x10, 0x10,
                          0x10, 0x10, 0x04, 0x10, 0x10, 0x22, 0x10, 0x03,
                          std::uint8_t(-(0x0C + 0x10 + 0x10 + 0x10 + 0x04 + 0x10 + 0x22))};
  EXPECT_EQ(drivers::df1::EncodeMessage(0x1010, 0x0410, data), expected);
}

// What the parser makes of the bytes, event by event (kNone left out).
std::vector<Event> Parse(Parser& parser, const Bytes& bytes) {
  std::vector<Event> events;
  for (std::uint8_t byte : bytes) {
    if (const Event event = parser.Feed(byte); event != Event::kNone) events.push_back(event);
  }
  return events;
}

// A module message with the given body bytes (DST to data), stuffed, with
// its block check adjusted by `checkError`.
Bytes ModuleMessage(const Bytes& body, std::uint8_t checkError = 0) {
  Bytes bytes = {0x10, 0x02};
  for (std::uint8_t b : body) {
    bytes.push_back(b);
    if (b == 0x10) bytes.push_back(0x10);
  }
  bytes.insert(bytes.end(), {0x10, 0x03, std::uint8_t(drivers::df1::BlockCheck(body) + checkError)});
  return bytes;
}

Bytes Body(std::size_t dataBytes) {
  Bytes body = {0, 0, 0x0C, 0, 0x34, 0x12, 0x0B, 0x04};
  for (std::size_t i = 0; i < dataBytes; ++i) body.push_back(std::uint8_t(0x0E + i));  // 0x10 among them
  return body;
}

TEST(Df1Frame, TakesAWellFormedMessageWithControlSymbolsAroundAndInside) {
  Parser parser;
  Bytes bytes = {0x10, 0x06, 0x10, 0x15, 0x10, 0x05};
  Bytes message = ModuleMessage(Body(3));
  // The module may embed its answer to our message inside its own.
  message.insert(message.begin() + 5, {0x10, 0x06});
  bytes.insert(bytes.end(), message.begin(), message.end());
  EXPECT_EQ(Parse(parser, bytes),
            (std::vector<Event>{Event::kAck, Event::kNak, Event::kEnq, Event::kAck, Event::kMessage}));
  EXPECT_EQ(parser.message().tns, 0x1234);
  EXPECT_EQ(parser.message().id, 0x040B);
  ASSERT_EQ(parser.message().length, 3);
  EXPECT_EQ(parser.message().data[2], 0x10);
}

TEST(Df1Frame, RefusesMessagesThatAreDamagedOrMalformed) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  Bytes torn = ModuleMessage(Body(2));
  torn.insert(torn.begin() + 6, {0x10, 0x41});
  const Case cases[] = {
      {"a wrong block check", ModuleMessage(Body(2), 1)},
      {"more than 8 data bytes", ModuleMessage(Body(9))},
      {"more bytes than the buffer holds", ModuleMessage(Body(100))},
      {"no whole header", ModuleMessage(Bytes{0, 0, 0x0C, 0, 1, 0, 0})},
      {"a lone DLE inside", torn},
  };
  for (const Case& c : cases) {
    Parser parser;
    Bytes bytes = c.bytes;
    // The next good message is taken whatever came before.
    const Bytes good = ModuleMessage(Body(1));
    bytes.insert(bytes.end(), good.begin(), good.end());
    EXPECT_EQ(Parse(parser, bytes), (std::vector<Event>{Event::kBadMessage, Event::kMessage})) << c.what;
    EXPECT_EQ(parser.message().length, 1) << c.what;
  }
}

}  // namespace
