// Lists of 8-bit strings, each with an optional borrowed object: TStrings, the interface that memo lines,
// list boxes and string properties share (text with line breaks, comma text, name=value pairs, update
// batching), and TStringList, the stand-alone list (sorting, duplicates, change events).
// Comparisons (IndexOf, names, Find, sorting) go through one replaceable function; by default it is
// the platform's locale-aware comparison (AnsiCompareText / AnsiCompareStr).
#pragma once
#include <functional>
#include <string_view>
#include <vector>
#include "vcl/rtl/Lists.h"
#include "vcl/rtl/Persistent.h"

// <0, 0, >0 as a sorts before, with, after b.
using TStringsCompare = int (*)(std::string_view a, std::string_view b, bool caseSensitive);
// ASCII letters folded when not case-sensitive, then unsigned byte order.
int AsciiStringsCompare(std::string_view a, std::string_view b, bool caseSensitive);
// The default: the user's locale (AnsiCompareText when not case-sensitive, else AnsiCompareStr).
int LocaleStringsCompare(std::string_view a, std::string_view b, bool caseSensitive);
// Installs the comparison for every string list (nullptr restores the default); returns the previous one.
TStringsCompare SetStringsCompare(TStringsCompare compare);
int StringsCompare(std::string_view a, std::string_view b, bool caseSensitive);

// The line break Text writes. Reading accepts CR LF, CR and LF.
inline constexpr std::string_view kLineBreak = "\r\n";

class TStrings : public TPersistent {
 public:
  // ---- what a concrete list provides ----
  virtual int Count() const = 0;
  // Strings and objects by index; an index out of range raises EStringListError
  // "List index out of bounds (n)".
  virtual AnsiString Get(int index) const = 0;
  virtual void Put(int index, const AnsiString& s);  // default: delete and insert again, keeping the object
  virtual TObject* GetObject(int index) const;     // default: no objects (nil)
  virtual void PutObject(int index, TObject* object);  // default: ignored
  virtual void Insert(int index, const AnsiString& s) = 0;  // 0 <= index <= Count
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  // ---- properties ----
  AnsiString Strings(int index) const { return Get(index); }
  void SetStrings(int index, const AnsiString& s) { Put(index, s); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* object) { PutObject(index, object); }

  // Every string followed by kLineBreak.
  AnsiString Text() const { return GetTextStr(); }
  // Replaces the contents with the lines of text (a final line break adds no empty line).
  void SetText(std::string_view text) { SetTextStr(text); }
  // The text from the stream's position to its end / the text written at the stream's position.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;

  // The strings separated by Delimiter; a string holding a control character, a blank, the quote or the
  // delimiter is quoted (quote doubled inside). A list of one empty string gives two quotes, and so
  // does an empty string when the delimiter is a blank or control character.
  AnsiString DelimitedText() const;
  // Replaces the contents: items end at the delimiter or at a blank or control character unless quoted;
  // blanks around items are skipped; a delimiter at the very end adds an empty item. Text after a NUL
  // character is ignored.
  void SetDelimitedText(std::string_view text);
  // DelimitedText with ',' and '"', whatever Delimiter and QuoteChar are.
  AnsiString CommaText() const;
  void SetCommaText(std::string_view text);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char value) { delimiter_ = value; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char value) { quoteChar_ = value; }

  // name=value strings. Names(i) is "" for a string without the separator; Values of a missing name is
  // ""; setting a value to "" deletes the pair, setting a new name adds one.
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char value) { nameValueSeparator_ = value; }
  AnsiString Names(int index) const;
  AnsiString Values(std::string_view name) const;
  void SetValues(std::string_view name, std::string_view value);
  AnsiString ValueFromIndex(int index) const;

  // ---- operations ----
  virtual int Add(const AnsiString& s);  // returns the new string's index
  virtual int AddObject(const AnsiString& s, TObject* object);
  void Append(const AnsiString& s) { Add(s); }
  virtual void InsertObject(int index, const AnsiString& s, TObject* object);
  // Adds the strings and objects of another list (a list may add itself: it then holds itself twice).
  virtual void AddStrings(const TStrings& strings);
  virtual void Exchange(int index1, int index2);
  // Moves a string and its object; both indexes must be valid before anything changes.
  virtual void Move(int curIndex, int newIndex);
  virtual int IndexOf(std::string_view s) const;  // -1 when absent
  int IndexOfName(std::string_view name) const;
  int IndexOfObject(const TObject* object) const;
  // Same count and the same strings (compared exactly).
  bool Equals(const TStrings& strings) const;

  // From another TStrings: its strings, objects, delimiter, quote and name-value separator.
  void Assign(const TPersistent* source) override;

  // Batches changes: the outermost BeginUpdate calls SetUpdateState(true), the matching EndUpdate
  // SetUpdateState(false).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // The comparison of IndexOf and names; not case-sensitive here.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;

 protected:
  virtual void SetUpdateState(bool /*updating*/) {}
  virtual AnsiString GetTextStr() const;
  virtual void SetTextStr(std::string_view text);
  [[noreturn]] void Error(const char* format, int data) const;  // EStringListError
  [[noreturn]] void Error(const char* message) const;
  // Runs body between BeginUpdate and EndUpdate (EndUpdate also when body raises).
  void WithUpdate(const std::function<void()>& body);

 private:
  AnsiString DelimitedTextWith(char delimiter, char quote) const;
  void SetDelimitedTextWith(std::string_view text, char delimiter, char quote);

  int updateCount_ = 0;
  char delimiter_ = ',';
  char quoteChar_ = '"';
  char nameValueSeparator_ = '=';
};

class TStringList : public TStrings {
 public:
  // Compares the strings at two indexes of the list: <0, 0, >0.
  using TStringListSortCompare = std::function<int(const TStringList& list, int index1, int index2)>;

  TStringList() = default;
  ~TStringList() override;

  int Count() const override { return static_cast<int>(items_.size()); }
  AnsiString Get(int index) const override;
  // On a sorted list Put, Insert, InsertObject and Move raise EStringListError
  // "Operation not allowed on sorted list".
  void Put(int index, const AnsiString& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const AnsiString& s) override;
  void InsertObject(int index, const AnsiString& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  // On a sorted list Add puts the string in order; with Duplicates dupIgnore a string already present is
  // not added (its index is returned), with dupError it raises "String list does not allow duplicates".
  int Add(const AnsiString& s) override;
  int AddObject(const AnsiString& s, TObject* object) override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  int IndexOf(std::string_view s) const override;  // binary search when sorted

  // Binary search of a sorted list: true when found, index = its position (the first of equal strings
  // with dupAccept), else the position where it would go.
  virtual bool Find(std::string_view s, int& index) const;
  // Sort by CompareStrings / by a comparator; nothing on a list that is kept Sorted. Equal strings keep
  // their order.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);  // a sorted list is sorted again
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int value);  // EStringListError "List capacity out of bounds (n)" below Count

  int CompareStrings(std::string_view a, std::string_view b) const override;

  // Fired around every change, or once around a BeginUpdate/EndUpdate batch.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool updating) override;
  virtual void InsertItem(int index, const AnsiString& s, TObject* object);

 private:
  struct Item {
    AnsiString string;
    TObject* object = nullptr;
  };
  std::size_t Checked(int index) const;
  void SortBy(const TStringListSortCompare& compare);
  static int CompareItems(const TStringList& list, int index1, int index2);  // by CompareStrings

  std::vector<Item> items_;
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool caseSensitive_ = false;
};
