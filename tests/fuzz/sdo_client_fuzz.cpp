// The SDO client's handling of a server's answers, whatever they are: the
// transfer's bytes stay within the caller's buffer, toggle bits alternate,
// and a transfer reported as done carried exactly the caller's data (a
// download) or no more than the caller has room for (an upload).
//
// Input: the transfer the caller asks for, then the server's frames, each a
// shape byte (length and remote flag) and eight data bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "canopen/cocn.h"
#include "tests/fuzz/fakecanaccess.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using cocn::SdoChannel;
using cocn::SdoDirection;

constexpr std::uint8_t kNode = 5;
constexpr std::uint8_t kToggle = 0x10;

CanMessage ServerFrame(FuzzedDataProvider& input, std::uint32_t identifier) {
  const std::uint8_t shape = input.ConsumeIntegral<std::uint8_t>();
  CanMessage frame{};
  frame.Id = identifier;
  frame.Length = (shape & 0x10) != 0 ? shape & 0x07 : 8;
  if ((shape & 0x60) == 0x60) frame.Flags = kCanFlagRemote;
  for (std::uint8_t& byte : frame.Data) byte = input.ConsumeIntegral<std::uint8_t>();
  return frame;
}

// The bytes the client's frames carried to the server, and the alternation of
// the toggle bit in its segment frames.
std::vector<std::uint8_t> DownloadedBytes(const std::vector<CanMessage>& written) {
  std::vector<std::uint8_t> bytes;
  const CanMessage& initiate = written.front();
  if ((initiate.Data[0] & 0x02) != 0) {  // expedited
    const int size = 4 - ((initiate.Data[0] >> 2) & 0x03);
    bytes.assign(initiate.Data + 4, initiate.Data + 4 + size);
    return bytes;
  }
  std::uint8_t toggle = 0;
  for (std::size_t i = 1; i < written.size(); ++i) {
    const std::uint8_t command = written[i].Data[0];
    FUZZ_CHECK((command & kToggle) == toggle);
    toggle ^= kToggle;
    const int size = 7 - ((command >> 1) & 0x07);
    bytes.insert(bytes.end(), written[i].Data + 1, written[i].Data + 1 + size);
  }
  return bytes;
}

void CheckUploadRequests(const std::vector<CanMessage>& written) {
  std::uint8_t toggle = 0;
  for (std::size_t i = 1; i < written.size(); ++i) {
    FUZZ_CHECK(written[i].Data[0] == (0x60 | toggle));
    toggle ^= kToggle;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<CanMessage>& written = fuzzsupport::WrittenFrames();
  written.clear();
  fuzzsupport::RefuseWrites(false);

  const bool upload = input.ConsumeBool();
  const std::size_t writesAllowed = input.ConsumeIntegral<std::uint8_t>();
  const std::vector<std::uint8_t> download =
      input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(1, 300));
  const cocn::SdoTransfer transfer{upload ? SdoDirection::kUpload : SdoDirection::kDownload,
                                   input.ConsumeIntegral<std::uint16_t>(), input.ConsumeIntegral<std::uint8_t>(),
                                   input.ConsumeIntegralInRange<std::uint32_t>(0, 300),
                                   upload ? std::span<const std::uint8_t>() : std::span(download)};
  if (!upload && download.empty()) return 0;  // refused before it reaches the channel

  cocn::Interface iface;
  iface.Handle = iface.CanHandle = 1;
  const std::shared_ptr<SdoChannel> channel = cocn::CreateSdoChannel(iface, kNode);
  FUZZ_CHECK(channel != nullptr);
  cocn::Lock lock(iface.Mutex);
  FUZZ_CHECK(cocn::StartSdoTransfer(iface, *channel, transfer));

  // A segmented upload's bytes as the server's segments carried them: each
  // segment the client answered with its next request, and the one that
  // ended the transfer.
  bool segmented = false;
  std::vector<std::uint8_t> segments;
  while (input.remaining_bytes() > 0 && !channel->Finished) {
    fuzzsupport::RefuseWrites(written.size() >= writesAllowed);
    const CanMessage frame = ServerFrame(input, channel->ResponseCobId);
    const std::size_t sent = written.size();
    cocn::OnSdoResponse(iface, *channel, frame);
    FUZZ_CHECK(channel->Done <= channel->Capacity);
    FUZZ_CHECK(channel->Done <= channel->Data.size());
    const std::uint8_t command = frame.Data[0];
    const bool taken = written.size() > sent || (channel->Finished && channel->Result == 0);
    if (!upload || !taken) continue;
    if ((command & 0xE0) == 0x40 && (command & 0x02) == 0) segmented = true;
    if (command < 0x20) segments.insert(segments.end(), frame.Data + 1, frame.Data + 8 - ((command >> 1) & 0x07));
  }

  std::vector<std::uint8_t> received;
  if (cocn::SdoTransferOutcome(*channel, transfer, &received) == 0) {
    FUZZ_CHECK(channel->Index == transfer.index && channel->SubIndex == transfer.subIndex);
    if (upload) {
      FUZZ_CHECK(received.size() <= transfer.capacity);
      if (segmented) FUZZ_CHECK(received == segments);
      CheckUploadRequests(written);
    } else {
      FUZZ_CHECK(DownloadedBytes(written) == download);
    }
  }
  return 0;
}
