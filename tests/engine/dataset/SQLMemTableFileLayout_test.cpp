// The diary's data file byte by byte: a file the table component saves is taken apart by the documented
// layout (header, zlib body, sequences, field, constraint and index definitions, index pages, slot map,
// records and their BLOB values), and a file put together by that layout alone loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <tuple>

#include "tests/engine/dataset/SQLMemTableTestSupport.h"
#include "tests/engine/dataset/TableFileLayout.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/TextConv.h"

namespace {

class TableFileLayout : public TableComponentTest {
 protected:
  // Saves the diary's table (its memo stored with that BLOB algorithm) as the diary does and takes
  // the file apart.
  void CheckDiarySave(int memoAlgorithm);
};
using layout::Reader;
using layout::Writer;

constexpr std::int64_t kMaxInt64 = 9223372036854775807;

// The diary's table as its main window defines it, before it creates the table.
void DefineDiaryTable(TSQLMemTable& table) {
  table.FieldDefs().Clear();
  table.FieldDefs().Add("RecID", ftAutoInc);
  table.FieldDefs().Add("ShortDateDay", ftString, 10);
  table.FieldDefs().Add("Title", ftString, 25);
  table.FieldDefs().Add("Text", ftMemo);
  table.IndexDefs().Clear();
  table.IndexDefs().Add("ByShortDate", "ShortDateDay", TIndexOptions{ixPrimary});
  table.SetIndexName("ByShortDate");
}

// The same table with its memo compressed by zlib, defined through the column definitions.
void DefineDiaryTableWithZlibMemo(TSQLMemTable& table) {
  struct Column {
    const char* name;
    Byte fieldType;
    Integer size;
  };
  for (const Column& c : {Column{"RecID", 12, 0}, Column{"ShortDateDay", 2, 10}, Column{"Title", 2, 25}, Column{"Text", 33, 0}}) {
    TSQLMemAdvFieldDef* def = table.AdvFieldDefs().Add();
    def->Name = c.name;
    def->FieldType = c.fieldType;
    def->Size = c.size;
  }
  table.AdvFieldDefs()[3]->BlobCompressionAlgorithm = 1;
  table.AdvFieldDefs()[3]->BlobCompressionMode = 9;
  table.IndexDefs().Add("ByShortDate", "ShortDateDay", TIndexOptions{ixPrimary});
  table.SetIndexName("ByShortDate");
}

struct Field {
  std::string name;
  std::int32_t id = 0;
  int dataType = 0, fieldType = 0;
  std::int32_t size = 0;
  int blobAlgorithm = 0, blobLevel = 0;
  std::int32_t blobBlockSize = 0;
  std::int32_t sequenceId = -1;
  std::int64_t increment = 0, initial = 0, minValue = 0, maxValue = 0;
  int cycle = 0;
  int defaultType = -1, defaultNull = -1;
};

struct Sequence {
  std::string name;
  std::int32_t id = 0;
  int dataType = 0;
  std::int64_t minValue = 0, maxValue = 0, current = 0, increment = 0;
  int cycle = 0;
};

struct Constraint {
  int kind = 0;
  std::string name;
  std::int32_t id = 0, id1 = 0, id2 = 0, id3 = 0;
  std::string name1, name2, name3;
  std::vector<std::pair<std::int32_t, std::string>> columns;
};

struct Index {
  std::string name;
  std::int32_t id = 0;
  int kind = 0, unique = 0, primary = 0;
  std::int32_t rootPage = 0;
  std::vector<std::string> columns;
};

// The value bytes a field takes in a record, by its engine data type.
std::int32_t ValueSize(int dataType, std::int32_t length) {
  switch (dataType) {
    case 1: case 3: return length + 1;
    case 2: case 4: return (length + 1) * 2;
    case 5: case 9: return 1;
    case 6: case 10: case 21: return 2;
    case 7: case 11: case 12: case 15: case 16: return 4;
    case 14: return 10;
    case 23: case 24: return length;
    default: return 8;
  }
}

bool IsBLOB(int dataType) { return dataType >= 18 && dataType <= 20; }
bool IsAutoInc(int fieldType) { return fieldType >= 12 && fieldType <= 19; }

// A typed value: type byte, null mark (255 null, 0 value), then int32 size and data for a value.
void SkipVariant(Reader& r, int* type = nullptr, int* null = nullptr) {
  const int t = r.U8();
  const int n = r.U8();
  if (type != nullptr) *type = t;
  if (null != nullptr) *null = n;
  EXPECT_TRUE(n == 0 || n == 255) << "null mark " << n;
  if (n == 0) r.Bytes(static_cast<std::size_t>(r.I32()));
}

// Name strings of the not-null and check forms (byte count) and of the unique form (int32 count):
// n = length + 1, then the length byte and the characters.
std::string CountedName(Reader& r, bool wideCount) {
  const std::int64_t n = wideCount ? r.I32() : r.U8();
  EXPECT_GE(n, 1);
  const std::string bytes = r.Bytes(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
  if (bytes.empty()) return {};
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), n - 1) << "length byte of " << bytes.substr(1);
  return bytes.substr(1);
}

struct Decoded {
  std::vector<Sequence> sequences;
  std::vector<Field> fields;
  std::vector<Constraint> constraints;
  std::vector<Index> indexes;
  std::int32_t pageCapacity = 0, highestPage = 0, pageStep = 0, allocatedPages = 0;
  int pageSize = 0, reservedSize = 0;
  std::int32_t mapBits = 0, mapSetBits = 0;
  std::string mapData, pages;
  std::int32_t slotCapacity = 0, minSlot = 0, maxSlot = 0;
  int dense = 0;
  std::string freeBits;
  struct Record {
    std::string buffer;
    std::vector<std::string> blobs;  // stored bytes of each present BLOB, in field order
    std::vector<std::array<std::int64_t, 2>> blobHeads;  // block count, uncompressed size
  };
  std::vector<Record> records;
};

// Takes the uncompressed body apart section by section; base is the body's position in the stream
// its BLOB positions count in (0 for a compressed body).
Decoded DecodeBody(Reader& r, std::int64_t recordCount, std::int64_t base) {
  Decoded d;
  const std::int32_t sequenceCount = r.I32();
  for (std::int32_t i = 0; i < sequenceCount; ++i) {
    Sequence s;
    s.name = r.ShortString();
    s.id = r.I32();
    s.dataType = r.U8();
    s.minValue = r.I64();
    s.maxValue = r.I64();
    s.current = r.I64();
    s.increment = r.I64();
    s.cycle = r.U8();
    d.sequences.push_back(s);
  }
  const std::int32_t fieldCount = r.I32();
  for (std::int32_t i = 0; i < fieldCount; ++i) {
    Field f;
    f.name = r.ShortString();
    f.id = r.I32();
    f.dataType = r.U8();
    f.fieldType = r.U8();
    f.size = r.I32();
    if (IsBLOB(f.dataType)) {
      f.blobAlgorithm = r.U8();
      f.blobLevel = r.U8();
      f.blobBlockSize = r.I32();
    }
    if (IsAutoInc(f.fieldType)) {
      f.sequenceId = r.I32();
      f.increment = r.I64();
      f.initial = r.I64();
      f.minValue = r.I64();
      f.maxValue = r.I64();
      f.cycle = r.U8();
    } else {
      SkipVariant(r, &f.defaultType, &f.defaultNull);
    }
    d.fields.push_back(f);
  }
  const std::int32_t constraintCount = r.I32();
  for (std::int32_t i = 0; i < constraintCount; ++i) {
    Constraint c;
    c.kind = r.U8();
    c.name = r.ShortString();
    c.id = r.I32();
    switch (c.kind) {
      case 3:
      case 4:
      case 0:
      case 2: {
        const bool unique = c.kind == 0 || c.kind == 2;
        c.id1 = r.I32();
        c.id2 = r.I32();
        c.id3 = r.I32();
        c.name1 = CountedName(r, unique);
        c.name2 = CountedName(r, unique);
        c.name3 = CountedName(r, unique);
        if (c.kind == 4) {
          SkipVariant(r);
          SkipVariant(r);
        }
        if (unique) {
          const std::int32_t n = r.I32();
          for (std::int32_t k = 0; k < n; ++k) {
            const std::int32_t id = r.I32();
            c.columns.emplace_back(id, CountedName(r, true));
          }
        }
        break;
      }
      default:
        ADD_FAILURE() << "constraint kind " << c.kind << " in the diary's table";
        return d;
    }
    d.constraints.push_back(c);
  }
  const std::int32_t indexCount = r.I32();
  for (std::int32_t i = 0; i < indexCount; ++i) {
    Index x;
    x.name = r.ShortString();
    x.id = r.I32();
    x.kind = r.U8();
    x.unique = r.U8();
    x.primary = r.U8();
    const std::int32_t columns = r.I32();
    x.rootPage = r.I32();
    for (std::int32_t k = 0; k < columns; ++k) {
      x.columns.push_back(r.ShortString());
      EXPECT_EQ(r.U8(), 0);  // ascending
      EXPECT_EQ(r.U8(), 0);  // case-sensitive
    }
    d.indexes.push_back(x);
  }
  d.pageCapacity = r.I32();
  d.highestPage = r.I32();
  d.pageStep = r.I32();
  d.pageSize = r.U16();
  d.reservedSize = r.U16();
  d.allocatedPages = r.I32();
  d.mapBits = r.I32();
  d.mapSetBits = r.I32();
  if (d.mapBits > 0) d.mapData = r.Bytes(static_cast<std::size_t>((d.mapBits + 7) / 8));
  d.pages = r.Bytes(static_cast<std::size_t>(d.pageCapacity) * static_cast<std::size_t>(d.pageSize));
  if (recordCount == 0) return d;

  d.slotCapacity = r.I32();
  d.dense = r.U8();
  d.minSlot = r.I32();
  d.maxSlot = r.I32();
  if (d.slotCapacity > 0) d.freeBits = r.Bytes(static_cast<std::size_t>((d.slotCapacity + 7) / 8));
  // The record layout: the null bitmap, then each field's value bytes in field order.
  const std::int32_t bitmap = (fieldCount + 7) / 8;
  std::vector<std::int32_t> offsets;
  std::int32_t recordSize = bitmap;
  for (const Field& f : d.fields) {
    offsets.push_back(recordSize);
    recordSize += ValueSize(f.dataType, f.size);
  }
  for (std::int64_t i = 0; i < recordCount; ++i) {
    Decoded::Record record;
    record.buffer = r.Bytes(static_cast<std::size_t>(recordSize));
    if (record.buffer.empty()) return d;
    for (std::size_t k = 0; k < d.fields.size(); ++k) {
      const bool isNull = (static_cast<unsigned char>(record.buffer[k / 8]) >> (k % 8) & 1) != 0;
      if (!IsBLOB(d.fields[k].dataType) || isNull) continue;
      // The value slot names the absolute position of the BLOB's block: right after the record or
      // the previous block.
      Reader slot(record.buffer, static_cast<std::size_t>(offsets[k]));
      EXPECT_EQ(slot.I64(), base + static_cast<std::int64_t>(r.Position())) << "BLOB position of record " << i;
      const std::int32_t blocks = r.I32();
      const std::int64_t size = r.I64();
      const std::int64_t length = r.I64();
      record.blobHeads.push_back({blocks, size});
      record.blobs.push_back(r.Bytes(static_cast<std::size_t>(length)));
    }
    d.records.push_back(record);
  }
  return d;
}

// The value of a BLOB from its stored bytes: raw with algorithm 0, else a chain of blocks, each a
// 20-byte head (compressed size, uncompressed size, checksum, distance to the next head) and its data.
std::string BLOBValue(const std::string& stored, int algorithm, std::int64_t blockCount, std::int64_t size) {
  if (algorithm == 0) return stored;
  EXPECT_EQ(algorithm, 1) << "only zlib BLOBs are decoded here";
  Reader r(stored);
  std::string value;
  for (std::int64_t b = 0; b < blockCount; ++b) {
    const std::size_t at = r.Position();
    const std::int32_t packed = r.I32();
    const std::int32_t plain = r.I32();
    const std::uint32_t crc = r.U32();
    const std::int64_t next = r.I64();
    EXPECT_EQ(next, 20 + packed);
    const std::string block = layout::Inflate(r.Bytes(static_cast<std::size_t>(packed)), static_cast<std::size_t>(plain));
    EXPECT_EQ(layout::BlockChecksum(block), crc);
    value += block;
    EXPECT_EQ(r.Position(), at + static_cast<std::size_t>(next));
  }
  EXPECT_EQ(r.Left(), 0u);
  EXPECT_EQ(static_cast<std::int64_t>(value.size()), size);
  return value;
}

std::string CString(const std::string& buffer, std::size_t at, std::size_t size) {
  const std::string bytes = buffer.substr(at, size);
  return bytes.substr(0, bytes.find('\0'));
}

TEST(TableFileLayoutChecksum, BlockChecksumOfAbc) { EXPECT_EQ(layout::BlockChecksum("abc"), 0xCA6598D0u); }

TEST_F(TableFileLayout, DiarySaveWritesTheDocumentedBytes) {
  for (const int memoAlgorithm : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "memo algorithm " << memoAlgorithm);
    CheckDiarySave(memoAlgorithm);
  }
}

void TableFileLayout::CheckDiarySave(int memoAlgorithm) {
  TSQLMemTable* table = NewTable();
  if (memoAlgorithm == 0) {
    DefineDiaryTable(*table);
  } else {
    DefineDiaryTableWithZlibMemo(*table);
  }
  table->CreateTable();
  table->Open();
  const std::string longText(300000, 'q');  // more than one compressed BLOB block
  const std::vector<std::array<std::string, 3>> days = {{"2024.03.02", "2024.03.02 - szombat", "Első nap"},
                                                        {"2024.03.01", "2024.03.01 - péntek", ""},
                                                        {"2024.03.04", "2024.03.04 - hétfő", "törölt"},
                                                        {"2024.03.03", "2024.03.03 - vasárnap", longText}};
  for (const auto& day : days) {
    table->Append();
    table->FieldByName("ShortDateDay")->SetAsString(day[0]);
    table->FieldByName("Title")->SetAsString(Utf8ToCp1250(day[1]));
    if (!day[2].empty()) table->FieldByName("Text")->SetAsString(Utf8ToCp1250(day[2]));
    table->Post();
  }
  // Deleting the third day leaves a free slot between used ones.
  table->First();
  for (; !table->Eof() && table->FieldByName("ShortDateDay")->AsString() != "2024.03.04"; table->Next()) {
  }
  ASSERT_FALSE(table->Eof());
  table->Delete();
  table->Close();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile(Utf16ToCp1250(file), 1, 9, 2097152);
  const std::string bytes = ReadFileBytes(file);

  // Header: 43 bytes, the name, the object-id sequence value.
  Reader h(bytes);
  EXPECT_EQ(h.Bytes(4), "ACS1");
  EXPECT_EQ(h.Bytes(8), std::string("\xCD\xCC\xCC\xCC\xCC\xCC\x10\x40", 8));
  EXPECT_EQ(h.I64(), 3);  // live records
  const std::int64_t uncompressed = h.I64();
  EXPECT_EQ(h.I64(), 0);  // reserved
  const std::int32_t compressed = h.I32();
  EXPECT_EQ(h.U8(), 1);  // zlib
  EXPECT_EQ(h.U8(), 9);  // level
  EXPECT_EQ(h.U8(), 4);
  EXPECT_EQ(h.Bytes(4), "fans");
  const std::int64_t objectIds = h.I64();
  ASSERT_EQ(h.Position(), 43u + 4 + 8);
  ASSERT_EQ(static_cast<std::int64_t>(h.Left()), compressed) << "the compressed body fills the rest exactly";
  const std::string packed = h.Bytes(static_cast<std::size_t>(compressed));
  // A zlib stream (not raw deflate, not gzip) made with the strongest level: the header's level bits.
  ASSERT_GE(packed.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x78);
  EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0xDA);
  const std::string body = layout::Inflate(packed, static_cast<std::size_t>(uncompressed));
  ASSERT_EQ(static_cast<std::int64_t>(body.size()), uncompressed);

  Reader r(body);
  const Decoded d = DecodeBody(r, 3, 0);
  EXPECT_EQ(r.Left(), 0u) << "bytes after the last record";

  // Sequences: one, the RecID field's, which has handed out the four values 1..4.
  ASSERT_EQ(d.sequences.size(), 1u);
  EXPECT_EQ(d.sequences[0].current, 4);
  EXPECT_EQ(d.sequences[0].increment, 1);

  // Fields in the diary's order, with their data and SQL field types.
  ASSERT_EQ(d.fields.size(), 4u);
  const std::vector<std::tuple<std::string, int, int, std::int32_t>> fields = {
      {"RecID", 7, 12, 0}, {"ShortDateDay", 3, 2, 10}, {"Title", 3, 2, 25}, {"Text", 19, 33, 0}};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    SCOPED_TRACE(std::get<0>(fields[i]));
    EXPECT_EQ(d.fields[i].name, std::get<0>(fields[i]));
    EXPECT_EQ(d.fields[i].dataType, std::get<1>(fields[i]));
    EXPECT_EQ(d.fields[i].fieldType, std::get<2>(fields[i]));
    EXPECT_EQ(d.fields[i].size, std::get<3>(fields[i]));
  }
  EXPECT_EQ(d.fields[0].sequenceId, d.sequences[0].id);
  EXPECT_EQ(d.fields[0].increment, 1);
  for (std::size_t i = 1; i < d.fields.size(); ++i) EXPECT_EQ(d.fields[i].defaultNull, 255) << "no default";
  EXPECT_EQ(d.fields[3].blobBlockSize, 102400);
  EXPECT_EQ(d.fields[3].blobAlgorithm, memoAlgorithm);

  // The primary index on ShortDateDay, and the primary-key constraint that names it.
  ASSERT_EQ(d.indexes.size(), 1u);
  EXPECT_EQ(d.indexes[0].name, "ByShortDate");
  EXPECT_EQ(d.indexes[0].primary, 1);
  EXPECT_EQ(d.indexes[0].columns, std::vector<std::string>{"ShortDateDay"});
  const auto primary = std::find_if(d.constraints.begin(), d.constraints.end(), [](const Constraint& c) { return c.kind == 0; });
  ASSERT_NE(primary, d.constraints.end());
  EXPECT_EQ(primary->id3, d.indexes[0].id);
  EXPECT_EQ(primary->name2, "fans");
  ASSERT_EQ(primary->columns.size(), 1u);
  EXPECT_EQ(primary->columns[0], std::make_pair(d.fields[1].id, std::string("ShortDateDay")));

  // Object ids are unique and drawn from the sequence whose value the header carries.
  std::set<std::int32_t> ids;
  auto take = [&](std::int32_t id) {
    EXPECT_TRUE(ids.insert(id).second) << "object id " << id << " twice";
    EXPECT_LE(id, objectIds);
  };
  for (const Sequence& s : d.sequences) take(s.id);
  for (const Field& f : d.fields) take(f.id);
  for (const Index& x : d.indexes) take(x.id);
  for (const Constraint& c : d.constraints)
    if (c.kind == 0 || c.kind == 2) take(c.id);

  // Page store: 4096-byte pages, allocation step 50, the map counting the allocated pages, and the
  // index's root page among them: a root leaf holding the three keys in date order.
  EXPECT_EQ(d.pageSize, 4096);
  EXPECT_EQ(d.reservedSize, 0);
  EXPECT_EQ(d.pageStep, 50);
  EXPECT_EQ(d.mapBits, d.pageCapacity);
  EXPECT_EQ(d.mapSetBits, d.allocatedPages);
  const std::int32_t root = d.indexes[0].rootPage;
  ASSERT_GE(root, 0);
  ASSERT_LT(root, d.pageCapacity);
  EXPECT_NE(static_cast<unsigned char>(d.mapData[static_cast<std::size_t>(root / 8)]) >> (root % 8) & 1, 0);
  Reader page(d.pages, static_cast<std::size_t>(root) * 4096);
  EXPECT_EQ(page.U8(), 1);  // root
  EXPECT_EQ(page.U8(), 1);  // leaf
  EXPECT_EQ(page.I32(), -1);
  EXPECT_EQ(page.I32(), -1);
  page.U8();
  EXPECT_EQ(page.U8(), 0);
  EXPECT_EQ(page.U16(), 12);  // key: a null byte and the 11 value bytes of ShortDateDay
  ASSERT_EQ(page.U16(), 3);
  EXPECT_EQ(page.U16(), 0);
  std::vector<std::pair<std::string, std::int32_t>> leaf;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(page.U8(), 0);
    const std::string key = page.Bytes(11);
    const std::int32_t slot = page.I32();
    EXPECT_EQ(page.U16(), 0);
    leaf.emplace_back(key.substr(0, key.find('\0')), slot);
  }

  // Slot map: four slots used once, the third freed; the dense flag is gone with the deletion.
  EXPECT_GE(d.slotCapacity, 4);
  EXPECT_EQ(d.dense, 0);
  EXPECT_EQ(d.minSlot, 0);
  EXPECT_EQ(d.maxSlot, 3);
  ASSERT_FALSE(d.freeBits.empty());
  for (std::int32_t slot = 0; slot < d.slotCapacity; ++slot) {
    const bool free = (static_cast<unsigned char>(d.freeBits[static_cast<std::size_t>(slot / 8)]) >> (slot % 8) & 1) != 0;
    EXPECT_EQ(free, slot == 2 || slot > 3) << "slot " << slot;
  }

  // Records in slot order: null bitmap, RecID, the two texts, the Text value slot and its BLOB.
  ASSERT_EQ(d.records.size(), 3u);
  const std::vector<std::int32_t> slots = {0, 1, 3};
  const std::vector<int> dayOf = {0, 1, 3};
  std::map<std::string, std::int32_t> slotOfDay;
  for (std::size_t i = 0; i < d.records.size(); ++i) {
    SCOPED_TRACE(i);
    const Decoded::Record& rec = d.records[i];
    const auto& day = days[static_cast<std::size_t>(dayOf[i])];
    const bool textNull = day[2].empty();
    // A new record starts with every bit of its null bitmap set; values clear the bits of their fields.
    EXPECT_EQ(static_cast<unsigned char>(rec.buffer[0]), textNull ? 0xF8 : 0xF0);
    Reader values(rec.buffer, 1);
    EXPECT_EQ(values.I32(), dayOf[i] + 1);  // RecID
    EXPECT_EQ(CString(rec.buffer, 5, 11), day[0]);
    EXPECT_EQ(CString(rec.buffer, 16, 26), Utf8ToCp1250(day[1]));
    slotOfDay[day[0]] = slots[i];
    ASSERT_EQ(rec.blobs.size(), textNull ? 0u : 1u);
    if (!textNull) {
      // The long text takes three blocks of 102400 bytes when compressed; stored, the block count is 0.
      const std::int64_t blocks = memoAlgorithm == 0 ? 0 : (static_cast<std::int64_t>(day[2].size()) + 102399) / 102400;
      EXPECT_EQ(rec.blobHeads[0][0], blocks);
      EXPECT_EQ(rec.blobHeads[0][1], static_cast<std::int64_t>(Utf8ToCp1250(day[2]).size()));
      EXPECT_EQ(BLOBValue(rec.blobs[0], d.fields[3].blobAlgorithm, rec.blobHeads[0][0], rec.blobHeads[0][1]),
                Utf8ToCp1250(day[2]));
    }
  }
  const std::vector<std::pair<std::string, std::int32_t>> expectedLeaf = {
      {"2024.03.01", slotOfDay["2024.03.01"]}, {"2024.03.02", slotOfDay["2024.03.02"]}, {"2024.03.03", slotOfDay["2024.03.03"]}};
  EXPECT_EQ(leaf, expectedLeaf);

  // Saved without compression: the header carries the block-size value and no uncompressed size,
  // and the same body follows the header with its BLOB positions counted from the file's start.
  const WideString storedFile = dir / u"stored.dat";
  table->SaveToFile(Utf16ToCp1250(storedFile), 0, 0, 2097152);
  Reader s(ReadFileBytes(storedFile), 20);
  EXPECT_EQ(s.I64(), 0);
  EXPECT_EQ(s.I64(), 0);
  EXPECT_EQ(s.I32(), 2097152);
  EXPECT_EQ(s.U8(), 0);
  EXPECT_EQ(s.U8(), 1);  // a level of 0 is stored as 1
  Reader storedBody(s.All(), 43 + 4 + 8);
  EXPECT_EQ(static_cast<std::int64_t>(storedBody.Left()), uncompressed);
  const Decoded stored = DecodeBody(storedBody, 3, 0);
  EXPECT_EQ(storedBody.Left(), 0u);
  ASSERT_EQ(stored.records.size(), d.records.size());
  for (std::size_t i = 0; i < d.records.size(); ++i) EXPECT_EQ(stored.records[i].blobs, d.records[i].blobs);
}

// The first start saves the table as it was created: no records, so the body ends with the index pages.
TEST_F(TableFileLayout, EmptyDiaryTableEndsAfterItsIndexPages) {
  TSQLMemTable* table = NewTable();
  DefineDiaryTable(*table);
  table->CreateTable();
  const WideString file = dir / u"qnt.dat";
  table->SaveToFile(Utf16ToCp1250(file), 1, 9, 2097152);
  Reader h(ReadFileBytes(file), 12);
  EXPECT_EQ(h.I64(), 0);
  const std::int64_t uncompressed = h.I64();
  h.I64();
  const std::int32_t compressed = h.I32();
  Reader packed(h.All(), 43 + 4 + 8);
  ASSERT_EQ(static_cast<std::int64_t>(packed.Left()), compressed);
  Reader r(layout::Inflate(packed.Bytes(static_cast<std::size_t>(compressed)), static_cast<std::size_t>(uncompressed)));
  const Decoded d = DecodeBody(r, 0, 0);
  EXPECT_EQ(r.Left(), 0u);
  ASSERT_EQ(d.sequences.size(), 1u);
  EXPECT_EQ(d.sequences[0].current, 0);
  EXPECT_EQ(d.fields.size(), 4u);
  EXPECT_EQ(d.indexes.size(), 1u);
  EXPECT_EQ(static_cast<std::size_t>(d.pageCapacity) * 4096, d.pages.size());
}

// A data file put together from the documented layout alone, as another program would write it: two
// records in slots 0 and 2 of three (slot 1 free, the bitmap's unused bits clear), the second day
// stored first, one memo value and one NULL, a B-tree of one root leaf, and a record buffer whose
// null bitmap has clear pad bits. Stored both compressed and as it is (where BLOB positions count
// from the start of the file). The slots above the highest used one are as a writer left them that
// never initialised their bits: clear. The memo may be stored as a zlib block chain, and the primary
// key constraint may be left out (the index alone orders the table).
struct Assembly {
  int algorithm;
  std::int32_t slotCapacity;
  int memoAlgorithm;
  bool primaryKey;
  bool dense = false;  // no record ever deleted: the records in slots 0 and 1, the bitmap all clear
};

std::string AssembledDiaryFile(const Assembly& a, std::int64_t objectIdValue) {
  constexpr std::int64_t kBodyStart = 43 + 4 + 8;
  const int algorithm = a.algorithm;
  const std::int32_t slotCapacity = a.slotCapacity;
  const std::int64_t base = algorithm == 0 ? kBodyStart : 0;
  const std::string memo = Utf8ToCp1250("Második nap szövege");
  std::string memoStored = memo;
  std::int32_t memoBlocks = 0;
  if (a.memoAlgorithm == 1) {
    const std::string packed = layout::Deflate(memo, 9);
    Writer chain;
    chain.I32(static_cast<std::int32_t>(packed.size())).I32(static_cast<std::int32_t>(memo.size()));
    chain.Unsigned(layout::BlockChecksum(memo), 4).I64(20 + static_cast<std::int64_t>(packed.size())).Bytes(packed);
    memoStored = chain.Str();
    memoBlocks = 1;
  }
  Writer body;
  body.I32(1)  // sequences
      .ShortString("$S_Autoinc$fans$RecID").I32(24).U8(7).I64(0).I64(kMaxInt64).I64(7).I64(1).U8(0);
  body.I32(4);  // fields
  body.ShortString("RecID").I32(20).U8(7).U8(12).I32(0).I32(24).I64(1).I64(0).I64(0).I64(kMaxInt64).U8(0);
  body.ShortString("ShortDateDay").I32(21).U8(3).U8(2).I32(10).U8(3).U8(255);
  body.ShortString("Title").I32(22).U8(3).U8(2).I32(25).U8(3).U8(255);
  body.ShortString("Text").I32(23).U8(19).U8(33).I32(0).U8(static_cast<std::uint8_t>(a.memoAlgorithm)).U8(9);
  body.I32(102400).U8(19).U8(255);
  body.I32(a.primaryKey ? 1 : 0);  // constraints: the primary key on ShortDateDay, served by index 25
  if (a.primaryKey)
    body.U8(0).ShortString("ByShortDate").I32(26).I32(-1).I32(-1).I32(25)
      .I32(1).U8(0).I32(5).U8(4).Bytes("fans").I32(12).U8(11).Bytes("ByShortDate")
      .I32(1).I32(21).I32(13).U8(12).Bytes("ShortDateDay");
  body.I32(1)  // indexes
      .ShortString("ByShortDate").I32(25).U8(0).U8(0).U8(1).I32(1).I32(0).ShortString("ShortDateDay").U8(0).U8(0);
  // Page store of one page: the root leaf with the keys in date order.
  body.I32(1).I32(0).I32(50).U16(4096).U16(0).I32(1).I32(1).I32(1).U8(0x01);
  const std::size_t pageAt = body.Size();
  body.U8(1).U8(1).I32(-1).I32(-1).U8(1).U8(0).U16(12).U16(2).U16(0);
  const std::int32_t secondSlot = a.dense ? 1 : 2;
  body.U8(0).Text("2024.01.01", 11).I32(secondSlot).U16(0);
  body.U8(0).Text("2024.01.02", 11).I32(0).U16(0);
  body.Zeros(4096 - (body.Size() - pageAt));
  // Slot map and records.
  body.I32(slotCapacity).U8(a.dense ? 255 : 0).I32(0).I32(secondSlot).U8(a.dense ? 0x00 : 0x02);
  body.Zeros(static_cast<std::size_t>((slotCapacity + 7) / 8 - 1));
  body.U8(0x00).I32(5).Text("2024.01.02", 11).Text("Title B", 26);
  const std::size_t slotAt = body.Size();
  body.I64(0);
  body.Patch(slotAt, static_cast<std::uint64_t>(base + static_cast<std::int64_t>(body.Size())), 8);
  body.I32(memoBlocks).I64(static_cast<std::int64_t>(memo.size())).I64(static_cast<std::int64_t>(memoStored.size()));
  body.Bytes(memoStored);
  body.U8(0x08).I32(7).Text("2024.01.01", 11).Text("Title A", 26).Zeros(8);

  const std::string stored = algorithm == 0 ? body.Str() : layout::Deflate(body.Str(), 9);
  Writer file;
  file.Bytes("ACS1").F64(4.2).I64(2);
  file.I64(algorithm == 0 ? 0 : static_cast<std::int64_t>(body.Size())).I64(0);
  file.I32(algorithm == 0 ? 2097152 : static_cast<std::int32_t>(stored.size())).U8(static_cast<std::uint8_t>(algorithm)).U8(9);
  file.U8(4).Bytes("fans").I64(objectIdValue);
  EXPECT_EQ(file.Size(), static_cast<std::size_t>(kBodyStart));
  file.Bytes(stored);
  return file.Str();
}

TEST_F(TableFileLayout, FileAssembledFromTheLayoutLoads) {
  const Assembly cases[] = {{1, 3, 0, true}, {0, 3, 0, true}, {1, 1000, 0, true}, {1, 3, 1, true}, {0, 3, 0, false},
                            {1, 1000, 0, true, true}};
  for (const Assembly& a : cases) {
    SCOPED_TRACE(testing::Message() << "algorithm " << a.algorithm << ", capacity " << a.slotCapacity << ", memo "
                                    << a.memoAlgorithm << ", primary key " << a.primaryKey << ", dense " << a.dense);
    const WideString file = dir / u"qnt.dat";
    WriteFileBytes(file, AssembledDiaryFile(a, 30));
    TSQLMemTable* table = NewTable("whatever");
    table->LoadFromFile(Utf16ToCp1250(file));
    EXPECT_EQ(table->TableName(), "fans");
    table->SetIndexName("ByShortDate");
    const std::vector<std::string> expected = {"2024.01.01|Title A|",
                                               "2024.01.02|Title B|" + Utf8ToCp1250("Második nap szövege")};
    EXPECT_EQ(Rows(*table), expected);
    EXPECT_EQ(RecIDs(*table), (std::vector<Int64>{7, 5}));

    // The loaded sequence, index and slot map go on working: a new day takes the next RecID, sorts
    // before the others through the loaded tree, and takes the next slot.
    table->Open();
    table->Append();
    table->FieldByName("ShortDateDay")->SetAsString("2024.01.00");
    table->FieldByName("Title")->SetAsString("Title 0");
    table->Post();
    table->Close();
    EXPECT_EQ(RecIDs(*table), (std::vector<Int64>{8, 7, 5}));

    // The object ids the file had taken stay taken: a save carries at least the loaded value.
    const WideString again = dir / u"again.dat";
    table->SaveToFile(Utf16ToCp1250(again), 1, 9, 2097152);
    Reader header(ReadFileBytes(again), 47);
    EXPECT_GE(header.I64(), 30);
    table->DeleteTable();
  }
}

}  // namespace
