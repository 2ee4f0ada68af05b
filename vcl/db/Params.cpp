#include "vcl/db/Params.h"

#include "vcl/db/DBConsts.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Component.h"

namespace {

// The variant kind a value takes when its parameter gets a field type; varEmpty: keep the value as it is
// (no type, or a variant type); varError: the type holds no plain value, the parameter becomes null.
TVarType VarTypeForField(TFieldType type) {
  switch (type) {
    case ftUnknown:
    case ftVariant:
      return varEmpty;
    case ftString:
    case ftFixedChar:
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftBytes:
    case ftVarBytes:
    case ftOraBlob:
    case ftOraClob:
    case ftGuid:
      return varString;
    case ftWideString:
    case ftFixedWideChar:
    case ftWideMemo:
      return varOleStr;
    case ftSmallint:
      return varSmallint;
    case ftInteger:
    case ftAutoInc:
      return varInteger;
    case ftWord:
      return varWord;
    case ftLargeint:
      return varInt64;
    case ftBoolean:
      return varBoolean;
    case ftFloat:
    case ftFMTBcd:
      return varDouble;
    case ftCurrency:
    case ftBCD:
      return varCurrency;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return varDate;
    default:
      return varError;
  }
}

// The field type an untyped parameter takes from its first value. Currency values become ftCurrency
// (the engine's type map has no entry for ftBCD).
TFieldType FieldTypeForVar(TVarType type) {
  switch (type) {
    case varShortInt:
    case varByte:
    case varSmallint:
      return ftSmallint;
    case varWord:
    case varInteger:
      return ftInteger;
    case varLongWord:
    case varInt64:
    case varUInt64:
      return ftLargeint;
    case varSingle:
    case varDouble:
      return ftFloat;
    case varCurrency:
      return ftCurrency;
    case varDate:
      return ftDateTime;
    case varBoolean:
      return ftBoolean;
    case varString:
      return ftString;
    case varOleStr:
      return ftWideString;
    default:
      return ftUnknown;
  }
}

const TComponent* OwnerComponent(const TPersistent* owner) { return dynamic_cast<const TComponent*>(owner); }

// ---- ParseSQL's scanner ----

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

// Index just past the quoted text that opens at `open` (a doubled closing character stands for itself),
// or the end of the text when it is not closed (`closed` false). `text` receives what the quotes enclose.
std::size_t ScanQuoted(std::string_view sql, std::size_t open, AnsiString* text, bool* closed) {
  const char close = sql[open] == '[' ? ']' : sql[open];
  std::size_t i = open + 1;
  while (i < sql.size()) {
    if (sql[i] == close) {
      if (i + 1 < sql.size() && sql[i + 1] == close) {
        if (text != nullptr) text->push_back(close);
        i += 2;
        continue;
      }
      if (closed != nullptr) *closed = true;
      return i + 1;
    }
    if (text != nullptr) text->push_back(sql[i]);
    ++i;
  }
  if (closed != nullptr) *closed = false;
  return sql.size();
}

// Index just past the comment that opens at `open` ("--" to the end of the line, "/*" to "*/"), or `open`
// when no comment starts there.
std::size_t ScanComment(std::string_view sql, std::size_t open) {
  if (open + 1 >= sql.size()) return open;
  if (sql[open] == '-' && sql[open + 1] == '-') {
    const std::size_t lf = sql.find('\n', open + 2);
    return lf == std::string_view::npos ? sql.size() : lf + 1;
  }
  if (sql[open] == '/' && sql[open + 1] == '*') {
    const std::size_t end = sql.find("*/", open + 2);
    return end == std::string_view::npos ? sql.size() : end + 2;
  }
  return open;
}

// Reads the parameter name after the ":" at `colon`. Returns the index past the marker, or 0 when no
// marker starts there (a marker always ends after the colon, so 0 is free).
std::size_t ScanMarker(std::string_view sql, std::size_t colon, AnsiString& name) {
  const std::size_t start = colon + 1;
  if (start >= sql.size()) return 0;
  const char first = sql[start];
  if (first == '\'' || first == '"' || first == '`') {
    name.clear();
    bool closed = false;
    const std::size_t end = ScanQuoted(sql, start, &name, &closed);
    return closed && !name.empty() ? end : 0;
  }
  if (!IsNameStart(static_cast<unsigned char>(first))) return 0;
  std::size_t end = start + 1;
  while (end < sql.size() && IsNameChar(static_cast<unsigned char>(sql[end]))) ++end;
  name.assign(sql.substr(start, end - start));
  return end;
}

}  // namespace

// ---- TParam ----

TParam::TParam(TParams* params, TParamType paramType) : TCollectionItem(params) { paramType_ = paramType; }

void TParam::SetName(const AnsiString& value) {
  name_ = value;
  Changed(false);
}

void TParam::SetDataType(TFieldType value) {
  dataType_ = value;
  if (!IsNull()) {
    const TVarType target = VarTypeForField(value);
    if (target == varError) {
      value_ = Null();
    } else if (target != varEmpty && value_.VarType() != target) {
      try {
        value_ = VarAsType(value_, target);
      } catch (const Exception&) {
        value_ = Null();
      }
    }
  }
  Changed(false);
}

void TParam::SetParamType(TParamType value) {
  paramType_ = value;
  Changed(false);
}

void TParam::SetValue(const Variant& value) {
  if (dataType_ == ftUnknown) dataType_ = FieldTypeForVar(value.VarType());
  value_ = value;
  bound_ = !value.IsEmpty();
  Changed(false);
}

bool TParam::IsNull() const { return value_.IsNull() || value_.IsEmpty(); }

void TParam::Clear() {
  value_ = Null();
  Changed(false);
}

void TParam::SetTyped(TFieldType type, Variant value) {
  dataType_ = type;
  value_ = std::move(value);
  bound_ = !value_.IsEmpty();
  Changed(false);
}

void TParam::AssignField(const TField& field) {
  name_ = field.FieldName();
  dataType_ = field.DataType();
  value_ = field.IsNull() ? Null() : field.AsVariant();
  bound_ = true;
  Changed(false);
}

AnsiString TParam::AsString() const { return IsNull() ? AnsiString() : value_.AsString(); }

void TParam::SetAsString(const AnsiString& value) {
  SetTyped(dataType_ == ftFixedChar ? ftFixedChar : ftString, Variant(value));
}

Integer TParam::AsInteger() const { return IsNull() ? 0 : value_.AsInteger(); }
void TParam::SetAsInteger(Integer value) { SetTyped(ftInteger, Variant(value)); }

SmallInt TParam::AsSmallInt() const { return IsNull() ? SmallInt{0} : value_.AsSmallInt(); }
void TParam::SetAsSmallInt(SmallInt value) { SetTyped(ftSmallint, Variant(value)); }

Word TParam::AsWord() const { return IsNull() ? Word{0} : value_.AsWord(); }
void TParam::SetAsWord(Word value) { SetTyped(ftWord, Variant(value)); }

Int64 TParam::AsLargeInt() const { return IsNull() ? 0 : value_.AsInt64(); }
void TParam::SetAsLargeInt(Int64 value) { SetTyped(ftLargeint, Variant(value)); }

double TParam::AsFloat() const { return IsNull() ? 0.0 : value_.AsDouble(); }
void TParam::SetAsFloat(double value) { SetTyped(ftFloat, Variant(value)); }

Currency TParam::AsCurrency() const { return IsNull() ? Currency() : value_.AsCurrency(); }
void TParam::SetAsCurrency(Currency value) { SetTyped(ftCurrency, Variant(value)); }
void TParam::SetAsBCD(Currency value) { SetTyped(ftBCD, Variant(value)); }

TDateTime TParam::AsDateTime() const { return IsNull() ? 0.0 : value_.AsDateTime(); }
void TParam::SetAsDateTime(TDateTime value) { SetTyped(ftDateTime, VarFromDateTime(value)); }
void TParam::SetAsDate(TDateTime value) { SetTyped(ftDate, VarFromDateTime(value)); }
void TParam::SetAsTime(TDateTime value) { SetTyped(ftTime, VarFromDateTime(value)); }

bool TParam::AsBoolean() const { return IsNull() ? false : value_.AsBoolean(); }
void TParam::SetAsBoolean(bool value) { SetTyped(ftBoolean, Variant(value)); }

void TParam::SetAsMemo(const AnsiString& value) { SetTyped(ftMemo, Variant(value)); }
void TParam::SetAsBlob(const TBlobData& value) { SetTyped(ftBlob, Variant(value)); }

WideString TParam::AsWideString() const { return IsNull() ? WideString() : value_.AsWideString(); }
void TParam::SetAsWideString(const WideString& value) { SetTyped(ftWideString, Variant(value)); }

void TParam::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TParam*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  if (other == this) return;
  name_ = other->name_;
  dataType_ = other->dataType_;
  if (paramType_ == ptUnknown) paramType_ = other->paramType_;
  value_ = other->value_;
  bound_ = other->bound_;
  size_ = other->size_;
  precision_ = other->precision_;
  numericScale_ = other->numericScale_;
  Changed(false);
}

bool TParam::IsEqual(const TParam& other) const {
  if (name_ != other.name_ || dataType_ != other.dataType_ || paramType_ != other.paramType_ ||
      bound_ != other.bound_ || IsNull() != other.IsNull() || value_.VarType() != other.value_.VarType())
    return false;
  if (value_.IsEmpty() || value_.IsNull()) return true;
  try {
    return VarSameValue(value_, other.value_);
  } catch (const Exception&) {
    return false;  // values that do not compare (arrays) count as different
  }
}

AnsiString TParam::DisplayName() const { return name_.empty() ? TCollectionItem::DisplayName() : name_; }

// ---- TParams ----

TParams::TParams(TPersistent* owner) : TOwnedCollection(owner, TCollectionItemClass::Of<TParam>()) {}

TParam* TParams::Items(int index) const { return static_cast<TParam*>(TCollection::Items(index)); }

TParam* TParams::AddParam() { return static_cast<TParam*>(TCollection::Add()); }

TParam* TParams::CreateParam(TFieldType dataType, const AnsiString& name, TParamType paramType) {
  TParam* param = AddParam();
  param->SetName(name);
  param->SetParamType(paramType);
  param->SetDataType(dataType);
  return param;
}

TParam* TParams::FindParam(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

TParam* TParams::ParamByName(std::string_view name) const {
  TParam* param = FindParam(name);
  if (param == nullptr) DatabaseErrorFmt(SParameterNotFound, {name}, OwnerComponent(GetOwner()));
  return param;
}

void TParams::AssignValues(const TParams& source) {
  if (&source == this) return;
  for (int i = 0; i < source.Count(); ++i)
    if (TParam* param = FindParam(source.Items(i)->Name())) param->Assign(source.Items(i));
}

bool TParams::IsEqual(const TParams& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (!Items(i)->IsEqual(*other.Items(i))) return false;
  return true;
}

AnsiString TParams::ParseSQL(std::string_view sql, bool doCreate) {
  if (doCreate) Clear();
  AnsiString result;
  result.reserve(sql.size());
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    std::size_t next = i;
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      next = ScanQuoted(sql, i, nullptr, nullptr);
    } else if (c == '-' || c == '/') {
      next = ScanComment(sql, i);
    } else if (c == ':') {
      if (i + 1 < sql.size() && sql[i + 1] == ':') {
        result.push_back(':');
        i += 2;
        continue;
      }
      AnsiString name;
      if (const std::size_t end = ScanMarker(sql, i, name); end != 0) {
        result.push_back('?');
        if (doCreate && FindParam(name) == nullptr) CreateParam(ftUnknown, name, ptUnknown);
        i = end;
        continue;
      }
    }
    if (next == i) next = i + 1;
    result.append(sql.substr(i, next - i));
    i = next;
  }
  return result;
}
