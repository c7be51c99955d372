#include "framework/filer.h"

#include <algorithm>

#include "framework/codec.h"
#include "framework/streams.h"

// ---- TWriter ----

void TWriter::DefineProperty(const AnsiString& name, const TReaderProc&, const TWriterProc& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  WritePropName(name);
  writeData(*this);
}

void TWriter::WriteValue(TValueType type) {
  const std::uint8_t byte = type;
  stream_.WriteBuffer(&byte, 1);
}

void TWriter::WriteInt32(std::int32_t value) {
  std::uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
  stream_.WriteBuffer(bytes, 4);
}

void TWriter::WritePropName(const AnsiString& name) {
  const auto length = static_cast<std::uint8_t>(std::min<std::size_t>(name.size(), 255));
  stream_.WriteBuffer(&length, 1);
  stream_.WriteBuffer(name.data(), length);
}

void TWriter::WriteString(const AnsiString& value) {
  if (value.size() <= 255) {
    WriteValue(vaString);
    WritePropName(value);
    return;
  }
  WriteValue(vaLString);
  WriteInt32(static_cast<std::int32_t>(value.size()));
  stream_.WriteBuffer(value.data(), static_cast<std::int64_t>(value.size()));
}

void TWriter::WriteWideString(const WideString& value) {
  WriteValue(vaWString);
  WriteInt32(static_cast<std::int32_t>(value.size()));
  std::string bytes;
  bytes.reserve(value.size() * 2);
  for (char16_t unit : value) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  stream_.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// ---- TReader ----

void TReader::DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc&, bool) {
  if (found_ || !readData || !SameText(name, property_)) return;
  found_ = true;
  readData(*this);
}

AnsiString TReader::ReadPropName() {
  std::uint8_t length = 0;
  stream_.ReadBuffer(&length, 1);
  property_ = ReadBytes(length);
  found_ = false;
  return property_;
}

TValueType TReader::ReadValue() {
  std::uint8_t byte = 0;
  stream_.ReadBuffer(&byte, 1);
  return static_cast<TValueType>(byte);
}

TValueType TReader::NextValue() {
  const TValueType type = ReadValue();
  stream_.Seek(-1, soCurrent);
  return type;
}

std::int32_t TReader::ReadInt32() {
  std::uint8_t bytes[4];
  stream_.ReadBuffer(bytes, 4);
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  return static_cast<std::int32_t>(value);
}

AnsiString TReader::ReadBytes(std::int64_t count) {
  if (count < 0 || count > stream_.Size() - stream_.Position()) throw EReadError("Stream read error");
  AnsiString bytes(static_cast<std::size_t>(count), '\0');
  stream_.ReadBuffer(bytes.data(), count);
  return bytes;
}

void TReader::ReadListBegin() {
  if (ReadValue() != vaList) throw EReadError("Invalid property value");
}

void TReader::ReadListEnd() {
  if (ReadValue() != vaNull) throw EReadError("Invalid property value");
}

bool TReader::EndOfList() { return NextValue() == vaNull; }

AnsiString TReader::ReadString() {
  switch (ReadValue()) {
    case vaString: {
      std::uint8_t length = 0;
      stream_.ReadBuffer(&length, 1);
      return ReadBytes(length);
    }
    case vaLString: return ReadBytes(ReadInt32());
    case vaWString: {
      stream_.Seek(-1, soCurrent);
      return WideToUtf8(ReadWideString());
    }
    default: throw EReadError("Invalid property value");
  }
}

WideString TReader::ReadWideString() {
  if (NextValue() != vaWString) return Utf8ToWide(ReadString());
  ReadValue();
  const std::int32_t count = ReadInt32();
  const AnsiString bytes = ReadBytes(static_cast<std::int64_t>(count) * 2);
  WideString value(static_cast<std::size_t>(count), u'\0');
  for (std::size_t i = 0; i < value.size(); ++i)
    value[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                     (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
  return value;
}
