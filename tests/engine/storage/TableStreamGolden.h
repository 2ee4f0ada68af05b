// The diary table's stream written out by hand from the format's tables, field by field: three days,
// the second deleted, no index pages, the body stored (algorithm 0). Shared by the table stream tests
// and the loader's fuzz target, which mutates it.
#pragma once
#include <cstring>
#include <string>
#include <string_view>

#include "engine/foundation/SQLMemTypes.h"
#include "tests/engine/storage/StreamBytes.h"

inline constexpr Int64 kMaxInt64 = 9223372036854775807;

// The 43-byte header of a stored (algorithm 0) stream, then the name and the object-id value.
inline StreamBytes StoredHeader(Int64 records, Integer headerSizeValue, Byte level, std::string_view name, Int64 objectId) {
  StreamBytes b;
  b.Chars("ACS1").Chars(std::string_view("\xCD\xCC\xCC\xCC\xCC\xCC\x10\x40", 8));
  b.I64(records).I64(0).I64(0).I32(headerSizeValue).U8(0).U8(level).Short(name).I64(objectId);
  return b;
}

// The diary's definitions as the format tables lay them out, after `header`.
inline void DiaryDefinitions(StreamBytes& b, Int64 sequenceValue, Integer rootPage, bool withSequence = true) {
  if (withSequence)
    b.I32(1).Short("$S_Autoinc$fans$RecID").I32(1).U8(edtCardinal).I64(0).I64(4294967295).I64(sequenceValue).I64(1).U8(1);
  else
    b.I32(0);
  b.I32(4);
  b.Short("RecID").I32(2).U8(edtInteger).U8(sftAutoInc).I32(0).I32(1).I64(1).I64(0).I64(0).I64(kMaxInt64).U8(0);
  b.Short("ShortDateDay").I32(3).U8(edtChar).U8(sftChar).I32(10).U8(edtNone).U8(255);
  b.Short("Title").I32(4).U8(edtChar).U8(sftChar).I32(25).U8(edtNone).U8(255);
  b.Short("Text").I32(5).U8(edtMemo).U8(sftMemo).I32(0).U8(1).U8(9).I32(102400).U8(edtNone).U8(255);
  // One primary key: kind 0; meta; ids; three names as int32 n = length + 1, length byte, characters.
  b.I32(1).U8(0).Short("PK_fans").I32(7).I32(-1).I32(-1).I32(6);
  b.I32(1).U8(0).I32(5).U8(4).Chars("fans").I32(1).U8(0);
  b.I32(1).I32(3).I32(13).U8(12).Chars("ShortDateDay");
  b.I32(1).Short("ByShortDate").I32(6).U8(0).U8(1).U8(1).I32(1).I32(rootPage).Short("ShortDateDay").U8(0).U8(0);
}

// A record buffer of the diary table (50 bytes): null bitmap, RecID, date, title, memo slot.
inline std::string DiaryRecord(Byte nulls, Integer recId, std::string_view date, std::string_view title, Int64 memoSlot) {
  std::string r(50, '\0');
  r[0] = static_cast<char>(nulls);
  std::memcpy(&r[1], &recId, 4);
  std::memcpy(&r[5], date.data(), date.size());
  std::memcpy(&r[16], title.data(), title.size());
  std::memcpy(&r[42], &memoSlot, 8);
  return r;
}

// The golden stream.
inline std::string GoldenStream() {
  StreamBytes b = StoredHeader(2, 2097152, 9, "fans", 7);
  DiaryDefinitions(b, 3, -1);
  b.I32(0).I32(0).I32(50).U16(4096).U16(0).I32(0).I32(0).I32(0);  // an empty page store
  b.I32(64).U8(0).I32(0).I32(2).U8(0xFA);                             // slots 0 and 2 used of 64
  for (int i = 0; i < 7; ++i) b.U8(0xFF);
  const Int64 first = static_cast<Int64>(b.Str().size());
  b.Chars(DiaryRecord(0x00, 1, "2024.03.01", "Egy", first + 50));
  b.I32(1).I64(15).I64(5).Chars("hello");
  b.Chars(DiaryRecord(0x08, 3, "2024.03.03", "H\xE1rom", 0));
  return b.Str();
}
