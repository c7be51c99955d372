#pragma once
// Byte streams: memory, file and string streams with the framework's
// positioning rules and errors.
#include <cstdint>
#include <vector>

#include "framework/component.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// File stream modes: one access mode, optionally or-ed with one share mode.
// fmCreate creates or truncates the file for reading and writing.
inline constexpr unsigned fmOpenRead = 0x0000;
inline constexpr unsigned fmOpenWrite = 0x0001;
inline constexpr unsigned fmOpenReadWrite = 0x0002;
inline constexpr unsigned fmShareExclusive = 0x0010;
inline constexpr unsigned fmShareDenyWrite = 0x0020;
inline constexpr unsigned fmShareDenyNone = 0x0040;
inline constexpr unsigned fmCreate = 0xFF00;

class TStream : public TObject {
 public:
  // Read and Write move up to count bytes and return how many moved.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(std::int64_t size) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
  std::int64_t Size();

  // All or nothing: EReadError / EWriteError when fewer bytes move.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from the source's position; count 0 copies the whole
  // source from its start. Returns the bytes copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

  std::uint8_t* Memory() { return data_.data(); }
  const std::uint8_t* Memory() const { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;

 protected:
  std::vector<std::uint8_t> data_;
  std::int64_t position_ = 0;
};

// Text held in a memory stream; DataString is the whole content.
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(const AnsiString& data = AnsiString());
  AnsiString DataString() const;
};

class TFileStream : public TStream {
 public:
  // EFOpenError / EFCreateError when the file cannot be opened or created;
  // a share mode other than fmShareDenyNone takes an advisory lock that
  // another such stream on the same file is refused.
  TFileStream(const AnsiString& fileName, unsigned mode);
  ~TFileStream() override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  const AnsiString& FileName() const { return fileName_; }

 private:
  AnsiString fileName_;
  int fd_ = -1;
};
