#pragma once
// The calls of the SST DeviceNet scanner library ("dnscan32.dll") as the
// scanner adapter uses them, and the scanner's 56-byte device record.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct DnsDevice {
  std::uint16_t MacId;
  std::uint16_t Reserved1[3];         // 0 for a node new to the scanner
  std::uint16_t CosCyclicValue;
  std::uint16_t Reserved2[2];
  std::uint16_t AllocationChoice;     // low byte used
  std::uint16_t ExplicitSize;
  std::uint16_t ExplicitOffset;
  std::uint16_t Io1Value;             // poll value or change-of-state/cyclic rate; 0 for bit-strobe
  std::uint16_t Io1OutputSize;
  std::uint16_t Io1OutputOffset;
  std::uint16_t Reserved3[2];
  std::uint16_t Io1InputSize;
  std::uint16_t Io1InputOffset;
  std::uint16_t Reserved4[2];
  std::uint16_t Io2Value;             // change-of-state/cyclic rate; 0 for bit-strobe
  std::uint16_t Io2OutputSize;
  std::uint16_t Io2OutputOffset;
  std::uint16_t Reserved5[2];
  std::uint16_t Io2InputSize;
  std::uint16_t Io2InputOffset;
  std::uint16_t Reserved6[2];
};
#pragma pack(pop)
static_assert(sizeof(DnsDevice) == 56);
static_assert(offsetof(DnsDevice, AllocationChoice) == 14);
static_assert(offsetof(DnsDevice, Io1Value) == 20);
static_assert(offsetof(DnsDevice, Io1InputSize) == 30);
static_assert(offsetof(DnsDevice, Io2Value) == 38);
static_assert(offsetof(DnsDevice, Io2InputOffset) == 50);

// Thread messages the scanner posts to registered threads: the MAC ID in the
// low byte of the second parameter; for status, the status in the first.
inline constexpr std::uint32_t kDnsMessageStatus = 0x400;
inline constexpr std::uint32_t kDnsMessageExplicit = 0x403;
inline constexpr std::int32_t kDnsEventStatus = 0;
inline constexpr std::int32_t kDnsEventExplicit = 3;
inline constexpr std::uint16_t kDnsDeviceActive = 2;
// Last errors of the scanner library.
inline constexpr std::uint32_t kDnsErrorNoDevice = 0x20000206;
inline constexpr std::uint32_t kDnsErrorAlreadyRegistered = 0x2000021E;

using DnsOpenCardFn = int (*)(std::int32_t* card, const char* accessPoint);
using DnsCardFn = int (*)(std::int32_t card);
using DnsVersionFn = int (*)(std::uint32_t* version);
using DnsLoadDriverFn = int (*)(const char* driver);
using DnsIntervalFn = int (*)(std::int32_t card, std::int32_t ms);
using DnsOnlineFn = int (*)(std::int32_t card, std::uint16_t mac, std::uint16_t baudCode);
using DnsBusStatusFn = int (*)(std::int32_t card, std::uint16_t* status);
using DnsAddDeviceFn = int (*)(std::int32_t card, const DnsDevice* device);
using DnsDeleteDeviceFn = int (*)(std::int32_t card, std::uint16_t mac);
using DnsGetDeviceFn = int (*)(std::int32_t card, std::uint16_t mac, DnsDevice* device);
using DnsDeviceStatusFn = int (*)(std::int32_t card, std::uint16_t mac, std::uint16_t* status);
using DnsRegisterDeviceEventFn = int (*)(std::int32_t card, std::uint16_t mac, std::int32_t kind,
                                         std::uint32_t threadId, std::uint32_t message);
using DnsSendExplicitFn = int (*)(std::int32_t card, std::uint16_t mac, std::uint8_t service, std::uint16_t objectClass,
                                  std::uint16_t instance, const std::uint8_t* data, std::uint16_t length);
using DnsReceiveExplicitFn = int (*)(std::int32_t card, std::uint16_t mac, std::uint8_t* service, std::uint8_t* data,
                                     std::uint16_t* length);
// kind: 2 poll, 3 bit-strobe, 4 change-of-state/cyclic (the connection slots).
using DnsDeviceIoFn = int (*)(std::int32_t card, std::uint16_t mac, std::int32_t kind, std::uint8_t* data,
                              std::uint16_t length);
