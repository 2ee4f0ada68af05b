#include "vcl/db/Fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "vcl/db/DBConsts.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Strings.h"
#include "vcl/rtl/TextConv.h"


namespace {

// The largest string field (characters).
constexpr int kMaxStringSize = 8192;

template <class T>
T Load(const Byte* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <class T>
void Store(Byte* p, T value) {
  std::memcpy(p, &value, sizeof value);
}

std::vector<Byte> NewBuffer(int size) { return std::vector<Byte>(static_cast<std::size_t>(std::max(size, 1)), 0); }

// A zeroed field buffer of at least one byte, on the stack for the sizes of ordinary text fields: reading
// or writing a text field once per record then allocates nothing.
class TFieldBuffer {
 public:
  explicit TFieldBuffer(int size) : size_(static_cast<std::size_t>(std::max(size, 1))) {
    if (size_ > kInline) heap_.assign(size_, 0);
    else std::memset(inline_, 0, size_);
  }
  TFieldBuffer(const TFieldBuffer&) = delete;
  TFieldBuffer& operator=(const TFieldBuffer&) = delete;
  Byte* data() noexcept { return size_ > kInline ? heap_.data() : inline_; }

 private:
  static constexpr std::size_t kInline = 512;
  std::size_t size_;
  Byte inline_[kInline];
  std::vector<Byte> heap_;
};

bool IsBlobType(TFieldType type) {
  switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
    case ftWideMemo:
      return true;
    default:
      return false;
  }
}

// Rounds half to even and checks the integer range; NaN and infinities are out of range.
bool RoundToInt64(double value, Int64& result) {
  if (!std::isfinite(value)) return false;
  const double rounded = std::nearbyint(value);
  if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) return false;
  result = static_cast<Int64>(rounded);
  return true;
}

}  // namespace

// ======================================================================================= TField ====

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() = default;

void TField::BeforeDestruction() {
  TComponent::BeforeDestruction();
  if (dataSet_ != nullptr) {
    TDataSet* dataSet = dataSet_;
    // A field that goes away under an open dataset takes the dataset's buffers with it.
    try {
      dataSet->Close();
    } catch (...) {
    }
    dataSet->fields_->Remove(this);
    dataSet_ = nullptr;
  }
}

void TField::CheckInactiveDataSet() const {
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
}

void TField::SetDataSet(TDataSet* value) {
  if (value == dataSet_) return;
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  if (value != nullptr) {
    value->CheckInactive();
    value->fields_->CheckFieldName(fieldName_);
  }
  if (dataSet_ != nullptr) dataSet_->fields_->Remove(this);
  dataSet_ = value;
  if (value != nullptr) value->fields_->Add(this);
}

void TField::SetFieldName(const AnsiString& value) {
  CheckInactiveDataSet();
  if (dataSet_ != nullptr && !AnsiSameText(value, fieldName_)) dataSet_->fields_->CheckFieldName(value);
  fieldName_ = value;
  PropertyChanged(true);
}

void TField::SetFieldKind(TFieldKind value) {
  if (fieldKind_ == value) return;
  CheckInactiveDataSet();
  fieldKind_ = value;
}

void TField::SetSize(int value) {
  CheckInactiveDataSet();
  CheckTypeSize(value);
  size_ = value;
}

void TField::CheckTypeSize(int value) const {
  if (value != 0) DatabaseError(SInvalidFieldSize);
}

int TField::Index() const { return dataSet_ != nullptr ? dataSet_->fields_->IndexOf(this) : -1; }

void TField::SetIndex(int value) {
  if (dataSet_ != nullptr) dataSet_->fields_->SetFieldIndex(this, value);
}

bool TField::IsIndexField() const { return dataSet_ != nullptr && dataSet_->GetIsIndexField(const_cast<TField*>(this)); }

bool TField::GetCanModify() const {
  if (dataSet_ == nullptr || fieldNo_ <= 0) return false;
  if (dataSet_->State() != dsSetKey) return !readOnly_ && dataSet_->CanModify();
  return IsIndexField();
}

void TField::PropertyChanged(bool layout) {
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(layout ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const AnsiString& value) {
  displayLabel_ = value == fieldName_ ? AnsiString() : value;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int value) {
  displayWidth_ = value;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment value) {
  alignment_ = value;
  PropertyChanged(false);
}

void TField::SetVisible(bool value) {
  visible_ = value;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool value) {
  readOnly_ = value;
  PropertyChanged(true);
}

void TField::Bind(bool binding) {
  if (binding && fieldKind_ == fkLookup) {
    if (lookupDataSet_ == nullptr || lookupKeyFields_.empty() || lookupResultField_.empty() || keyFields_.empty())
      DatabaseErrorFmt(SLookupInfoError, {DisplayName()});
  }
}

void TField::CalcLookupValue() {
  if (lookupDataSet_ == nullptr || !lookupDataSet_->Active()) {
    Clear();
    return;
  }
  std::vector<TField*> keys;
  dataSet_->GetFieldList(keys, keyFields_);
  Variant keyValues;
  if (keys.size() == 1) {
    keyValues = keys[0]->AsVariant();
  } else {
    keyValues = VarArrayCreate(0, static_cast<Integer>(keys.size()) - 1, varVariant);
    for (std::size_t i = 0; i < keys.size(); ++i) VarArrayPut(keyValues, keys[i]->AsVariant(), static_cast<Integer>(i));
  }
  SetAsVariant(lookupDataSet_->Lookup(lookupKeyFields_, keyValues, lookupResultField_));
}

// ---- data ----

bool TField::GetData(Byte* buffer, bool nativeFormat) const {
  if (dataSet_ == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  if (validating_) {
    if (valueBuffer_ == nullptr) return false;
    if (buffer != nullptr) {
      if (nativeFormat)
        std::memcpy(buffer, valueBuffer_, static_cast<std::size_t>(DataSize()));
      else
        dataSet_->DataConvert(const_cast<TField*>(this), valueBuffer_, buffer, false);
    }
    return true;
  }
  return dataSet_->GetFieldData(const_cast<TField*>(this), buffer, nativeFormat);
}

void TField::SetData(const Byte* buffer, bool nativeFormat) {
  if (dataSet_ == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  const TDataSetState state = dataSet_->State();
  if (readOnly_ && (state == dsEdit || state == dsInsert)) DatabaseErrorFmt(SFieldReadOnly, {DisplayName()});
  dataSet_->SetFieldData(this, buffer, nativeFormat);
}

void TField::Validate(const Byte* buffer) {
  if (!OnValidate) return;
  const bool savedValidating = validating_;
  const Byte* savedBuffer = valueBuffer_;
  validating_ = true;
  valueBuffer_ = buffer;
  try {
    OnValidate(this);
  } catch (...) {
    validating_ = savedValidating;
    valueBuffer_ = savedBuffer;
    throw;
  }
  validating_ = savedValidating;
  valueBuffer_ = savedBuffer;
}

void TField::FocusControl() {
  if (dataSet_ == nullptr || !dataSet_->Active()) return;
  TField* field = this;
  dataSet_->DataEvent(deFocusControl, reinterpret_cast<NativeInt>(&field));
}

void TField::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (const auto* field = dynamic_cast<const TField*>(source)) {
    SetAsVariant(field->AsVariant());
    return;
  }
  TPersistent::Assign(source);
}

void TField::SetAsVariant(const Variant& value) {
  if (value.IsNull() || value.IsEmpty())
    Clear();
  else
    SetVarValue(value);
}

AnsiString TField::DisplayText() const {
  AnsiString text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, true);
  else
    GetText(text, true);
  return text;
}

AnsiString TField::Text() const {
  AnsiString text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, false);
  else
    GetText(text, false);
  return text;
}

void TField::SetText(const AnsiString& value) {
  if (OnSetText)
    OnSetText(this, value);
  else
    AssignText(value);
}

void TField::GetText(AnsiString& text, bool /*displayText*/) const { text = GetAsString(); }

// ---- the base conversions: a field offers only the kinds its class supports ----

void TField::AccessError(const char* typeName) const {
  DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName});
}

void TField::RangeError(double value, double min, double max) const {
  DatabaseErrorFmt(SFieldRangeError, {value, DisplayName(), min, max});
}

AnsiString TField::ClassDesc() const {
  AnsiString name = ClassName();
  if (!name.empty() && name[0] == 'T') name.erase(0, 1);
  const std::size_t pos = name.rfind("Field");
  if (pos != AnsiString::npos && pos > 0) name.erase(pos);
  const AnsiString desc = "(" + name + ")";
  return IsNull() ? AnsiLowerCase(desc) : AnsiUpperCase(desc);
}

bool TField::GetIsNull() const { return !GetData(nullptr); }
AnsiString TField::GetAsString() const { return ClassDesc(); }
void TField::SetAsStringImpl(const AnsiString& /*value*/) { AccessError("String"); }
WideString TField::GetAsWideString() const { return Cp1250ToUtf16(GetAsString()); }
void TField::SetAsWideStringImpl(const WideString& value) { SetAsString(Utf16ToCp1250(value)); }
Integer TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerImpl(Integer /*value*/) { AccessError("Integer"); }
Int64 TField::GetAsLargeInt() const { AccessError("LargeInt"); }
void TField::SetAsLargeIntImpl(Int64 /*value*/) { AccessError("LargeInt"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatImpl(double /*value*/) { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
void TField::SetAsCurrencyImpl(Currency value) { SetAsFloat(value.ToDouble()); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanImpl(bool /*value*/) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeImpl(TDateTime /*value*/) { AccessError("DateTime"); }
TSQLTimeStamp TField::GetAsSQLTimeStamp() const { AccessError("SQLTimeStamp"); }
void TField::SetAsSQLTimeStampImpl(const TSQLTimeStamp& /*value*/) { AccessError("SQLTimeStamp"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetVarValue(const Variant& /*value*/) { AccessError("Variant"); }

// ====================================================================================== TFields ====

TFields::~TFields() = default;

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count()) DatabaseError(SFieldIndexError, dataSet_);
  return list_[static_cast<std::size_t>(index)];
}

TField* TFields::FindField(std::string_view fieldName) const {
  for (TField* field : list_)
    if (AnsiSameText(field->FieldName(), fieldName)) return field;
  return nullptr;
}

TField* TFields::FieldByName(std::string_view fieldName) const {
  TField* field = FindField(fieldName);
  if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {fieldName}, dataSet_);
  return field;
}

TField* TFields::FieldByNumber(int fieldNo) const {
  for (TField* field : list_)
    if (field->FieldNo() == fieldNo) return field;
  return nullptr;
}

int TFields::IndexOf(const TField* field) const {
  const auto it = std::find(list_.begin(), list_.end(), field);
  return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

void TFields::CheckFieldName(std::string_view fieldName) const {
  if (fieldName.empty()) DatabaseError(SFieldNameMissing, dataSet_);
  if (FindField(fieldName) != nullptr) DatabaseErrorFmt(SDuplicateFieldName, {fieldName}, dataSet_);
}

void TFields::Add(TField* field) {
  list_.push_back(field);
  Changed();
}

void TFields::Remove(TField* field) {
  const int index = IndexOf(field);
  if (index < 0) return;
  list_.erase(list_.begin() + index);
  Changed();
}

void TFields::Clear() {
  while (!list_.empty()) {
    TField* field = list_.back();
    list_.pop_back();
    field->dataSet_ = nullptr;
    delete field;
  }
  Changed();
}

void TFields::SetFieldIndex(TField* field, int value) {
  const int current = IndexOf(field);
  if (current < 0) return;
  value = std::clamp(value, 0, Count() - 1);
  if (value == current) return;
  list_.erase(list_.begin() + current);
  list_.insert(list_.begin() + value, field);
  Changed();
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange, 0);
}

void TFields::Changed() {
  if (dataSet_ != nullptr && !dataSet_->ComponentState().Contains(csDestroying))
    dataSet_->DataEvent(deFieldListChange, 0);
}

// ================================================================================= TStringField ====

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  SetSizeInternal(20);
}

void TStringField::CheckTypeSize(int value) const {
  if (value < 0 || value > kMaxStringSize) DatabaseError(SInvalidFieldSize);
}

void TStringField::SetFieldType(TFieldType value) {
  if (value == ftString || value == ftFixedChar) SetDataType(value);
}

bool TStringField::GetValue(AnsiString& value) const {
  TFieldBuffer buffer(DataSize());
  if (!GetData(buffer.data())) return false;
  const auto* chars = reinterpret_cast<const char*>(buffer.data());
  value.assign(chars, strnlen(chars, static_cast<std::size_t>(Size())));
  return true;
}

AnsiString TStringField::GetAsString() const {
  AnsiString value;
  if (!GetValue(value)) value.clear();
  return value;
}

void TStringField::SetAsStringImpl(const AnsiString& value) {
  TFieldBuffer buffer(DataSize());
  // Stops at an embedded zero as the stored form would; longer text is cut to Size.
  const std::size_t length = std::min(strnlen(value.c_str(), value.size()), static_cast<std::size_t>(Size()));
  std::memcpy(buffer.data(), value.data(), length);
  SetData(buffer.data());
}

WideString TStringField::GetAsWideString() const { return Cp1250ToUtf16(GetAsString()); }
void TStringField::SetAsWideStringImpl(const WideString& value) { SetAsString(Utf16ToCp1250(value)); }
Integer TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
void TStringField::SetAsIntegerImpl(Integer value) { SetAsString(IntToStr(value)); }
Int64 TStringField::GetAsLargeInt() const { return StrToInt64(GetAsString()); }
void TStringField::SetAsLargeIntImpl(Int64 value) { SetAsString(IntToStr(value)); }
double TStringField::GetAsFloat() const { return StrToFloat(GetAsString()); }
void TStringField::SetAsFloatImpl(double value) { SetAsString(FloatToStr(value)); }

bool TStringField::GetAsBoolean() const {
  const AnsiString s = GetAsString();
  return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

void TStringField::SetAsBooleanImpl(bool value) {
  SetAsString(AnsiString(1, value ? STextTrue[0] : STextFalse[0]));
}

TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }
void TStringField::SetAsDateTimeImpl(TDateTime value) { SetAsString(DateTimeToStr(value)); }

Variant TStringField::GetAsVariant() const {
  AnsiString value;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TStringField::SetVarValue(const Variant& value) { SetAsString(value.AsString()); }

void TStringField::GetText(AnsiString& text, bool /*displayText*/) const { text = GetAsString(); }

// ============================================================================= TWideStringField ====

TWideStringField::TWideStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftWideString);
  SetSizeInternal(20);
}

void TWideStringField::CheckTypeSize(int value) const {
  if (value < 0 || value > kMaxStringSize) DatabaseError(SInvalidFieldSize);
}

void TWideStringField::SetFieldType(TFieldType value) {
  if (value == ftWideString || value == ftFixedWideChar) SetDataType(value);
}

bool TWideStringField::GetValue(WideString& value) const {
  TFieldBuffer buffer(DataSize());
  if (!GetData(buffer.data(), false)) return false;
  value.clear();
  for (int i = 0; i < Size(); ++i) {
    const auto c = Load<char16_t>(buffer.data() + i * 2);
    if (c == 0) break;
    value.push_back(c);
  }
  return true;
}

WideString TWideStringField::GetAsWideString() const {
  WideString value;
  if (!GetValue(value)) value.clear();
  return value;
}

void TWideStringField::SetAsWideStringImpl(const WideString& value) {
  TFieldBuffer buffer(DataSize());
  std::size_t length = std::min(value.size(), static_cast<std::size_t>(Size()));
  const std::size_t zero = value.find(u'\0');
  if (zero != WideString::npos) length = std::min(length, zero);
  std::memcpy(buffer.data(), value.data(), length * 2);
  SetData(buffer.data(), false);
}

AnsiString TWideStringField::GetAsString() const { return Utf16ToCp1250(GetAsWideString()); }
void TWideStringField::SetAsStringImpl(const AnsiString& value) { SetAsWideString(Cp1250ToUtf16(value)); }

Variant TWideStringField::GetAsVariant() const {
  WideString value;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TWideStringField::SetVarValue(const Variant& value) { SetAsWideString(value.AsWideString()); }

void TWideStringField::GetText(AnsiString& text, bool /*displayText*/) const { text = GetAsString(); }

// ================================================================================ TNumericField ====

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const AnsiString& value) {
  displayFormat_ = value;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const AnsiString& value) {
  editFormat_ = value;
  PropertyChanged(false);
}

// ================================================================================ TIntegerField ====

TIntegerField::TIntegerField(TComponent* owner)
    : TNumericField(owner), minRange_(std::numeric_limits<Integer>::min()), maxRange_(std::numeric_limits<Integer>::max()) {
  SetDataType(ftInteger);
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftSmallint);
  SetRange(-32768, 32767);
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftWord);
  SetRange(0, 65535);
}

TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftAutoInc); }

void TIntegerField::SetRange(Integer minRange, Integer maxRange) {
  minRange_ = minRange;
  maxRange_ = maxRange;
}

int TIntegerField::DataSize() const { return DataType() == ftSmallint || DataType() == ftWord ? 2 : 4; }

bool TIntegerField::GetValue(Integer& value) const {
  Byte buffer[4] = {};
  if (!GetData(buffer)) return false;
  switch (DataType()) {
    case ftSmallint:
      value = Load<SmallInt>(buffer);
      break;
    case ftWord:
      value = Load<Word>(buffer);
      break;
    default:
      value = Load<Integer>(buffer);
      break;
  }
  return true;
}

AnsiString TIntegerField::GetAsString() const {
  Integer value = 0;
  return GetValue(value) ? IntToStr(value) : AnsiString();
}

void TIntegerField::SetAsStringImpl(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  Integer number = 0;
  if (!TryStrToInt(value, number)) DatabaseErrorFmt(SInvalidIntegerValue, {value, DisplayName()});
  SetAsInteger(number);
}

Integer TIntegerField::GetAsInteger() const {
  Integer value = 0;
  return GetValue(value) ? value : 0;
}

void TIntegerField::SetAsIntegerImpl(Integer value) {
  const bool own = minValue_ != 0 || maxValue_ != 0;
  const Integer min = own ? minValue_ : minRange_;
  const Integer max = own ? maxValue_ : maxRange_;
  if (value < min || value > max) RangeError(value, min, max);
  Byte buffer[4] = {};
  switch (DataType()) {
    case ftSmallint:
      Store(buffer, static_cast<SmallInt>(value));
      break;
    case ftWord:
      Store(buffer, static_cast<Word>(value));
      break;
    default:
      Store(buffer, value);
      break;
  }
  SetData(buffer);
}

Int64 TIntegerField::GetAsLargeInt() const { return GetAsInteger(); }

void TIntegerField::SetAsLargeIntImpl(Int64 value) {
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max())
    RangeError(static_cast<double>(value), minRange_, maxRange_);
  SetAsInteger(static_cast<Integer>(value));
}

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }

void TIntegerField::SetAsFloatImpl(double value) {
  Int64 rounded = 0;
  if (!RoundToInt64(value, rounded)) RangeError(value, minRange_, maxRange_);
  SetAsLargeInt(rounded);
}

Variant TIntegerField::GetAsVariant() const {
  Integer value = 0;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TIntegerField::SetVarValue(const Variant& value) { SetAsInteger(value.AsInteger()); }

void TIntegerField::GetText(AnsiString& text, bool displayText) const {
  Integer value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const AnsiString& format = displayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  text = format.empty() ? IntToStr(value) : FormatFloat(format, value);
}

// =============================================================================== TLargeintField ====

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { SetDataType(ftLargeint); }

bool TLargeintField::GetValue(Int64& value) const {
  Byte buffer[8] = {};
  if (!GetData(buffer)) return false;
  value = Load<Int64>(buffer);
  return true;
}

AnsiString TLargeintField::GetAsString() const {
  Int64 value = 0;
  return GetValue(value) ? IntToStr(value) : AnsiString();
}

void TLargeintField::SetAsStringImpl(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  Int64 number = 0;
  if (!TryStrToInt64(value, number)) DatabaseErrorFmt(SInvalidIntegerValue, {value, DisplayName()});
  SetAsLargeInt(number);
}

Integer TLargeintField::GetAsInteger() const { return CheckedCast<Integer>(GetAsLargeInt()); }
void TLargeintField::SetAsIntegerImpl(Integer value) { SetAsLargeInt(value); }

Int64 TLargeintField::GetAsLargeInt() const {
  Int64 value = 0;
  return GetValue(value) ? value : 0;
}

void TLargeintField::SetAsLargeIntImpl(Int64 value) {
  if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
    RangeError(static_cast<double>(value), static_cast<double>(minValue_), static_cast<double>(maxValue_));
  Byte buffer[8];
  Store(buffer, value);
  SetData(buffer);
}

double TLargeintField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }

void TLargeintField::SetAsFloatImpl(double value) {
  Int64 rounded = 0;
  if (!RoundToInt64(value, rounded))
    RangeError(value, static_cast<double>(std::numeric_limits<Int64>::min()),
               static_cast<double>(std::numeric_limits<Int64>::max()));
  SetAsLargeInt(rounded);
}

Variant TLargeintField::GetAsVariant() const {
  Int64 value = 0;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TLargeintField::SetVarValue(const Variant& value) { SetAsLargeInt(value.AsInt64()); }

void TLargeintField::GetText(AnsiString& text, bool displayText) const {
  Int64 value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const AnsiString& format = displayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  text = format.empty() ? IntToStr(value) : FormatFloat(format, static_cast<double>(value));
}

// ================================================================================== TFloatField ====

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

void TFloatField::SetCurrency(bool value) {
  currency_ = value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(int value) {
  precision_ = std::clamp(value, 2, 15);
  PropertyChanged(false);
}

bool TFloatField::GetValue(double& value) const {
  Byte buffer[8] = {};
  if (!GetData(buffer)) return false;
  value = Load<double>(buffer);
  return true;
}

AnsiString TFloatField::GetAsString() const {
  double value = 0;
  return GetValue(value) ? FloatToStr(value) : AnsiString();
}

void TFloatField::SetAsStringImpl(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  double number = 0;
  if (!TryStrToFloat(value, number)) DatabaseErrorFmt(SInvalidFloatValue, {value, DisplayName()});
  SetAsFloat(number);
}

Integer TFloatField::GetAsInteger() const {
  Int64 rounded = 0;
  if (!RoundToInt64(GetAsFloat(), rounded)) RaiseRangeError();
  return CheckedCast<Integer>(rounded);
}

void TFloatField::SetAsIntegerImpl(Integer value) { SetAsFloat(value); }

Int64 TFloatField::GetAsLargeInt() const {
  Int64 rounded = 0;
  if (!RoundToInt64(GetAsFloat(), rounded)) RaiseRangeError();
  return rounded;
}

void TFloatField::SetAsLargeIntImpl(Int64 value) { SetAsFloat(static_cast<double>(value)); }

double TFloatField::GetAsFloat() const {
  double value = 0;
  return GetValue(value) ? value : 0;
}

void TFloatField::SetAsFloatImpl(double value) {
  if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
    RangeError(value, minValue_, maxValue_);
  Byte buffer[8];
  Store(buffer, value);
  SetData(buffer);
}

Currency TFloatField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
void TFloatField::SetAsCurrencyImpl(Currency value) { SetAsFloat(value.ToDouble()); }

Variant TFloatField::GetAsVariant() const {
  double value = 0;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TFloatField::SetVarValue(const Variant& value) { SetAsFloat(value.AsDouble()); }

void TFloatField::GetText(AnsiString& text, bool displayText) const {
  double value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const AnsiString& format = displayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  if (!format.empty()) {
    text = FormatFloat(format, value);
    return;
  }
  if (currency_)
    text = FloatToStrF(value, displayText ? ffCurrency : ffFixed, precision_, FormatSettings().CurrencyDecimals);
  else
    text = FloatToStrF(value, ffGeneral, precision_, 0);
}

// ================================================================================ TBooleanField ====

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) {
  SetDataType(ftBoolean);
  SetDisplayValues("");
}

void TBooleanField::SetDisplayValues(const AnsiString& value) {
  displayValues_ = value;
  textTrue_ = STextTrue;
  textFalse_ = STextFalse;
  if (!value.empty()) {
    const std::size_t pos = value.find(';');
    if (pos == AnsiString::npos) {
      textTrue_ = value;
      textFalse_.clear();
    } else {
      textTrue_ = value.substr(0, pos);
      textFalse_ = value.substr(pos + 1);
    }
  }
  PropertyChanged(true);
}

int TBooleanField::GetDefaultWidth() const {
  return std::max<int>(1, static_cast<int>(std::max(textTrue_.size(), textFalse_.size())));
}

bool TBooleanField::GetValue(bool& value) const {
  Byte buffer[2] = {};
  if (!GetData(buffer)) return false;
  value = Load<SmallInt>(buffer) != 0;
  return true;
}

AnsiString TBooleanField::GetAsString() const {
  bool value = false;
  if (!GetValue(value)) return {};
  return value ? textTrue_ : textFalse_;
}

void TBooleanField::SetAsStringImpl(const AnsiString& value) {
  if (value.empty()) {
    if (textFalse_.empty())
      SetAsBoolean(false);
    else if (textTrue_.empty())
      SetAsBoolean(true);
    else
      Clear();
    return;
  }
  // Any leading part of either text, ignoring case.
  auto startsText = [&](const AnsiString& text) {
    return value.size() <= text.size() && AnsiSameText(value, std::string_view(text).substr(0, value.size()));
  };
  if (startsText(textFalse_))
    SetAsBoolean(false);
  else if (startsText(textTrue_))
    SetAsBoolean(true);
  else
    DatabaseErrorFmt(SInvalidBoolValue, {value, DisplayName()});
}

bool TBooleanField::GetAsBoolean() const {
  bool value = false;
  return GetValue(value) && value;
}

void TBooleanField::SetAsBooleanImpl(bool value) {
  Byte buffer[2];
  Store(buffer, static_cast<SmallInt>(value ? -1 : 0));
  SetData(buffer);
}

Variant TBooleanField::GetAsVariant() const {
  bool value = false;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TBooleanField::SetVarValue(const Variant& value) { SetAsBoolean(value.AsBoolean()); }

// =============================================================================== TDateTimeField ====

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }

int TDateTimeField::DataSize() const { return DataType() == ftDate || DataType() == ftTime ? 4 : 8; }

void TDateTimeField::SetDisplayFormat(const AnsiString& value) {
  displayFormat_ = value;
  PropertyChanged(false);
}

bool TDateTimeField::GetValue(TDateTime& value) const {
  Byte buffer[sizeof(TDateTime)] = {};
  if (!GetData(buffer, false)) return false;
  value = Load<TDateTime>(buffer);
  return true;
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime value = 0;
  return GetValue(value) ? value : 0;
}

void TDateTimeField::SetAsDateTimeImpl(TDateTime value) {
  Byte buffer[sizeof(TDateTime)];
  Store(buffer, value);
  SetData(buffer, false);
}

double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }
void TDateTimeField::SetAsFloatImpl(double value) { SetAsDateTime(value); }

AnsiString TDateTimeField::GetAsString() const {
  AnsiString text;
  GetText(text, false);
  return text;
}

void TDateTimeField::SetAsStringImpl(const AnsiString& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  switch (DataType()) {
    case ftDate:
      SetAsDateTime(StrToDate(value));
      break;
    case ftTime:
      SetAsDateTime(StrToTime(value));
      break;
    default:
      SetAsDateTime(StrToDateTime(value));
      break;
  }
}

TSQLTimeStamp TDateTimeField::GetAsSQLTimeStamp() const { return DateTimeToSQLTimeStamp(GetAsDateTime()); }
void TDateTimeField::SetAsSQLTimeStampImpl(const TSQLTimeStamp& value) { SetAsDateTime(SQLTimeStampToDateTime(value)); }

Variant TDateTimeField::GetAsVariant() const {
  TDateTime value = 0;
  if (!GetValue(value)) return Null();
  return VarFromDateTime(value);
}

void TDateTimeField::SetVarValue(const Variant& value) { SetAsDateTime(VarToDateTime(value)); }

void TDateTimeField::GetText(AnsiString& text, bool displayText) const {
  TDateTime value = 0;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  AnsiString format;
  if (displayText && !displayFormat_.empty())
    format = displayFormat_;
  else if (DataType() == ftDate)
    format = FormatSettings().ShortDateFormat;
  else if (DataType() == ftTime)
    format = FormatSettings().LongTimeFormat;
  text = FormatDateTime(format.empty() ? std::string_view("c") : std::string_view(format), value);
}

// =========================================================================== TSQLTimeStampField ====

TSQLTimeStampField::TSQLTimeStampField(TComponent* owner) : TField(owner) { SetDataType(ftTimeStamp); }

void TSQLTimeStampField::SetDisplayFormat(const AnsiString& value) {
  displayFormat_ = value;
  PropertyChanged(false);
}

bool TSQLTimeStampField::GetValue(TSQLTimeStamp& value) const {
  Byte buffer[sizeof(TSQLTimeStamp)] = {};
  if (!GetData(buffer, false)) return false;
  value = Load<TSQLTimeStamp>(buffer);
  return true;
}

TSQLTimeStamp TSQLTimeStampField::GetAsSQLTimeStamp() const {
  TSQLTimeStamp value;
  return GetValue(value) ? value : TSQLTimeStamp{};
}

void TSQLTimeStampField::SetAsSQLTimeStampImpl(const TSQLTimeStamp& value) {
  Byte buffer[sizeof(TSQLTimeStamp)];
  Store(buffer, value);
  SetData(buffer, false);
}

TDateTime TSQLTimeStampField::GetAsDateTime() const { return SQLTimeStampToDateTime(GetAsSQLTimeStamp()); }
void TSQLTimeStampField::SetAsDateTimeImpl(TDateTime value) { SetAsSQLTimeStamp(DateTimeToSQLTimeStamp(value)); }
double TSQLTimeStampField::GetAsFloat() const { return GetAsDateTime(); }
void TSQLTimeStampField::SetAsFloatImpl(double value) { SetAsDateTime(value); }

AnsiString TSQLTimeStampField::GetAsString() const {
  AnsiString text;
  GetText(text, false);
  return text;
}

void TSQLTimeStampField::SetAsStringImpl(const AnsiString& value) {
  if (value.empty())
    Clear();
  else
    SetAsDateTime(StrToDateTime(value));
}

Variant TSQLTimeStampField::GetAsVariant() const {
  TSQLTimeStamp value;
  if (!GetValue(value)) return Null();
  return VarFromDateTime(SQLTimeStampToDateTime(value));
}

void TSQLTimeStampField::SetVarValue(const Variant& value) { SetAsDateTime(VarToDateTime(value)); }

void TSQLTimeStampField::GetText(AnsiString& text, bool displayText) const {
  TSQLTimeStamp value;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  text = SQLTimeStampToStr(displayText ? std::string_view(displayFormat_) : std::string_view(), value);
}

// ================================================================================= TBinaryField ====

TBinaryField::TBinaryField(TComponent* owner) : TField(owner) {}

void TBinaryField::CheckTypeSize(int value) const {
  if (value <= 0 || value > 65535) DatabaseError(SInvalidFieldSize);
}

std::vector<Byte> TBinaryField::AsBytes() const {
  std::vector<Byte> value;
  if (!GetBytes(value)) value.clear();
  return value;
}

void TBinaryField::SetAsBytes(const std::vector<Byte>& value) {
  SetBytes(value.data(), CheckedCast<int>(value.size()));
}

AnsiString TBinaryField::GetAsString() const {
  std::vector<Byte> value;
  if (!GetBytes(value)) return {};
  return AnsiString(value.begin(), value.end());
}

void TBinaryField::SetAsStringImpl(const AnsiString& value) {
  SetBytes(reinterpret_cast<const Byte*>(value.data()), CheckedCast<int>(value.size()));
}

Variant TBinaryField::GetAsVariant() const {
  std::vector<Byte> value;
  if (!GetBytes(value)) return Null();
  return VarArrayOfBytes(value);
}

void TBinaryField::SetVarValue(const Variant& value) {
  if (value.IsArray()) {
    if (value.VarType() != (varArray | varByte)) DatabaseErrorFmt(SInvalidVarByteArray, {DisplayName()});
    const std::span<const Byte> bytes = VarArrayBytes(value);
    SetBytes(bytes.data(), CheckedCast<int>(bytes.size()));
  } else if (VarIsStr(value)) {
    SetAsString(value.AsString());
  } else {
    DatabaseErrorFmt(SInvalidVarByteArray, {DisplayName()});
  }
}

void TBinaryField::GetText(AnsiString& text, bool /*displayText*/) const { text = ClassDesc(); }

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner) {
  SetDataType(ftBytes);
  SetSizeInternal(16);
}

bool TBytesField::GetBytes(std::vector<Byte>& value) const {
  value.assign(static_cast<std::size_t>(Size()), 0);
  std::vector<Byte> buffer = NewBuffer(DataSize());
  if (!GetData(buffer.data())) return false;
  std::copy_n(buffer.begin(), Size(), value.begin());
  return true;
}

void TBytesField::SetBytes(const Byte* data, int size) {
  if (size > Size()) DatabaseErrorFmt(SFieldOutOfRange, {DisplayName()});
  std::vector<Byte> buffer = NewBuffer(DataSize());
  if (size > 0) std::memcpy(buffer.data(), data, static_cast<std::size_t>(size));
  SetData(buffer.data());
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner) {
  SetDataType(ftVarBytes);
  SetSizeInternal(16);
}

bool TVarBytesField::GetBytes(std::vector<Byte>& value) const {
  std::vector<Byte> buffer = NewBuffer(DataSize());
  if (!GetData(buffer.data())) return false;
  const int length = std::min<int>(Load<Word>(buffer.data()), Size());
  value.assign(buffer.begin() + 2, buffer.begin() + 2 + length);
  return true;
}

void TVarBytesField::SetBytes(const Byte* data, int size) {
  if (size > Size()) DatabaseErrorFmt(SFieldOutOfRange, {DisplayName()});
  std::vector<Byte> buffer = NewBuffer(DataSize());
  Store(buffer.data(), static_cast<Word>(size));
  if (size > 0) std::memcpy(buffer.data() + 2, data, static_cast<std::size_t>(size));
  SetData(buffer.data());
}

// =================================================================================== TBlobField ====

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }

TWideMemoField::TWideMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftWideMemo); }

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) { SetDataType(ftGraphic); }

void TBlobField::CheckTypeSize(int value) const {
  if (value < 0) DatabaseError(SInvalidFieldSize);
}

void TBlobField::SetFieldType(TFieldType value) {
  if (IsBlobType(value)) SetDataType(value);
}

std::string TBlobField::ReadAll() const {
  if (DataSet() == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  if (DataSet()->State() == dsInactive) return {};
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  if (stream == nullptr) return {};
  const Int64 size = stream->GetSize();
  std::string bytes(CheckedCast<std::size_t>(std::max<Int64>(size, 0)), '\0');
  stream->SetPosition(0);
  if (!bytes.empty()) stream->ReadBuffer64(bytes.data(), size);
  return bytes;
}

void TBlobField::WriteAll(std::string_view bytes) {
  if (DataSet() == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(this, bmWrite);
  if (stream == nullptr) AccessError("BLOB");
  if (bytes.empty())
    stream->SetSize(Int64{0});
  else
    stream->WriteBuffer64(bytes.data(), static_cast<Int64>(bytes.size()));
}

Int64 TBlobField::BlobSize() const {
  if (DataSet() == nullptr || DataSet()->State() == dsInactive) return 0;
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  return stream != nullptr ? stream->GetSize() : 0;
}

bool TBlobField::GetIsNull() const {
  if (modified_) return BlobSize() == 0;
  return TField::GetIsNull();
}

void TBlobField::Clear() { WriteAll({}); }

void TBlobField::LoadFromStream(TStream& stream) {
  if (DataSet() == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  std::unique_ptr<TStream> blob = DataSet()->CreateBlobStream(this, bmWrite);
  if (blob == nullptr) AccessError("BLOB");
  stream.SetPosition(0);
  if (stream.GetSize() == 0)
    blob->SetSize(Int64{0});
  else
    blob->CopyFrom(stream, 0);
}

void TBlobField::SaveToStream(TStream& stream) const {
  const std::string bytes = ReadAll();
  if (!bytes.empty()) stream.WriteBuffer64(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TBlobField::LoadFromFile(const AnsiString& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TBlobField::SaveToFile(const AnsiString& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TBlobField::Assign(const TPersistent* source) {
  if (const auto* blob = dynamic_cast<const TBlobField*>(source)) {
    WriteAll(blob->ReadAll());
    return;
  }
  if (const auto* strings = dynamic_cast<const TStrings*>(source)) {
    SetAsString(strings->Text());
    return;
  }
  TField::Assign(source);
}

void TBlobField::FreeBuffers() {
  if (!modified_) return;
  modified_ = false;
  if (DataSet() != nullptr) DataSet()->CloseBlob(this);
}

AnsiString TBlobField::GetAsString() const { return ReadAll(); }
void TBlobField::SetAsStringImpl(const AnsiString& value) { WriteAll(value); }
WideString TBlobField::GetAsWideString() const { return Cp1250ToUtf16(GetAsString()); }
void TBlobField::SetAsWideStringImpl(const WideString& value) { SetAsString(Utf16ToCp1250(value)); }

Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return Null();
  const std::string bytes = ReadAll();
  return VarArrayOfBytes(std::span<const Byte>(reinterpret_cast<const Byte*>(bytes.data()), bytes.size()));
}

void TBlobField::SetVarValue(const Variant& value) {
  if (value.IsArray()) {
    if (value.VarType() != (varArray | varByte)) DatabaseErrorFmt(SInvalidVarByteArray, {DisplayName()});
    const std::span<const Byte> bytes = VarArrayBytes(value);
    WriteAll(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } else {
    SetAsString(value.AsString());
  }
}

void TBlobField::GetText(AnsiString& text, bool /*displayText*/) const { text = ClassDesc(); }

Variant TMemoField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsString());
}

void TMemoField::SetVarValue(const Variant& value) { SetAsString(value.AsString()); }

WideString TWideMemoField::GetAsWideString() const {
  const std::string bytes = ReadAll();
  WideString text(bytes.size() / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * 2);
  return text;
}

void TWideMemoField::SetAsWideStringImpl(const WideString& value) {
  WriteAll(std::string_view(reinterpret_cast<const char*>(value.data()), value.size() * 2));
}

AnsiString TWideMemoField::GetAsString() const { return Utf16ToCp1250(GetAsWideString()); }
void TWideMemoField::SetAsStringImpl(const AnsiString& value) { SetAsWideString(Cp1250ToUtf16(value)); }

Variant TWideMemoField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsWideString());
}

void TWideMemoField::SetVarValue(const Variant& value) { SetAsWideString(value.AsWideString()); }

// ================================================================================ class registry ===

namespace {

template <class T>
TField* Make(TComponent* owner) {
  return New<T>(owner);
}

}  // namespace

TFieldFactory DefaultFieldClass(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
      return &Make<TStringField>;
    case ftSmallint:
      return &Make<TSmallintField>;
    case ftInteger:
      return &Make<TIntegerField>;
    case ftWord:
      return &Make<TWordField>;
    case ftBoolean:
      return &Make<TBooleanField>;
    case ftFloat:
      return &Make<TFloatField>;
    case ftCurrency:
      return &Make<TCurrencyField>;
    case ftDate:
      return &Make<TDateField>;
    case ftTime:
      return &Make<TTimeField>;
    case ftDateTime:
      return &Make<TDateTimeField>;
    case ftBytes:
      return &Make<TBytesField>;
    case ftVarBytes:
      return &Make<TVarBytesField>;
    case ftAutoInc:
      return &Make<TAutoIncField>;
    case ftBlob:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
      return &Make<TBlobField>;
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob:
      return &Make<TMemoField>;
    case ftGraphic:
      return &Make<TGraphicField>;
    case ftWideString:
    case ftFixedWideChar:
      return &Make<TWideStringField>;
    case ftLargeint:
      return &Make<TLargeintField>;
    case ftTimeStamp:
      return &Make<TSQLTimeStampField>;
    case ftWideMemo:
      return &Make<TWideMemoField>;
    default:
      return nullptr;
  }
}

const char* FieldTypeName(TFieldType type) {
  static constexpr const char* kNames[FieldTypeCount] = {
      "Unknown",   "String",  "SmallInt",      "Integer",  "Word",      "Boolean",    "Float",     "Currency",
      "BCD",       "Date",    "Time",          "DateTime", "Bytes",     "VarBytes",   "AutoInc",   "Blob",
      "Memo",      "Graphic", "FmtMemo",       "ParadoxOle", "dBaseOle", "TypedBinary", "Cursor",  "FixedChar",
      "WideString", "LargeInt", "ADT",         "Array",    "Reference", "DataSet",    "OraBlob",   "OraClob",
      "Variant",   "Interface", "IDispatch",   "Guid",     "TimeStamp", "FMTBcd",     "FixedWideChar", "WideMemo"};
  const int index = static_cast<int>(type);
  return index >= 0 && index < FieldTypeCount ? kNames[index] : "Unknown";
}
