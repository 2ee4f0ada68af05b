// The stream through which the framework (data-aware controls, BLOB fields) reads and writes one BLOB
// field of an engine dataset's current record. It works on the BLOB stream that the dataset's cursor
// opens for the field; closing it hands the value back to the cursor, which stores a written value into
// the record buffer, and tells the dataset that the field changed.
//
// Two owners meet here: the framework owns this stream, the cursor owns the engine stream. The cursor
// may release its stream first (a post, a cancel or the dataset's close ends every BLOB access of the
// record); the value is then stored and this stream is detached: reading, writing or seeking raise
// 11233 "Nil pointer occured", closing does nothing more.
#pragma once
#include "engine/foundation/SQLMemStreams.h"
#include "vcl/db/DataSet.h"
#include "vcl/rtl/SysTypes.h"

class TField;
class TSQLMemDataSet;
class TSQLMemLocalBLOBStream;

class TSQLMemBlobStream : public TSQLMemStream {
 public:
  // Opens the field's BLOB at the dataset's active record. Raises 10106 "Dataset is in read only
  // mode" for a write mode on a read-only dataset, 11633 for a field of a dataset that is not an
  // engine dataset, 11234 for a field number the cursor does not have, and what the dataset's BLOB
  // opening raises (10111 for writing outside edit or insert state). bmWrite empties the value, so
  // that what is written replaces it and writing nothing leaves the field empty. A record without a
  // buffer to read (an empty dataset) gives an empty stream.
  TSQLMemBlobStream(TField* field, TBlobStreamMode mode);
  // Close, with an error handed to the application's exception handler. Never raises.
  ~TSQLMemBlobStream() override;

  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // Also cuts a value to nothing: a size reached as asked counts as a change.
  void SetSize(Int64 newSize) override;
  Int64 GetSize() override;

  // Ends the BLOB access: the cursor stores a written value into the record, and when the value was
  // changed the field is marked modified and the dataset announces the field change (an error of that
  // announcement goes to the application's exception handler). Raises what storing the value raises.
  // A second call does nothing.
  void Close();
  bool Attached() const noexcept { return engine_ != nullptr; }
  TField* Field() const noexcept { return field_; }
  TBlobStreamMode Mode() const noexcept { return mode_; }

 private:
  class TEngineLink;
  friend class TEngineLink;

  TStream& Engine(Integer code) const;
  // Called by the link when the cursor releases the engine stream on its own.
  void EngineReleased() noexcept;
  void Finish(bool modified);

  TField* field_;
  TSQLMemDataSet* dataSet_;
  TBlobStreamMode mode_;
  TStream* engine_ = nullptr;                // owned by the cursor
  TSQLMemLocalBLOBStream* local_ = nullptr;  // engine_ as the local cursor's stream, when it is one
  TEngineLink* link_ = nullptr;              // owned by the cursor's entry while attached
  bool modified_ = false;
  bool closed_ = false;
};
