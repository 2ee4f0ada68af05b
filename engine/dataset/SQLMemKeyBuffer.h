// The six key buffers of a table component and the key information each one carries. A key buffer is a
// record buffer of the table's cursor: field values in the engine's record layout, and at the bookmark
// offset (where a record buffer keeps its position) three facts about the key: whether it was edited
// since it was last cleared, whether a range bound excludes the key itself, and how many leading fields
// of the current index the key uses (0: all of them).
#pragma once
#include <cstring>

#include "vcl/rtl/SysTypes.h"

// Which of the six buffers. The two applied copies are the range as last handed to the cursor; the
// cursor searches them (never the buffers being edited), so editing a bound changes nothing until the
// range is applied again.
enum TSQLMemKeyIndex : int {
  kiKey = 0,               // SetKey / GotoKey
  kiRangeStart = 1,        // SetRangeStart, or the master's values
  kiRangeEnd = 2,          // SetRangeEnd, or the master's values
  kiAppliedRangeStart = 3,
  kiAppliedRangeEnd = 4,
  kiSavedKey = 5,          // the buffer being edited as it was, for a cancelled edit
};
inline constexpr int kSQLMemKeyBufferCount = 6;

struct TSQLMemKeyInfo {
  bool Modified = false;
  bool Exclusive = false;
  Integer FieldCount = 0;  // 0: every field of the current index
};

// Byte 0 modified, byte 1 exclusive, int32 field count at byte 2, all at `offset` in the buffer.
inline TSQLMemKeyInfo ReadKeyInfo(const Byte* buffer, Integer offset) {
  TSQLMemKeyInfo info;
  info.Modified = buffer[offset] != 0;
  info.Exclusive = buffer[offset + 1] != 0;
  std::memcpy(&info.FieldCount, buffer + offset + 2, sizeof info.FieldCount);
  return info;
}

inline void WriteKeyInfo(Byte* buffer, Integer offset, const TSQLMemKeyInfo& info) {
  buffer[offset] = info.Modified ? 1 : 0;
  buffer[offset + 1] = info.Exclusive ? 1 : 0;
  std::memcpy(buffer + offset + 2, &info.FieldCount, sizeof info.FieldCount);
}
