// Parameters of an SQL text: TParam holds one named value with its framework field type and direction,
// TParams the list a query keeps. ParseSQL finds the ":name" markers of a text, so that a query has one
// parameter per name it uses, and gives the text back with each marker replaced by "?".
//
// Form definitions store a query's list as its "ParamData" collection (one item per parameter with
// Name, DataType, ParamType, Size, Precision, NumericScale, Value); the query component defines that
// property and reads the items into its TParams.
#pragma once
#include <string_view>
#include "vcl/db/FieldTypes.h"
#include "vcl/rtl/Collection.h"
#include "vcl/rtl/Currency.h"
#include "vcl/rtl/Set.h"
#include "vcl/rtl/Variant.h"

enum TParamType { ptUnknown = 0, ptInput = 1, ptOutput = 2, ptInputOutput = 3, ptResult = 4 };
using TParamTypes = TSet<TParamType, 5>;

// The bytes of a BLOB parameter value (8-bit string, any bytes).
using TBlobData = AnsiString;

class TField;
class TParams;

class TParam : public TCollectionItem {
 public:
  explicit TParam(TCollection* collection) : TCollectionItem(collection) {}
  TParam(TParams* params, TParamType paramType);

  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& value);
  TFieldType DataType() const { return dataType_; }
  // Changing the type converts a held value to the variant kind of the new type (text for string and
  // BLOB types, Integer for ftInteger, a date for ftDate/ftTime/ftDateTime/ftTimeStamp, ...); a value
  // that does not convert, or a type without a value kind, leaves the parameter null.
  void SetDataType(TFieldType value);
  TParamType ParamType() const { return paramType_; }
  void SetParamType(TParamType value);
  // True once a value was given (anything but Unassigned); a query binds master values only to
  // parameters that are not bound.
  bool Bound() const { return bound_; }
  void SetBound(bool value) { bound_ = value; }
  Integer Size() const { return size_; }
  void SetSize(Integer value) { size_ = value; }
  Integer Precision() const { return precision_; }
  void SetPrecision(Integer value) { precision_ = value; }
  Integer NumericScale() const { return numericScale_; }
  void SetNumericScale(Integer value) { numericScale_ = value; }

  // The value as given. Setting it marks the parameter Bound unless it is Unassigned. A parameter of
  // type ftUnknown takes its type from the value (ftSmallint for the small integer kinds, ftInteger,
  // ftLargeint, ftFloat, ftCurrency, ftDateTime, ftBoolean, ftString, ftWideString); a typed one keeps
  // its type.
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& value);
  // Null or Unassigned.
  bool IsNull() const;
  // Null value; name, types and Bound stay.
  void Clear();

  // Typed access. Each setter sets the matching field type and the value; each getter converts the
  // value (Variant's rules, raising when it cannot) and gives "", 0 or false for a null parameter.
  AnsiString AsString() const;
  void SetAsString(const AnsiString& value);  // ftString (ftFixedChar stays ftFixedChar)
  Integer AsInteger() const;
  void SetAsInteger(Integer value);
  SmallInt AsSmallInt() const;
  void SetAsSmallInt(SmallInt value);
  Word AsWord() const;
  void SetAsWord(Word value);
  Int64 AsLargeInt() const;
  void SetAsLargeInt(Int64 value);
  double AsFloat() const;
  void SetAsFloat(double value);
  Currency AsCurrency() const;
  void SetAsCurrency(Currency value);
  Currency AsBCD() const { return AsCurrency(); }
  void SetAsBCD(Currency value);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value);
  TDateTime AsDate() const { return AsDateTime(); }
  void SetAsDate(TDateTime value);
  TDateTime AsTime() const { return AsDateTime(); }
  void SetAsTime(TDateTime value);
  bool AsBoolean() const;
  void SetAsBoolean(bool value);
  AnsiString AsMemo() const { return AsString(); }
  void SetAsMemo(const AnsiString& value);
  TBlobData AsBlob() const { return AsString(); }
  void SetAsBlob(const TBlobData& value);
  WideString AsWideString() const;
  void SetAsWideString(const WideString& value);
  // The value as text; setting it keeps the type (as SetValue).
  AnsiString Text() const { return AsString(); }
  void SetText(const AnsiString& value) { SetValue(Variant(value)); }

  // Copies another parameter: name, types, value, Bound, sizes; the direction only when this one's is
  // ptUnknown. Other sources raise the assign error.
  void Assign(const TPersistent* source) override;
  // Takes a field's name, type and current value (Null for a null field); the parameter is Bound.
  void AssignField(const TField& field);
  // Same name (exact), types, direction, null state, Bound and value (same variant kind and equal).
  bool IsEqual(const TParam& other) const;
  AnsiString DisplayName() const override;

 private:
  // Sets type and value together (the typed setters): no type inference, Bound follows the value.
  void SetTyped(TFieldType type, Variant value);

  AnsiString name_;
  TFieldType dataType_ = ftUnknown;
  TParamType paramType_ = ptUnknown;
  Variant value_;
  bool bound_ = false;
  Integer size_ = 0;
  Integer precision_ = 0;
  Integer numericScale_ = 0;
};

class TParams : public TOwnedCollection {
 public:
  // `owner` is the query (or nil); errors name it when it is a component.
  explicit TParams(TPersistent* owner = nullptr);

  TParam* Items(int index) const;  // EListError for an index out of range
  TParam* AddParam();
  TParam* CreateParam(TFieldType dataType, const AnsiString& name, TParamType paramType);

  // The first parameter of that name (case ignored), nil when none.
  TParam* FindParam(std::string_view name) const;
  // As FindParam; EDatabaseError "Parameter '%s' not found" (naming the owner) when none.
  TParam* ParamByName(std::string_view name) const;

  // For each parameter of `source`, the parameter of this list with the same name (if any) takes it over
  // (TParam::Assign). The list itself stays as it is.
  void AssignValues(const TParams& source);
  // Same count and each parameter IsEqual to the one at its position.
  bool IsEqual(const TParams& other) const;

  // Scans an SQL text for parameter markers and returns it with each marker replaced by "?". With
  // doCreate the list is cleared first and gets one ftUnknown/ptUnknown parameter per distinct name
  // (case ignored, first spelling kept, in order of first use); without it the list is left alone.
  //   :name        a name of letters, digits, '_' and bytes from 0x80 (Windows-1250 letters), not
  //                starting with a digit; it ends at any other character
  //   :"a name"    also :'a name' and :`a name`; a doubled quote inside stands for one; the name may hold
  //                anything but must not be empty
  //   ::           an escaped colon: becomes ":" and starts no marker
  // Not markers: a ":" followed by anything else (":=", ": x", ":1", ":(" or the end of the text), and
  // anything inside a literal ('...', "...", `...`, [...], a doubled closing character standing for
  // itself), a "--" line comment or a "/* */" comment; these pass through unchanged.
  AnsiString ParseSQL(std::string_view sql, bool doCreate);
};
