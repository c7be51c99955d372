#pragma once
// Component streaming of the framework: TWriter writes typed values
// (strings, wide strings, lists) to a stream and TReader reads them back;
// a class streams data of its own through named properties it defines with
// DefineProperty.
//
// Each value starts with its kind byte; strings carry their length (one
// byte for a short string, four for a long or wide one), wide strings their
// UTF-16 code units in little-endian order. A list is its items between
// vaList and vaNull. A property is its name (a short string) followed by its
// values. Integers take the smallest of one, two or four bytes, a double its
// eight IEEE bytes, all little-endian; an identifier (an enumeration value)
// is a short string, a set its identifiers ended by an empty one, and binary
// data its four-byte length and bytes.
//
// A component's record is the signature "TPF0", its class name and its
// component name (short strings without a kind byte), its properties, and
// two vaNull bytes: the end of its properties and of its (empty) children.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/component.h"

class TStream;
class TReader;
class TWriter;

enum TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaWString = 18,
  vaDouble = 21,
};

class TFiler : public TObject {
 public:
  using TReaderProc = std::function<void(TReader&)>;
  using TWriterProc = std::function<void(TWriter&)>;

  explicit TFiler(TStream& stream) : stream_(stream) {}
  // The object whose stored state this one is compared with (null: none).
  TPersistent* Ancestor() const { return ancestor_; }
  void SetAncestor(TPersistent* ancestor) { ancestor_ = ancestor; }
  // Reading: runs readData when the property being read is `name`.
  // Writing: writes the property through writeData when hasData is set.
  virtual void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                              bool hasData) = 0;

 protected:
  TStream& stream_;

 private:
  TPersistent* ancestor_ = nullptr;
};

class TWriter : public TFiler {
 public:
  using TFiler::TFiler;
  void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // A short string up to 255 bytes, a long one beyond.
  void WriteString(const AnsiString& value);
  void WriteWideString(const WideString& value);
  // A property name (a short string without a kind byte).
  void WritePropName(const AnsiString& name) { WriteStr(name); }
  // A short string without a kind byte, cut at 255 bytes.
  void WriteStr(const AnsiString& value);
  void WriteSignature();
  void WriteInteger(std::int32_t value);
  void WriteBoolean(bool value);
  void WriteIdent(const AnsiString& ident);
  void WriteSet(const std::vector<AnsiString>& idents);
  void WriteDouble(double value);
  void WriteBinary(const std::string& bytes);

 private:
  void WriteValue(TValueType type);
  void WriteInt32(std::int32_t value);
};

class TReader : public TFiler {
 public:
  using TFiler::TFiler;
  void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                      bool hasData) override;
  // Reads the next property name; the DefineProperty calls that follow
  // read its data when one of them defines it (PropertyRead tells).
  AnsiString ReadPropName();
  bool PropertyRead() const { return found_; }

  // EReadError when the stream does not hold the value asked for.
  void ReadListBegin();
  void ReadListEnd();
  bool EndOfList();
  // The kind of the next value, without reading it.
  TValueType NextValue();
  // A string of any kind; a wide string comes as UTF-8.
  AnsiString ReadString();
  // A string of any kind; a short or long string is widened.
  WideString ReadWideString();
  // A short string without a kind byte.
  AnsiString ReadStr();
  // EReadError unless the stream holds "TPF0" here.
  void ReadSignature();
  // An integer of any width.
  std::int32_t ReadInteger();
  bool ReadBoolean();
  AnsiString ReadIdent();
  std::vector<AnsiString> ReadSet();
  double ReadDouble();
  std::string ReadBinary();

 private:
  TValueType ReadValue();
  std::int32_t ReadInt32();
  AnsiString ReadBytes(std::int64_t count);

  AnsiString property_;
  bool found_ = false;
};
