#pragma once
// Conversions at the edges where text leaves or enters the program as
// Windows-1252 bytes (wire records, files) or as UTF-16 (WideString).
#include <string>
#include <string_view>

#include "framework/sysutils.h"

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as
// Windows does, so every byte string survives a round trip.
AnsiString Win1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252. Characters the code page lacks, and malformed
// UTF-8, become `replacement`.
std::string Utf8ToWin1252(std::string_view utf8, char replacement = '?');

// UTF-8 and UTF-16; malformed input becomes U+FFFD.
WideString Utf8ToWide(std::string_view utf8);
AnsiString WideToUtf8(std::u16string_view wide);
