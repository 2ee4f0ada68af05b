// How a table holds the values of its BLOB, memo and wide-memo fields inside record buffers: the slot
// that refers to a value's in-memory block and says who owns it, the blocks themselves, and the
// operations with which a cursor opens a value as a stream, stores it back, and the table frees it.
//
// The 8-byte BLOB slot of a record buffer, while the record is in memory:
//   bytes 0..3  uint32 handle of the value's block in the table's block table (0: no block)
//   bytes 4..5  zero, no meaning
//   bytes 6..7  uint16 ownership mark, at the field's CompactSize: 0x0F0F the block was made during the
//               current edit of this buffer and belongs to it alone (on a NULL field: the edit cleared
//               the value); 0xF0F0 it belongs to the stored record; any other value counts as not
//               made or cleared during this edit.
// A handle and not an address: the slot's layout is the stored one (a table stream puts an int64
// position in the same 8 bytes) and a 64-bit address would not leave room for the mark. Handles are
// checked when used, so a damaged slot raises instead of reaching into foreign memory.
//
// The null bit guards the slot: freeing a value sets the null bit and leaves the stale handle behind,
// so nothing may read a slot's handle while its field is NULL.
//
// An in-memory BLOB block (one engine memory-manager block):
//   offset 0  int32 block count of the value's compressed stream
//   offset 4  int64 uncompressed size of the value
//   offset 12 the bytes the compressed stream wrote to its underlying stream (the memory manager's size
//             of the block minus 12; the block does not keep that length itself)
//
// Ownership through an edit: a value written during an edit is an edit block until the record is
// posted; posting marks the buffer's blocks stored (MarkBLOBs(false)) so that the stored record owns
// them; replacing a value during an edit frees only an earlier edit block, never the stored record's,
// which the record manager frees when it stores the updated record; cancelling frees the edit blocks
// (DiscardNewBLOBs); deleting a record frees all of its blocks (FreeRecordBLOBs).
#pragma once
#include <memory>
#include <mutex>
#include <vector>
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemCursor;
class TSQLMemFieldDef;
class TSQLMemFieldDefs;

using TSQLMemBLOBHandle = Cardinal;
inline constexpr TSQLMemBLOBHandle kNoBLOBBlock = 0;
inline constexpr Word kBLOBMarkEdit = 0x0F0F;
inline constexpr Word kBLOBMarkStored = 0xF0F0;
inline constexpr Integer kBLOBBlockHeadSize = 12;

// The head of an in-memory BLOB block; the table stream copies these 12 bytes unchanged.
struct TSQLMemBLOBBlockHead {
  Integer BlockCount = 0;
  Int64 UncompressedSize = 0;
};
TSQLMemBLOBBlockHead ReadBLOBBlockHead(const Byte* block);
void WriteBLOBBlockHead(Byte* block, const TSQLMemBLOBBlockHead& head);

// How the field stores its values: its block size, compression algorithm and mode (a new value's
// descriptor; a stored value's adds its block count and size from the block head).
CompressedBLOBDescriptor FieldBLOBDescriptor(const TSQLMemFieldDef& field);

// The slot of a BLOB field in a record buffer, read and written in one place. The handle setter writes
// bytes 0..5 (handle and the two meaningless bytes) and leaves the mark alone.
TSQLMemBLOBHandle GetBLOBSlotHandle(const Byte* recordBuffer, const TSQLMemFieldDef& field);
void SetBLOBSlotHandle(Byte* recordBuffer, const TSQLMemFieldDef& field, TSQLMemBLOBHandle handle);
Word GetBLOBSlotMark(const Byte* recordBuffer, const TSQLMemFieldDef& field);
void SetBLOBSlotMark(Byte* recordBuffer, const TSQLMemFieldDef& field, Word mark);

// The in-memory BLOB blocks of one table, addressed by handle. Handle n names entry n - 1; the entry of
// a freed block is reused by the next new block. Whatever blocks remain are freed with the table (so a
// block that lost its last reference through a failure is still given back). Safe to use from several
// threads; a block itself is guarded by the table's record locks.
class TSQLMemBLOBBlockTable {
 public:
  TSQLMemBLOBBlockTable() = default;
  TSQLMemBLOBBlockTable(const TSQLMemBLOBBlockTable&) = delete;
  TSQLMemBLOBBlockTable& operator=(const TSQLMemBLOBBlockTable&) = delete;
  ~TSQLMemBLOBBlockTable();

  // A new block for dataLength stored bytes (kBLOBBlockHeadSize + dataLength bytes, contents undefined)
  // and its handle. The memory manager's errors pass through and leave nothing allocated.
  TSQLMemBLOBHandle NewBlock(Int64 dataLength, Byte*& block);
  // The block of handle; a handle that names no live block raises code, "Nil pointer occured".
  Byte* Block(TSQLMemBLOBHandle handle, Integer code) const;
  // The stored bytes of the block after its head.
  Int64 DataLength(TSQLMemBLOBHandle handle, Integer code) const;
  // Frees the block, zero-filled first under EngineWipeMemory; an unknown handle raises code.
  void FreeBlock(TSQLMemBLOBHandle handle, Integer code);
  // Frees every block.
  void Clear() noexcept;
  Integer Count() const;  // live blocks

 private:
  Byte* Find(TSQLMemBLOBHandle handle, Integer code) const;  // under lock_

  mutable std::mutex lock_;
  std::vector<Byte*> blocks_;               // entry handle - 1; nullptr when free
  std::vector<TSQLMemBLOBHandle> freeHandles_;
  Integer count_ = 0;
};

// The BLOB operations of one table over record buffers laid out by its field definitions. The table
// owns one, keeps it on its current field definitions (SetFieldDefs after they are replaced) and calls
// it from its cursors' BLOB, post, cancel and delete steps; field numbers are the table's.
class TSQLMemRecordBLOBs {
 public:
  // fieldDefs is borrowed and must have its layout computed; nullptr means a table without fields.
  explicit TSQLMemRecordBLOBs(const TSQLMemFieldDefs* fieldDefs = nullptr);
  void SetFieldDefs(const TSQLMemFieldDefs* fieldDefs);
  bool HasBLOBFields() const noexcept { return hasBLOBFields_; }
  TSQLMemBLOBBlockTable& Blocks() noexcept { return blocks_; }

  // A stream over field fieldNo of recordBuffer (which may be nil), opened in mode 0 (write: starts
  // empty; the field keeps its value until the stream is stored), 1 (read) or 2 (read and write). The
  // stream works over a compressed stream with the field's algorithm, level and block size, over a new
  // temporary stream holding a copy of the stored bytes. Raises 10420 "Stream block size = 0 is not
  // allowed" for a field with block size 0 and 10112 "Nil pointer occured" for a value without a block;
  // a damaged value raises the compressed stream's errors.
  std::unique_ptr<TSQLMemLocalBLOBStream> OpenBLOB(const Byte* recordBuffer, Byte mode, Integer fieldNo,
                                                   TSQLMemCursor* recordContext = nullptr) const;
  // Puts the value of a closed stream into field fieldNo of recordBuffer. A stream opened in mode 2
  // changes nothing unless Modified is set; one opened in mode 0 always replaces the value (opening for
  // writing empties the value, so closing one without writing clears the field); mode 1 never stores.
  // An empty value makes the field NULL; any other goes into a new block marked as the edit's. The
  // earlier value's block is freed when it was the edit's own. A short read of the stored bytes raises
  // 10117; a failure leaves the buffer and its blocks as they were.
  void StoreBLOB(Byte* recordBuffer, Integer fieldNo, TSQLMemLocalBLOBStream& stream);
  // The bytes of field fieldNo of recordBuffer where its block holds them uncompressed (algorithm 0),
  // borrowed from the block until the record's BLOBs change, so that reading a whole value needs no
  // stream over a copy. False for a NULL or compressed value and for a block shorter than its value,
  // which OpenBLOB reads (or refuses) as it does.
  bool StoredBytes(const Byte* recordBuffer, Integer fieldNo, const Byte*& data, Int64& size) const;
  // Frees the block of field fieldNo and makes it NULL; nothing for a NULL field or a table without BLOB
  // fields. A value without a block raises 10118 "Nil pointer occured".
  void FreeBLOB(Byte* recordBuffer, Integer fieldNo);
  // FreeBLOB for every BLOB field (a stored record that is deleted, or a table that is emptied).
  void FreeRecordBLOBs(Byte* recordBuffer);
  // FreeBLOB for every BLOB field whose block belongs to the edit (an edit that is cancelled).
  void DiscardNewBLOBs(Byte* recordBuffer);
  // The record manager's step before it stores an edited record over storedRecord: a stored block
  // that newRecord replaced by a block of its edit, or cleared, is freed (FreeBLOB on storedRecord). A
  // block that newRecord still shares with storedRecord stays.
  void FreeReplacedBLOBs(Byte* storedRecord, const Byte* newRecord);
  // Marks the block of every non-NULL BLOB field as the edit's (true) or the stored record's (false);
  // marking for the stored record also takes the edit's mark off NULL fields.
  void MarkBLOBs(bool ownedByEdit, Byte* recordBuffer) const;
  // Before an edited record is stored over storedRecord: every BLOB field that the edit did not write
  // or clear takes the stored record's slot and NULL state. The edit's buffer may hold a handle read
  // long ago, since freed and handed to another record; only the stored record says what this one
  // owns now.
  void KeepStoredBLOBs(const Byte* storedRecord, Byte* newRecord) const;
  // Before a new record is stored: a BLOB field whose block the edit did not make refers to another
  // record's value and becomes NULL.
  void DropForeignBLOBs(Byte* newRecord) const;
  bool IsEditBLOB(const Byte* recordBuffer, Integer fieldNo) const;

  // For the table stream: the block of a field (nullptr for a NULL field; a value without a block
  // raises code), and a new block attached to field fieldNo for dataLength stored bytes: its handle goes into
  // the slot, marked as the stored record's, and the field stops being NULL. The caller fills the block.
  const Byte* GetBLOBBlock(const Byte* recordBuffer, Integer fieldNo, Int64& dataLength, Integer code) const;
  Byte* AttachNewBLOBBlock(Byte* recordBuffer, Integer fieldNo, Int64 dataLength);

 private:
  // The definition of BLOB field fieldNo; another field number raises ERangeError.
  const TSQLMemFieldDef& BLOBField(Integer fieldNo) const;
  // The block holding the stream's stored bytes, filled; its handle. Raises 10117 on a short read.
  TSQLMemBLOBHandle CopyToNewBlock(TSQLMemLocalBLOBStream& stream);

  const TSQLMemFieldDefs* fieldDefs_;
  bool hasBLOBFields_ = false;
  TSQLMemBLOBBlockTable blocks_;
};
