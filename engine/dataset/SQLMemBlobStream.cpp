#include "engine/dataset/SQLMemBlobStream.h"

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/ExceptionHandler.h"

// What the cursor's BLOB entry holds as its "outer stream". The cursor frees it when it releases the
// entry by itself; the link then tells the dataset stream, which lives on in the framework's hands.
class TSQLMemBlobStream::TEngineLink : public TStream {
 public:
  explicit TEngineLink(TSQLMemBlobStream& owner) : owner_(&owner) {}
  ~TEngineLink() override {
    if (owner_ != nullptr) owner_->EngineReleased();
  }
  void Forget() noexcept { owner_ = nullptr; }

  using TStream::Seek;
  Integer Read(void* /*buffer*/, Integer /*count*/) override { return 0; }
  Integer Write(const void* /*buffer*/, Integer /*count*/) override { return 0; }
  Int64 Seek(Int64 /*offset*/, TSeekOrigin /*origin*/) override { return 0; }

 private:
  TSQLMemBlobStream* owner_;
};

TSQLMemBlobStream::TSQLMemBlobStream(TField* field, TBlobStreamMode mode) : field_(field), mode_(mode) {
  dataSet_ = field != nullptr ? dynamic_cast<TSQLMemDataSet*>(field->DataSet()) : nullptr;
  if (dataSet_ == nullptr) SQLMemError(11633, SQLMemDatasetNotCompatible);
  if (mode != bmRead && dataSet_->ReadOnly()) SQLMemError(10106, SQLMemDatasetReadOnly);
  if (dataSet_->Cursor() != nullptr) {
    const Integer count = dataSet_->Cursor()->ProjectedFieldDefs().GetCount();
    if (field->FieldNo() <= 0 || field->FieldNo() > count)
      SQLMemError(11234, SQLMemInvalidFieldNumber, {field->FieldNo(), count});
  }
  engine_ = dataSet_->OpenCursorBlob(field, mode);
  if (engine_ == nullptr) return;  // no record to read: an empty stream
  try {
    local_ = dynamic_cast<TSQLMemLocalBLOBStream*>(engine_);
    if (local_ != nullptr) {
      link_ = new TEngineLink(*this);
      local_->OuterStream = link_;
      local_->Modified = false;
    }
    // Writing replaces the value; cutting it here also makes an empty write count as a change.
    if (mode == bmWrite) SetSize(Int64{0});
  } catch (...) {
    if (local_ != nullptr) local_->OuterStream = nullptr;
    if (link_ != nullptr) {
      link_->Forget();
      delete link_;
    }
    try {
      dataSet_->CloseBlob(field);
    } catch (...) {  // the first failure is the one to report
    }
    throw;
  }
}

TSQLMemBlobStream::~TSQLMemBlobStream() {
  try {
    Close();
  } catch (...) {
    HandleApplicationException(dataSet_);
  }
}

TStream& TSQLMemBlobStream::Engine(Integer code) const {
  if (engine_ == nullptr) SQLMemError(code, SQLMemNilPointer);
  return *engine_;
}

Integer TSQLMemBlobStream::Read(void* buffer, Integer count) {
  // A stream opened on no record reads as empty; one whose value the cursor took back does not read.
  if (engine_ == nullptr && !closed_) return 0;
  return Engine(11233).Read(buffer, count);
}

Integer TSQLMemBlobStream::Write(const void* buffer, Integer count) {
  const Integer written = Engine(11233).Write(buffer, count);
  if (written > 0) {
    modified_ = true;
    if (local_ != nullptr) local_->Modified = true;
  }
  return written;
}

Int64 TSQLMemBlobStream::Seek(Int64 offset, TSeekOrigin origin) {
  if (engine_ == nullptr && !closed_) return 0;
  return Engine(11233).Seek(offset, origin);
}

void TSQLMemBlobStream::SetSize(Int64 newSize) {
  TStream& engine = Engine(11233);
  engine.SetSize(newSize);
  if (engine.GetSize() == newSize) {
    modified_ = true;
    if (local_ != nullptr) local_->Modified = true;
  }
}

Int64 TSQLMemBlobStream::GetSize() {
  if (engine_ == nullptr && !closed_) return 0;
  return Engine(11233).GetSize();
}

void TSQLMemBlobStream::Close() {
  if (closed_) return;
  closed_ = true;
  if (engine_ == nullptr) return;
  const bool modified = modified_ || (local_ != nullptr && local_->Modified);
  // The cursor must not free the link once the entry is ours to close.
  if (local_ != nullptr) local_->OuterStream = nullptr;
  if (link_ != nullptr) {
    link_->Forget();
    delete link_;
    link_ = nullptr;
  }
  engine_ = nullptr;
  local_ = nullptr;
  dataSet_->CloseBlob(field_);
  Finish(modified);
}

void TSQLMemBlobStream::EngineReleased() noexcept {
  // The cursor is freeing the link now.
  link_ = nullptr;
  if (closed_ || engine_ == nullptr) return;
  closed_ = true;
  const bool modified = modified_ || (local_ != nullptr && local_->Modified);
  if (local_ != nullptr) local_->OuterStream = nullptr;
  engine_ = nullptr;
  local_ = nullptr;
  // A dataset that is letting its cursor go closes every BLOB with it: there is no record left to
  // store into and no field to report.
  if (dataSet_->Cursor() == nullptr) return;
  try {
    // A post or a cancel ends the record's BLOB access: the value is stored before the record is.
    dataSet_->CloseBlob(field_);
    Finish(modified);
  } catch (...) {
    HandleApplicationException(dataSet_);
  }
}

void TSQLMemBlobStream::Finish(bool modified) {
  if (!modified) return;
  if (auto* blob = dynamic_cast<TBlobField*>(field_)) blob->SetModified(true);
  try {
    dataSet_->DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field_));
  } catch (...) {
    if (!HandleApplicationException(dataSet_)) throw;
  }
}
