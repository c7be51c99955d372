#include "framework/strings.h"

#include <algorithm>

#include "framework/streams.h"

namespace {
bool NeedsQuotes(const AnsiString& s, char delimiter, char quote) {
  return std::any_of(s.begin(), s.end(), [&](char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == delimiter || c == quote;
  });
}
bool IsBlankOrControl(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }
}  // namespace

// ---- TStrings ----

void TStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}

void TStrings::Put(int index, const AnsiString& s) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, s, object);
}

TObject* TStrings::GetObject(int index) const {
  CheckIndex(index, Count());
  return nullptr;
}

void TStrings::PutObject(int index, TObject*) { CheckIndex(index, Count()); }

int TStrings::Add(const AnsiString& s) {
  const int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* object) {
  const int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::AddStrings(const TStrings& other) {
  BeginUpdate();
  for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
  EndUpdate();
}

void TStrings::Assign(const TStrings& other) {
  if (&other == this) return;
  BeginUpdate();
  Clear();
  nameValueSeparator_ = other.nameValueSeparator_;
  delimiter_ = other.delimiter_;
  quoteChar_ = other.quoteChar_;
  strictDelimiter_ = other.strictDelimiter_;
  AddStrings(other);
  EndUpdate();
}

bool TStrings::Equals(const TStrings& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

void TStrings::Exchange(int a, int b) {
  CheckIndex(a, Count());
  CheckIndex(b, Count());
  if (a == b) return;
  BeginUpdate();
  const AnsiString textA = Get(a);
  TObject* objectA = GetObject(a);
  Put(a, Get(b));
  PutObject(a, GetObject(b));
  Put(b, textA);
  PutObject(b, objectA);
  EndUpdate();
}

void TStrings::Move(int from, int to) {
  if (from == to) return;
  CheckIndex(from, Count());
  CheckIndex(to, Count());
  BeginUpdate();
  const AnsiString text = Get(from);
  TObject* object = GetObject(from);
  Delete(from);
  InsertObject(to, text, object);
  EndUpdate();
}

bool TStrings::SameString(const AnsiString& a, const AnsiString& b) const { return SameText(a, b); }

int TStrings::IndexOf(const AnsiString& s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameString(Get(i), s)) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const {
  for (int i = 0; i < Count(); ++i) {
    const AnsiString s = Get(i);
    const size_t sep = s.find(nameValueSeparator_);
    if (sep != AnsiString::npos && SameString(s.substr(0, sep), name)) return i;
  }
  return -1;
}

AnsiString TStrings::Names(int index) const {
  const AnsiString s = Get(index);
  const size_t sep = s.find(nameValueSeparator_);
  return sep == AnsiString::npos ? AnsiString() : s.substr(0, sep);
}

AnsiString TStrings::ValueFromIndex(int index) const {
  const AnsiString s = Get(index);
  const size_t sep = s.find(nameValueSeparator_);
  return sep == AnsiString::npos ? AnsiString() : s.substr(sep + 1);
}

AnsiString TStrings::Values(const AnsiString& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? AnsiString() : ValueFromIndex(index);
}

void TStrings::SetValue(const AnsiString& name, const AnsiString& value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
  } else if (index >= 0) {
    Put(index, name + nameValueSeparator_ + value);
  } else {
    Add(name + nameValueSeparator_ + value);
  }
}

AnsiString TStrings::JoinDelimited(char delimiter, char quote) const {
  if (Count() == 1 && Get(0).empty()) return AnsiString(2, quote);
  AnsiString out;
  for (int i = 0; i < Count(); ++i) {
    if (i > 0) out += delimiter;
    const AnsiString s = Get(i);
    out += NeedsQuotes(s, delimiter, quote) ? QuotedStr(s, quote) : s;
  }
  return out;
}

void TStrings::SplitDelimited(std::string_view text, char delimiter, char quote, bool strict) {
  BeginUpdate();
  Clear();
  size_t p = 0;
  auto skipBlanks = [&] {
    if (!strict)
      while (p < text.size() && IsBlankOrControl(text[p])) ++p;
  };
  skipBlanks();
  while (p < text.size()) {
    AnsiString item;
    if (text[p] == quote) {
      // A quoted item: doubled quotes stand for one; text after the closing
      // quote up to the next separator belongs to the item.
      ++p;
      while (p < text.size()) {
        if (text[p] == quote) {
          if (p + 1 < text.size() && text[p + 1] == quote) {
            item += quote;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      while (p < text.size() && text[p] != delimiter && (strict || !IsBlankOrControl(text[p])))
        item += text[p++];
    }
    Add(item);
    skipBlanks();
    if (p < text.size() && text[p] == delimiter) {
      ++p;
      if (p == text.size()) Add("");
      skipBlanks();
    } else if (p < text.size() && strict) {
      // Stray text after a closing quote: skip it up to the delimiter.
      while (p < text.size() && text[p] != delimiter) ++p;
    }
  }
  EndUpdate();
}

AnsiString TStrings::DelimitedText() const { return JoinDelimited(delimiter_, quoteChar_); }
void TStrings::SetDelimitedText(std::string_view text) {
  SplitDelimited(text, delimiter_, quoteChar_, strictDelimiter_);
}
AnsiString TStrings::CommaText() const { return JoinDelimited(',', '"'); }
void TStrings::SetCommaText(std::string_view text) { SplitDelimited(text, ',', '"', false); }

AnsiString TStrings::Text() const {
  AnsiString out;
  for (int i = 0; i < Count(); ++i) out += Get(i) + "\r\n";
  return out;
}

void TStrings::SetText(std::string_view text) {
  BeginUpdate();
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    Add(AnsiString(text.substr(start, end - start)));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  EndUpdate();
}

void TStrings::LoadFromStream(TStream& stream) {
  const std::int64_t size = stream.Size() - stream.Position();
  std::string bytes(static_cast<size_t>(std::max<std::int64_t>(size, 0)), '\0');
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  SetText(bytes);
}

void TStrings::SaveToStream(TStream& stream) const {
  const AnsiString text = Text();
  stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TStrings::SaveToFile(const AnsiString& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TStrings::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

// ---- TStringList ----

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (ownsObjects_)
    for (Item& item : items_) delete item.object;
}

int TStringList::Compare(const AnsiString& a, const AnsiString& b) const {
  return caseSensitive_ ? a.compare(b) : CompareText(a, b);
}

bool TStringList::SameString(const AnsiString& a, const AnsiString& b) const {
  return Compare(a, b) == 0;
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    if (OnChanging) OnChanging(this);
  } else if (OnChange) {
    OnChange(this);
  }
}

void TStringList::CheckUnsorted() const {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::FreeObject(TObject* object) {
  if (ownsObjects_) delete object;
}

AnsiString TStringList::Get(int index) const {
  CheckIndex(index, Count());
  return items_[index].text;
}

void TStringList::Put(int index, const AnsiString& s) {
  CheckUnsorted();
  CheckIndex(index, Count());
  Changing();
  items_[index].text = s;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index, Count());
  return items_[index].object;
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index, Count());
  Changing();
  if (items_[index].object != object) FreeObject(items_[index].object);
  items_[index].object = object;
  Changed();
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Insert(int index, const AnsiString& s) {
  CheckUnsorted();
  CheckIndex(index, Count() + 1);
  InsertItem(index, s, nullptr);
}

int TStringList::Add(const AnsiString& s) {
  if (!sorted_) {
    InsertItem(Count(), s, nullptr);
    return Count() - 1;
  }
  int index = 0;
  if (Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, s, nullptr);
  return index;
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  Changing();
  TObject* object = items_[index].object;
  items_.erase(items_.begin() + index);
  FreeObject(object);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  for (Item& item : old) FreeObject(item.object);
  Changed();
}

void TStringList::Move(int from, int to) {
  CheckUnsorted();
  TStrings::Move(from, to);
}

int TStringList::IndexOf(const AnsiString& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index = 0;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(const AnsiString& s, int& index) const {
  // Leftmost match, so duplicates are found at their first position.
  int low = 0, high = Count();
  while (low < high) {
    const int mid = (low + high) / 2;
    if (Compare(items_[mid].text, s) < 0) low = mid + 1;
    else high = mid;
  }
  index = low;
  return low < Count() && Compare(items_[low].text, s) == 0;
}

void TStringList::Sort() {
  CustomSort([](const TStringList& list, int a, int b) {
    return list.Compare(list.items_[a].text, list.items_[b].text);
  });
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
  if (Count() < 2) return;
  Changing();
  // Sort an index permutation with the caller's comparison of positions,
  // then apply it; a stable sort keeps equal items in their order.
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(items_[i]);
  items_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted_ == sorted) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool on) {
  if (caseSensitive_ == on) return;
  caseSensitive_ = on;
  if (sorted_) Sort();
}
