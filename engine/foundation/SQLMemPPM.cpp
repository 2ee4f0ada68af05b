#include "engine/foundation/SQLMemPPM.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include "vcl/rtl/CheckedInt.h"

// Layout of the model memory. Everything lives in one zero-filled heap carved into 12-byte units.
// A context is one unit: NumStats (16 bits) at 0, SummFreq (16 bits) at 2, a reference to its states
// at 4 and a reference to its suffix (the context one order shorter) at 8. A context with one state
// keeps that state in bytes 2..7 instead of SummFreq and the states reference. A state is 6 bytes:
// Symbol at 0, Freq at 1, a reference to its successor context at 2. References are 32-bit byte
// offsets into the heap (0 is none), so the layout, and with it the points where the memory runs out
// and the model restarts, is the same at any pointer size.
//
// Contexts that are not built yet are placeholders: units with 0 states. They are the model's
// record of the text. The placeholder given as successor to a symbol stands for the position after
// it; when the next symbol is coded the placeholder learns it (its one-state symbol) and links to
// the placeholder of the following position (its one-state successor). Building a successor context
// reads the symbol that followed from the placeholder and gives the new single-state context that
// symbol, with the next placeholder as its successor.

namespace {

constexpr unsigned kUnitSize = 12;
constexpr unsigned kStateSize = 6;
constexpr unsigned kNumIndexes = 38;
constexpr unsigned kMaxBlockUnits = 128;
constexpr unsigned kReserveUnits = 16384;
constexpr unsigned kMaxFreq = 124;
constexpr unsigned kBinScale = 1u << 14;
constexpr unsigned kBinShift = 14;
constexpr unsigned kPeriodBits = 7;
constexpr std::uint32_t kTop = 1u << 24;
constexpr std::uint32_t kBot = 1u << 15;

constexpr std::uint16_t kInitBinEsc[16] = {15581, 7999,  22975, 18675, 24571, 21829, 25553, 23965,
                                           25761, 23228, 26162, 24657, 26870, 21659, 27594, 15024};
constexpr std::uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

using Ref = std::uint32_t;

// Thrown inside the model when it meets a shape its invariants rule out; the model then restarts,
// on both sides alike, so the coded data stays decodable.
struct ModelInconsistency {};

[[noreturn]] void RaiseDamaged(const char* what) { throw EPPMError(AnsiString("PPM data damaged: ") + what); }
[[noreturn]] void RaiseInternal() { throw EPPMError("PPM model error"); }

// Size classes of the sub-allocator: 38 classes of 1, 2, 3, 4; 6, 8, 10, 12; 15, 18, 21, 24;
// 28, 32, ... 128 units, and the smallest class for each request of 1..128 units.
struct SizeClasses {
  std::array<std::uint8_t, kNumIndexes> indexToUnits{};
  std::array<std::uint8_t, kMaxBlockUnits> unitsToIndex{};
  constexpr SizeClasses() {
    unsigned units = 0;
    for (unsigned i = 0; i < kNumIndexes; ++i) {
      for (unsigned step = i >= 12 ? 4 : i / 4 + 1; step > 0; --step) unitsToIndex[units++] = static_cast<std::uint8_t>(i);
      indexToUnits[i] = static_cast<std::uint8_t>(units);
    }
  }
};
constexpr SizeClasses kClasses;
static_assert(kClasses.indexToUnits[kNumIndexes - 1] == kMaxBlockUnits);
static_assert(kClasses.indexToUnits[8] == 15 && kClasses.indexToUnits[12] == 28);

unsigned U2I(unsigned units) { return kClasses.unitsToIndex[units - 1]; }
unsigned I2U(unsigned index) { return kClasses.indexToUnits[index]; }

// 16-bit fields are little-endian: in a one-state context the SummFreq bytes are the state's symbol
// and frequency, and the model reads them as a number.
unsigned Get16(const std::uint8_t* p) { return p[0] | (unsigned{p[1]} << 8); }
void Set16(std::uint8_t* p, unsigned v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
Ref GetRef(const std::uint8_t* p) {
  Ref r;
  std::memcpy(&r, p, sizeof r);
  return r;
}
void SetRef(std::uint8_t* p, Ref r) { std::memcpy(p, &r, sizeof r); }

// Context fields.
unsigned NumStats(const std::uint8_t* c) { return Get16(c); }
void SetNumStats(std::uint8_t* c, unsigned n) { Set16(c, n); }
unsigned SummFreq(const std::uint8_t* c) { return Get16(c + 2); }
void SetSummFreq(std::uint8_t* c, unsigned v) { Set16(c + 2, v); }
Ref StatsRef(const std::uint8_t* c) { return GetRef(c + 4); }
void SetStatsRef(std::uint8_t* c, Ref r) { SetRef(c + 4, r); }
Ref SuffixRef(const std::uint8_t* c) { return GetRef(c + 8); }
void SetSuffixRef(std::uint8_t* c, Ref r) { SetRef(c + 8, r); }
std::uint8_t* OneState(std::uint8_t* c) { return c + 2; }

// State fields.
unsigned Sym(const std::uint8_t* s) { return s[0]; }
unsigned Freq(const std::uint8_t* s) { return s[1]; }
void SetFreq(std::uint8_t* s, unsigned f) { s[1] = static_cast<std::uint8_t>(f); }
Ref SuccRef(const std::uint8_t* s) { return GetRef(s + 2); }
void SetSucc(std::uint8_t* s, Ref r) { SetRef(s + 2, r); }
void SwapStates(std::uint8_t* a, std::uint8_t* b) {
  std::uint8_t t[kStateSize];
  std::memcpy(t, a, kStateSize);
  std::memcpy(a, b, kStateSize);
  std::memcpy(b, t, kStateSize);
}

struct FreeDeleter {
  void operator()(std::uint8_t* p) const noexcept { std::free(p); }
};

// The sub-allocator: free lists per size class (linked through the first word of each free block),
// a units area growing upward from LoUnit, contexts taken downward from HiUnit, and a reserve of the
// first 16384 units that is given to the free lists once, when the areas have met.
class TSubAllocator {
 public:
  // Takes a zero-filled heap of sizeBytes; false when the heap refuses. One unit more is taken in
  // front so that no block has the reference 0.
  bool Start(std::uint32_t sizeBytes) {
    heap_.reset(static_cast<std::uint8_t*>(std::calloc(std::size_t{sizeBytes} + kUnitSize, 1)));
    if (!heap_) return false;
    size_ = sizeBytes;
    maxRef_ = kUnitSize + (sizeBytes / kUnitSize - 1) * kUnitSize;
    Restart();
    return true;
  }

  void Restart() {
    freeList_.fill(0);
    reserveReleased_ = false;
    loUnit_ = kUnitSize + kReserveUnits * kUnitSize;
    hiUnit_ = kUnitSize + size_ / kUnitSize * kUnitSize;
  }

  std::uint8_t* Ptr(Ref r) const {
    if (r < kUnitSize || r > maxRef_) RaiseInternal();
    return heap_.get() + r;
  }
  Ref RefOf(const std::uint8_t* p) const { return static_cast<Ref>(p - heap_.get()); }

  // Each allocation returns 0 when the memory is used up.
  Ref AllocUnits(unsigned units) {
    const unsigned index = U2I(units);
    if (freeList_[index] != 0) return RemoveNode(index);
    const Ref bytes = I2U(index) * kUnitSize;
    if (hiUnit_ - loUnit_ >= bytes) {
      const Ref r = loUnit_;
      loUnit_ += bytes;
      return r;
    }
    return AllocUnitsRare(index);
  }

  Ref AllocContext() {
    if (hiUnit_ > loUnit_) return hiUnit_ -= kUnitSize;
    return AllocUnits(1);
  }

  // Grows a block of oldUnits to oldUnits + 1 units, moving it only when the size class changes.
  Ref ExpandUnits(Ref block, unsigned oldUnits) {
    const unsigned i0 = U2I(oldUnits), i1 = U2I(oldUnits + 1);
    if (i0 == i1) return block;
    const Ref r = AllocUnits(oldUnits + 1);
    if (r != 0) {
      std::memcpy(Ptr(r), Ptr(block), oldUnits * kUnitSize);
      InsertNode(block, i0);
    }
    return r;
  }

  // Shrinks a block; it moves into a free block of the new class when there is one, else its tail
  // is split off and freed. Never fails.
  Ref ShrinkUnits(Ref block, unsigned oldUnits, unsigned newUnits) {
    const unsigned i0 = U2I(oldUnits), i1 = U2I(newUnits);
    if (i0 == i1) return block;
    if (freeList_[i1] != 0) {
      const Ref r = RemoveNode(i1);
      std::memcpy(Ptr(r), Ptr(block), newUnits * kUnitSize);
      InsertNode(block, i0);
      return r;
    }
    SplitBlock(block, i0, i1);
    return block;
  }

  void FreeUnits(Ref block, unsigned units) { InsertNode(block, U2I(units)); }

 private:
  void InsertNode(Ref node, unsigned index) {
    SetRef(Ptr(node), freeList_[index]);
    freeList_[index] = node;
  }

  Ref RemoveNode(unsigned index) {
    const Ref r = freeList_[index];
    freeList_[index] = GetRef(Ptr(r));
    return r;
  }

  // Returns the first newIndex-class part of a block of oldIndex class to the caller and frees the
  // rest: as one block when a class of exactly that size exists, else as a block of the largest
  // class that fits plus the remainder.
  void SplitBlock(Ref block, unsigned oldIndex, unsigned newIndex) {
    unsigned units = I2U(oldIndex) - I2U(newIndex);
    const Ref rest = block + I2U(newIndex) * kUnitSize;
    unsigned index = U2I(units);
    if (I2U(index) != units) {
      const unsigned k = I2U(--index);
      InsertNode(rest + k * kUnitSize, units - k - 1);
      units = k;
    }
    InsertNode(rest, index);
  }

  Ref AllocUnitsRare(unsigned index) {
    if (!reserveReleased_) {
      reserveReleased_ = true;
      for (unsigned i = 0; i < kReserveUnits / kMaxBlockUnits; ++i)
        InsertNode(kUnitSize + i * kMaxBlockUnits * kUnitSize, kNumIndexes - 1);
      if (freeList_[index] != 0) return RemoveNode(index);
    }
    unsigned i = index;
    do {
      if (++i == kNumIndexes) return 0;
    } while (freeList_[i] == 0);
    const Ref r = RemoveNode(i);
    SplitBlock(r, i, index);
    return r;
  }

  std::unique_ptr<std::uint8_t, FreeDeleter> heap_;
  std::uint32_t size_ = 0;
  Ref maxRef_ = 0;
  Ref loUnit_ = 0;
  Ref hiUnit_ = 0;
  bool reserveReleased_ = false;
  std::array<Ref, kNumIndexes> freeList_{};
};

// Carry-less range coder (32-bit Low and Range; a byte leaves when the top byte of Low is settled,
// or when Range falls below 2^15 and is cut to the distance to the next multiple of 2^15).
class TRangeEncoder {
 public:
  TRangeEncoder(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

  void Encode(std::uint32_t start, std::uint32_t size, std::uint32_t total) {
    if (total == 0 || (range_ /= total) == 0) RaiseInternal();
    low_ += start * range_;
    range_ *= size;
    Normalize();
  }
  void EncodeBinary(std::uint32_t start, std::uint32_t size) {
    range_ >>= kBinShift;
    low_ += start * range_;
    range_ *= size;
    Normalize();
  }
  void Flush() {
    for (int i = 0; i < 4; ++i, low_ <<= 8) Put(low_ >> 24);
  }
  std::size_t Written() const { return pos_; }

 private:
  void Normalize() {
    for (;;) {
      if ((low_ ^ (low_ + range_)) >= kTop) {
        if (range_ >= kBot) break;
        range_ = (0u - low_) & (kBot - 1);
      }
      Put(low_ >> 24);
      range_ <<= 8;
      low_ <<= 8;
    }
  }
  void Put(std::uint32_t byte) {
    if (pos_ == capacity_) throw EPPMError("PPM output buffer full");
    out_[pos_++] = static_cast<std::uint8_t>(byte);
  }

  std::uint8_t* out_;
  std::size_t capacity_;
  std::size_t pos_ = 0;
  std::uint32_t low_ = 0;
  std::uint32_t range_ = 0xFFFFFFFFu;
};

class TRangeDecoder {
 public:
  TRangeDecoder(const std::uint8_t* in, std::size_t size) : in_(in), size_(size) {
    for (int i = 0; i < 4; ++i) code_ = (code_ << 8) | Get();
  }

  // The cumulative count the code value falls on. An encoder never leaves a value at or beyond the
  // total, so such a value means damaged data.
  std::uint32_t GetThreshold(std::uint32_t total) {
    if (total == 0 || (range_ /= total) == 0) RaiseInternal();
    const std::uint32_t count = (code_ - low_) / range_;
    if (count >= total) RaiseDamaged("code value out of range");
    return count;
  }
  std::uint32_t GetThresholdBinary() {
    range_ >>= kBinShift;
    const std::uint32_t count = (code_ - low_) / range_;
    if (count >= kBinScale) RaiseDamaged("code value out of range");
    return count;
  }
  void Decode(std::uint32_t start, std::uint32_t size) {
    low_ += start * range_;
    range_ *= size;
    Normalize();
  }

 private:
  void Normalize() {
    for (;;) {
      if ((low_ ^ (low_ + range_)) >= kTop) {
        if (range_ >= kBot) break;
        range_ = (0u - low_) & (kBot - 1);
      }
      code_ = (code_ << 8) | Get();
      range_ <<= 8;
      low_ <<= 8;
    }
  }
  // The decoder reads exactly the bytes the encoder wrote, so needing one more means the data was
  // cut short.
  std::uint32_t Get() {
    if (pos_ >= size_) RaiseDamaged("unexpected end of data");
    return in_[pos_++];
  }

  const std::uint8_t* in_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::uint32_t code_ = 0;
  std::uint32_t low_ = 0;
  std::uint32_t range_ = 0xFFFFFFFFu;
};

// Adaptive escape estimate of a masked context (secondary escape estimation).
struct TSee {
  std::uint16_t summ = 0;
  std::uint8_t shift = 0;
  std::uint8_t count = 0;

  unsigned Mean() {
    const unsigned r = summ >> shift;
    summ = static_cast<std::uint16_t>(summ - r);
    const unsigned esc = r & 0x3FF;
    return esc != 0 ? esc : 1;
  }
  void Update() {
    if (shift < kPeriodBits && --count == 0) {
      summ = static_cast<std::uint16_t>(summ << 1);
      count = static_cast<std::uint8_t>(3 << shift);
      ++shift;
    }
  }
};

struct ConstTables {
  std::array<std::uint8_t, 256> ns2Indx{};    // context class by symbol count
  std::array<std::uint8_t, 256> ns2BSIndx{};  // binary escape scaling by symbol count
  constexpr ConstTables() {
    for (unsigned c = 0; c < 256; ++c) {
      ns2Indx[c] = static_cast<std::uint8_t>(c < 4 ? c : c < 12 ? c / 2 + 2 : c < 44 ? c / 4 + 5 : (c - 44) / 8 + 16);
      ns2BSIndx[c] = static_cast<std::uint8_t>(c < 6 ? 2 * c : c < 50 ? 12 : 14);
    }
  }
};
constexpr ConstTables kTables;
static_assert(kTables.ns2Indx[255] == 42);

class TPPMModel {
 public:
  TPPMModel(TSubAllocator& heap, unsigned maxOrder, TPPMModelStats& stats)
      : heap_(heap), maxOrder_(maxOrder), stats_(stats) {
    Restart();
  }

  void EncodeSymbol(TRangeEncoder& rc, int symbol);  // symbol -1 codes the end of the data
  int DecodeSymbol(TRangeDecoder& rc);               // -1 at the end of the data

 private:
  std::uint8_t* Ptr(Ref r) const { return heap_.Ptr(r); }
  Ref RefOf(const std::uint8_t* p) const { return heap_.RefOf(p); }
  std::uint8_t* Stats(const std::uint8_t* c) const { return Ptr(StatsRef(c)); }
  // The states of a context, also of a one-state context.
  std::uint8_t* StatesOf(std::uint8_t* c) const { return NumStats(c) == 1 ? OneState(c) : Stats(c); }
  unsigned SuffixNumStats(const std::uint8_t* c) const {
    const Ref suffix = SuffixRef(c);
    return suffix != 0 ? NumStats(Ptr(suffix)) : 256;
  }
  bool IsPlaceholder(Ref r) const { return NumStats(Ptr(r)) == 0; }

  void Restart();
  Ref NewPlaceholder();
  std::uint16_t& BinSumm();
  TSee* MakeEscFreq(unsigned diff, unsigned& escFreq);
  unsigned CollectUnmasked(std::uint8_t* ctx, std::uint8_t** states, unsigned& sum);
  void MaskStates(std::uint8_t* const* states, unsigned count);
  void MaskContext(std::uint8_t* ctx);
  bool EscapeToSuffix();

  void Update1First(std::uint8_t* s);
  void Update1(std::uint8_t* s);
  void Update2(std::uint8_t* s);
  void UpdateBinHit(std::uint16_t& bs, std::uint8_t* s);
  void UpdateBinMiss(std::uint16_t& bs, std::uint8_t* s);
  void Rescale();
  void NextContext();
  void UpdateModel();
  std::uint8_t* CreateSuccessors(bool skip, Ref upBranch);
  std::uint8_t* FindState(std::uint8_t* c, unsigned symbol) const;

  TSubAllocator& heap_;
  const unsigned maxOrder_;
  TPPMModelStats& stats_;

  std::uint8_t* minContext_ = nullptr;  // where coding happens
  std::uint8_t* maxContext_ = nullptr;  // the longest context of the current position
  std::uint8_t* foundState_ = nullptr;
  std::uint8_t* textCell_ = nullptr;    // the placeholder of the current position
  unsigned orderFall_ = 0;
  unsigned numMasked_ = 0;
  unsigned initEsc_ = 0;
  unsigned prevSuccess_ = 0;
  std::uint8_t escCount_ = 1;  // mask generation
  std::array<std::uint8_t, 256> charMask_{};
  std::uint16_t binSumm_[128][16] = {};
  TSee see_[43][8];
  TSee dummySee_;
};

void TPPMModel::Restart() {
  heap_.Restart();
  charMask_.fill(0);
  escCount_ = 1;
  for (unsigned i = 0; i < 128; ++i)
    for (unsigned j = 0; j < 16; ++j) binSumm_[i][j] = static_cast<std::uint16_t>(kBinScale - kInitBinEsc[j] / (i + 2));
  for (unsigned i = 0; i < 43; ++i)
    for (TSee& see : see_[i]) see = TSee{static_cast<std::uint16_t>((4 * i + 10) * 8), 3, 3};
  dummySee_ = TSee{0, kPeriodBits, 0};

  // Order 0 holds every byte value once.
  const Ref rootRef = heap_.AllocContext();
  const Ref statsRef = heap_.AllocUnits(256 / 2);
  if (rootRef == 0 || statsRef == 0) RaiseInternal();
  std::uint8_t* root = Ptr(rootRef);
  SetNumStats(root, 256);
  SetSummFreq(root, 256 + 1);
  SetStatsRef(root, statsRef);
  SetSuffixRef(root, 0);
  std::uint8_t* s = Ptr(statsRef);
  for (unsigned i = 0; i < 256; ++i, s += kStateSize) {
    s[0] = static_cast<std::uint8_t>(i);
    s[1] = 1;
    SetSucc(s, 0);
  }
  // A chain of orders 1..MaxOrder along byte 0, as if the data were preceded by zeros; the
  // order-MaxOrder context is the first placeholder.
  std::uint8_t* prev = root;
  std::uint8_t* prevState = Ptr(statsRef);
  std::uint8_t* start = root;
  for (unsigned order = 1; order <= maxOrder_; ++order) {
    const Ref r = heap_.AllocContext();
    if (r == 0) RaiseInternal();
    std::uint8_t* c = Ptr(r);
    std::memset(c, 0, kUnitSize);
    SetSuffixRef(c, RefOf(prev));
    SetSucc(prevState, r);
    if (order < maxOrder_) {
      SetNumStats(c, 1);
      prevState = OneState(c);
      prevState[0] = 0;
      prevState[1] = 1;
      if (order == maxOrder_ - 1) start = c;
    } else {
      textCell_ = c;
    }
    prev = c;
  }
  minContext_ = maxContext_ = start;
  foundState_ = nullptr;
  orderFall_ = 1;
  numMasked_ = 0;
  initEsc_ = 0;
  prevSuccess_ = 0;
}

Ref TPPMModel::NewPlaceholder() {
  const Ref r = heap_.AllocContext();
  if (r != 0) std::memset(Ptr(r), 0, kUnitSize);
  return r;
}

// The escape estimate of a one-state context: by its frequency (1..128), the previous success and
// the suffix's symbol count (the clamps only matter for shapes the invariants rule out).
std::uint16_t& TPPMModel::BinSumm() {
  const unsigned freq = std::clamp(Freq(OneState(minContext_)), 1u, 128u);
  const unsigned suffixStats = std::clamp(SuffixNumStats(minContext_), 1u, 256u);
  return binSumm_[freq - 1][prevSuccess_ + kTables.ns2BSIndx[suffixStats - 1]];
}

TSee* TPPMModel::MakeEscFreq(unsigned diff, unsigned& escFreq) {
  const unsigned ns = NumStats(minContext_);
  if (ns == 256 || SuffixRef(minContext_) == 0) {
    escFreq = 1;
    return &dummySee_;
  }
  const int suffixStats = static_cast<int>(SuffixNumStats(minContext_));
  TSee* see = &see_[kTables.ns2Indx[diff - 1]][(suffixStats - static_cast<int>(ns) > static_cast<int>(diff)) +
                                                2 * (SummFreq(minContext_) < 11 * ns) + 4 * (numMasked_ > diff)];
  escFreq = see->Mean();
  return see;
}

// Collects, in order, the unmasked states of a context entered by escape, at most NumStats -
// NumMasked of them (fewer only when the suffix chain is not a chain of supersets).
unsigned TPPMModel::CollectUnmasked(std::uint8_t* ctx, std::uint8_t** states, unsigned& sum) {
  const unsigned ns = NumStats(ctx);
  const unsigned wanted = ns - numMasked_;
  std::uint8_t* s = StatesOf(ctx);
  unsigned n = 0;
  sum = 0;
  for (unsigned i = 0; i < ns && n < wanted; ++i, s += kStateSize) {
    if (charMask_[Sym(s)] != escCount_) {
      states[n++] = s;
      sum += Freq(s);
    }
  }
  return n;
}

void TPPMModel::MaskStates(std::uint8_t* const* states, unsigned count) {
  for (unsigned i = 0; i < count; ++i) charMask_[Sym(states[i])] = escCount_;
}

void TPPMModel::MaskContext(std::uint8_t* ctx) {
  const unsigned ns = NumStats(ctx);
  std::uint8_t* s = Stats(ctx);
  for (unsigned i = 0; i < ns; ++i, s += kStateSize) charMask_[Sym(s)] = escCount_;
  numMasked_ = ns;
}

// Moves to the next shorter context that can still hold an unmasked symbol; false past order 0.
// Shorter contexts hold at least the symbols of longer ones, so a context is passed over when it
// has no more states than symbols are masked (which also keeps one-state contexts out of the
// masked coding when that rule is broken).
bool TPPMModel::EscapeToSuffix() {
  do {
    ++orderFall_;
    const Ref suffix = SuffixRef(minContext_);
    if (suffix == 0) return false;
    minContext_ = Ptr(suffix);
  } while (NumStats(minContext_) <= numMasked_);
  return true;
}

void TPPMModel::Update1First(std::uint8_t* s) {
  prevSuccess_ = 2 * Freq(s) > SummFreq(minContext_);
  foundState_ = s;
  SetFreq(s, Freq(s) + 4);
  SetSummFreq(minContext_, SummFreq(minContext_) + 4);
  if (Freq(s) > kMaxFreq) Rescale();
}

void TPPMModel::Update1(std::uint8_t* s) {
  SetFreq(s, Freq(s) + 4);
  SetSummFreq(minContext_, SummFreq(minContext_) + 4);
  if (Freq(s) > Freq(s - kStateSize)) {
    SwapStates(s, s - kStateSize);
    s -= kStateSize;
  }
  foundState_ = s;
  if (Freq(s) > kMaxFreq) Rescale();
}

void TPPMModel::Update2(std::uint8_t* s) {
  foundState_ = s;
  if (NumStats(minContext_) == 1) {
    // Only a broken suffix chain lets a one-state context be coded by escape; it has no SummFreq.
    if (Freq(s) < 128) SetFreq(s, Freq(s) + 1);
  } else {
    SetFreq(s, Freq(s) + 4);
    SetSummFreq(minContext_, SummFreq(minContext_) + 4);
    if (Freq(s) > kMaxFreq) Rescale();
  }
  ++escCount_;
}

void TPPMModel::UpdateBinHit(std::uint16_t& bs, std::uint8_t* s) {
  bs = static_cast<std::uint16_t>(bs + (1u << kPeriodBits) - ((bs + 32u) >> kPeriodBits));
  if (Freq(s) < 128) SetFreq(s, Freq(s) + 1);
  prevSuccess_ = 1;
  foundState_ = s;
}

void TPPMModel::UpdateBinMiss(std::uint16_t& bs, std::uint8_t* s) {
  bs = static_cast<std::uint16_t>(bs - ((bs + 32u) >> kPeriodBits));
  initEsc_ = kExpEscape[bs >> 10];
  charMask_[Sym(s)] = escCount_;
  numMasked_ = 1;
  prevSuccess_ = 0;
}

// Halves the frequencies of the current context (keeping the found state first), drops states
// that fall to 0 and turns a context left with one state into a one-state context.
void TPPMModel::Rescale() {
  std::uint8_t* ctx = minContext_;
  const unsigned ns = NumStats(ctx);
  std::uint8_t* stats = Stats(ctx);
  std::uint8_t* s = foundState_;
  if (s != stats) {
    std::uint8_t t[kStateSize];
    std::memcpy(t, s, kStateSize);
    std::memmove(stats + kStateSize, stats, static_cast<std::size_t>(s - stats));
    std::memcpy(stats, t, kStateSize);
  }
  unsigned escFreq = SummFreq(ctx) - Freq(stats);
  SetFreq(stats, Freq(stats) + 4);
  const unsigned adder = orderFall_ != 0;
  SetFreq(stats, (Freq(stats) + adder) >> 1);
  unsigned sumFreq = Freq(stats);
  for (unsigned i = 1; i < ns; ++i) {
    s = stats + i * kStateSize;
    escFreq -= Freq(s);
    SetFreq(s, (Freq(s) + adder) >> 1);
    sumFreq += Freq(s);
    if (Freq(s) > Freq(s - kStateSize)) {
      std::uint8_t t[kStateSize];
      std::memcpy(t, s, kStateSize);
      std::uint8_t* s1 = s;
      do {
        std::memcpy(s1, s1 - kStateSize, kStateSize);
        s1 -= kStateSize;
      } while (s1 != stats && t[1] > Freq(s1 - kStateSize));
      std::memcpy(s1, t, kStateSize);
    }
  }
  s = stats + (ns - 1) * kStateSize;
  if (Freq(s) == 0) {
    unsigned zeros = 0;
    do {
      ++zeros;
      s -= kStateSize;
    } while (Freq(s) == 0);
    escFreq += zeros;
    const unsigned newNs = ns - zeros;
    SetNumStats(ctx, newNs);
    if (newNs == 1) {
      std::uint8_t t[kStateSize];
      std::memcpy(t, stats, kStateSize);
      do {
        t[1] = static_cast<std::uint8_t>(t[1] - (t[1] >> 1));
        escFreq >>= 1;
      } while (escFreq > 1);
      heap_.FreeUnits(StatsRef(ctx), (ns + 1) >> 1);
      std::memcpy(OneState(ctx), t, kStateSize);
      foundState_ = OneState(ctx);
      return;
    }
    const unsigned n0 = (ns + 1) >> 1, n1 = (newNs + 1) >> 1;
    if (n0 != n1) SetStatsRef(ctx, heap_.ShrinkUnits(StatsRef(ctx), n0, n1));
  }
  SetSummFreq(ctx, sumFreq + escFreq - (escFreq >> 1));
  foundState_ = Stats(ctx);
}

std::uint8_t* TPPMModel::FindState(std::uint8_t* c, unsigned symbol) const {
  const unsigned ns = NumStats(c);
  std::uint8_t* s = StatesOf(c);
  for (unsigned i = 0; i < ns; ++i, s += kStateSize)
    if (Sym(s) == symbol) return s;
  return nullptr;
}

// Builds the contexts that the found symbol's successor placeholder stands for: one single-state
// context for each context on the suffix path whose state for the symbol still points at the
// placeholder (and for the found state itself unless skip), innermost first, each the suffix of the
// next. Returns the longest of them, or nullptr when the memory is used up.
std::uint8_t* TPPMModel::CreateSuccessors(bool skip, Ref upBranch) {
  std::uint8_t* c = minContext_;
  const unsigned symbol = Sym(foundState_);
  std::uint8_t* ps[PPMMaxOrder + 2];
  unsigned numPs = 0;
  if (!skip) ps[numPs++] = foundState_;
  while (SuffixRef(c) != 0) {
    c = Ptr(SuffixRef(c));
    std::uint8_t* s = FindState(c, symbol);
    if (!s) throw ModelInconsistency{};
    const Ref successor = SuccRef(s);
    if (successor != upBranch) {
      if (successor == 0 || IsPlaceholder(successor)) throw ModelInconsistency{};
      c = Ptr(successor);
      if (numPs == 0) return c;
      break;
    }
    if (numPs == std::size(ps)) throw ModelInconsistency{};
    ps[numPs++] = s;
  }
  if (numPs == 0) throw ModelInconsistency{};

  // The symbol that followed, and the placeholder of the position after it.
  std::uint8_t* up = OneState(Ptr(upBranch));
  const unsigned upSymbol = Sym(up);
  Ref upSuccessor = SuccRef(up);
  if (upSuccessor == 0) {
    upSuccessor = NewPlaceholder();
    if (upSuccessor == 0) return nullptr;
    SetSucc(up, upSuccessor);
  }
  unsigned upFreq = 1;
  if (NumStats(c) == 1) {
    upFreq = Freq(OneState(c));
  } else if (const std::uint8_t* s = FindState(c, upSymbol)) {
    const std::uint32_t cf = Freq(s) - 1u;
    const std::uint32_t s0 = SummFreq(c) - NumStats(c) - cf;
    upFreq = 1 + ((2 * cf <= s0) ? (5 * cf > s0) : (2 * cf + 3 * s0 - 1) / (2 * (s0 != 0 ? s0 : 1)));
  }

  do {
    const Ref r = heap_.AllocContext();
    if (r == 0) return nullptr;
    std::uint8_t* c1 = Ptr(r);
    SetNumStats(c1, 1);
    std::uint8_t* one = OneState(c1);
    one[0] = static_cast<std::uint8_t>(upSymbol);
    one[1] = static_cast<std::uint8_t>(upFreq);
    SetSucc(one, upSuccessor);
    SetSuffixRef(c1, RefOf(c));
    SetSucc(ps[--numPs], r);
    c = c1;
  } while (numPs != 0);
  return c;
}

void TPPMModel::UpdateModel() {
  std::uint8_t* fs = foundState_;
  const unsigned symbol = Sym(fs);
  Ref fSuccessor = SuccRef(fs);

  // The symbol gains in the next shorter context too.
  if (Freq(fs) < kMaxFreq / 4 && SuffixRef(minContext_) != 0) {
    std::uint8_t* c = Ptr(SuffixRef(minContext_));
    if (NumStats(c) == 1) {
      std::uint8_t* s = OneState(c);
      if (Freq(s) < 32) SetFreq(s, Freq(s) + 1);
    } else {
      std::uint8_t* s = Stats(c);
      if (Sym(s) != symbol) {
        s = FindState(c, symbol);
        if (s && Freq(s) >= Freq(s - kStateSize)) {
          SwapStates(s, s - kStateSize);
          s -= kStateSize;
        }
      }
      if (s && Freq(s) < kMaxFreq - 16) {
        SetFreq(s, Freq(s) + 2);
        SetSummFreq(c, SummFreq(c) + 2);
      }
    }
  }

  if (orderFall_ == 0) {
    // At the longest order the successor is the context the suffix state leads to.
    if (fSuccessor == 0 || !IsPlaceholder(fSuccessor)) throw ModelInconsistency{};
    std::uint8_t* c = CreateSuccessors(true, fSuccessor);
    if (!c) {
      ++stats_.restarts;
      Restart();
      return;
    }
    SetSucc(fs, RefOf(c));
    minContext_ = maxContext_ = c;
    return;
  }

  // The placeholder of the current position learns the symbol; the one after it is where the
  // symbol's new states point.
  std::uint8_t* cell = textCell_;
  std::uint8_t* cellState = OneState(cell);
  cellState[0] = static_cast<std::uint8_t>(symbol);
  Ref next = SuccRef(cellState);
  if (next == 0) {
    next = NewPlaceholder();
    if (next == 0) {
      ++stats_.restarts;
      Restart();
      return;
    }
    SetSucc(cellState, next);
  }
  textCell_ = Ptr(next);
  Ref successor = next;
  if (fSuccessor != 0) {
    if (IsPlaceholder(fSuccessor)) {
      std::uint8_t* c = CreateSuccessors(false, fSuccessor);
      if (!c) {
        ++stats_.restarts;
        Restart();
        return;
      }
      fSuccessor = RefOf(c);
    }
    // At the longest order the new states lead straight to the successor context; no state points
    // at this position then, and unless the symbol came from the longest context the record steps
    // back, so that the next symbol takes this position's place.
    if (--orderFall_ == 0) {
      successor = fSuccessor;
      if (maxContext_ != minContext_) textCell_ = cell;
    }
  } else {
    // A state without successor (only order 0 has them) takes the position's placeholder, and the
    // coding stays in the context where the symbol was found.
    SetSucc(fs, successor);
    fSuccessor = RefOf(minContext_);
  }

  // Add the symbol to every context it escaped from. Its first frequency there weighs the found
  // state against the rest of the found context (s0; for a one-state context the SummFreq bytes
  // are its state's symbol and frequency, read as a number, and unsigned arithmetic wraps alike on
  // both sides).
  const unsigned ns = NumStats(minContext_);
  const unsigned fFreq = Freq(fs);
  const std::uint32_t s0 = Get16(minContext_ + 2) - ns - (fFreq - 1);
  for (std::uint8_t* c = maxContext_; c != minContext_;) {
    const unsigned ns1 = NumStats(c);
    if (ns1 != 1) {
      // A context escaped from lacks the symbol, so it has fewer than 256 states.
      if (ns1 == 0 || ns1 >= 256) throw ModelInconsistency{};
      if ((ns1 & 1) == 0) {
        const Ref stats = heap_.ExpandUnits(StatsRef(c), ns1 >> 1);
        if (stats == 0) {
          ++stats_.restarts;
          Restart();
          return;
        }
        SetStatsRef(c, stats);
      }
      const unsigned summ = SummFreq(c);
      SetSummFreq(c, summ + (2 * ns1 < ns) + 2 * ((4 * ns1 <= ns) & (summ <= 8 * ns1)));
    } else {
      const Ref block = heap_.AllocUnits(1);
      if (block == 0) {
        ++stats_.restarts;
        Restart();
        return;
      }
      std::uint8_t* p = Ptr(block);
      std::memcpy(p, OneState(c), kStateSize);
      SetStatsRef(c, block);
      const unsigned freq = Freq(p) < kMaxFreq / 4 - 1 ? Freq(p) * 2 : kMaxFreq - 4;
      SetFreq(p, freq);
      SetSummFreq(c, freq + initEsc_ + (ns > 3));
    }
    const std::uint32_t summ = SummFreq(c);
    std::uint32_t cf = 2 * fFreq * (summ + 6);
    const std::uint32_t sf = s0 + summ;
    if (cf < 6 * sf) {
      cf = 1 + (cf > sf) + (cf >= 4 * sf);
      SetSummFreq(c, summ + 3);
    } else {
      cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
      SetSummFreq(c, summ + cf);
    }
    std::uint8_t* s = Stats(c) + ns1 * kStateSize;
    s[0] = static_cast<std::uint8_t>(symbol);
    s[1] = static_cast<std::uint8_t>(cf);
    SetSucc(s, successor);
    SetNumStats(c, ns1 + 1);
    const Ref suffix = SuffixRef(c);
    if (suffix == 0) throw ModelInconsistency{};
    c = Ptr(suffix);
  }
  maxContext_ = minContext_ = Ptr(fSuccessor);
}

void TPPMModel::NextContext() {
  try {
    const Ref successor = SuccRef(foundState_);
    if (orderFall_ == 0 && successor != 0 && !IsPlaceholder(successor))
      minContext_ = maxContext_ = Ptr(successor);
    else
      UpdateModel();
  } catch (const ModelInconsistency&) {
    ++stats_.repairs;
    Restart();
  }
  if (escCount_ == 0) {
    charMask_.fill(0);
    escCount_ = 1;
  }
}

void TPPMModel::EncodeSymbol(TRangeEncoder& rc, int symbol) {
  std::uint8_t* ctx = minContext_;
  if (NumStats(ctx) != 1) {
    const unsigned ns = NumStats(ctx);
    const unsigned summ = SummFreq(ctx);
    std::uint8_t* s = Stats(ctx);
    if (static_cast<int>(Sym(s)) == symbol) {
      rc.Encode(0, Freq(s), summ);
      Update1First(s);
      NextContext();
      return;
    }
    prevSuccess_ = 0;
    unsigned hi = Freq(s);
    for (unsigned i = 1; i < ns; ++i) {
      s += kStateSize;
      if (static_cast<int>(Sym(s)) == symbol) {
        rc.Encode(hi, Freq(s), summ);
        Update1(s);
        NextContext();
        return;
      }
      hi += Freq(s);
    }
    if (summ <= hi) RaiseInternal();
    rc.Encode(hi, summ - hi, summ);
    MaskContext(ctx);
  } else {
    std::uint16_t& bs = BinSumm();
    std::uint8_t* s = OneState(ctx);
    if (static_cast<int>(Sym(s)) == symbol) {
      rc.EncodeBinary(0, bs);
      UpdateBinHit(bs, s);
      NextContext();
      return;
    }
    rc.EncodeBinary(bs, kBinScale - bs);
    UpdateBinMiss(bs, s);
  }
  for (;;) {
    if (!EscapeToSuffix()) {
      // Only the end marker leaves order 0: every byte value stays in the order-0 context.
      if (symbol >= 0) RaiseInternal();
      return;
    }
    unsigned escFreq;
    TSee* see = MakeEscFreq(NumStats(minContext_) - numMasked_, escFreq);
    std::uint8_t* states[256];
    unsigned hi;
    const unsigned n = CollectUnmasked(minContext_, states, hi);
    const unsigned total = hi + escFreq;
    unsigned low = 0;
    for (unsigned i = 0; i < n; ++i) {
      std::uint8_t* s = states[i];
      if (static_cast<int>(Sym(s)) == symbol) {
        rc.Encode(low, Freq(s), total);
        see->Update();
        Update2(s);
        NextContext();
        return;
      }
      low += Freq(s);
    }
    rc.Encode(hi, escFreq, total);
    see->summ = static_cast<std::uint16_t>(see->summ + total);
    MaskStates(states, n);
    numMasked_ = NumStats(minContext_);
  }
}

int TPPMModel::DecodeSymbol(TRangeDecoder& rc) {
  std::uint8_t* ctx = minContext_;
  if (NumStats(ctx) != 1) {
    const unsigned ns = NumStats(ctx);
    const unsigned summ = SummFreq(ctx);
    std::uint8_t* s = Stats(ctx);
    const std::uint32_t count = rc.GetThreshold(summ);
    unsigned hi = Freq(s);
    if (count < hi) {
      rc.Decode(0, hi);
      const int symbol = static_cast<int>(Sym(s));
      Update1First(s);
      NextContext();
      return symbol;
    }
    prevSuccess_ = 0;
    for (unsigned i = 1; i < ns; ++i) {
      s += kStateSize;
      hi += Freq(s);
      if (hi > count) {
        rc.Decode(hi - Freq(s), Freq(s));
        const int symbol = static_cast<int>(Sym(s));
        Update1(s);
        NextContext();
        return symbol;
      }
    }
    rc.Decode(hi, summ - hi);
    MaskContext(ctx);
  } else {
    std::uint16_t& bs = BinSumm();
    std::uint8_t* s = OneState(ctx);
    if (rc.GetThresholdBinary() < bs) {
      rc.Decode(0, bs);
      const int symbol = static_cast<int>(Sym(s));
      UpdateBinHit(bs, s);
      NextContext();
      return symbol;
    }
    rc.Decode(bs, kBinScale - bs);
    UpdateBinMiss(bs, s);
  }
  for (;;) {
    if (!EscapeToSuffix()) return -1;
    unsigned escFreq;
    TSee* see = MakeEscFreq(NumStats(minContext_) - numMasked_, escFreq);
    std::uint8_t* states[256];
    unsigned hi;
    const unsigned n = CollectUnmasked(minContext_, states, hi);
    const unsigned total = hi + escFreq;
    const std::uint32_t count = rc.GetThreshold(total);
    if (count < hi) {
      unsigned low = 0;
      for (unsigned i = 0;; ++i) {
        std::uint8_t* s = states[i];
        if (low + Freq(s) > count) {
          rc.Decode(low, Freq(s));
          const int symbol = static_cast<int>(Sym(s));
          see->Update();
          Update2(s);
          NextContext();
          return symbol;
        }
        low += Freq(s);
      }
    }
    rc.Decode(hi, escFreq);
    see->summ = static_cast<std::uint16_t>(see->summ + total);
    MaskStates(states, n);
    numMasked_ = NumStats(minContext_);
  }
}

std::uint32_t MemoryBytes(Integer memoryMB) { return static_cast<std::uint32_t>(memoryMB) << 20; }

}  // namespace

Cardinal PPMParameterWord(Integer order, Integer memoryMB) {
  if (order < 1 || order > PPMMaxOrder || memoryMB < 1 || memoryMB > PPMMaxMemoryMB) RaiseRangeError();
  return static_cast<Cardinal>(order - 1) | static_cast<Cardinal>(memoryMB - 1) << 4 | PPMVariantG << 12;
}

Integer PPMCompress(const void* inBuf, Integer inSize, void* outBuf, Integer outCapacity, Integer order,
                    Integer memoryMB, TPPMModelStats* stats) {
  const Cardinal word = PPMParameterWord(order, memoryMB);
  if (inSize < 0 || (inSize > 0 && !inBuf) || !outBuf || outCapacity < 0) throw EPPMError("PPM invalid buffer");
  auto* out = static_cast<std::uint8_t*>(outBuf);
  if (outCapacity < 4) throw EPPMError("PPM output buffer full");

  TSubAllocator heap;
  if (!heap.Start(MemoryBytes(memoryMB))) return 0;
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(word >> (8 * i));
  TPPMModelStats local;
  TPPMModel model(heap, static_cast<unsigned>(order), local);
  TRangeEncoder rc(out + 4, static_cast<std::size_t>(outCapacity) - 4);
  const auto* in = static_cast<const std::uint8_t*>(inBuf);
  for (Integer i = 0; i < inSize; ++i) model.EncodeSymbol(rc, in[i]);
  model.EncodeSymbol(rc, -1);
  rc.Flush();
  if (stats) *stats = local;
  return static_cast<Integer>(4 + rc.Written());
}

Integer PPMDecompress(const void* inBuf, Integer inSize, void* outBuf, Integer outCapacity, TPPMModelStats* stats) {
  if (inSize < 0 || (inSize > 0 && !inBuf) || outCapacity < 0 || (outCapacity > 0 && !outBuf))
    throw EPPMError("PPM invalid buffer");
  if (inSize < 4) RaiseDamaged("no parameter word");
  const auto* in = static_cast<const std::uint8_t*>(inBuf);
  const Cardinal word = in[0] | Cardinal{in[1]} << 8 | Cardinal{in[2]} << 16 | Cardinal{in[3]} << 24;
  if ((word >> 12 & 0xF) != PPMVariantG) return 0;
  const unsigned order = (word & 0xF) + 1;
  const Integer memoryMB = static_cast<Integer>((word >> 4 & 0xFF) + 1);

  TSubAllocator heap;
  if (!heap.Start(MemoryBytes(memoryMB))) return 0;
  TPPMModelStats local;
  TPPMModel model(heap, order, local);
  TRangeDecoder rc(in + 4, static_cast<std::size_t>(inSize) - 4);
  auto* out = static_cast<std::uint8_t*>(outBuf);
  Integer produced = 0;
  for (;;) {
    const int symbol = model.DecodeSymbol(rc);
    if (symbol < 0) break;
    if (produced == outCapacity) RaiseDamaged("more data than expected");
    out[produced++] = static_cast<std::uint8_t>(symbol);
  }
  if (stats) *stats = local;
  return produced;
}
