// The engine's small working-set containers: growable arrays of integers, 64-bit integers, record
// identifiers and compressed-block headers (all sharing one growth rule), a bit map, a hash set of
// 32-bit keys, the scan search conditions a filter is split into, and a few bit and name helpers.
// None of them takes a lock: each belongs to one owner, which serialises access to it. Their storage
// comes from the engine memory manager, so items are read and written through memcpy (unaligned).
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>
#include "vcl/rtl/Lists.h"
#include "vcl/rtl/SysTypes.h"

class TStream;
class TSQLMemExpression;  // the SQL layer's condition object
class TSQLMemExprNode;    // one node of its tree
class TSQLMemIndexDefs;   // a table's index definitions (storage)

namespace sqlmem_detail {

// Raw item storage with the growth rule shared by the integer, int64, record identifier and block
// header arrays. Grow steps double (up to the maximum step) each time the storage has to grow, so
// appending is amortised; shrink steps double each time the storage is cut. Items are itemSize bytes,
// back to back, in one engine memory block.
class GrowableStorage {
 public:
  GrowableStorage(Int64 itemSize, Int64 initialSize, Int64 step, Int64 maxStep);
  ~GrowableStorage();
  GrowableStorage(const GrowableStorage&) = delete;
  GrowableStorage& operator=(const GrowableStorage&) = delete;

  void SetSize(Int64 n);
  Int64 Count() const { return count_; }
  Int64 Capacity() const { return capacity_; }
  Int64 GrowStep() const { return growStep_; }
  Int64 ShrinkStep() const { return shrinkStep_; }
  Int64 MaxStep() const { return maxStep_; }

  // Address of item i; raises ERangeError unless 0 <= i < count.
  Byte* At(Int64 i);
  const Byte* At(Int64 i) const;
  // Moves the items after i down by one and lowers the count; the storage is kept.
  void Delete(Int64 i);
  // Grows by one and opens a gap at i (0 <= i <= old count); the caller stores into it.
  void InsertGap(Int64 i);

 private:
  void Resize(Int64 newCapacity, bool zeroFill);

  Byte* data_ = nullptr;
  Int64 itemSize_;
  Int64 count_ = 0;
  Int64 capacity_ = 0;
  Int64 growStep_;
  Int64 shrinkStep_;
  Int64 maxStep_;
};

}  // namespace sqlmem_detail

// Int32 items with an int32 count (thread identifiers, page numbers).
class TSQLMemIntegerArray {
 public:
  TSQLMemIntegerArray(Integer initialSize, Integer step, Integer maxStep);

  Integer Count() const { return static_cast<Integer>(items_.Count()); }
  Integer Capacity() const { return static_cast<Integer>(items_.Capacity()); }
  Integer GrowStep() const { return static_cast<Integer>(items_.GrowStep()); }
  Integer ShrinkStep() const { return static_cast<Integer>(items_.ShrinkStep()); }

  void SetSize(Integer n);  // items beyond the old count read as 0
  Integer GetItem(Integer index) const;
  void SetItem(Integer index, Integer value);
  void Append(Integer value);
  void Delete(Integer index);
  Integer IndexOf(Integer value) const;  // first match; -1 when absent
  bool Contains(Integer value) const { return IndexOf(value) >= 0; }

 private:
  sqlmem_detail::GrowableStorage items_;
};

// Int64 items with an int64 count (per-thread hold counts, positions).
class TSQLMemInt64Array {
 public:
  TSQLMemInt64Array(Int64 initialSize, Int64 step, Int64 maxStep);

  Int64 Count() const { return items_.Count(); }
  Int64 Capacity() const { return items_.Capacity(); }
  Int64 GrowStep() const { return items_.GrowStep(); }
  Int64 ShrinkStep() const { return items_.ShrinkStep(); }

  void SetSize(Int64 n);
  Int64 GetItem(Int64 index) const;
  void SetItem(Int64 index, Int64 value);
  void Append(Int64 value);
  void Delete(Int64 index);
  Int64 IndexOf(Int64 value) const;  // first match; -1 when absent
  bool Contains(Int64 value) const { return IndexOf(value) >= 0; }

 private:
  sqlmem_detail::GrowableStorage items_;
};

// A record identifier: an int32 record (or page) number, then a 16-bit item number. Stored and
// copied as six raw bytes, little-endian, no padding. What the numbers mean is the record manager's.
struct TSQLMemRecordID {
  Integer RecordNo = 0;
  Word ItemNo = 0;

  static constexpr int kSize = 6;
  friend bool operator==(const TSQLMemRecordID&, const TSQLMemRecordID&) = default;
};

void StoreRecordID(void* dest, const TSQLMemRecordID& id);  // writes the six-byte form
TSQLMemRecordID LoadRecordID(const void* src);

// A list of record identifiers that sorts and searches in one of three orders:
//   compare-by-page-only: by record number alone (signed);
//   else compare-as-one-number: the six bytes as one little-endian 48-bit number (item number above
//     the record number), i.e. by item number then record number, both unsigned;
//   neither (default): by record number, then item number, both signed.
// IndexOf uses a binary search while the sorted flag is set and there are more than 10 items; the
// flag is the owner's promise that the items are in the current order (Sort sets it).
class TSQLMemRecordIDArray {
 public:
  TSQLMemRecordIDArray(Integer initialSize, Integer step, Integer maxStep);  // sorted flag set

  Integer Count() const { return static_cast<Integer>(items_.Count()); }
  Integer Capacity() const { return static_cast<Integer>(items_.Capacity()); }
  Integer GrowStep() const { return static_cast<Integer>(items_.GrowStep()); }
  Integer ShrinkStep() const { return static_cast<Integer>(items_.ShrinkStep()); }

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value) { sorted_ = value; }
  bool CompareByPageOnly() const { return compareByPageOnly_; }
  void SetCompareByPageOnly(bool value) { compareByPageOnly_ = value; }
  bool CompareAsOneNumber() const { return compareAsOneNumber_; }
  void SetCompareAsOneNumber(bool value) { compareAsOneNumber_ = value; }

  void SetSize(Integer n);
  TSQLMemRecordID GetItem(Integer index) const;
  void SetItem(Integer index, const TSQLMemRecordID& id);
  void Append(const TSQLMemRecordID& id);
  // Stores id at index (0..count), moving the items from index up by one.
  void Insert(Integer index, const TSQLMemRecordID& id);
  void Delete(Integer index);
  // Sorts in the current order and sets the sorted flag.
  void Sort();
  // Index of an item equal to id (the first one when several are), or -1. The binary search compares
  // in the current order, so with compare-by-page-only it matches on the record number alone; the
  // linear search always matches both numbers.
  Integer IndexOf(const TSQLMemRecordID& id) const;
  int CompareItems(const TSQLMemRecordID& a, const TSQLMemRecordID& b) const;  // -1, 0 or 1

 private:
  void SortRange(Integer lo, Integer hi);

  sqlmem_detail::GrowableStorage items_;
  bool sorted_ = true;
  bool compareByPageOnly_ = false;
  bool compareAsOneNumber_ = false;
};

// The 20-byte header in front of each block of a compressed BLOB stream (little-endian in the stream).
struct CompressedBlockHeader {
  Integer CompressedSize = 0;    // bytes of compressed data after the header
  Integer UncompressedSize = 0;  // bytes the block decompresses to
  Cardinal Crc32 = 0;            // checksum of the uncompressed bytes
  Int64 NextOffset = 0;          // from this header's first byte to the next header's: 20 + CompressedSize

  static constexpr int kSize = 20;
  friend bool operator==(const CompressedBlockHeader&, const CompressedBlockHeader&) = default;
};

// The headers of a compressed stream's blocks, each with the position of the header in the base
// stream. Positions are appended in ascending order, which FindBlock relies on.
class TSQLMemCompressedStreamBlockHeadersArray {
 public:
  TSQLMemCompressedStreamBlockHeadersArray();  // empty; grow and shrink step 10, maximum step 10000

  Int64 Count() const { return items_.Count(); }
  Int64 Capacity() const { return items_.Capacity(); }

  void SetSize(Int64 n);
  void Append(const CompressedBlockHeader& header, Int64 position);
  CompressedBlockHeader GetHeader(Int64 index) const;
  void SetHeader(Int64 index, const CompressedBlockHeader& header);
  Int64 GetPosition(Int64 index) const;
  void SetPosition(Int64 index, Int64 position);
  // Index of the last block whose position is not greater than the given one; 0 when there are no
  // blocks or the position lies before the first.
  Int64 FindBlock(Int64 position) const;

 private:
  sqlmem_detail::GrowableStorage items_;  // header (20 bytes) then position (8 bytes) per item
};

// A bit map (page allocation maps, buffers lent out). Bit i lives in byte i div 8 at bit i mod 8,
// counted from the least significant bit; bits past the size in the last byte are always clear.
class TSQLMemBitsArray {
 public:
  TSQLMemBitsArray() = default;
  ~TSQLMemBitsArray();
  TSQLMemBitsArray(const TSQLMemBitsArray&) = delete;
  TSQLMemBitsArray& operator=(const TSQLMemBitsArray&) = delete;

  Integer BitCount() const { return bitCount_; }
  Integer SetBitCount() const { return setBitCount_; }  // kept up to date by SetBit and SetSize
  Integer DataSize() const { return static_cast<Integer>((Int64{bitCount_} + 7) / 8); }
  const Byte* Data() const { return data_; }

  // Grows with clear bits or cuts to n bits; 0 releases the data.
  void SetSize(Integer n);
  bool GetBit(Integer index) const;              // 10394 outside 0..BitCount - 1
  void SetBit(Integer index, bool value);        // 10395 outside 0..BitCount - 1
  bool FindBit(bool value, Integer& index) const;  // lowest index holding value
  Integer CountSetBits() const;                  // counts over the data

  // Stream form (page manager streams): int32 number of bits, int32 number of set bits, then the
  // DataSize() data bytes when there are bits. Short writes raise 10398, 10427, 10400; short reads
  // 10401, 10426, 10402, and so do counts that no array can have or data that the stream can't hold.
  // The loaded set-bit count is taken as stored.
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

 private:
  Byte* data_ = nullptr;
  Integer bitCount_ = 0;
  Integer setBitCount_ = 0;
};

// A hash set of 32-bit keys, each carrying dataSize bytes, for the SQL layer. The directory has
// 2^bits slots; a slot's word keeps the slot number in its top `bits` bits and its bucket's entry
// count minus one in the low 32 - bits bits, so a bucket holds at most 2^(32 - bits) entries.
// Buckets grow by bucketStep entries at a time.
class TSQLMemHashArray {
 public:
  // Replacements for the default rules; an empty function keeps the default.
  struct Rules {
    std::function<Cardinal(Cardinal key)> SlotOfKey;                        // slot number of a key
    std::function<Cardinal(Cardinal word)> CountPart;                       // entries - 1 of a slot word
    std::function<Cardinal(Cardinal word, Cardinal countPart)> SetCountPart;  // word with a new count part
  };

  // bits: 1..31 (11662 otherwise); shift: 0..31, the first key bit of the slot number.
  TSQLMemHashArray(Integer dataSize, Integer bits, Integer shift, Integer bucketStep);
  ~TSQLMemHashArray();
  TSQLMemHashArray(const TSQLMemHashArray&) = delete;
  TSQLMemHashArray& operator=(const TSQLMemHashArray&) = delete;

  void SetRules(Rules rules) { rules_ = std::move(rules); }

  // Adds key with dataSize bytes from data (zeroes when data is nil) and returns true; returns false
  // and changes nothing when the key is present already.
  bool FindOrAdd(Cardinal key, const void* data);
  // Copies the data of key into data (when not nil) and returns true; false when the key is absent.
  bool Find(Cardinal key, void* data) const;

  Cardinal SlotCount() const { return slotCount_; }
  Cardinal SlotWord(Cardinal slot) const;

  Int64 SlotsUsed() const { return slotsUsed_; }
  Int64 EntriesStored() const { return entriesStored_; }
  Int64 BucketEnlargements() const { return bucketEnlargements_; }
  Int64 BytesTaken() const { return bytesTaken_; }

 private:
  Cardinal SlotOf(Cardinal key) const;
  Cardinal CountPartOf(Cardinal word) const;
  Cardinal WithCountPart(Cardinal word, Cardinal countPart) const;
  Byte* Bucket(Cardinal slot) const;
  void SetSlot(Cardinal slot, Cardinal word, Byte* bucket);

  Integer dataSize_;
  Integer bits_;
  Integer shift_;
  Integer bucketStep_;
  Int64 entrySize_;
  Cardinal slotCount_;
  Byte* directory_ = nullptr;  // per slot: the 32-bit word, then the bucket's address
  Rules rules_;
  Int64 slotsUsed_ = 0;
  Int64 entriesStored_ = 0;
  Int64 bucketEnlargements_ = 0;
  Int64 bytesTaken_ = 0;
};

// The runtime's plain pointer list under the engine's own name (schema object lists, a session's named
// objects). It adds nothing: its users keep it in the order they need.
template <typename T = void>
class TSQLMemSortedStringPtrArray : public TList<T> {};

// One index lookup that a filter can use: compare the index's keys with the key buffer (a record
// buffer holding the search values) by the comparison kind (0 none, 1 "=", 2 "<", 3 ">", 4 "<=",
// 5 ">="). The key buffer and the expression are borrowed: whoever built the condition frees them.
struct TSQLMemScanSearchCondition {
  Byte Kind = 0;
  void* KeyBuffer = nullptr;
  Integer KeyFieldCount = 0;
  Integer IndexID = -1;  // -1: no index
  TSQLMemExpression* Expression = nullptr;
};

// A comparison that the SQL layer took out of a filter to become a scan condition: the block holding
// its search values, the comparison node and the expression it came from, until the node is handed
// back to the expression.
struct TSQLMemScanPendingEntry {
  void* KeyBuffer = nullptr;
  TSQLMemExprNode* Node = nullptr;
  TSQLMemExpression* Expression = nullptr;
};

// The comparisons taken out of filters by one scan, waiting to be given back to their expressions.
using TSQLMemScanPendingList = std::vector<TSQLMemScanPendingEntry>;

class TSQLMemScanSearchConditionArray;

// The two services of the SQL layer's condition object that the scan conditions call. The foundation
// lies below the SQL layer and cannot call it directly, so the SQL layer installs them when it starts.
struct TSQLMemScanConditionServices {
  // Appends to conditions every comparison of expression that an index of indexDefs can serve, and
  // puts each comparison it takes out of the expression into pending.
  std::function<void(TSQLMemExpression& expression, const TSQLMemIndexDefs& indexDefs,
                     TSQLMemScanSearchConditionArray& conditions, TSQLMemScanPendingList& pending)>
      ExtractScanConditions;
  // Gives a comparison node back to its expression (appended to the root's operands, or the root).
  std::function<void(TSQLMemExpression& expression, TSQLMemExprNode* node)> AddCondition;
};

// Installs the SQL layer's services and returns those in place before. Set it while no scan runs.
TSQLMemScanConditionServices SetScanConditionServices(TSQLMemScanConditionServices services);

// The scan search conditions of one table scan; owns its conditions.
class TSQLMemScanSearchConditionArray {
 public:
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  TSQLMemScanSearchCondition& GetItem(Integer index);  // ERangeError outside 0..Count - 1
  const TSQLMemScanSearchCondition& GetItem(Integer index) const;

  // Appends a copy; a condition with neither an expression nor an index raises 10388.
  void Add(const TSQLMemScanSearchCondition& condition);
  // Appends a condition that only evaluates the expression (kind 0, no key buffer, no index).
  void AddFromExpression(TSQLMemExpression* expression);
  void Delete(Integer index);  // 10413 outside 0..Count - 1
  // Lets the SQL layer turn the index-servable comparisons of each condition's expression into further
  // conditions of this array (the conditions present at the call only; the new ones are not searched
  // again). Without the SQL layer's services nothing is extracted and the expressions stay whole.
  void BindIndexes(const TSQLMemIndexDefs& indexDefs, TSQLMemScanPendingList& pending);
  // Gives each pending comparison back to its expression, frees its key block and removes the entry.
  // An entry without expression, node or block raises 20060, 20061, 20062 "Pointer is nil" and stays
  // in the list with those after it; without the SQL layer's services 30035 "Not implemented yet".
  static void AddFromList(TSQLMemScanPendingList& pending);

 private:
  std::vector<std::unique_ptr<TSQLMemScanSearchCondition>> items_;
};

// Bit access in a plain byte buffer, in the bit order of TSQLMemBitsArray.
bool GetBit(Integer index, const void* buffer);
void SetBit(bool value, Integer index, void* buffer);

// base + a random decimal number + "-" + the calling thread's identifier. The random part mixes two
// draws of the process's random generator with the tick count read after each.
AnsiString MakeUniqueName(std::string_view base);

// Overwrites the text's bytes with 0xFF before emptying it, so a secret does not linger in the buffer.
void BurnString(AnsiString& s);

// Byte k of the result (3 = most significant) is byte k of a xor a byte of b that the mode (mod 12)
// picks; MixInt32Bytes(a, 0, m) == a. Folds hashes into a signature.
Cardinal MixInt32Bytes(Cardinal a, Cardinal b, Cardinal mode);
