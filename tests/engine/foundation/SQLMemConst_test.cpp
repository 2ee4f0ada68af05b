#include "engine/foundation/SQLMemConst.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <map>
#include <string>
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/DataFiles.h"

namespace {

// The reference file writes carriage return and line feed as the two-character escapes.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// Arguments that fit the message's specifiers: an integer for %d, a number for %f, a text for %s.
std::vector<TVarRec> ArgumentsFor(std::string_view text) {
  std::vector<TVarRec> args;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%') continue;
    switch (text[++i]) {
      case 'd': args.emplace_back(7); break;
      case 'f': args.emplace_back(1.5); break;
      case 's': args.emplace_back("x"); break;
      default: ADD_FAILURE() << "unexpected specifier in: " << text;
    }
  }
  return args;
}

}  // namespace

// A test program run by itself (not through CTest, from any folder) still finds its reference tables.
TEST(SQLMemMessages, TheReferenceTablesAreFoundWithoutCTestsEnvironment) {
  const char* set = std::getenv("QN_TEST_DATA");
  const std::string saved = set != nullptr ? set : "";
#ifdef _WIN32
  _putenv_s("QN_TEST_DATA", "");
#else
  unsetenv("QN_TEST_DATA");
#endif
  EXPECT_EQ(ReadDataLines("engine/SQLMemMessages.txt").size(), 329u);
#ifdef _WIN32
  _putenv_s("QN_TEST_DATA", saved.c_str());
#else
  if (set != nullptr) setenv("QN_TEST_DATA", saved.c_str(), 1);
#endif
}

TEST(SQLMemMessages, TableMatchesTheReferenceTextsExactly) {
  const std::vector<std::string> expected = ReadDataLines("engine/SQLMemMessages.txt");
  const auto table = SQLMemMessages();
  ASSERT_EQ(table.size(), 329u);
  ASSERT_EQ(expected.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(Escaped(table[i].text), expected[i]) << "entry " << i << " (" << table[i].name << ")";
  }
}

TEST(SQLMemMessages, EachTextHasOneNameAndEachNameOneText) {
  std::map<std::string, std::string> nameOfText;
  std::map<std::string, std::string> textOfName;
  for (const TSQLMemMessage& m : SQLMemMessages()) {
    EXPECT_EQ(nameOfText.emplace(m.text, m.name).first->second, m.name) << m.text;
    EXPECT_EQ(textOfName.emplace(m.name, m.text).first->second, m.text) << m.name;
  }
  EXPECT_EQ(nameOfText.size(), 323u);  // six texts appear twice in the table
  EXPECT_STREQ(SQLMemNilPointer, "Nil pointer occured");
}

TEST(SQLMemMessages, EveryMessageFormatsWithFittingArguments) {
  for (const TSQLMemMessage& m : SQLMemMessages()) {
    const std::vector<TVarRec> args = ArgumentsFor(m.text);
    const ESQLMemException e = ESQLMemException::CreateFromFormat(30000, m.text, TVarRecs(args));
    EXPECT_EQ(e.Message().find("Arguments are invalid!"), std::string::npos) << m.name;
  }
  EXPECT_EQ(ESQLMemException::CreateFromFormat(10000, SQLMemInvalidFieldNumber, {3, 2}).Message(),
            "Invalid field number - FieldNo = 3, FieldCount = 2 - Native error: 10000");
}

TEST(SQLKeywords, TableMatchesTheReferenceListInOrder) {
  const std::vector<std::string> expected = ReadDataLines("engine/SQLKeywords.txt");
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(SQLKeywordCount));
  for (Integer i = 0; i < SQLKeywordCount; ++i) {
    EXPECT_EQ(SQLKeyword(i), expected[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(FindSQLKeyword(SQLKeyword(i)), i) << SQLKeyword(i);  // no word appears twice
  }
}

TEST(SQLKeywords, LookupByWordIsExact) {
  struct Case {
    const char* word;
    Integer number;
  };
  const Case cases[] = {
      {"ABSOLUTE", 0},   {"LIKE", 126}, {"LOWER", 128},    {"SELECT", 184}, {"TABLE", 200},
      {"DATABASE", 288}, {"END-EXEC", 74}, {"GROUP_CONCAT", 294},
      {"select", -1},    {"Select", -1}, {"SELEC", -1},    {"SELECTX", -1}, {"", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindSQLKeyword(c.word), c.number) << c.word;
}

TEST(SQLKeywords, NumberOutsideTheTableIsARangeError) {
  EXPECT_STREQ(SQLKeyword(294), "GROUP_CONCAT");
  EXPECT_THROW(SQLKeyword(295), ERangeError);
  EXPECT_THROW(SQLKeyword(-1), ERangeError);
}
