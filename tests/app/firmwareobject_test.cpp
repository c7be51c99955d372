// The firmware object's payloads, the image mirror and its sums, and the
// bounded copy of the texts a node reports.
#include "app/firmwareobject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

namespace {

TEST(FirmwareObjectTest, PayloadsCarryTheCommandSectorAnd24BitAddress) {
  std::vector<std::uint8_t> data(32);
  std::iota(data.begin(), data.end(), 0x40);
  const std::vector<std::uint8_t> write = firmware::WritePayload(2, 0x12345, 32, data.data());
  ASSERT_EQ(write.size(), 38u);
  EXPECT_EQ(std::vector<std::uint8_t>(write.begin(), write.begin() + 6),
            (std::vector<std::uint8_t>{0x02, 0x02, 0x45, 0x23, 0x01, 0x20}));
  EXPECT_TRUE(std::equal(data.begin(), data.end(), write.begin() + 6));

  EXPECT_EQ(firmware::WritePayload(1, 0x100, 0, nullptr), (std::vector<std::uint8_t>{0x02, 1, 0, 1, 0, 0}));
  EXPECT_EQ(firmware::WritePayload(1, 0xFFFFFF, 1, data.data()).size(), 7u);
  EXPECT_TRUE(firmware::WritePayload(1, 0x1000000, 1, data.data()).empty()) << "an address past 24 bits never wraps";
  for (const std::uint16_t length : {33, 256, 288}) {
    EXPECT_TRUE(firmware::WritePayload(1, 0, length, data.data()).empty()) << length << " bytes never wrap";
  }

  EXPECT_EQ(firmware::ErasePayload(3), (std::vector<std::uint8_t>{0x03, 3}));
  const std::vector<std::uint8_t> longErase = firmware::ErasePayload(2, 38);
  ASSERT_EQ(longErase.size(), 38u);
  EXPECT_EQ(std::count(longErase.begin() + 2, longErase.end(), 0), 36);
}

TEST(FirmwareObjectTest, SendsAreRetriedUpToThreeTimes) {
  for (const int failures : {0, 2, 5}) {
    int sends = 0;
    const int result = firmware::SendWithRetries([&] { return ++sends > failures ? 1 : 0; });
    EXPECT_EQ(sends, std::min(failures + 1, 3));
    EXPECT_EQ(result, failures < 3 ? 1 : 0);
  }
}

TEST(FirmwareObjectTest, TheMirrorSumsStayInsideItAndFollowErases) {
  firmware::ImageMirror mirror(0x2FFFE);
  EXPECT_EQ(mirror.WordSum(0, 0x17FFF), 0x17FFFu * 0xFFFF);

  const std::uint8_t bytes[] = {0x01, 0x02, 0x03};
  mirror.Write(0, bytes);
  EXPECT_EQ(mirror.WordSum(0, 1), 0x0201u);
  EXPECT_EQ(mirror.ByteSum(3), 6u);
  mirror.Write(0x2FFFD, bytes);  // only the first byte fits
  EXPECT_EQ(mirror.At(0x2FFFD), 0x01);

  // Sums asked for past the end stop at the end.
  EXPECT_EQ(mirror.WordSum(0x2FFFC, 1000), 0x01FFu);
  EXPECT_EQ(mirror.WordSum(0x40000, 10), 0u);
  EXPECT_EQ(mirror.ByteSum(0x100000), mirror.ByteSum(0x2FFFE));

  mirror.Fill();
  EXPECT_EQ(mirror.WordSum(0, 0x17FFF), 0x17FFFu * 0xFFFF);
}

TEST(FirmwareObjectTest, ReceivedTextsAreBoundedByWhatArrivedAndByTheirField) {
  struct Case {
    std::string received;
    std::string expected;
  };
  const Case cases[] = {
      {"Boot", "Boot"},
      {"A name longer than sixteen", "A name longer t"},
      {std::string("cut\0here", 8), "cut"},
      {"", ""},
  };
  for (const Case& c : cases) {
    char field[16];
    std::memset(field, 'X', sizeof field);
    firmware::CopyText(std::span(reinterpret_cast<const std::uint8_t*>(c.received.data()), c.received.size()), field);
    EXPECT_EQ(std::string(field), c.expected);
    EXPECT_EQ(field[15], '\0');
  }
}

}  // namespace
