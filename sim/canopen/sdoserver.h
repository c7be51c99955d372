#pragma once
// The server side of the SDO protocol for one simulated CANopen node:
// expedited and segmented uploads and downloads on the default channel. It
// knows nothing of the objects themselves; it asks an SdoObjects for them.
//
// The master never sends an abort of its own, so a new initiate request is
// taken at any time and drops whatever transfer was unfinished.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

// SDO abort codes the simulated nodes use.
namespace sdo_abort {
inline constexpr std::uint32_t kToggleBit = 0x05030000;
inline constexpr std::uint32_t kUnknownCommand = 0x05040001;
inline constexpr std::uint32_t kReadOfWriteOnly = 0x06010001;
inline constexpr std::uint32_t kWriteOfReadOnly = 0x06010002;
inline constexpr std::uint32_t kNoObject = 0x06020000;
inline constexpr std::uint32_t kNotMappable = 0x06040041;
inline constexpr std::uint32_t kMappingTooLong = 0x06040042;
inline constexpr std::uint32_t kLength = 0x06070010;
inline constexpr std::uint32_t kLengthTooHigh = 0x06070012;
inline constexpr std::uint32_t kLengthTooLow = 0x06070013;
inline constexpr std::uint32_t kNoSubIndex = 0x06090011;
inline constexpr std::uint32_t kValueRange = 0x06090030;
inline constexpr std::uint32_t kCannotStore = 0x08000020;
inline constexpr std::uint32_t kDeviceState = 0x08000022;
}  // namespace sdo_abort

struct SdoRead {
  std::uint32_t abort = 0;  // 0: data holds the object's value
  std::vector<std::uint8_t> data;
};

// The object dictionary as the server sees it. Results are 0 or an abort code.
class SdoObjects {
 public:
  virtual ~SdoObjects() = default;
  virtual SdoRead Read(std::uint16_t index, std::uint8_t subIndex) = 0;
  // Whether a download of this size (empty: not indicated) may start.
  virtual std::uint32_t CheckWrite(std::uint16_t index, std::uint8_t subIndex, std::optional<std::size_t> size) = 0;
  // sizeIndicated false: an expedited download that left its size open; a
  // fixed-size object takes as many of the bytes as it needs.
  virtual std::uint32_t Write(std::uint16_t index, std::uint8_t subIndex, std::span<const std::uint8_t> data,
                              bool sizeIndicated) = 0;
};

class SdoServer {
 public:
  using Frame = std::array<std::uint8_t, 8>;

  explicit SdoServer(SdoObjects& objects) : objects_(objects) {}

  // One request frame (8 bytes); the answer to send, if any.
  std::optional<Frame> OnRequest(const Frame& request);
  // Drops an unfinished transfer (the node restarted).
  void Reset() { transfer_.reset(); }

 private:
  struct Transfer {
    bool upload = false;
    std::uint16_t index = 0;
    std::uint8_t subIndex = 0;
    std::optional<std::size_t> size;  // download: as indicated
    std::vector<std::uint8_t> data;   // upload: still to send from offset; download: received
    std::size_t offset = 0;
    std::uint8_t toggle = 0;  // the toggle bit the next segment request must carry
  };

  std::optional<Frame> InitiateUpload(std::uint16_t index, std::uint8_t subIndex);
  std::optional<Frame> UploadSegment(const Frame& request);
  std::optional<Frame> InitiateDownload(const Frame& request, std::uint16_t index, std::uint8_t subIndex);
  std::optional<Frame> DownloadSegment(const Frame& request);
  // Ends any transfer and answers with an abort.
  Frame Abort(std::uint16_t index, std::uint8_t subIndex, std::uint32_t code);

  SdoObjects& objects_;
  std::optional<Transfer> transfer_;
};

}  // namespace sim
