// The table stream loader (the diary's data file) over damaged input: either the stream loads, placing
// exactly the records its header counts into used slots in ascending order, or it raises an engine
// error; it never crashes, hangs, leaks or raises anything else.
// The first input byte picks the form: odd, the rest of the input is the stream; even, the rest is a
// list of (uint16 offset, xor byte) edits to the diary's golden stream, stored (bit 1 clear) or
// compressed with zlib (bit 1 set), cut after a uint16 length first when bit 2 is set.
#include <string>
#include <vector>

#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "engine/storage/SQLMemTableStream.h"
#include "fuzz/FuzzInput.h"
#include "tests/engine/storage/TableStreamGolden.h"

namespace {

class FuzzTable : public TSQLMemTableStreamSink {
 public:
  TSQLMemMemoryPageManager& PageManager() override { return pages_; }
  void DefinitionsLoaded(TSQLMemTableStreamDefs& defs) override { recordSize_ = defs.Fields.RecordSize(); }
  void LoadSlotMap(const TSQLMemSlotMap& map) override { map_ = map; }
  Byte* AttachNewBLOBBlock(Byte*, Integer, Int64 dataLength) override {
    FUZZ_CHECK(recordSize_ > 0 && dataLength >= 0);
    blocks_.push_back(TSQLMemBlock::Allocate(static_cast<Integer>(kMemoryBLOBHeadSize + dataLength), false));
    return static_cast<Byte*>(blocks_.back().Data());
  }
  void LoadRecord(const Byte*, Integer slot) override {
    FUZZ_CHECK(slot > lastSlot_ && slot < map_.Capacity && !map_.IsFree(slot));
    lastSlot_ = slot;
    ++placed_;
  }
  Int64 Placed() const { return placed_; }

 private:
  TSQLMemMemoryPageManager pages_{4096, 200};
  TSQLMemSlotMap map_;
  std::vector<TSQLMemBlock> blocks_;
  Integer recordSize_ = 0;
  Integer lastSlot_ = -1;
  Int64 placed_ = 0;
};

// The golden stream with its body compressed: the memo's position then counts from the body's start.
std::string CompressedGolden() {
  std::string stored = GoldenStream();
  const std::size_t bodyAt = 55;
  const std::size_t memoSlot = stored.size() - (50 + 20 + 5 + 50) + 42;
  StoreValue<Int64>(stored.data() + memoSlot, LoadValue<Int64>(stored.data() + memoSlot) - static_cast<Int64>(bodyAt));
  const std::string body = stored.substr(bodyAt);
  THeapBlock packed;
  Integer packedSize = 0;
  FUZZ_CHECK(CompressBuffer(1, 9, body.data(), static_cast<Integer>(body.size()), packed, packedSize));
  std::string result = stored.substr(0, bodyAt);
  StoreValue<Int64>(result.data() + 20, static_cast<Int64>(body.size()));
  StoreValue<Integer>(result.data() + 36, packedSize);
  result[40] = 1;
  return result + std::string(reinterpret_cast<const char*>(packed.Data()), packed.Size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitializeEngineFoundation();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string stored = GoldenStream();
  static const std::string compressed = CompressedGolden();
  TFuzzInput in(data, size);
  const Byte form = in.Byte();
  std::string bytes;
  if (form & 1) {
    bytes = std::string(in.RestText());
  } else {
    bytes = form & 2 ? compressed : stored;
    if (form & 4) bytes.resize(in.Word() % (bytes.size() + 1));
    while (in.RestSize() >= 3 && !bytes.empty()) {
      const std::size_t at = in.Word() % bytes.size();
      bytes[at] = static_cast<char>(bytes[at] ^ in.Byte());
    }
  }
  TSQLMemMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  stream.SetPosition(0);
  FuzzTable table;
  try {
    TSQLMemTableStreamHeader header;
    ReadTableStreamHeader(stream, header);
    LoadTableStreamBody(stream, header, table);
    FUZZ_CHECK(table.Placed() == header.RecordCount);
  } catch (const ESQLMemException&) {
  }
  return 0;
}
