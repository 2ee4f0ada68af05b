// The compressed data file and plain zlib: the body the writer compresses is one zlib stream that zlib
// itself inflates, a body compressed by zlib at any level loads, and a damaged body is refused with the
// body's read error whichever way the damage falls.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemTableStream.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/TableStreamTestSupport.h"

namespace {

using TableStreamZlib = EngineBlocksTest;

// Header, the four-byte name "fans" and the object-id value come before the body.
constexpr std::size_t kBodyAt = 43 + 4 + 8;

std::string Inflate(const std::string& packed, std::size_t size) {
  std::string out(size + 1, '\0');
  uLongf produced = static_cast<uLongf>(out.size());
  const int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &produced,
                                reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size()));
  EXPECT_EQ(result, Z_OK);
  out.resize(produced);
  return out;
}

std::string Deflate(const std::string& data, int level) {
  std::string out(compressBound(static_cast<uLong>(data.size())), '\0');
  uLongf size = static_cast<uLongf>(out.size());
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                      static_cast<uLong>(data.size()), level),
            Z_OK);
  out.resize(size);
  return out;
}

// A compressed stream of the table with another body in place of its own: the header's two sizes are set
// for it.
std::string WithBody(std::string saved, const std::string& packed, Int64 uncompressedSize) {
  saved.resize(kBodyAt);
  StoreValue<Int64>(reinterpret_cast<Byte*>(saved.data()) + 20, uncompressedSize);
  StoreValue<Integer>(reinterpret_cast<Byte*>(saved.data()) + 36, static_cast<Integer>(packed.size()));
  return saved + packed;
}

// The body of a compressed stream as zlib inflates it, checked to be the size the header gives.
std::string InflatedBody(const std::string& saved) {
  const Int64 size = LoadValue<Int64>(reinterpret_cast<const Byte*>(saved.data()) + 20);
  EXPECT_EQ(LoadValue<Integer>(reinterpret_cast<const Byte*>(saved.data()) + 36), static_cast<Integer>(saved.size() - kBodyAt));
  const std::string body = Inflate(saved.substr(kBodyAt), static_cast<std::size_t>(size));
  EXPECT_EQ(static_cast<Int64>(body.size()), size);
  return body;
}

TEST_F(TableStreamZlib, WrittenBodyIsOneStreamThatZlibInflates) {
  StreamTable source;
  BuildDiary(source, 400, 2500, 63);
  // The stored form's body holds the same records; only its BLOB positions count from the stream's start.
  const std::size_t storedBody = SaveTable(source, 0).size() - kBodyAt;
  std::string first;
  for (Byte level : {Byte{1}, Byte{6}, Byte{9}}) {
    SCOPED_TRACE(static_cast<int>(level));
    const std::string saved = SaveTable(source, 1, level);
    const std::string body = InflatedBody(saved);
    EXPECT_EQ(body.size(), storedBody);
    if (first.empty()) first = body;
    EXPECT_EQ(body, first) << "every level codes the same body";
    EXPECT_LT(saved.size() - kBodyAt, storedBody / 2);
  }
}

TEST_F(TableStreamZlib, BodyCompressedByZlibLoads) {
  StreamTable source;
  BuildDiary(source, 400, 2500, 64);
  const std::string stored = SaveTable(source, 0);
  const std::string saved = SaveTable(source, 1, 9);
  const std::string body = InflatedBody(saved);
  for (int level : {1, 6, 9}) {
    SCOPED_TRACE(level);
    const std::string file = WithBody(saved, Deflate(body, level), static_cast<Int64>(body.size()));
    StreamTable loaded;
    EXPECT_EQ(LoadTable(loaded, file), static_cast<Int64>(file.size()));
    EXPECT_EQ(SaveTable(loaded, 0), stored) << "the loaded table is the saved one, record for record";
  }
}

TEST_F(TableStreamZlib, DamagedBodyIsRefusedWithTheBodysReadError) {
  StreamTable source;
  BuildDiary(source, 200, 2000, 65);
  const std::string saved = SaveTable(source, 1, 9);
  const std::string body = InflatedBody(saved);
  const std::size_t packedSize = saved.size() - kBodyAt;
  // A zlib header that asks for a preset dictionary, with its check bits made right again.
  std::string dictionary = saved;
  dictionary[kBodyAt + 1] = static_cast<char>((static_cast<Byte>(dictionary[kBodyAt + 1]) | 0x20) & 0xE0);
  const unsigned head = static_cast<Byte>(dictionary[kBodyAt]) * 256u + static_cast<Byte>(dictionary[kBodyAt + 1]);
  dictionary[kBodyAt + 1] = static_cast<char>(static_cast<Byte>(dictionary[kBodyAt + 1]) + (31 - head % 31) % 31);
  std::string packedLonger = Deflate(body + "more bytes than the header says", 9);
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"a byte of the deflate data", [&] { std::string f = saved; f[kBodyAt + packedSize / 2] ^= 0x10; return f; }()},
      {"the Adler-32 trailer", [&] { std::string f = saved; f[saved.size() - 1] ^= 0x01; return f; }()},
      {"the compression method", [&] { std::string f = saved; f[kBodyAt] = 0x79; return f; }()},
      {"a preset dictionary", dictionary},
      {"a body longer than the header says", WithBody(saved, packedLonger, static_cast<Int64>(body.size()))},
      {"a body shorter than the header says", WithBody(saved, Deflate(body, 9), static_cast<Int64>(body.size()) + 1)},
      {"the stream cut before its end", [&] {
         std::string f = WithBody(saved, saved.substr(kBodyAt, packedSize - 5), static_cast<Int64>(body.size()));
         return f + std::string(5, '\0');
       }()},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadOutcome(c.file), 10191) << c.name;
}

}  // namespace
