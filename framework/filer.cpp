#include "framework/filer.h"

#include <algorithm>
#include <cstring>

#include "framework/codec.h"
#include "framework/streams.h"

namespace {
constexpr char kSignature[4] = {'T', 'P', 'F', '0'};
}  // namespace

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

void TWriter::WriteStr(const AnsiString& value) {
  const auto length = static_cast<std::uint8_t>(std::min<std::size_t>(value.size(), 255));
  stream_.WriteBuffer(&length, 1);
  stream_.WriteBuffer(value.data(), length);
}

void TWriter::WriteSignature() { stream_.WriteBuffer(kSignature, 4); }

void TWriter::WriteInteger(std::int32_t value) {
  if (value >= -128 && value <= 127) {
    WriteValue(vaInt8);
    const auto byte = static_cast<std::uint8_t>(value);
    stream_.WriteBuffer(&byte, 1);
  } else if (value >= -32768 && value <= 32767) {
    WriteValue(vaInt16);
    const auto word = static_cast<std::uint16_t>(value);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)};
    stream_.WriteBuffer(bytes, 2);
  } else {
    WriteValue(vaInt32);
    WriteInt32(value);
  }
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteIdent(const AnsiString& ident) {
  WriteValue(vaIdent);
  WriteStr(ident);
}

void TWriter::WriteSet(const std::vector<AnsiString>& idents) {
  WriteValue(vaSet);
  for (const AnsiString& ident : idents) WriteStr(ident);
  WriteStr(AnsiString());
}

void TWriter::WriteDouble(double value) {
  WriteValue(vaDouble);
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  std::uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  stream_.WriteBuffer(bytes, 8);
}

void TWriter::WriteBinary(const std::string& bytes) {
  WriteValue(vaBinary);
  WriteInt32(static_cast<std::int32_t>(bytes.size()));
  stream_.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
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
  property_ = ReadStr();
  found_ = false;
  return property_;
}

AnsiString TReader::ReadStr() {
  std::uint8_t length = 0;
  stream_.ReadBuffer(&length, 1);
  return ReadBytes(length);
}

void TReader::ReadSignature() {
  if (ReadBytes(4) != AnsiString(kSignature, 4)) throw EReadError("Invalid stream format");
}

std::int32_t TReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: return static_cast<std::int8_t>(ReadBytes(1)[0]);
    case vaInt16: {
      const AnsiString bytes = ReadBytes(2);
      return static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[0]) | (static_cast<std::uint8_t>(bytes[1]) << 8));
    }
    case vaInt32: return ReadInt32();
    default: throw EReadError("Invalid property value");
  }
}

bool TReader::ReadBoolean() {
  switch (ReadValue()) {
    case vaFalse: return false;
    case vaTrue: return true;
    default: throw EReadError("Invalid property value");
  }
}

AnsiString TReader::ReadIdent() {
  if (ReadValue() != vaIdent) throw EReadError("Invalid property value");
  return ReadStr();
}

std::vector<AnsiString> TReader::ReadSet() {
  if (ReadValue() != vaSet) throw EReadError("Invalid property value");
  std::vector<AnsiString> idents;
  for (AnsiString ident = ReadStr(); !ident.empty(); ident = ReadStr()) idents.push_back(ident);
  return idents;
}

double TReader::ReadDouble() {
  if (ReadValue() != vaDouble) throw EReadError("Invalid property value");
  const AnsiString bytes = ReadBytes(8);
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(bytes[i])) << (8 * i);
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::string TReader::ReadBinary() {
  if (ReadValue() != vaBinary) throw EReadError("Invalid property value");
  return ReadBytes(ReadInt32());
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
