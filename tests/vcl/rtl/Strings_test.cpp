#include "vcl/rtl/Strings.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"

namespace {

using Lines = std::vector<std::string>;

Lines Contents(const TStrings& list) {
  Lines lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

void Fill(TStrings& list, const Lines& lines) {
  for (const auto& s : lines) list.Add(s);
}

// The least a TStrings must provide (as memo lines do): the base class builds everything else on it.
class TPlainLines : public TStrings {
 public:
  int Count() const override { return static_cast<int>(lines_.size()); }
  AnsiString Get(int index) const override {
    if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    return lines_[static_cast<std::size_t>(index)];
  }
  void Insert(int index, const AnsiString& s) override {
    if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
    lines_.insert(lines_.begin() + index, s);
  }
  void Delete(int index) override {
    Get(index);
    lines_.erase(lines_.begin() + index);
  }
  void Clear() override { lines_.clear(); }
  std::vector<bool> updateStates;

 protected:
  void SetUpdateState(bool updating) override { updateStates.push_back(updating); }

 private:
  std::vector<AnsiString> lines_;
};

class TOther : public TPersistent {};

}  // namespace

// Pins the byte-order comparison for tests whose expected order is the ASCII one.
struct AsciiCompareScope {
  TStringsCompare previous = SetStringsCompare(&AsciiStringsCompare);
  ~AsciiCompareScope() { SetStringsCompare(previous); }
};

TEST(Strings, TextSplitsAtCrLfCrOrLfAndWritesCrLf) {
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n", {""}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two breaks
      {"a\r\rb", {"a", "", "b"}},
      {std::string("x\0y", 3), {std::string("x\0y", 3)}},  // a NUL is an ordinary character
      {"\xE1rv\xEDzt\xFBr\xF5\r\nt\xFCk\xF6rf\xFAr\xF3g\xE9p", {"\xE1rv\xEDzt\xFBr\xF5", "t\xFCk\xF6rf\xFAr\xF3g\xE9p"}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.SetText(c.text);
    EXPECT_EQ(Contents(list), c.lines) << c.text;
    TStringList again;
    again.SetText(list.Text());
    EXPECT_EQ(Contents(again), c.lines) << "round trip of " << c.text;
  }
  TStringList list;
  Fill(list, {"a", "", "b"});
  EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");
}

TEST(Strings, SortedListsAndDuplicates) {
  AsciiCompareScope ascii;
  struct Case {
    TDuplicates duplicates;
    bool caseSensitive;
    Lines expected;
    bool raises;  // the second "a" is refused
  };
  const Case cases[] = {
      {dupIgnore, false, {"A", "b", "c"}, false},
      {dupAccept, false, {"a", "A", "b", "c"}, false},  // an equal one goes before the present ones
      {dupError, false, {"A", "b", "c"}, true},
      {dupIgnore, true, {"A", "a", "b", "c"}, false},
      {dupError, true, {"A", "a", "b", "c"}, false},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.duplicates);
    list.SetCaseSensitive(c.caseSensitive);
    list.Add("b");
    list.Add("A");
    try {
      const int index = list.Add("a");
      EXPECT_FALSE(c.raises);
      EXPECT_EQ(list.Strings(index), c.duplicates == dupIgnore && !c.caseSensitive ? "A" : "a");
    } catch (const EStringListError& e) {
      EXPECT_TRUE(c.raises);
      EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
    list.Add("c");
    EXPECT_EQ(Contents(list), c.expected) << c.duplicates << "/" << c.caseSensitive;
  }
}

TEST(Strings, FindAndIndexOf) {
  TStringList list;
  Fill(list, {"f", "b", "d"});
  EXPECT_EQ(list.IndexOf("D"), 2);  // unsorted: linear, case ignored
  list.SetSorted(true);
  EXPECT_EQ(Contents(list), (Lines{"b", "d", "f"}));
  struct Case {
    const char* s;
    bool found;
    int index;
  };
  for (const Case& c : {Case{"a", false, 0}, Case{"c", false, 1}, Case{"D", true, 1}, Case{"g", false, 3}}) {
    int index = -1;
    EXPECT_EQ(list.Find(c.s, index), c.found) << c.s;
    EXPECT_EQ(index, c.index) << c.s;
  }
  EXPECT_EQ(list.IndexOf("F"), 2);
  EXPECT_EQ(list.IndexOf("e"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("F"), -1);
}

TEST(Strings, ChangingCaseSensitivityResortsASortedList) {
  AsciiCompareScope ascii;
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  Fill(list, {"a", "B", "c", "A"});
  EXPECT_EQ(Contents(list), (Lines{"A", "a", "B", "c"}));
  list.SetCaseSensitive(true);
  EXPECT_EQ(Contents(list), (Lines{"A", "B", "a", "c"}));
  EXPECT_EQ(list.IndexOf("a"), 2);
  EXPECT_EQ(list.IndexOf("B"), 1);
}

TEST(Strings, SortingByComparatorAndByTheInstalledComparison) {
  TStringList list;
  Fill(list, {"ccc", "a", "bb", "dd"});
  list.CustomSort([](const TStringList& l, int i, int j) {
    return static_cast<int>(l.Strings(i).size()) - static_cast<int>(l.Strings(j).size());
  });
  EXPECT_EQ(Contents(list), (Lines{"a", "bb", "dd", "ccc"}));  // equal lengths keep their order

  // A platform comparison plugged in: here one that orders backwards.
  const TStringsCompare previous =
      SetStringsCompare([](std::string_view a, std::string_view b, bool cs) { return AsciiStringsCompare(b, a, cs); });
  list.Sort();
  EXPECT_EQ(Contents(list), (Lines{"dd", "ccc", "bb", "a"}));
  SetStringsCompare(previous);
  list.Sort();
  EXPECT_EQ(Contents(list), (Lines{"a", "bb", "ccc", "dd"}));
}

TEST(Strings, ChangeEventsFireAroundEachChangeOrOnceAroundABatch) {
  TStringList list;
  std::vector<std::string> events;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    events.push_back("changing " + std::to_string(list.Count()));
  };
  list.OnChange = [&](TObject*) { events.push_back("change " + std::to_string(list.Count())); };

  struct Step {
    const char* what;
    std::function<void()> op;
    std::vector<std::string> events;
  };
  const Step steps[] = {
      {"add", [&] { list.Add("x"); }, {"changing 0", "change 1"}},
      {"put", [&] { list.SetStrings(0, "y"); }, {"changing 1", "change 1"}},
      {"object", [&] { list.SetObjects(0, &list); }, {"changing 1", "change 1"}},
      {"batch", [&] {
         list.BeginUpdate();
         list.Add("a");
         list.Add("b");
         list.BeginUpdate();
         list.Delete(0);
         list.EndUpdate();
         list.EndUpdate();
       },
       {"changing 1", "change 2"}},
      {"text", [&] { list.SetText("1\r\n2\r\n3"); }, {"changing 2", "change 3"}},
      {"sort", [&] { list.Sort(); }, {"changing 3", "change 3"}},
      {"exchange", [&] { list.Exchange(0, 2); }, {"changing 3", "change 3"}},
      {"clear", [&] { list.Clear(); }, {"changing 3", "change 0"}},
      {"clear empty", [&] { list.Clear(); }, {}},
  };
  for (const Step& step : steps) {
    events.clear();
    step.op();
    EXPECT_EQ(events, step.events) << step.what;
  }
}

TEST(Strings, RefusedOperationsLeaveTheListAsItWas) {
  struct Case {
    const char* what;
    bool sorted;
    std::function<void(TStringList&)> op;
    const char* message;
  };
  const Case cases[] = {
      {"insert into sorted", true, [](TStringList& l) { l.Insert(0, "z"); }, "Operation not allowed on sorted list"},
      {"put into sorted", true, [](TStringList& l) { l.SetStrings(0, "z"); }, "Operation not allowed on sorted list"},
      {"move in sorted", true, [](TStringList& l) { l.Move(0, 2); }, "Operation not allowed on sorted list"},
      {"read past end", false, [](TStringList& l) { l.Strings(3); }, "List index out of bounds (3)"},
      {"object past end", false, [](TStringList& l) { l.Objects(-1); }, "List index out of bounds (-1)"},
      {"insert beyond end", false, [](TStringList& l) { l.Insert(4, "z"); }, "List index out of bounds (4)"},
      {"delete past end", false, [](TStringList& l) { l.Delete(3); }, "List index out of bounds (3)"},
      {"move beyond end", false, [](TStringList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
      {"exchange", false, [](TStringList& l) { l.Exchange(1, 9); }, "List index out of bounds (9)"},
      {"capacity", false, [](TStringList& l) { l.SetCapacity(1); }, "List capacity out of bounds (1)"},
  };
  for (const Case& c : cases) {
    TStringList list;
    Fill(list, {"a", "b", "c"});
    list.SetSorted(c.sorted);
    try {
      c.op(list);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
    EXPECT_EQ(Contents(list), (Lines{"a", "b", "c"})) << c.what;
  }
}

TEST(Strings, CommaTextQuotesWhatItMustAndReadsItBack) {
  struct Case {
    Lines lines;
    std::string text;
  };
  const Case written[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"a", "b c", "d,e", "say \"hi\"", ""}, "a,\"b c\",\"d,e\",\"say \"\"hi\"\"\","},
      {{"tab\there", "\xF5r"}, "\"tab\there\",\xF5r"},
  };
  for (const Case& c : written) {
    TStringList list;
    Fill(list, c.lines);
    EXPECT_EQ(list.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(c.text);
    EXPECT_EQ(Contents(back), c.lines) << c.text;
  }
  const Case read[] = {
      {{"a", "b", "c d", "", "e\"f"}, " a, b ,\"c d\",,\"e\"\"f\""},
      {{"a", "b"}, "a b"},  // a blank ends an unquoted item
      {{"a", ""}, "a,"},    // a delimiter at the very end adds an empty item
      {{"x", "y"}, "\"x\"y"},
      {{"open ended"}, "\"open ended"},  // a missing closing quote runs to the end
      {{}, "   "},
      {{"a"}, std::string("a\0,b", 4)},  // nothing after a NUL
  };
  for (const Case& c : read) {
    TStringList list;
    list.Add("old");
    list.SetCommaText(c.text);
    EXPECT_EQ(Contents(list), c.lines) << c.text;
  }
}

TEST(Strings, DelimitedTextUsesTheListsDelimiterAndQuote) {
  TStringList list;
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  Fill(list, {"a b", "c;d", "it's", "e,f"});
  EXPECT_EQ(list.DelimitedText(), "'a b';'c;d';'it''s';e,f");
  EXPECT_EQ(list.CommaText(), "\"a b\",c;d,it's,\"e,f\"");
  TStringList back;
  back.SetDelimiter(';');
  back.SetQuoteChar('\'');
  back.SetDelimitedText(list.DelimitedText());
  EXPECT_EQ(Contents(back), Contents(list));
}

// Empty items survive a round trip with any delimiter, blanks and control characters included.
TEST(Strings, EmptyItemsSurviveTheRoundTripWithAnyDelimiter) {
  const std::vector<std::vector<std::string>> lists = {
      {"a", ""}, {"", "a"}, {"a", "", "b"}, {"", ""}, {"", "", ""}, {"x y", "", "z"}};
  for (const char delimiter : {',', ';', ' ', '\t', '\n'}) {
    for (const auto& items : lists) {
      TStringList list;
      list.SetDelimiter(delimiter);
      Fill(list, items);
      TStringList back;
      back.SetDelimiter(delimiter);
      back.SetDelimitedText(list.DelimitedText());
      EXPECT_EQ(Contents(back), Contents(list)) << "delimiter " << int(delimiter) << ": " << list.DelimitedText();
    }
  }
  TStringList list;
  list.SetDelimiter(' ');
  Fill(list, {"a", ""});
  EXPECT_EQ(list.DelimitedText(), "a \"\"");
  list.SetDelimiter(',');
  EXPECT_EQ(list.DelimitedText(), "a,");  // unchanged where the empty item shows anyway
}

TEST(Strings, NamesAndValues) {
  TStringList list;
  Fill(list, {"Name=Value", "Empty=", "NoSeparator", "x=1=2"});
  EXPECT_EQ(list.Names(0), "Name");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.Values("name"), "Value");
  EXPECT_EQ(list.Values("x"), "1=2");
  EXPECT_EQ(list.Values("Empty"), "");
  EXPECT_EQ(list.Values("missing"), "");
  EXPECT_EQ(list.ValueFromIndex(3), "1=2");
  EXPECT_EQ(list.IndexOfName("EMPTY"), 1);
  list.SetValues("name", "V2");
  list.SetValues("Empty", "");
  list.SetValues("New", "v");
  list.SetValues("absent", "");
  EXPECT_EQ(Contents(list), (Lines{"name=V2", "NoSeparator", "x=1=2", "New=v"}));
  list.SetNameValueSeparator(':');
  list.Add("key:val");
  EXPECT_EQ(list.Values("KEY"), "val");
}

TEST(Strings, AssignAndAddStringsCopyStringsObjectsAndSettings) {
  TStringList source;
  TOther tagA, tagB;
  source.AddObject("b", &tagB);
  source.AddObject("a", &tagA);
  source.SetDelimiter(';');
  TStringList target;
  target.SetSorted(true);
  target.Add("old");
  target.Assign(&source);
  EXPECT_EQ(Contents(target), (Lines{"a", "b"}));  // the target stays sorted
  EXPECT_EQ(target.Objects(0), &tagA);
  EXPECT_EQ(target.Delimiter(), ';');
  EXPECT_TRUE(target.Equals(target));
  EXPECT_FALSE(target.Equals(source));  // other order
  EXPECT_EQ(target.IndexOfObject(&tagB), 1);

  source.Assign(&source);
  EXPECT_EQ(source.Count(), 2);
  source.AddStrings(source);  // a list may add itself: twice the same
  EXPECT_EQ(Contents(source), (Lines{"b", "a", "b", "a"}));

  try {
    target.Assign(&tagA);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TOther to a TStringList");
  }
}

TEST(Strings, TheBaseClassWorksFromTheFivePrimitives) {
  TPlainLines lines;
  lines.SetText("one\r\ntwo\r\nthree");
  EXPECT_EQ(lines.updateStates, (std::vector<bool>{true, false}));
  lines.SetStrings(1, "TWO");
  lines.Exchange(0, 2);
  lines.Move(0, 1);
  EXPECT_EQ(Contents(lines), (Lines{"TWO", "three", "one"}));
  EXPECT_EQ(lines.IndexOf("two"), 0);
  EXPECT_EQ(lines.Objects(0), nullptr);
  EXPECT_THROW(lines.Move(0, 3), EStringListError);
  EXPECT_EQ(Contents(lines), (Lines{"TWO", "three", "one"}));  // the bad move lost nothing
  TStringList copy;
  copy.Assign(&lines);
  EXPECT_EQ(copy.CommaText(), "TWO,three,one");
}

TEST(StringsStreaming, TextRoundTripsThroughAStreamFromItsPosition) {
  TStringList list;
  list.SetText("els\xF5\r\nm\xE1sodik\n");
  TMemoryStream stream;
  stream.WriteBuffer("xy", 2);
  list.SaveToStream(stream);
  EXPECT_EQ(stream.Size(), 2 + 15);  // "első\r\nmásodik\r\n" after the two bytes
  stream.SetPosition(2);
  TStringList back;
  back.LoadFromStream(stream);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Strings(0), "els\xF5");
  EXPECT_EQ(back.Strings(1), "m\xE1sodik");
}

TEST(StringsCompareDefault, IsTheLocaleAwareComparison) {
  // Accented letters sort beside their base letter, not after 'z' as byte order would put them.
  TStringList list;
  list.SetSorted(true);
  list.Add("zebra");
  list.Add("\xE1rv\xEDz");  // árvíz
  list.Add("alma");
  EXPECT_EQ(list.Strings(0), "alma");
  EXPECT_EQ(list.Strings(1), "\xE1rv\xEDz");
  EXPECT_EQ(list.IndexOf("\xC1RV\xCDZ"), 1);  // case-insensitive by default
}
