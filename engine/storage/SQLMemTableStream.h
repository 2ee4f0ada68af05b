// The table stream: the complete persistent form of one in-memory table (its name, sequences, field,
// constraint and index definitions, index pages, and every live record with its BLOB values). The
// diary's data file is exactly one table stream; the database stream is an int32 count followed by
// table streams back to back.
//
// Layout: a 43-byte header, the table name, the int64 value of the database's object-id sequence, then
// the body, stored as it is (algorithm 0) or as one block compressed by one of the engine's algorithms.
// Integers are little-endian, nothing is padded. Version 4.2 is the only version we write; streams from
// 1.020001 up to 4.2001 are read (their body form is the same).
//
// The unit does not know the table classes: the writer reads a table through TSQLMemTableStreamSource
// and the reader rebuilds one through TSQLMemTableStreamSink, which the memory table implements. Every
// size, count and position taken from a stream is checked before it is used; damage raises the
// ESQLMemException of the field that was being read.
#pragma once
#include <functional>
#include <vector>

#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/SysTypes.h"

class TStream;
class TSQLMemPageManager;
class TSQLMemMemoryPageManager;

inline constexpr char kTableStreamSignature[] = "ACS1";
inline constexpr Integer kTableStreamHeaderSize = 43;
inline constexpr double kTableStreamVersion = 4.2;
inline constexpr double kTableStreamMinVersion = 1.020001;
inline constexpr double kTableStreamMaxVersion = 4.2001;
// Size of the head the stream puts before each BLOB value's bytes: the in-memory block's 12-byte head
// (int32 block count, int64 uncompressed size), then the int64 length of the bytes.
inline constexpr Integer kStreamBLOBHeadSize = 20;
inline constexpr Integer kMemoryBLOBHeadSize = 12;

// The header, name and object-id value of a table stream, as the writer sets them and the reader finds
// them. BodyPosition is the reader's: the stream position right after the object-id value.
struct TSQLMemTableStreamHeader {
  double Version = kTableStreamVersion;
  Int64 RecordCount = 0;
  Int64 UncompressedSize = 0;  // 0 when the body is not compressed
  Int64 Reserved = 0;
  Integer CompressedSize = 0;  // the compressed body's size, or the saver's HeaderSizeValue when stored
  Byte Algorithm = 0;          // 0 none, 1 zlib, 2 bzip2, 3 PPM
  Byte Level = 1;
  AnsiString TableName;         // 1..255 bytes
  Int64 ObjectIdSequenceValue = 0;
  Int64 BodyPosition = 0;
};

// Writes the 43 header bytes (code 10156), the name (10157) and the object-id value (10416). An empty
// name or one over 255 bytes raises ERangeError before anything is written.
void WriteTableStreamHeader(TStream& stream, const TSQLMemTableStreamHeader& header);

// Reads and checks the header, the name and the object-id value at the stream's position and leaves
// the stream at the body. Raises 10160 for a short header or a damaged header field, 10161 for another
// signature, 10162 / 10443 / 10454 / 10455 for a version out of range, 10163 for the name, 10417 for the
// object-id value, 10456 when a compressed body is larger than what the stream still holds.
void ReadTableStreamHeader(TStream& stream, TSQLMemTableStreamHeader& header);

// ReadTableStreamHeader, then the stream goes back to where it was, also when the header is refused.
// A loader runs it before it replaces or deletes anything, so that a foreign or damaged stream leaves
// the existing table alone.
TSQLMemTableStreamHeader CheckTableStreamHeader(TStream& stream);

// The table name of the stream at the current position, which is restored in every case; the empty
// string when the header or the name cannot be read. Checks neither signature nor version.
AnsiString PeekTableStreamName(TStream& stream);

// The memory record manager's slot map: which of Capacity slots hold records. Bit k of FreeBits byte j
// describes slot 8j + k, least significant first; 1 = free. Dense is non-zero while no record has ever
// been deleted (the i-th record is then in slot i).
struct TSQLMemSlotMap {
  Integer Capacity = 0;
  Byte Dense = 255;
  Integer MinSlot = 0;
  Integer MaxSlot = 0;
  std::vector<Byte> FreeBits;  // ceil(Capacity / 8) bytes

  bool IsFree(Integer slot) const { return (FreeBits[static_cast<std::size_t>(slot / 8)] >> (slot % 8) & 1) != 0; }
};

// The slot map's stream form in the record section: int32 Capacity, uint8 Dense, int32 MinSlot, int32
// MaxSlot, then the FreeBits bytes. It is written only when it holds for count records (10448
// otherwise; the pad bits past the capacity are written as 1) and read only when it does (each field
// with its read code 10449..10453; the bitmap must be in the stream before anything is sized by it).
// The reader takes the slots above MaxSlot as free whatever their bits say: no record is placed there.
void WriteSlotMap(TStream& stream, TSQLMemSlotMap map, Int64 count);
void ReadSlotMap(TStream& stream, Int64 count, TSQLMemSlotMap& map);

// What the writer reads of a table. It is called under the table's exclusive lock, so the record count
// and the records do not change while it runs.
class TSQLMemTableStreamSource {
 public:
  virtual ~TSQLMemTableStreamSource() = default;
  virtual AnsiString TableName() = 0;
  virtual Int64 ObjectIdSequenceValue() = 0;  // the database's object-id sequence, current value
  virtual Int64 RecordCount() = 0;             // live records
  virtual const TSQLMemFieldDefs& FieldDefs() = 0;
  virtual const TSQLMemConstraintDefs& ConstraintDefs() = 0;
  virtual const TSQLMemIndexDefs& IndexDefs() = 0;
  // The sequence with that object id; nullptr when there is none.
  virtual const TSQLMemSequenceDef* FindSequence(Integer objectId) = 0;
  // The store of the index pages; every page change must have been applied. Only the pages of the
  // indexes the stream saves are written as in use.
  virtual TSQLMemMemoryPageManager& PageManager() = 0;
  virtual void GetSlotMap(TSQLMemSlotMap& map) = 0;
  // Copies the first live record (first set) or the one after the last record fetched into buffer and
  // returns its slot; -1 when there is none. Records come in ascending slot order.
  virtual Integer FetchRecord(bool first, Byte* buffer) = 0;
  // The in-memory block (12-byte head, then dataLength bytes) of BLOB field fieldNo in a record buffer
  // fetched above; the field is not NULL. A field without a block raises 10196 "Nil pointer occured".
  virtual const Byte* GetBLOBBlock(const Byte* recordBuffer, Integer fieldNo, Int64& dataLength) = 0;
};

// The definitions read from a table stream. The sink may move them into its own managers.
struct TSQLMemTableStreamDefs {
  TSQLMemSequenceDefs Sequences;
  TSQLMemFieldDefs Fields;  // layout computed
  TSQLMemConstraintDefs Constraints;
  TSQLMemIndexDefs Indexes;
};

// What the reader builds a table through, in this order: PageManager (its pages are loaded), then
// DefinitionsLoaded, then, when the stream holds records, LoadSlotMap once and per record its BLOB
// blocks (AttachNewBLOBBlock) and the record (LoadRecord).
class TSQLMemTableStreamSink {
 public:
  virtual ~TSQLMemTableStreamSink() = default;
  // The store that receives the index pages (its LoadFromStream replaces its content). The B-trees
  // on them are checked before the definitions are handed over: every index's pages form one tree
  // (levels chained both ways, no page reached twice, at most 32 levels, items within their page,
  // the index's key length), and its leaves refer to exactly the records of the stream, once each.
  virtual TSQLMemMemoryPageManager& PageManager() = 0;
  // Definitions and pages are read: the table takes the definitions, sets up its managers and an empty
  // record manager for records of defs.Fields.RecordSize() bytes.
  virtual void DefinitionsLoaded(TSQLMemTableStreamDefs& defs) = 0;
  // A checked slot map: count clear bits among the Capacity slots, MinSlot and MaxSlot the lowest and
  // highest of them, and with Dense those are slots 0..count - 1.
  virtual void LoadSlotMap(const TSQLMemSlotMap& map) = 0;
  // A new in-memory block for dataLength stored bytes, referred to by BLOB field fieldNo of
  // recordBuffer: the reference goes into the slot's first four bytes, the slot is marked as the stored
  // record's and the field is not NULL. The reader fills the block's head and bytes. A block belongs to
  // the table from here on, also when the load fails before its record is placed.
  virtual Byte* AttachNewBLOBBlock(Byte* recordBuffer, Integer fieldNo, Int64 dataLength) = 0;
  // Whether the value just read into the block of BLOB field fieldNo opens as the field opens its
  // values (its head's sizes agree with its bytes); one that does not makes the stream damaged (10203).
  virtual bool BLOBValueHolds(const Byte* /*recordBuffer*/, Integer /*fieldNo*/) { return true; }
  // Stores the record in the slot (the slots come in ascending order, each a clear bit of the map).
  virtual void LoadRecord(const Byte* recordBuffer, Integer slot) = 0;
};

// Writes the table at the stream's position: header, name, object-id value and body, compressed as one
// block with algorithm 1..3 at level (0 counts as 1), or stored as it is with algorithm 0, when the
// header's compressed-size field holds headerSizeValue. Whatever happens, the header is rewritten at
// the start with the final sizes and the stream is left at the end of what was written; the first
// error is the one raised. A failed compression raises 10190 and writes no body.
void SaveTableStream(TStream& stream, TSQLMemTableStreamSource& table, Byte algorithm, Byte level,
                     Integer headerSizeValue);

// Reads the body of a table stream whose header was read by ReadTableStreamHeader (the stream is at
// header.BodyPosition) into the sink. A compressed body is read as one block and decompressed (10456
// for a short read, 10191 when decompression fails or yields another size than the header says); a
// stored one is read from the stream itself, which must be read at the offset it was written at (its
// BLOB positions are absolute). Afterwards the stream is at the end of the table stream.
void LoadTableStreamBody(TStream& stream, const TSQLMemTableStreamHeader& header, TSQLMemTableStreamSink& table);

// The database stream: an int32 table count (written with code 11759, read with 11760), then that many
// table streams. The callbacks save table i of the database's name list, and load the table stream at
// the stream's position.
void SaveDatabaseStream(TStream& stream, Integer tableCount, const std::function<void(Integer)>& saveTable);
void LoadDatabaseStream(TStream& stream, const std::function<void()>& loadTable);
