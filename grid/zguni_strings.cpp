// The wide string list: text forms, names and values, assignment and
// streaming over the storage of a concrete list.
#include "grid/zguni_strings.h"

#include <QString>

#include "framework/codec.h"

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kComma = u',';

// Keeps a list in its update state for a scope, also when it is left by an
// exception.
class UpdateScope {
 public:
  explicit UpdateScope(TWideStrings& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateScope() { list_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TWideStrings& list_;
};

bool IsLineBreak(char16_t c) {
  return c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\u2028' || c == u'\u2029';
}

bool IsBlank(char16_t c) { return c >= 1 && c <= 0x20; }

// Whether a comma-text item must be quoted: it holds a control character,
// a blank, a quote or a comma.
bool NeedsQuotes(const WideString& item) {
  for (char16_t c : item)
    if (c <= 0x20 || c == kQuote || c == kComma) return true;
  return false;
}

WideString Quoted(const WideString& item) {
  WideString quoted(1, kQuote);
  for (char16_t c : item) {
    quoted += c;
    if (c == kQuote) quoted += kQuote;
  }
  return quoted + kQuote;
}

// Reads the quoted item that starts at pos (on its opening quote) and
// leaves pos after its closing quote. A doubled quote inside stands for
// one; an item without a closing quote takes the rest of the text.
WideString ReadQuotedItem(const WideString& text, std::size_t& pos) {
  WideString item;
  ++pos;
  while (pos < text.size() && text[pos] != 0) {
    if (text[pos] == kQuote) {
      if (pos + 1 < text.size() && text[pos + 1] == kQuote) {
        item += kQuote;
        pos += 2;
        continue;
      }
      ++pos;
      return item;
    }
    item += text[pos++];
  }
  return item;
}

bool AtEnd(const WideString& text, std::size_t pos) { return pos >= text.size() || text[pos] == 0; }

void SkipBlanks(const WideString& text, std::size_t& pos) {
  while (!AtEnd(text, pos) && IsBlank(text[pos])) ++pos;
}

}  // namespace

LCID GetUserDefaultLCID() { return 0x0400; }

// ---- TAnsiStringsForWideStrings ----

int TAnsiStringsForWideStrings::Count() const { return wide_->GetCount(); }
AnsiString TAnsiStringsForWideStrings::Get(int index) const { return WideToUtf8(wide_->Get(index)); }
void TAnsiStringsForWideStrings::Insert(int index, const AnsiString& s) { wide_->Insert(index, Utf8ToWide(s)); }
void TAnsiStringsForWideStrings::Delete(int index) { wide_->Delete(index); }
void TAnsiStringsForWideStrings::Clear() { wide_->Clear(); }

// ---- TWideStrings ----

TWideStrings::TWideStrings()
    : ansiStrings_(std::make_unique<TAnsiStringsForWideStrings>(this)), language_(GetUserDefaultLCID()) {}

TWideStrings::~TWideStrings() = default;

TObject* TWideStrings::GetObject(int) const { return nullptr; }
void TWideStrings::PutObject(int, TObject*) {}

void TWideStrings::Put(int index, const WideString& s) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, s, object);
}

int TWideStrings::Add(const WideString& s) {
  const int index = GetCount();
  Insert(index, s);
  return index;
}

int TWideStrings::AddObject(const WideString& s, TObject* object) {
  const int index = Add(s);
  PutObject(index, object);
  return index;
}

void TWideStrings::InsertObject(int index, const WideString& s, TObject* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TWideStrings::AddStrings(const TStrings& source) {
  UpdateScope update(*this);
  for (int i = 0; i < source.Count(); ++i) AddObject(Utf8ToWide(source.Get(i)), source.GetObject(i));
}

void TWideStrings::AddStrings(const TWideStrings& source) {
  UpdateScope update(*this);
  for (int i = 0; i < source.GetCount(); ++i) AddObject(source.Get(i), source.GetObject(i));
}

void TWideStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  UpdateScope update(*this);
  const WideString s = Get(curIndex);
  TObject* object = GetObject(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, object);
}

void TWideStrings::Exchange(int index1, int index2) {
  UpdateScope update(*this);
  const WideString s1 = Get(index1);
  TObject* object1 = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s1);
  PutObject(index2, object1);
}

void TWideStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TWideStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

bool TWideStrings::Equals(const TWideStrings& other) const {
  if (GetCount() != other.GetCount()) return false;
  for (int i = 0; i < GetCount(); ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

bool TWideStrings::SameText(const WideString& a, const WideString& b) const {
  const QString qa = QString::fromStdU16String(a), qb = QString::fromStdU16String(b);
  return qa.compare(qb, Qt::CaseInsensitive) == 0;
}

int TWideStrings::IndexOf(const WideString& s) const {
  for (int i = 0; i < GetCount(); ++i)
    if (SameText(Get(i), s)) return i;
  return -1;
}

int TWideStrings::IndexOfName(const WideString& name) const {
  for (int i = 0; i < GetCount(); ++i) {
    const WideString item = Get(i);
    const std::size_t equals = item.find(u'=');
    if (equals != WideString::npos && SameText(item.substr(0, equals), name)) return i;
  }
  return -1;
}

int TWideStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < GetCount(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

WideString TWideStrings::Names(int index) const {
  const WideString item = Get(index);
  const std::size_t equals = item.find(u'=');
  return equals == WideString::npos ? WideString() : item.substr(0, equals);
}

WideString TWideStrings::Values(const WideString& name) const {
  const int index = IndexOfName(name);
  if (index < 0) return {};
  // The value starts after the item's own "=": a name that matched
  // ignoring case need not have the length of the one asked for.
  const WideString item = Get(index);
  return item.substr(item.find(u'=') + 1);
}

void TWideStrings::SetValue(const WideString& name, const WideString& value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  if (index < 0) index = Add(WideString());
  Put(index, name + u'=' + value);
}

WideString TWideStrings::GetTextStr() const {
  std::size_t size = 0;
  for (int i = 0; i < GetCount(); ++i) size += Get(i).size() + 2;
  WideString text;
  text.reserve(size);
  for (int i = 0; i < GetCount(); ++i) text += Get(i) + u"\r\n";
  return text;
}

void TWideStrings::SetTextStr(const WideString& text) {
  UpdateScope update(*this);
  Clear();
  std::size_t pos = 0;
  while (!AtEnd(text, pos)) {
    const std::size_t start = pos;
    while (!AtEnd(text, pos) && !IsLineBreak(text[pos])) ++pos;
    Add(text.substr(start, pos - start));
    if (AtEnd(text, pos)) break;
    const bool cr = text[pos] == u'\r';
    ++pos;
    if (cr && pos < text.size() && text[pos] == u'\n') ++pos;
  }
}

std::unique_ptr<char16_t[]> TWideStrings::GetText() const {
  const WideString text = GetTextStr();
  auto copy = std::make_unique<char16_t[]>(text.size() + 1);
  std::copy(text.begin(), text.end(), copy.get());
  return copy;
}

WideString TWideStrings::GetCommaText() const {
  if (GetCount() == 1 && Get(0).empty()) return WideString(2, kQuote);
  WideString text;
  for (int i = 0; i < GetCount(); ++i) {
    const WideString item = Get(i);
    if (i > 0) text += kComma;
    text += NeedsQuotes(item) ? Quoted(item) : item;
  }
  return text;
}

// Blanks separate items as commas do; commas in a row separate once, so an
// empty item takes the quoted form.
void TWideStrings::SetCommaText(const WideString& text) {
  UpdateScope update(*this);
  Clear();
  std::size_t pos = 0;
  SkipBlanks(text, pos);
  while (!AtEnd(text, pos)) {
    if (text[pos] == kComma) {
      ++pos;
      SkipBlanks(text, pos);
      continue;
    }
    if (text[pos] == kQuote) {
      Add(ReadQuotedItem(text, pos));
    } else {
      const std::size_t start = pos;
      while (!AtEnd(text, pos) && text[pos] > 0x20 && text[pos] != kComma) ++pos;
      Add(text.substr(start, pos - start));
    }
    SkipBlanks(text, pos);
    if (!AtEnd(text, pos) && text[pos] == kComma) {
      ++pos;
      SkipBlanks(text, pos);
    }
  }
}

void TWideStrings::Assign(const TPersistent* source) {
  if (source == this) return;
  if (const auto* wide = dynamic_cast<const TWideStrings*>(source)) {
    UpdateScope update(*this);
    Clear();
    AddStrings(*wide);
    return;
  }
  if (const auto* strings = dynamic_cast<const TStrings*>(source)) {
    UpdateScope update(*this);
    Clear();
    AddStrings(*strings);
    return;
  }
  throw EConvertError(source ? "Cannot assign this object to a TWideStrings" : "Cannot assign a nil to a TWideStrings");
}

void TWideStrings::AssignTo(TPersistent* dest) const {
  if (auto* wide = dynamic_cast<TWideStrings*>(dest)) {
    wide->Assign(this);
    return;
  }
  if (auto* strings = dynamic_cast<TStrings*>(dest)) {
    strings->BeginUpdate();
    strings->Clear();
    for (int i = 0; i < GetCount(); ++i) strings->AddObject(WideToUtf8(Get(i)), GetObject(i));
    strings->EndUpdate();
    return;
  }
  throw EConvertError("Cannot assign a TWideStrings to this object");
}

void TWideStrings::Error(const WideString& msg, int data) const { throw Exception(Format(WideToUtf8(msg), {data})); }

void TWideStrings::DefineProperties(TFiler& filer) {
  bool hasData = GetCount() > 0;
  if (TPersistent* ancestor = filer.Ancestor()) {
    const auto* wide = dynamic_cast<const TWideStrings*>(ancestor);
    hasData = !wide || !wide->Equals(*this);
  }
  filer.DefineProperty(
      "WideStrings", [this](TReader& reader) { ReadData(reader); },
      [this](TWriter& writer) { WriteData(writer); }, hasData);
}

void TWideStrings::WriteData(TWriter& writer) const {
  writer.WriteListBegin();
  for (int i = 0; i < GetCount(); ++i) writer.WriteWideString(Get(i));
  writer.WriteListEnd();
}

// Lists stored as 8-bit strings load too.
void TWideStrings::ReadData(TReader& reader) {
  reader.ReadListBegin();
  {
    UpdateScope update(*this);
    Clear();
    while (!reader.EndOfList()) Add(reader.ReadWideString());
  }
  reader.ReadListEnd();
}
