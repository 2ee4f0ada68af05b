#include "engine/foundation/SQLMemVariant.h"

#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr Cardinal kHashSeed = 0xDE3C6A08;
constexpr Cardinal kNullHash = 0x73B58EAF;

// Types whose storage form has a fixed size (ValueBufferSize(type, 0)).
bool IsFixedSizeType(Integer t) { return (t >= edtShortInt && t <= edtTimeStamp) || t == edtBoolean || t == edtCurrency; }

bool IsAnsiTextType(Integer t) { return IsTextDataType(t) && !IsWideDataType(t); }

// Bytes of a value given to SetValue in sourceType's storage form.
Integer SourceSize(const void* buffer, Integer sourceType, Integer length) {
  switch (sourceType) {
    case edtChar:
    case edtVarchar: return ValueBufferSize(sourceType, CheckedCast<Integer>(std::strlen(static_cast<const char*>(buffer))));
    case edtWideChar:
    case edtWideVarchar: {
      const auto* p = static_cast<const Byte*>(buffer);
      Integer units = 0;
      while (p[2 * units] != 0 || p[2 * units + 1] != 0) ++units;
      return ValueBufferSize(sourceType, units);
    }
    case edtBLOB:
    case edtMemo:
    case edtWideMemo:
    case edtBytes:
    case edtVarBytes: return length;
    default: return ValueBufferSize(sourceType, 0);
  }
}

TSQLMemBlock CopyToBlock(Integer dataType, const void* source, Integer length) {
  void* buffer = nullptr;
  Integer size = 0;
  CopyValueToBuffer(dataType, source, buffer, size, length);
  return TSQLMemBlock(buffer, size);
}

// The checked transfers of the stream form: a short read or write raises the caller's native code.
void ReadChecked(TStream& stream, void* buffer, Integer count, Integer code) {
  const Int64 position = stream.Position();
  Integer done = 0;
  while (done < count) {
    const Integer n = stream.Read(static_cast<Byte*>(buffer) + done, count - done);
    if (n <= 0) break;
    done += n;
  }
  if (done != count) SQLMemError(code, SQLMemCannotReadBlockFromStream, {position, stream.Size(), count, done});
}

void WriteChecked(TStream& stream, const void* buffer, Integer count, Integer code) {
  const Int64 position = stream.Position();
  const Integer done = count > 0 ? stream.Write(buffer, count) : 0;
  if (done != count) SQLMemError(code, SQLMemCannotWriteBlockToStream, {position, stream.Size(), count, done});
}

TSQLMemValueRef RefOf(const TSQLMemVariant& v) {
  return TSQLMemValueRef{v.Data(), v.DataSize(), v.DataType(), v.IsNull()};
}

}  // namespace

// A value's bytes in a wanted type's storage form: its own block, or a converted copy that the view owns.
class TSQLMemVariant::TView {
 public:
  TView(const void* data, Integer size) : data_(data), size_(size) {}
  explicit TView(TSQLMemBlock block) : data_(block.Data()), size_(block.Size()), owned_(std::move(block)) {}
  // A value converted on the stack: its bytes live in the view.
  TView() = default;
  Byte* Local() { return local_; }
  void UseLocal(Integer size) {
    data_ = nullptr;
    size_ = size;
  }
  const void* Data() const { return data_ != nullptr || size_ == 0 ? data_ : local_; }
  Integer Size() const { return size_; }

 private:
  const void* data_ = nullptr;
  Integer size_ = 0;
  TSQLMemBlock owned_;
  Byte local_[16] = {};
};

TSQLMemVariant::TSQLMemVariant(Integer dataType) : dataType_(static_cast<Byte>(dataType)) {}

TSQLMemVariant::~TSQLMemVariant() {
  try {
    Clear(edtNone);
  } catch (...) {
    // A damaged block was released all the same; nothing escapes a destructor.
  }
}

// ---- state ----

void TSQLMemVariant::Clear(Integer newType) {
  void* block = notOwned_ ? nullptr : data_;
  const bool wipeWhole = IsBLOBDataType(dataType_);
  const Integer size = dataSize_;
  data_ = nullptr;
  dataType_ = static_cast<Byte>(newType);
  dataSize_ = 0;
  notOwned_ = false;
  nullMark_ = kNullMark;
  if (block == nullptr) return;
  TSQLMemMemoryManager& mm = MemoryManager();
  if (EngineWipeMemory) {
    const Int64 blockSize = mm.GetBlockSize(block);
    const Int64 n = wipeWhole ? blockSize : std::min<Int64>(size, blockSize);
    if (n > 0) std::memset(block, 0, static_cast<std::size_t>(n));
  }
  mm.FreeMem(block);
}

void TSQLMemVariant::CheckNotNull() const {
  if (IsNull()) SQLMemError(30016, SQLMemValueIsNull);
}

void TSQLMemVariant::TakeBlock(void* block, Integer size) noexcept {
  data_ = block;
  dataSize_ = block ? size : 0;
  notOwned_ = false;
  nullMark_ = block ? 0 : kNullMark;
}

void TSQLMemVariant::SetDataSize(Integer n) {
  if (n < 0) RaiseRangeError();
  if (n == 0) {
    SetNull();
    return;
  }
  TSQLMemMemoryManager& mm = MemoryManager();
  if (data_ != nullptr && !notOwned_) {
    mm.ReallocMem(data_, false, n);
  } else {
    // A borrowed block is left to its owner: the kept bytes move into a block of our own.
    void* block = mm.GetMem(n);
    if (data_ != nullptr) std::memcpy(block, data_, static_cast<std::size_t>(std::min(n, dataSize_)));
    data_ = block;
    notOwned_ = false;
  }
  dataSize_ = n;
  nullMark_ = 0;
}

void TSQLMemVariant::AttachData(void* block, Integer length) {
  if (block == nullptr || length <= 0) {
    Clear(dataType_);
    return;
  }
  if (block != data_) Clear(dataType_);
  TakeBlock(block, length);
}

void TSQLMemVariant::SetData(void* buffer, Integer length, Integer dataType, bool copy, bool takeOwnership) {
  if (buffer == nullptr || length <= 0) {
    Clear(dataType);
    return;
  }
  if (copy) {
    if (data_ != nullptr && !notOwned_ && dataSize_ == length) {
      std::memmove(data_, buffer, static_cast<std::size_t>(length));
    } else {
      // Copied before the old block goes, in case buffer lies inside it.
      TSQLMemBlock block = TSQLMemBlock::Allocate(length, false);
      std::memcpy(block.Data(), buffer, static_cast<std::size_t>(length));
      Clear(dataType);
      TakeBlock(block.Release(), length);
    }
    notOwned_ = false;
  } else if (buffer == data_) {
    notOwned_ = notOwned_ && !takeOwnership;
  } else {
    Clear(dataType);
    data_ = buffer;
    notOwned_ = !takeOwnership;
  }
  dataType_ = static_cast<Byte>(dataType);
  dataSize_ = length;
  nullMark_ = 0;
}

bool TSQLMemVariant::CopyDataTo(void* buffer, Integer maxLength) const {
  if (IsNull()) return false;
  Integer n = dataSize_;
  if (maxLength != -1 && maxLength < n) n = std::max(maxLength, 0);
  if (n > 0) std::memcpy(buffer, data_, static_cast<std::size_t>(n));
  return true;
}

void TSQLMemVariant::Assign(const TSQLMemVariant& source, bool copyData) {
  if (&source == this) return;
  // The copy is made before this value lets go of its block, which the source may be borrowing.
  TSQLMemBlock copy;
  if (!source.IsNull() && copyData) {
    Integer n = source.dataSize_;
    if (IsBLOBDataType(source.dataType_) && source.OwnsData()) {
      n = CheckedCast<Integer>(MemoryManager().GetBlockSize(source.data_));
    }
    if (n > 0) {
      copy = TSQLMemBlock::Allocate(n, false);
      std::memcpy(copy.Data(), source.data_, static_cast<std::size_t>(n));
    }
  }
  Clear(source.dataType_);
  if (source.IsNull()) {
    dataSize_ = source.dataSize_;
    return;  // null mark and no block
  }
  if (copyData) {
    data_ = copy.Release();
  } else {
    data_ = source.data_;
    notOwned_ = true;
  }
  dataSize_ = source.dataSize_;
  nullMark_ = data_ ? 0 : kNullMark;
}

void TSQLMemVariant::SetDataType(Integer t) {
  if (IsNull()) {
    Clear(t);
    return;
  }
  try {
    ConvertTo(t);
  } catch (...) {
    Clear(t);
  }
}

void TSQLMemVariant::ConvertTo(Integer t) {
  if (dataType_ == t) return;
  if (IsNull()) {
    Clear(t);
    return;
  }
  const bool sameAnsi = (dataType_ == edtChar || dataType_ == edtVarchar) && (t == edtChar || t == edtVarchar);
  const bool sameWide =
      (dataType_ == edtWideChar || dataType_ == edtWideVarchar) && (t == edtWideChar || t == edtWideVarchar);
  if (sameAnsi || sameWide) {
    dataType_ = static_cast<Byte>(t);
    return;
  }
  TSQLMemBlock converted = ConvertValueBuffer(data_, dataSize_, dataType_, t);
  Clear(t);
  const Integer size = converted.Size();
  TakeBlock(converted.Release(), size);
}

// ---- stream form ----

void TSQLMemVariant::LoadFromStream(TStream& stream) {
  Clear(edtNone);
  Byte type = 0;
  ReadChecked(stream, &type, 1, 10183);
  dataType_ = type;
  Byte mark = 0;
  ReadChecked(stream, &mark, 1, 10184);
  if (mark != 0) return;  // null: nothing follows
  Byte sizeBytes[4];
  ReadChecked(stream, sizeBytes, 4, 10185);
  const Integer size = LoadValue<Integer>(sizeBytes);
  if (size == 0) return;
  const Int64 position = stream.Position();
  const Int64 streamSize = stream.Size();
  // A damaged size is refused before anything is allocated for it.
  if (size < 0 || size > streamSize - position) {
    SQLMemError(10186, SQLMemCannotReadBlockFromStream, {position, streamSize, size, 0});
  }
  TSQLMemBlock block = TSQLMemBlock::Allocate(size, false);
  ReadChecked(stream, block.Data(), size, 10186);
  TakeBlock(block.Release(), size);
}

void TSQLMemVariant::SaveToStream(TStream& stream) const {
  WriteChecked(stream, &dataType_, 1, 10179);
  const Byte mark = IsNull() ? kNullMark : 0;
  WriteChecked(stream, &mark, 1, 10180);
  if (mark != 0) return;
  Byte sizeBytes[4];
  StoreValue(sizeBytes, dataSize_);
  WriteChecked(stream, sizeBytes, 4, 10181);
  WriteChecked(stream, data_, dataSize_, 10182);
}

// ---- the setter and getter engines ----

void TSQLMemVariant::SetValue(const void* buffer, Integer sourceType, Integer length) {
  // The same fixed-size type in an owned block of the right size: overwritten in place.
  if (dataType_ == sourceType && data_ != nullptr && !notOwned_ && IsFixedSizeType(sourceType) &&
      dataSize_ == ValueBufferSize(sourceType, 0)) {
    std::memmove(data_, buffer, static_cast<std::size_t>(dataSize_));
    nullMark_ = 0;
    return;
  }
  // A BLOB-typed value takes the incoming type; a typed value converts the input into its own type.
  // The new block is made before the old one goes, so a failure leaves the value as it was.
  const Integer target = (dataType_ == edtNone || IsBLOBDataType(dataType_)) ? sourceType : dataType_;
  Byte converted[16];
  if (target != sourceType && IsFixedSizeType(target) &&
      ConvertValueOnStack(buffer, SourceSize(buffer, sourceType, length), sourceType, target, converted)) {
    SetValue(converted, target);  // now the same type: in place when the block fits
    return;
  }
  TSQLMemBlock block = target == sourceType
                           ? CopyToBlock(sourceType, buffer, length)
                           : ConvertValueBuffer(buffer, SourceSize(buffer, sourceType, length), sourceType, target);
  Clear(target);
  const Integer size = block.Size();
  TakeBlock(block.Release(), size);
}

TSQLMemVariant::TView TSQLMemVariant::ViewAs(Integer wantedType) const {
  CheckNotNull();
  const bool direct = dataType_ == wantedType || (IsTextDataType(dataType_) && IsTextDataType(wantedType) &&
                                                   IsWideDataType(dataType_) == IsWideDataType(wantedType));
  if (direct) return TView(data_, dataSize_);
  if (IsFixedSizeType(wantedType)) {
    TView view;
    if (ConvertValueOnStack(data_, dataSize_, dataType_, wantedType, view.Local())) {
      view.UseLocal(ValueBufferSize(wantedType, 0));
      return view;
    }
  }
  return TView(ConvertValueBuffer(data_, dataSize_, dataType_, wantedType));
}

void TSQLMemVariant::GetValue(void* out, Integer wantedType) const {
  if (!IsFixedSizeType(wantedType)) RaiseRangeError();
  const Integer n = ValueBufferSize(wantedType, 0);
  const TView view = ViewAs(wantedType);
  if (view.Data() == nullptr || view.Size() < n) RaiseRangeError();
  std::memcpy(out, view.Data(), static_cast<std::size_t>(n));
}

template <class T>
T TSQLMemVariant::GetFixed(Integer wantedType) const {
  const TView view = ViewAs(wantedType);
  if (view.Data() == nullptr || view.Size() < static_cast<Integer>(sizeof(T))) RaiseRangeError();
  return LoadValue<T>(view.Data());
}

template <class T>
void TSQLMemVariant::SetFixed(Integer sourceType, T v) {
  SetValue(&v, sourceType);
}

void TSQLMemVariant::SetAsShortInt(ShortInt v) { SetFixed(edtShortInt, v); }
ShortInt TSQLMemVariant::GetAsShortInt() const { return GetFixed<ShortInt>(edtShortInt); }
void TSQLMemVariant::SetAsSmallInt(SmallInt v) { SetFixed(edtSmallInt, v); }
SmallInt TSQLMemVariant::GetAsSmallInt() const { return GetFixed<SmallInt>(edtSmallInt); }
void TSQLMemVariant::SetAsInteger(Integer v) { SetFixed(edtInteger, v); }
Integer TSQLMemVariant::GetAsInteger() const { return GetFixed<Integer>(edtInteger); }
void TSQLMemVariant::SetAsLargeInt(Int64 v) { SetFixed(edtLargeInt, v); }
Int64 TSQLMemVariant::GetAsLargeInt() const { return GetFixed<Int64>(edtLargeInt); }
void TSQLMemVariant::SetAsByte(Byte v) { SetFixed(edtByte, v); }
Byte TSQLMemVariant::GetAsByte() const { return GetFixed<Byte>(edtByte); }
void TSQLMemVariant::SetAsWord(Word v) { SetFixed(edtWord, v); }
Word TSQLMemVariant::GetAsWord() const { return GetFixed<Word>(edtWord); }
void TSQLMemVariant::SetAsCardinal(Cardinal v) { SetFixed(edtCardinal, v); }
Cardinal TSQLMemVariant::GetAsCardinal() const { return GetFixed<Cardinal>(edtCardinal); }
void TSQLMemVariant::SetAsSingle(float v) { SetFixed(edtSingle, v); }
float TSQLMemVariant::GetAsSingle() const { return GetFixed<float>(edtSingle); }
void TSQLMemVariant::SetAsDouble(double v) { SetFixed(edtDouble, v); }
double TSQLMemVariant::GetAsDouble() const { return GetFixed<double>(edtDouble); }

void TSQLMemVariant::SetAsExtended(long double v) {
  Byte bytes[kExtendedBytes];
  StoreExtended(bytes, v);
  SetValue(bytes, edtExtended);
}

long double TSQLMemVariant::GetAsExtended() const {
  const TView view = ViewAs(edtExtended);
  if (view.Data() == nullptr || view.Size() < kExtendedBytes) RaiseRangeError();
  return LoadExtended(view.Data());
}

void TSQLMemVariant::SetAsDateValue(Integer dayNumber) { SetFixed(edtDate, dayNumber); }
Integer TSQLMemVariant::GetAsDateValue() const { return GetFixed<Integer>(edtDate); }
void TSQLMemVariant::SetAsDate(TDateTime v) { SetAsDateValue(DateTimeToDate(v)); }
TDateTime TSQLMemVariant::GetAsDate() const { return DateToDateTime(GetAsDateValue()); }
void TSQLMemVariant::SetAsTimeValue(Integer msecs) { SetFixed(edtTime, msecs); }
Integer TSQLMemVariant::GetAsTimeValue() const { return GetFixed<Integer>(edtTime); }
void TSQLMemVariant::SetAsTime(TDateTime v) { SetAsTimeValue(DateTimeToTime(v)); }
TDateTime TSQLMemVariant::GetAsTime() const { return TimeToDateTime(GetAsTimeValue()); }

void TSQLMemVariant::SetAsTimeStampValue(const TSQLMemTimeStamp& v) {
  Byte bytes[8];
  StoreValue(bytes, v.date);
  StoreValue(bytes + 4, v.time);
  SetValue(bytes, edtTimeStamp);
}

TSQLMemTimeStamp TSQLMemVariant::GetAsTimeStampValue() const {
  const TView view = ViewAs(edtTimeStamp);
  if (view.Data() == nullptr || view.Size() < 8) RaiseRangeError();
  TSQLMemTimeStamp ts;
  ts.date = LoadValue<Integer>(view.Data());
  ts.time = LoadValue<Integer>(static_cast<const Byte*>(view.Data()) + 4);
  return ts;
}

void TSQLMemVariant::SetAsDateTime(TDateTime v) {
  TSQLMemTimeStamp ts;
  DateTimeToTimeStamp(v, ts);
  SetAsTimeStampValue(ts);
}

TDateTime TSQLMemVariant::GetAsDateTime() const { return TimeStampToDateTime(GetAsTimeStampValue()); }

void TSQLMemVariant::SetAsBoolean(bool v) { SetFixed(edtBoolean, static_cast<SmallInt>(v ? -1 : 0)); }
bool TSQLMemVariant::GetAsBoolean() const { return GetFixed<SmallInt>(edtBoolean) != 0; }
void TSQLMemVariant::SetAsCurrency(double amount) { SetFixed(edtCurrency, amount); }
double TSQLMemVariant::GetAsCurrency() const { return GetFixed<double>(edtCurrency); }

void TSQLMemVariant::SetAsString(const AnsiString& v) { SetValue(v.c_str(), edtVarchar); }

AnsiString TSQLMemVariant::GetAsString() const {
  if (IsNull()) return AnsiString();
  AnsiString text;
  if (IntegerValueText(data_, dataSize_, dataType_, text)) return text;
  const TView view = ViewAs(edtVarchar);
  const auto* p = static_cast<const char*>(view.Data());
  if (p == nullptr) return AnsiString();
  // A Memo holds exactly its bytes; other text ends at its terminator.
  if (IsBLOBDataType(dataType_) && IsAnsiTextType(dataType_)) return AnsiString(p, static_cast<std::size_t>(view.Size()));
  const std::size_t n = static_cast<std::size_t>(std::max(view.Size() - 1, 0));
  const void* zero = std::memchr(p, 0, n);
  return AnsiString(p, zero ? static_cast<const char*>(zero) - p : n);
}

void TSQLMemVariant::SetAsWideString(const WideString& v) { SetValue(v.c_str(), edtWideVarchar); }

WideString TSQLMemVariant::GetAsWideString() const {
  if (IsNull()) return WideString();
  const TView view = ViewAs(edtWideVarchar);
  const auto* p = static_cast<const Byte*>(view.Data());
  if (p == nullptr) return WideString();
  Integer bytes = view.Size();
  if (!(IsBLOBDataType(dataType_) && IsWideDataType(dataType_))) {
    bytes = std::min(bytes, BufferTextLength(p, view.Size(), sftWideVarchar));
  }
  WideString w(static_cast<std::size_t>(bytes / 2), u'\0');
  if (!w.empty()) std::memcpy(w.data(), p, w.size() * 2);
  return w;
}

// ---- type tests ----

Integer TSQLMemVariant::GetTextLength() const {
  if (IsBLOBDataType(dataType_)) return dataSize_;
  if (IsNull() || !IsTextDataType(dataType_)) return -1;
  const Integer bytes = BufferTextLength(data_, dataSize_, DataTypeToFieldType(dataType_));
  return IsWideDataType(dataType_) ? bytes / 2 : bytes;
}

// ---- exchange with Variant ----

void TSQLMemVariant::SetAsVariant(const Variant& v) {
  const TVarType code = v.VarType();
  switch (code) {
    case varNull: SetNull(); return;
    case varSmallint: SetAsSmallInt(v.AsSmallInt()); return;
    case varInteger: SetAsInteger(v.AsInteger()); return;
    case varSingle: SetAsSingle(v.AsSingle()); return;
    case varDouble: SetAsDouble(v.AsDouble()); return;
    case varCurrency: SetAsCurrency(v.AsCurrency().ToDouble()); return;
    case varDate: SetAsDateTime(v.AsDateTime()); return;
    case varOleStr: SetAsWideString(v.AsWideString()); return;
    case varBoolean: SetAsBoolean(v.AsBoolean()); return;
    case varShortInt: SetAsShortInt(v.AsShortInt()); return;
    case varByte: SetAsByte(v.AsByte()); return;
    case varWord: SetAsWord(v.AsWord()); return;
    case varLongWord: SetAsCardinal(v.AsLongWord()); return;
    case varInt64: SetAsLargeInt(v.AsInt64()); return;
    case varStrArg:
    case varString:
    case varAny: SetAsString(v.AsString()); return;
    case varArray | varByte: {
      const std::span<const Byte> bytes = VarArrayBytes(v);
      SetValue(bytes.data(), edtBytes, CheckedCast<Integer>(bytes.size()));
      return;
    }
    default:
      if (code >= 272 && code <= 2047) {
        SetAsString(v.AsString());
        return;
      }
      SQLMemError(30113, SQLMemUnsupportedVariantType, {IntToStr(code)});
  }
}

Variant TSQLMemVariant::GetAsVariant() const {
  switch (dataType_) {
    case edtChar:
    case edtVarchar:
    case edtBLOB: return Variant(GetAsString());
    case edtWideChar:
    case edtWideVarchar: return Variant(GetAsWideString());
    case edtShortInt: return Variant(GetAsShortInt());
    case edtSmallInt: return Variant(GetAsSmallInt());
    case edtInteger: return Variant(GetAsInteger());
    case edtLargeInt: return Variant(GetAsLargeInt());
    case edtByte: return Variant(GetAsByte());
    case edtWord: return Variant(GetAsWord());
    case edtCardinal: return Variant(GetAsCardinal());
    case edtSingle: return Variant(static_cast<double>(GetAsSingle()));
    case edtDouble: return Variant(GetAsDouble());
    case edtExtended: return Variant(static_cast<double>(GetAsExtended()));
    case edtCurrency: return Variant(GetAsCurrency());
    case edtDate: return Variant(GetAsDate());
    case edtTime: return Variant(GetAsTime());
    case edtTimeStamp: return VarFromDateTime(GetAsDateTime());
    case edtBoolean: return Variant(GetAsBoolean());
    case edtBytes: {
      if (IsNull()) return Unassigned();
      return VarArrayOfBytes(std::span<const Byte>(static_cast<const Byte*>(data_), static_cast<std::size_t>(dataSize_)));
    }
    default:
      if (IsNull()) return Null();
      SQLMemError(30114, SQLMemUnsupportedVariantType, {EngineDataTypeName(dataType_)});
  }
}

// ---- comparison and hash ----

Integer TSQLMemVariant::Compare(const TSQLMemVariant& other, bool rawCodes, bool partial, bool caseInsensitive) const {
  Integer code = 0;
  const bool thisBLOB = IsBLOB();
  const TSQLMemVariant& blob = thisBLOB ? *this : other;
  const TSQLMemVariant& text = thisBLOB ? other : *this;
  if (thisBLOB != other.IsBLOB() && !IsNull() && !other.IsNull() && text.IsText()) {
    // The BLOB's bytes, terminated, as text: a Memo as 8-bit text, a WideMemo as wide text, a BLOB as
    // text of the text side's type. CompareValues then widens whichever side needs it.
    Integer asType = text.dataType_;
    if (blob.dataType_ == edtMemo) asType = edtVarchar;
    if (blob.dataType_ == edtWideMemo) asType = edtWideVarchar;
    const Integer terminator = IsWideDataType(asType) ? 2 : 1;
    TSQLMemBlock copy = TSQLMemBlock::Allocate(CheckedAdd(blob.dataSize_, terminator), true);
    std::memcpy(copy.Data(), blob.data_, static_cast<std::size_t>(blob.dataSize_));
    const TSQLMemValueRef blobRef{copy.Data(), copy.Size(), asType, false};
    const TSQLMemValueRef textRef = RefOf(text);
    const Integer length = partial ? text.GetTextLength() : -1;
    code = thisBLOB ? CompareValues(blobRef, textRef, caseInsensitive, length)
                    : CompareValues(textRef, blobRef, caseInsensitive, length);
  } else {
    code = CompareValues(RefOf(*this), RefOf(other), caseInsensitive, partial ? other.GetTextLength() : -1);
  }
  if (!rawCodes) {
    if (code == ccFirstNull) return ccLess;
    if (code == ccSecondNull) return ccGreater;
    if (code == ccBothNull) return ccEqual;
  }
  return code;
}

Cardinal TSQLMemVariant::GetHash() const {
  if (IsNull()) return kNullHash;
  Integer n = dataSize_;
  if (!IsBLOB() && IsText()) n = IsWide() ? 2 * GetTextLength() : GetTextLength();
  Cardinal h = Crc32Update(kHashSeed, data_, n);
  if (n <= 10) {
    const auto* p = static_cast<const Byte*>(data_);
    for (Integer i = 0; i < n; ++i) h += p[i];  // unsigned: wraps modulo 2^32
  }
  return h;
}
