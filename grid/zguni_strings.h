#pragma once
// TWideStrings: the list of UTF-16 strings, each with an optional object,
// that the Unicode controls use where the others use TStrings. The text
// forms (lines, comma text, name=value pairs), assignment to and from
// TStrings, update nesting and form streaming are built once here on the
// handful of storage operations a concrete list supplies.
#include <memory>

#include "framework/filer.h"
#include "framework/strings.h"

class TWideStrings;

// A TStrings view of a TWideStrings, for code that only knows TStrings.
class TAnsiStringsForWideStrings : public TStrings {
 public:
  explicit TAnsiStringsForWideStrings(TWideStrings* wide) : wide_(wide) {}
  int Count() const override;
  AnsiString Get(int index) const override;
  void Insert(int index, const AnsiString& s) override;
  void Delete(int index) override;
  void Clear() override;

 private:
  TWideStrings* wide_;
};

// A locale identifier; case-insensitive comparisons of a list use its own.
using LCID = unsigned;
LCID GetUserDefaultLCID();

class TWideStrings : public TPersistent {
 public:
  TWideStrings();
  ~TWideStrings() override;
  TWideStrings(const TWideStrings&) = delete;
  TWideStrings& operator=(const TWideStrings&) = delete;

  // ---- The storage a concrete list provides ----
  virtual WideString Get(int index) const = 0;
  virtual int GetCount() const = 0;
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Insert(int index, const WideString& s) = 0;
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* object);
  virtual int GetCapacity() const { return GetCount(); }
  virtual void SetCapacity(int) {}
  // Told when updating starts (true) and ends (false).
  virtual void SetUpdateState(bool) {}

  // ---- Built on the storage ----
  virtual void Put(int index, const WideString& s);
  virtual WideString GetTextStr() const;
  virtual void SetTextStr(const WideString& text);
  virtual void SetLanguage(LCID language) { language_ = language; }
  virtual int Add(const WideString& s);
  virtual int AddObject(const WideString& s, TObject* object);
  virtual void AddStrings(const TStrings& source);
  virtual void AddStrings(const TWideStrings& source);
  virtual void Exchange(int index1, int index2);
  virtual int IndexOf(const WideString& s) const;
  // A copy of the text, zero-terminated; empty text gives a lone zero.
  virtual std::unique_ptr<char16_t[]> GetText() const;
  // Copies another TWideStrings or a TStrings into this list;
  // EConvertError for anything else.
  virtual void Assign(const TPersistent* source);
  virtual void AssignTo(TPersistent* dest) const;
  // Defines the streamed property "WideStrings" (the items in order).
  virtual void DefineProperties(TFiler& filer);

  void Append(const WideString& s) { Add(s); }
  void InsertObject(int index, const WideString& s, TObject* object);
  void Move(int curIndex, int newIndex);
  void BeginUpdate();
  void EndUpdate();
  // Same count and the same strings, compared exactly; objects not compared.
  bool Equals(const TWideStrings& other) const;
  int IndexOfName(const WideString& name) const;
  int IndexOfObject(const TObject* object) const;
  void SetText(const char16_t* text) { SetTextStr(text ? WideString(text) : WideString()); }
  // Raises Exception with msg formatted with data.
  [[noreturn]] void Error(const WideString& msg, int data) const;

  WideString Strings(int index) const { return Get(index); }
  WideString operator[](int index) const { return Get(index); }
  TObject* Objects(int index) const { return GetObject(index); }
  int Count() const { return GetCount(); }
  int Capacity() const { return GetCapacity(); }
  WideString Text() const { return GetTextStr(); }
  LCID Language() const { return language_; }
  WideString GetCommaText() const;
  void SetCommaText(const WideString& text);
  WideString CommaText() const { return GetCommaText(); }
  // The part of the item before its first "=", empty without one.
  WideString Names(int index) const;
  WideString Values(const WideString& name) const;
  // An empty value removes the pair.
  void SetValue(const WideString& name, const WideString& value);

  // The TStrings view of this list; assigning to it assigns into this list.
  TStrings* AnsiStrings() const { return ansiStrings_.get(); }
  void SetAnsiStrings(const TStrings& source) { ansiStrings_->Assign(source); }

  // Whether two strings are equal ignoring case, under this list's language.
  bool SameText(const WideString& a, const WideString& b) const;

 private:
  void ReadData(TReader& reader);
  void WriteData(TWriter& writer) const;

  std::unique_ptr<TAnsiStringsForWideStrings> ansiStrings_;
  int updateCount_ = 0;
  LCID language_;
};
