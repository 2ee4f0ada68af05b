// The compressed BLOB stream opened from a fuzzed descriptor over fuzzed base bytes (new, stored or
// tolerant), then edited by a fuzzed list of reads, writes, seeks and size changes. Damage raises
// coded errors and never crashes, hangs or leaks; and whatever the stream ends up describing reads
// back the same when the chain is opened again from its descriptor.
#include <algorithm>
#include <memory>
#include <vector>

#include "engine/foundation/SQLMemCompressedBLOBStream.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemSettings.h"
#include "fuzz/FuzzInput.h"
#include "vcl/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitializeEngineFoundation();
  return 0;
}

namespace {

constexpr Integer kMaxStep = 4096;    // bytes one operation reads or writes
constexpr Int64 kMaxSize = 1 << 14;   // sizes an operation sets or seeks to

// Everything from position 0; false when a damaged block refuses (which is allowed).
bool ReadAll(TStream& s, std::vector<Byte>& out) {
  out.assign(static_cast<std::size_t>(std::max<Int64>(s.GetSize(), 0)), 0);
  s.SetPosition(0);
  try {
    std::size_t done = 0;
    while (done < out.size()) {
      const Integer n = static_cast<Integer>(std::min<std::size_t>(out.size() - done, 1 << 16));
      const Integer got = s.Read(out.data() + done, n);
      FUZZ_CHECK(got >= 0 && got <= n);
      if (got == 0) return false;
      done += static_cast<std::size_t>(got);
    }
  } catch (const ESQLMemException&) {
    return false;
  }
  return true;
}

}  // namespace

// Bytes 0-13: the descriptor and how it is opened; byte 14: the number of operations, 4 bytes each;
// the rest: the base stream's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  CompressedBLOBDescriptor d;
  d.Algorithm = in.Byte() % 4;
  // Modes 0..3 only: the higher bzip2 and PPM modes give every block megabytes of coder state (PPM up
  // to 100 MB), which is correct but too slow to fuzz.
  d.Mode = in.Byte() % 4;
  // Small and damaged block sizes, and now and then a huge one.
  const std::uint16_t blockSize = in.Word();
  d.BlockSize = (blockSize & 0x8000) != 0 ? Integer{blockSize & 0x7FFF} << 16 : Integer{blockSize} - 256;
  d.BlockCount = in.Byte() % 8;
  d.UncompressedSize = static_cast<std::int32_t>(in.Dword());
  d.StartPosition = in.Byte() % 32;
  const std::uint8_t how = in.Byte();
  const bool isNew = (how & 1) != 0, tolerant = (how & 2) != 0;
  in.Word();  // reserved
  std::vector<std::uint32_t> ops(in.Byte() % 16);
  for (auto& op : ops) op = in.Dword();

  TSQLMemMemoryStream base;
  if (in.RestSize() > 0) base.WriteBuffer(in.Rest(), static_cast<Integer>(in.RestSize()));

  std::unique_ptr<TSQLMemCompressedBLOBStream> s;
  try {
    s = std::make_unique<TSQLMemCompressedBLOBStream>(base, d, isNew, tolerant);
  } catch (const ESQLMemException&) {
    return 0;
  }
  FUZZ_CHECK(s->Descriptor().UncompressedSize == s->GetSize());
  FUZZ_CHECK(d.Algorithm != 0 || s->GetSize() <= std::max<Int64>(base.GetSize() - d.StartPosition, 0));

  bool intact = true;  // no operation failed halfway
  const std::vector<Byte> pattern(kMaxStep, 0x5A);
  std::vector<Byte> buffer(kMaxStep);
  for (const std::uint32_t op : ops) {
    const Integer amount = static_cast<Integer>(op >> 2);
    try {
      switch (op & 3) {
        case 0: s->Read(buffer.data(), amount % kMaxStep); break;
        case 1: s->Write(pattern.data(), amount % kMaxStep); break;
        case 2: s->Seek(amount % kMaxSize, soBeginning); break;
        case 3: s->SetSize(amount % kMaxSize); break;
      }
    } catch (const ESQLMemException&) {
      intact = false;
    } catch (const ERangeError&) {
      intact = false;
    }
    FUZZ_CHECK(s->Descriptor().UncompressedSize == s->GetSize());
    FUZZ_CHECK(s->GetPosition() >= 0);
  }

  std::vector<Byte> content;
  if (!ReadAll(*s, content) || !intact) return 0;
  const CompressedBLOBDescriptor stored = s->Descriptor();
  s.reset();
  // An uncompressed BLOB that was never written may start past the end of its base: nothing to reopen.
  if (stored.Algorithm == 0 && base.GetSize() < stored.StartPosition) return 0;
  base.SetPosition(0);
  TSQLMemCompressedBLOBStream again(base, stored, false);
  std::vector<Byte> reread;
  FUZZ_CHECK(ReadAll(again, reread));
  FUZZ_CHECK(reread == content);
  return 0;
}
