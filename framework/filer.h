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
// values.
#include <cstdint>
#include <functional>

#include "framework/component.h"

class TStream;
class TReader;
class TWriter;

enum TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaString = 6,
  vaLString = 12,
  vaWString = 18,
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
  void WritePropName(const AnsiString& name);

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

 private:
  TValueType ReadValue();
  std::int32_t ReadInt32();
  AnsiString ReadBytes(std::int64_t count);

  AnsiString property_;
  bool found_ = false;
};
