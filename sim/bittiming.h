#pragma once
// How long a frame occupies the bus: its bits as built on the wire (with CRC
// and the stuff bits the transmitter inserts) at a given bit rate.
#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/canframe.h"

namespace sim {

using BitString = std::vector<bool>;

// CRC-15 of the CAN protocol (polynomial 0x4599, initial value 0) over bits.
std::uint16_t Crc15(const BitString& bits);

// The frame from start of frame to the last CRC bit, before stuffing: the
// region in which the transmitter stuffs.
BitString StuffedRegion(const CanFrame& frame);

// Stuff bits a transmitter inserts into bits: one after every run of five
// equal bits, the stuff bit itself starting the next run.
unsigned CountStuffBits(const BitString& bits);

// Bits the frame holds the bus for: stuffed region, its stuff bits, CRC
// delimiter, acknowledge slot and delimiter, end of frame, and the three bits
// of interframe space before the next frame may start.
unsigned FrameBitCount(const CanFrame& frame);

// FrameBitCount at bitRate bit/s (bitRate > 0).
std::chrono::nanoseconds FrameDuration(const CanFrame& frame, std::uint32_t bitRate);

}  // namespace sim
