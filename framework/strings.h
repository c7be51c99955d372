#pragma once
// String lists: TStrings, the abstract list that controls expose for their
// items and lines, and TStringList, the stand-alone list.
#include <functional>
#include <vector>

#include "framework/component.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
 public:
  ~TStrings() override = default;

  // ---- The storage a subclass provides ----
  virtual int Count() const = 0;
  virtual AnsiString Get(int index) const = 0;
  virtual void Insert(int index, const AnsiString& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Put(int index, const AnsiString& s);
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* object);

  // ---- Built on the storage ----
  AnsiString operator[](int index) const { return Get(index); }
  AnsiString Strings(int index) const { return Get(index); }
  TObject* Objects(int index) const { return GetObject(index); }
  virtual int Add(const AnsiString& s);
  int AddObject(const AnsiString& s, TObject* object);
  void InsertObject(int index, const AnsiString& s, TObject* object);
  void AddStrings(const TStrings& other);
  void Assign(const TStrings& other);
  bool Equals(const TStrings& other) const;
  void Exchange(int a, int b);
  virtual void Move(int from, int to);

  // Case-insensitive by default; TStringList follows its CaseSensitive flag.
  virtual int IndexOf(const AnsiString& s) const;
  int IndexOfObject(const TObject* object) const;

  // "name=value" entries.
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char c) { nameValueSeparator_ = c; }
  int IndexOfName(const AnsiString& name) const;
  AnsiString Names(int index) const;
  AnsiString ValueFromIndex(int index) const;
  AnsiString Values(const AnsiString& name) const;
  // An empty value removes the entry.
  void SetValue(const AnsiString& name, const AnsiString& value);

  // Delimited forms: items that hold blanks, the delimiter or the quote are
  // quoted with doubled quotes inside. Reading splits at the delimiter and,
  // unless StrictDelimiter is set, at blanks outside quotes.
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char c) { delimiter_ = c; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char c) { quoteChar_ = c; }
  bool StrictDelimiter() const { return strictDelimiter_; }
  void SetStrictDelimiter(bool on) { strictDelimiter_ = on; }
  AnsiString DelimitedText() const;
  void SetDelimitedText(std::string_view text);
  AnsiString CommaText() const;  // DelimitedText with ',' and '"'
  void SetCommaText(std::string_view text);

  // Lines joined with "\r\n"; setting splits at "\r\n", "\n" or "\r".
  AnsiString Text() const;
  virtual void SetText(std::string_view text);

  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

 protected:
  // Told when updating starts (true) and ends (false), for controls that
  // repaint once after a batch.
  virtual void SetUpdateState(bool updating);
  void CheckIndex(int index, int limit) const;
  virtual bool SameString(const AnsiString& a, const AnsiString& b) const;

 private:
  AnsiString JoinDelimited(char delimiter, char quote) const;
  void SplitDelimited(std::string_view text, char delimiter, char quote, bool strict);

  char nameValueSeparator_ = '=';
  char delimiter_ = ',';
  char quoteChar_ = '"';
  bool strictDelimiter_ = false;
  int updateCount_ = 0;
};

class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override;

  int Count() const override { return static_cast<int>(items_.size()); }
  AnsiString Get(int index) const override;
  void Put(int index, const AnsiString& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const AnsiString& s) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const AnsiString& s) override;
  int IndexOf(const AnsiString& s) const override;
  void Move(int from, int to) override;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool on);
  // Frees the objects when their entries are deleted or the list is.
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool on) { ownsObjects_ = on; }

  // Binary search of a sorted list: true when found; index is the position
  // found or where s would be inserted.
  bool Find(const AnsiString& s, int& index) const;
  void Sort();
  void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool updating) override;
  bool SameString(const AnsiString& a, const AnsiString& b) const override;

 private:
  struct Item {
    AnsiString text;
    TObject* object = nullptr;
  };
  int Compare(const AnsiString& a, const AnsiString& b) const;
  void Changing();
  void Changed();
  void CheckUnsorted() const;
  void InsertItem(int index, const AnsiString& s, TObject* object);
  void FreeObject(TObject* object);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
  TDuplicates duplicates_ = dupIgnore;
};
