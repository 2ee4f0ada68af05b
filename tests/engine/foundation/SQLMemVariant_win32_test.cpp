// Text values order by the user's locale: the win64 tree runs under Wine with a Hungarian user locale,
// so accented letters and the Hungarian digraphs sort as a Hungarian reader expects, through every
// path a value comparison takes (8-bit text, wide text, Memo against text).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

class HungarianValues : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(os::TextLocaleName(), "hu-HU");
    InitializeEngineFoundation();
  }
};

std::unique_ptr<TSQLMemVariant> Text(const char* utf8, Integer type) {
  auto v = std::make_unique<TSQLMemVariant>(type);
  if (IsWideDataType(type)) {
    v->SetAsWideString(Utf8ToUtf16(utf8));
  } else if (type == edtMemo) {
    const AnsiString bytes = Utf8ToCp1250(utf8);
    void* block = MemoryManager().GetMem(static_cast<Int64>(bytes.size()));
    std::memcpy(block, bytes.data(), bytes.size());
    v->AttachData(block, static_cast<Integer>(bytes.size()));
  } else {
    v->SetAsString(Utf8ToCp1250(utf8));
  }
  return v;
}

TEST_F(HungarianValues, AccentedLettersAndDigraphsSortInHungarianOrder) {
  // Byte or code-unit order would put every accented word after "zsák".
  const std::vector<const char*> expected = {"ábra", "alma", "azok", "cukor", "csak", "ég", "eper",
                                             "íz",   "ok",   "óra",  "öt",    "őz",   "uborka", "ügy", "zab", "zsák"};
  for (Integer type : {edtVarchar, edtWideVarchar, edtMemo}) {
    std::vector<const char*> words = expected;
    std::reverse(words.begin(), words.end());
    std::stable_sort(words.begin(), words.end(), [&](const char* a, const char* b) {
      return Text(a, type)->Compare(*Text(b, type), false, false, false) == ccLess;
    });
    EXPECT_EQ(words, expected) << EngineDataTypeName(type);
  }
}

TEST_F(HungarianValues, MixedWidthsAndCaseFollowTheSameOrder) {
  struct Case {
    const char* a;
    Integer typeA;
    const char* b;
    Integer typeB;
    bool caseInsensitive;
    Integer expected;
  };
  const Case cases[] = {
      {"ábra", edtVarchar, "alma", edtWideVarchar, false, ccLess},  // the accent counts only after the letters
      {"ábra", edtVarchar, "azok", edtWideVarchar, false, ccLess},
      {"öt", edtMemo, "oz", edtVarchar, false, ccGreater},
      {"öt", edtMemo, "oz", edtWideVarchar, false, ccGreater},
      {"csak", edtWideVarchar, "cukor", edtMemo, false, ccGreater},
      {"ÁRVÍZTŰRŐ", edtVarchar, "árvíztűrő", edtWideVarchar, true, ccEqual},
      {"ÁRVÍZTŰRŐ", edtVarchar, "árvíztűrő", edtVarchar, false, ccGreater},
      {"Őz", edtMemo, "őz", edtVarchar, true, ccEqual},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(c.a, c.typeA)->Compare(*Text(c.b, c.typeB), false, false, c.caseInsensitive), c.expected)
        << c.a << " / " << c.b;
  }
  // A partial compare of accented text: "árvíztűrő" starts with "ÁRVÍZ" when case is ignored.
  EXPECT_EQ(Text("árvíztűrő", edtVarchar)->Compare(*Text("ÁRVÍZ", edtWideVarchar), false, true, true), ccEqual);
}

}  // namespace
