#include "engine/storage/SQLMemLocalBLOBStream.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"

TSQLMemLocalBLOBStream::TSQLMemLocalBLOBStream(std::unique_ptr<TSQLMemCompressedBLOBStream> blobStream,
                                               std::unique_ptr<TStream> baseStream, Integer fieldNo, Byte mode,
                                               TSQLMemCursor* recordContext)
    : blobStream_(std::move(blobStream)),
      baseStream_(std::move(baseStream)),
      fieldNo_(fieldNo),
      mode_(mode),
      recordContext_(recordContext) {}

TSQLMemLocalBLOBStream::~TSQLMemLocalBLOBStream() {
  // The compressed stream refers to the base stream, so it goes first.
  blobStream_.reset();
  if (KeepBaseStream) (void)baseStream_.release();
}

void TSQLMemLocalBLOBStream::CheckWritable(Integer code) const {
  if (mode_ == bomRead) SQLMemError(code, SQLMemCannotWriteReadOnlyStream);
}

Integer TSQLMemLocalBLOBStream::Read(void* buffer, Integer count) { return blobStream_->Read(buffer, count); }

Integer TSQLMemLocalBLOBStream::Write(const void* buffer, Integer count) {
  CheckWritable(10115);
  const Integer written = blobStream_->Write(buffer, count);
  if (written > 0) Modified = true;
  return written;
}

Int64 TSQLMemLocalBLOBStream::Seek(Int64 offset, TSeekOrigin origin) { return blobStream_->Seek(offset, origin); }

void TSQLMemLocalBLOBStream::SetSize(Int64 newSize) {
  CheckWritable(10116);
  blobStream_->SetSize(newSize);
  if (blobStream_->GetSize() == newSize) Modified = true;
}

Int64 TSQLMemLocalBLOBStream::GetSize() { return blobStream_->GetSize(); }
