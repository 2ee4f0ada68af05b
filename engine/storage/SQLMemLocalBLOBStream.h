// The stream a cursor hands out for one BLOB field of its current record: a thin wrapper over the
// compressed stream that holds the value, adding the read-only rule of open mode 1 and remembering which
// field of which record it belongs to, so that closing it can put the written value back into the record.
#pragma once
#include <memory>
#include "engine/foundation/SQLMemCompressedBLOBStream.h"
#include "engine/foundation/SQLMemStreams.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemCursor;

// Open modes of a BLOB field.
enum TSQLMemBLOBOpenMode : Byte {
  bomWrite = 0,      // a new, empty value that replaces the field's value when it is stored
  bomRead = 1,       // read only
  bomReadWrite = 2,  // the field's value, to change
};

class TSQLMemLocalBLOBStream : public TSQLMemStream {
 public:
  // Takes both streams: blobStream works over baseStream (the value's stored bytes).
  TSQLMemLocalBLOBStream(std::unique_ptr<TSQLMemCompressedBLOBStream> blobStream, std::unique_ptr<TStream> baseStream,
                         Integer fieldNo, Byte mode, TSQLMemCursor* recordContext);
  // Frees the compressed stream, and the base stream unless KeepBaseStream is set.
  ~TSQLMemLocalBLOBStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  // Mode 1 raises 10115 "Cannot write to read only stream", whatever count is. A write that moves at
  // least one byte sets Modified.
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // Mode 1 raises 10116 "Cannot write to read only stream", also for the current size. A size change
  // that ends at the requested size sets Modified, so cutting a value to nothing counts as a change.
  void SetSize(Int64 newSize) override;
  Int64 GetSize() override;

  TSQLMemCompressedBLOBStream& BLOBStream() const noexcept { return *blobStream_; }
  // The stream under BLOBStream that holds the value's stored bytes.
  TStream& BaseStream() const noexcept { return *baseStream_; }
  Integer FieldNo() const noexcept { return fieldNo_; }
  Byte Mode() const noexcept { return mode_; }
  TSQLMemCursor* RecordContext() const noexcept { return recordContext_; }

  // Set when the value was changed through this stream (or by the dataset's stream that wraps it); the
  // table stores a value opened in mode 2 only when it is set.
  bool Modified = false;
  // When set at destruction, the base stream is left alive for its other owner.
  bool KeepBaseStream = false;
  // The dataset's stream that wraps this one (borrowed); while it is set, that stream owns this one.
  TStream* OuterStream = nullptr;

 private:
  void CheckWritable(Integer code) const;

  std::unique_ptr<TSQLMemCompressedBLOBStream> blobStream_;
  std::unique_ptr<TStream> baseStream_;
  Integer fieldNo_;
  Byte mode_;
  TSQLMemCursor* recordContext_;  // borrowed
};
