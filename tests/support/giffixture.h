#pragma once
// GIF files written byte by byte for tests (Qt reads GIF but writes none):
// a logical screen with a four-colour table and frames that each fill a
// rectangle with one colour, every frame behind a graphic control
// extension that carries its delay.
#include <cstdint>
#include <string>
#include <vector>

namespace benchtest {

// The colour table: index 0 black, 1 red, 2 green, 3 blue.
inline constexpr std::uint32_t kGifPalette[4] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

struct GifFrame {
  int left = 0;
  int top = 0;
  int width = 1;
  int height = 1;
  int colorIndex = 1;
  int delay = 10;  // hundredths of a second
};

namespace gifdetail {

inline void PutWord(std::string& out, int value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

// LZW data for `count` pixels of one colour: a clear code before every
// pixel keeps the codes at three bits, which every decoder accepts.
inline std::string SolidImageData(int count, int colorIndex) {
  constexpr int kClear = 4, kEnd = 5, kBits = 3;
  std::vector<std::uint8_t> bytes;
  std::uint32_t buffer = 0;
  int filled = 0;
  auto put = [&](int code) {
    buffer |= static_cast<std::uint32_t>(code) << filled;
    filled += kBits;
    while (filled >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(buffer & 0xFF));
      buffer >>= 8;
      filled -= 8;
    }
  };
  for (int i = 0; i < count; ++i) {
    put(kClear);
    put(colorIndex);
  }
  put(kEnd);
  if (filled > 0) bytes.push_back(static_cast<std::uint8_t>(buffer & 0xFF));
  std::string out(1, static_cast<char>(2));  // minimum code size
  for (std::size_t at = 0; at < bytes.size(); at += 255) {
    const std::size_t block = std::min<std::size_t>(255, bytes.size() - at);
    out += static_cast<char>(block);
    out.append(reinterpret_cast<const char*>(bytes.data() + at), block);
  }
  out += '\0';
  return out;
}

}  // namespace gifdetail

inline std::string MakeGif(int screenWidth, int screenHeight, const std::vector<GifFrame>& frames) {
  std::string out = "GIF89a";
  gifdetail::PutWord(out, screenWidth);
  gifdetail::PutWord(out, screenHeight);
  out += static_cast<char>(0x81);  // global colour table of 4 entries
  out += '\0';                     // background colour index
  out += '\0';                     // aspect ratio
  for (std::uint32_t rgb : kGifPalette) {
    out += static_cast<char>((rgb >> 16) & 0xFF);
    out += static_cast<char>((rgb >> 8) & 0xFF);
    out += static_cast<char>(rgb & 0xFF);
  }
  for (const GifFrame& frame : frames) {
    out += "\x21\xF9\x04";
    out += '\0';  // no transparency, no disposal
    gifdetail::PutWord(out, frame.delay);
    out += '\0';  // transparent colour index
    out += '\0';  // block terminator
    out += '\x2C';
    gifdetail::PutWord(out, frame.left);
    gifdetail::PutWord(out, frame.top);
    gifdetail::PutWord(out, frame.width);
    gifdetail::PutWord(out, frame.height);
    out += '\0';  // no local colour table, not interlaced
    out += gifdetail::SolidImageData(frame.width * frame.height, frame.colorIndex);
  }
  out += ';';
  return out;
}

}  // namespace benchtest
