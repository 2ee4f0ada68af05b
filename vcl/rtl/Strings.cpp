#include "vcl/rtl/Strings.h"

#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Stream.h"

#include <algorithm>
#include <atomic>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

namespace {

std::atomic<TStringsCompare> gCompare{&LocaleStringsCompare};

unsigned char FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads a quoted item starting at text[pos] (the opening quote); a doubled quote stands for one.
// An item whose closing quote is missing runs to the end of the text.
AnsiString ExtractQuoted(std::string_view text, std::size_t& pos, char quote) {
  AnsiString result;
  ++pos;
  while (pos < text.size()) {
    if (text[pos] == quote) {
      if (pos + 1 < text.size() && text[pos + 1] == quote) {
        result += quote;
        pos += 2;
        continue;
      }
      ++pos;
      return result;
    }
    result += text[pos++];
  }
  return result;
}

AnsiString Quoted(std::string_view s, char quote) {
  AnsiString result(1, quote);
  for (char c : s) {
    result += c;
    if (c == quote) result += quote;
  }
  result += quote;
  return result;
}

}  // namespace

int AsciiStringsCompare(std::string_view a, std::string_view b, bool caseSensitive) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (!caseSensitive) {
      x = FoldAscii(x);
      y = FoldAscii(y);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int LocaleStringsCompare(std::string_view a, std::string_view b, bool caseSensitive) {
  return caseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

TStringsCompare SetStringsCompare(TStringsCompare compare) {
  return gCompare.exchange(compare != nullptr ? compare : &LocaleStringsCompare);
}

int StringsCompare(std::string_view a, std::string_view b, bool caseSensitive) {
  return gCompare.load()(a, b, caseSensitive);
}

// ---- TStrings ----

void TStrings::LoadFromStream(TStream& stream) {
  const Int64 remaining = stream.Size() - stream.Position();
  AnsiString text(static_cast<std::size_t>(std::max<Int64>(remaining, 0)), '\0');
  if (!text.empty()) stream.ReadBuffer64(text.data(), static_cast<Int64>(text.size()));
  SetTextStr(text);
}

void TStrings::SaveToStream(TStream& stream) const {
  const AnsiString text = GetTextStr();
  if (!text.empty()) stream.WriteBuffer64(text.data(), static_cast<Int64>(text.size()));
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TStrings::SaveToFile(const AnsiString& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TStrings::Put(int index, const AnsiString& s) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, s, object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

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

void TStrings::AddStrings(const TStrings& strings) {
  const int n = strings.Count();
  WithUpdate([&] {
    for (int i = 0; i < n; ++i) AddObject(strings.Get(i), strings.GetObject(i));
  });
}

void TStrings::Exchange(int index1, int index2) {
  WithUpdate([&] {
    const AnsiString s = Get(index1);
    TObject* object = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s);
    PutObject(index2, object);
  });
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  // Check both before the string leaves its place, so that a bad target loses nothing.
  if (curIndex < 0 || curIndex >= Count()) Error("List index out of bounds (%d)", curIndex);
  if (newIndex < 0 || newIndex >= Count()) Error("List index out of bounds (%d)", newIndex);
  WithUpdate([&] {
    const AnsiString s = Get(curIndex);
    TObject* object = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, object);
  });
}

int TStrings::IndexOf(std::string_view s) const {
  const int n = Count();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const AnsiString s = Get(i);
    const std::size_t sep = s.find(nameValueSeparator_);
    if (sep != AnsiString::npos && CompareStrings(std::string_view(s).substr(0, sep), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  const int n = Count();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

bool TStrings::Equals(const TStrings& strings) const {
  const int n = Count();
  if (n != strings.Count()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != strings.Get(i)) return false;
  return true;
}

AnsiString TStrings::Names(int index) const {
  const AnsiString s = Get(index);
  const std::size_t sep = s.find(nameValueSeparator_);
  return sep == AnsiString::npos ? AnsiString() : s.substr(0, sep);
}

AnsiString TStrings::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index >= 0 ? ValueFromIndex(index) : AnsiString();
}

void TStrings::SetValues(std::string_view name, std::string_view value) {
  int index = IndexOfName(name);
  if (!value.empty()) {
    if (index < 0) index = Add(AnsiString());
    AnsiString pair(name);
    pair += nameValueSeparator_;
    pair += value;
    Put(index, pair);
  } else if (index >= 0) {
    Delete(index);
  }
}

AnsiString TStrings::ValueFromIndex(int index) const {
  if (index < 0) return AnsiString();
  const AnsiString s = Get(index);
  const std::size_t sep = s.find(nameValueSeparator_);
  return sep == AnsiString::npos ? AnsiString() : s.substr(sep + 1);
}

AnsiString TStrings::DelimitedText() const { return DelimitedTextWith(delimiter_, quoteChar_); }

void TStrings::SetDelimitedText(std::string_view text) { SetDelimitedTextWith(text, delimiter_, quoteChar_); }

AnsiString TStrings::CommaText() const { return DelimitedTextWith(',', '"'); }

void TStrings::SetCommaText(std::string_view text) { SetDelimitedTextWith(text, ',', '"'); }

AnsiString TStrings::DelimitedTextWith(char delimiter, char quote) const {
  const int n = Count();
  if (n == 1 && Get(0).empty()) return AnsiString(2, quote);
  AnsiString result;
  for (int i = 0; i < n; ++i) {
    const AnsiString s = Get(i);
    const bool quoted = std::any_of(s.begin(), s.end(), [&](char c) {
      return IsBlankOrControl(c) || c == quote || c == delimiter;
    });
    if (i > 0) result += delimiter;
    // Blanks around items are skipped when reading, so with a blank delimiter an empty item would
    // vanish: it is written as two quotes.
    result += quoted || (s.empty() && IsBlankOrControl(delimiter)) ? Quoted(s, quote) : s;
  }
  return result;
}

void TStrings::SetDelimitedTextWith(std::string_view text, char delimiter, char quote) {
  text = text.substr(0, text.find('\0'));
  auto skipBlanks = [&](std::size_t& p) {
    while (p < text.size() && IsBlankOrControl(text[p])) ++p;
  };
  WithUpdate([&] {
    Clear();
    std::size_t p = 0;
    skipBlanks(p);
    while (p < text.size()) {
      AnsiString item;
      if (text[p] == quote) {
        item = ExtractQuoted(text, p, quote);
      } else {
        const std::size_t start = p;
        while (p < text.size() && !IsBlankOrControl(text[p]) && text[p] != delimiter) ++p;
        item.assign(text.substr(start, p - start));
      }
      Add(item);
      skipBlanks(p);
      if (p < text.size() && text[p] == delimiter) {
        if (p + 1 == text.size()) Add(AnsiString());
        ++p;
        skipBlanks(p);
      }
    }
  });
}

AnsiString TStrings::GetTextStr() const {
  AnsiString result;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    result += Get(i);
    result += kLineBreak;
  }
  return result;
}

void TStrings::SetTextStr(std::string_view text) {
  WithUpdate([&] {
    Clear();
    std::size_t p = 0;
    while (p < text.size()) {
      const std::size_t start = p;
      while (p < text.size() && text[p] != '\r' && text[p] != '\n') ++p;
      Add(AnsiString(text.substr(start, p - start)));
      if (p < text.size() && text[p] == '\r') ++p;
      if (p < text.size() && text[p] == '\n') ++p;
    }
  });
}

void TStrings::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TStrings*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;  // clearing first would lose the source
  WithUpdate([&] {
    Clear();
    delimiter_ = other->delimiter_;
    quoteChar_ = other->quoteChar_;
    nameValueSeparator_ = other->nameValueSeparator_;
    AddStrings(*other);
  });
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  --updateCount_;
  if (updateCount_ == 0) SetUpdateState(false);
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return StringsCompare(a, b, false); }

void TStrings::Error(const char* format, int data) const { throw EStringListError(Format(format, {data})); }

void TStrings::Error(const char* message) const { throw EStringListError(message); }

void TStrings::WithUpdate(const std::function<void()>& body) {
  BeginUpdate();
  try {
    body();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- TStringList ----

namespace {
constexpr const char* kSortedListError = "Operation not allowed on sorted list";
constexpr const char* kIndexError = "List index out of bounds (%d)";
}  // namespace

TStringList::~TStringList() {
  // Nobody hears about the strings going away.
  OnChange = nullptr;
  OnChanging = nullptr;
}

std::size_t TStringList::Checked(int index) const {
  if (index < 0 || index >= Count()) Error(kIndexError, index);
  return static_cast<std::size_t>(index);
}

AnsiString TStringList::Get(int index) const { return items_[Checked(index)].string; }

void TStringList::Put(int index, const AnsiString& s) {
  if (sorted_) Error(kSortedListError);
  const std::size_t i = Checked(index);
  Changing();
  items_[i].string = s;
  Changed();
}

TObject* TStringList::GetObject(int index) const { return items_[Checked(index)].object; }

void TStringList::PutObject(int index, TObject* object) {
  const std::size_t i = Checked(index);
  Changing();
  items_[i].object = object;
  Changed();
}

void TStringList::Insert(int index, const AnsiString& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const AnsiString& s, TObject* object) {
  if (sorted_) Error(kSortedListError);
  if (index < 0 || index > Count()) Error(kIndexError, index);
  InsertItem(index, s, object);
}

void TStringList::Delete(int index) {
  const std::size_t i = Checked(index);
  Changing();
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

int TStringList::Add(const AnsiString& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const AnsiString& s, TObject* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) Error("String list does not allow duplicates");
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Exchange(int index1, int index2) {
  const std::size_t a = Checked(index1), b = Checked(index2);
  Changing();
  std::swap(items_[a], items_[b]);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (sorted_ && curIndex != newIndex) Error(kSortedListError);
  TStrings::Move(curIndex, newIndex);
}

int TStringList::IndexOf(std::string_view s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index = 0;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  bool found = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(items_[static_cast<std::size_t>(mid)].string, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

int TStringList::CompareItems(const TStringList& list, int index1, int index2) {
  return list.CompareStrings(list.items_[static_cast<std::size_t>(index1)].string,
                             list.items_[static_cast<std::size_t>(index2)].string);
}

void TStringList::Sort() { CustomSort(&TStringList::CompareItems); }

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (!sorted_ && Count() > 1) SortBy(compare);
}

void TStringList::SortBy(const TStringListSortCompare& compare) {
  // The comparator sees the list unchanged while the order is worked out on indexes.
  std::vector<int> order(items_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  detail::StableSortIndexes(order, [&](int a, int b) { return compare(*this, a, b) < 0; });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.capacity());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
  items_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (sorted_ == value) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (caseSensitive_ == value) return;
  caseSensitive_ = value;
  // The order changes with the comparison; Find relies on it.
  if (sorted_ && Count() > 1) SortBy(&TStringList::CompareItems);
}

void TStringList::SetCapacity(int value) {
  if (value < Count()) Error("List capacity out of bounds (%d)", value);
  items_.reserve(static_cast<std::size_t>(value));
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return StringsCompare(a, b, caseSensitive_);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}
