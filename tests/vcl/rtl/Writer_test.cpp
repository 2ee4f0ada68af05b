// The definition writer: what it writes parses back to the same values (strings with quotes, control
// characters and Hungarian letters, floats, binary data of any length, collections and nested objects),
// and DefineProperties data is written only where it has data.
#include <gtest/gtest.h>

#include "vcl/rtl/DefinitionText.h"
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/TextConv.h"
#include "vcl/rtl/Writer.h"

namespace {

const TDefValue& ValueOf(const TDefObject& def, const char* name) {
  for (const TDefProperty& p : def.properties)
    if (p.name == name) return p.value;
  throw std::runtime_error(std::string("no property ") + name);
}

// Stores two blobs through DefineProperties: one with data, one without.
class TTwoBlobs : public TPersistent {
 public:
  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty("Full", {}, [](TStream& s) { s.WriteBuffer("\x01\x02\x03", 3); }, true);
    filer.DefineBinaryProperty("Skipped", {}, [](TStream& s) { s.WriteBuffer("x", 1); }, false);
    filer.DefineProperty("Count", {}, [](TWriter& w) { w.WriteInteger(w.DefinedName(), 7); }, true);
  }
};

}  // namespace

TEST(Writer, ValuesParseBackUnchanged) {
  std::vector<Byte> blob(70);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<Byte>(i * 37 + 250);
  const AnsiString text = Utf8ToCp1250("it's ő\tű\r\nend");

  TWriter w;
  w.BeginObject("Root1", "TRoot");
  w.WriteString("Text", text);
  w.WriteString("Empty", "");
  w.WriteFloat("Whole", 8.0);
  w.WriteFloat("Fraction", 0.1);
  w.WriteInteger("Negative", -11);
  w.WriteBoolean("Flag", true);
  w.WriteBinary("Blob", blob.data(), blob.size());
  w.WriteBinary("NoBytes", nullptr, 0);
  w.BeginCollection("Items");
  w.BeginItem();
  w.WriteString("Name", "a");
  w.EndItem();
  w.BeginItem();
  w.EndItem();
  w.EndCollection();
  w.BeginObject("", "TChild");
  TTwoBlobs blobs;
  w.WriteDefinedProperties(blobs);
  w.EndObject();
  w.EndObject();

  const std::unique_ptr<TDefObject> def = ParseDefinition(w.Text());
  EXPECT_EQ(def->name, "Root1");
  EXPECT_EQ(ValueOf(*def, "Text").text, text);
  EXPECT_EQ(ValueOf(*def, "Empty").kind, TDefValueKind::String);
  EXPECT_EQ(ValueOf(*def, "Empty").text, "");
  EXPECT_EQ(ValueOf(*def, "Whole").kind, TDefValueKind::Float);
  EXPECT_EQ(ValueOf(*def, "Whole").real, 8.0);
  EXPECT_EQ(ValueOf(*def, "Fraction").real, 0.1);
  EXPECT_EQ(ValueOf(*def, "Negative").integer, -11);
  EXPECT_EQ(ValueOf(*def, "Flag").text, "True");
  EXPECT_EQ(ValueOf(*def, "Blob").bytes, blob);
  EXPECT_EQ(ValueOf(*def, "NoBytes").kind, TDefValueKind::Binary);
  EXPECT_TRUE(ValueOf(*def, "NoBytes").bytes.empty());
  const TDefValue& items = ValueOf(*def, "Items");
  ASSERT_EQ(items.items.size(), 2u);
  ASSERT_EQ(items.items[0].properties.size(), 1u);
  EXPECT_EQ(items.items[0].properties[0].value.text, "a");
  EXPECT_TRUE(items.items[1].properties.empty());

  ASSERT_EQ(def->children.size(), 1u);
  const TDefObject& child = *def->children[0];
  EXPECT_EQ(child.className, "TChild");
  ASSERT_EQ(child.properties.size(), 2u);  // "Skipped" has no data
  EXPECT_EQ(child.properties[0].name, "Full");
  EXPECT_EQ(child.properties[0].value.bytes, (std::vector<Byte>{1, 2, 3}));
  EXPECT_EQ(child.properties[1].name, "Count");
  EXPECT_EQ(child.properties[1].value.integer, 7);
}

TEST(Writer, BinaryValuesBreakIntoIndentedLinesOf32Bytes) {
  const std::vector<Byte> bytes(33, 0xAB);
  std::string fullLine;
  for (int i = 0; i < 32; ++i) fullLine += "AB";
  EXPECT_EQ(DefinitionBinaryLiteral(bytes.data(), bytes.size(), 2), "{\n    " + fullLine + "\n    AB}");
  EXPECT_EQ(DefinitionBinaryLiteral(nullptr, 0, 2), "{}");
}
