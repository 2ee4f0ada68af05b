#include "engine/storage/SQLMemLocalBLOBStream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/foundation/EngineTestSupport.h"

namespace {

class LocalBLOBStreamTest : public EngineBlocksTest {
 protected:
  // A stream over a zlib value holding text, opened in mode; the base stream is kept in base_.
  std::unique_ptr<TSQLMemLocalBLOBStream> Open(Byte mode, const std::string& text) {
    auto base = std::make_unique<TSQLMemTemporaryStream>();
    base_ = base.get();
    CompressedBLOBDescriptor descriptor;
    descriptor.Algorithm = 1;
    descriptor.Mode = 1;
    descriptor.BlockSize = 4096;
    {
      TSQLMemCompressedBLOBStream writer(*base, descriptor, true);
      writer.WriteBuffer(text.data(), static_cast<Integer>(text.size()));
      descriptor = writer.Descriptor();
    }
    base->Seek(0, soBeginning);
    auto blob = std::make_unique<TSQLMemCompressedBLOBStream>(*base, descriptor, false);
    return std::make_unique<TSQLMemLocalBLOBStream>(std::move(blob), std::move(base), 4, mode, nullptr);
  }

  TStream* base_ = nullptr;
};

TEST_F(LocalBLOBStreamTest, ReadOnlyStreamReadsAndSeeksButRefusesEveryChange) {
  auto stream = Open(bomRead, "0123456789");
  EXPECT_EQ(stream->FieldNo(), 4);
  EXPECT_EQ(stream->GetSize(), 10);
  EXPECT_EQ(stream->Seek(Int64{3}, soBeginning), 3);
  EXPECT_EQ(stream->Seek(Integer{-2}, soFromEnd), 8);
  char buffer[4] = {};
  EXPECT_EQ(stream->Read(buffer, 4), 2);
  EXPECT_EQ(std::string(buffer, 2), "89");
  ExpectEngineError([&] { stream->Write(buffer, 0); }, 10115,
                    "Cannot write to read only stream - Native error: 10115");
  ExpectEngineError([&] { stream->SetSize(Int64{10}); }, 10116,
                    "Cannot write to read only stream - Native error: 10116");
  ExpectEngineError([&] { stream->SetSize(Integer{10}); }, 10116,
                    "Cannot write to read only stream - Native error: 10116");
  EXPECT_FALSE(stream->Modified);
  EXPECT_EQ(stream->GetSize(), 10);
}

TEST_F(LocalBLOBStreamTest, ChangesThroughAWritableStreamSetModified) {
  const struct {
    const char* what;
    void (*change)(TSQLMemLocalBLOBStream&);
    bool modified;
    Int64 size;
  } cases[] = {
      {"nothing", [](TSQLMemLocalBLOBStream&) {}, false, 5},
      {"a read", [](TSQLMemLocalBLOBStream& s) { char c; s.Read(&c, 1); }, false, 5},
      {"a zero-byte write", [](TSQLMemLocalBLOBStream& s) { s.Write("", 0); }, false, 5},
      {"a write inside the value, which appends nothing", [](TSQLMemLocalBLOBStream& s) { s.Write("x", 1); },
       false, 5},
      {"an append", [](TSQLMemLocalBLOBStream& s) { s.Seek(0, soEnd), s.Write("!", 1); }, true, 6},
      {"a cut to nothing", [](TSQLMemLocalBLOBStream& s) { s.SetSize(Int64{0}); }, true, 0},
      {"the same size", [](TSQLMemLocalBLOBStream& s) { s.SetSize(Integer{5}); }, true, 5},
      {"a growth", [](TSQLMemLocalBLOBStream& s) { s.SetSize(Int64{9000}); }, true, 9000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto stream = Open(bomReadWrite, "hello");
    c.change(*stream);
    EXPECT_EQ(stream->Modified, c.modified);
    EXPECT_EQ(stream->GetSize(), c.size);
  }
}

TEST_F(LocalBLOBStreamTest, KeptBaseStreamOutlivesTheStream) {
  std::unique_ptr<TStream> base;
  {
    auto stream = Open(bomReadWrite, "kept");
    stream->KeepBaseStream = true;
    base.reset(base_);
  }
  // The other owner still reads the stored bytes (a compressed block header comes first).
  EXPECT_GT(base->GetSize(), 20);
  base->Seek(0, soBeginning);
  Byte header[20];
  EXPECT_EQ(base->Read(header, 20), 20);
}

}  // namespace
