// Golden stream forms written out by hand, field by field, little-endian; and the bytes that a
// definition's SaveToStream produces, for comparing the two.
#pragma once
#include <cstring>
#include <string>
#include <string_view>

#include "engine/foundation/SQLMemStreams.h"
#include "vcl/rtl/SysTypes.h"

class StreamBytes {
 public:
  StreamBytes& U8(unsigned v) { return Raw(static_cast<Byte>(v)); }
  StreamBytes& U16(unsigned v) { return Raw(static_cast<Word>(v)); }
  StreamBytes& I32(Integer v) { return Raw(v); }
  StreamBytes& I64(Int64 v) { return Raw(v); }
  StreamBytes& Chars(std::string_view s) {
    bytes_.append(s);
    return *this;
  }
  // uint8 length, then the characters.
  StreamBytes& Short(std::string_view s) { return U8(static_cast<unsigned>(s.size())).Chars(s); }
  const std::string& Str() const { return bytes_; }

 private:
  template <typename T>
  StreamBytes& Raw(T v) {
    char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    bytes_.append(b, sizeof(T));
    return *this;
  }
  std::string bytes_;
};

template <class T>
std::string SavedBytes(const T& object) {
  TSQLMemMemoryStream stream;
  object.SaveToStream(stream);
  if (stream.Size() == 0) return {};
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

// A stream holding the bytes, positioned at 0.
inline void FillStream(TSQLMemMemoryStream& stream, const std::string& bytes) {
  stream.Write(bytes.data(), static_cast<Integer>(bytes.size()));
  stream.Seek(Int64{0}, TSeekOrigin::soBeginning);
}
