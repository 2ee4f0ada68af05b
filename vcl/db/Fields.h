// Fields: the typed view of one column of a dataset's current record. A TField reads and writes its
// value through the dataset (GetData/SetData in the field's native form) and converts it to text,
// numbers, dates and Variants. One class per family of field types; DefaultFieldClass maps every
// field type the engine produces to its class.
//
// Native forms (the bytes GetFieldData/SetFieldData carry):
//   ftString, ftFixedChar        Size chars + a terminating zero (Windows-1250)
//   ftWideString, ftFixedWideChar Size UTF-16 units + a terminating zero unit
//   ftSmallint, ftWord            16 bits; ftInteger, ftAutoInc 32 bits; ftLargeint 64 bits
//   ftBoolean                     16 bits, 0 false, anything else true (-1 written)
//   ftFloat, ftCurrency           double (a currency field holds the amount itself)
//   ftDate                        int32 days + 693594; ftTime int32 ms of the day
//   ftDateTime                    double ms since 0001-01-01 ((TDateTime + 693594) * 86400000)
//   ftTimeStamp                   TSQLTimeStamp; ftBytes Size bytes; ftVarBytes 16-bit length + Size bytes
//   BLOB and memo types           none in the record: values go through CreateBlobStream
// Rules: writes go through the dataset, which calls Validate (OnValidate sees the new value through
// the field's getters) and reports the change (OnChange fires after it is stored). A ReadOnly field
// refuses writes in edit and insert state ("Field '%s' cannot be modified"); internal states
// (set-key, calculation, filter) may write it. Text that does not fit a string field is cut to Size.
// Reading a field of an inactive dataset gives "no value" (IsNull, AsString "", 0 for numbers).
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "vcl/db/DataSet.h"
#include "vcl/db/SQLTimeStamp.h"
#include "vcl/rtl/Alignment.h"
#include "vcl/rtl/Currency.h"

class TStream;
class TStrings;

enum TFieldKind { fkData = 0, fkCalculated = 1, fkLookup = 2, fkInternalCalc = 3, fkAggregate = 4 };

using TFieldNotifyEvent = std::function<void(TField* sender)>;
using TFieldGetTextEvent = std::function<void(TField* sender, AnsiString& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const AnsiString& text)>;

class TField : public TComponent {
 public:
  explicit TField(TComponent* owner);
  ~TField() override;

  // ---- identity ----
  TDataSet* DataSet() const { return dataSet_; }
  // Joins the dataset's Fields (both datasets must be inactive; the name must be new there).
  void SetDataSet(TDataSet* value);
  const AnsiString& FieldName() const { return fieldName_; }
  void SetFieldName(const AnsiString& value);
  // 1-based column of the dataset's record; -1 for calculated and lookup fields, 0 while unbound.
  int FieldNo() const { return fieldNo_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind value);
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  void SetSize(int value);
  // Bytes of the native form in a record buffer (0 for BLOBs).
  virtual int DataSize() const { return 0; }
  // Position of a calculated field's slot (null byte + DataSize) in the calculated-fields area.
  int Offset() const { return offset_; }
  int Index() const;
  void SetIndex(int value);
  bool Calculated() const { return fieldKind_ == fkCalculated; }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  virtual bool IsBlob() const { return false; }
  bool IsIndexField() const;
  bool CanModify() const { return GetCanModify(); }

  // ---- presentation ----
  AnsiString DisplayName() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  AnsiString DisplayLabel() const { return DisplayName(); }
  void SetDisplayLabel(const AnsiString& value);
  int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : GetDefaultWidth(); }
  void SetDisplayWidth(int value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);

  // ---- lookup fields ----
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  void SetLookupDataSet(TDataSet* value) { lookupDataSet_ = value; }
  const AnsiString& KeyFields() const { return keyFields_; }
  void SetKeyFields(const AnsiString& value) { keyFields_ = value; }
  const AnsiString& LookupKeyFields() const { return lookupKeyFields_; }
  void SetLookupKeyFields(const AnsiString& value) { lookupKeyFields_ = value; }
  const AnsiString& LookupResultField() const { return lookupResultField_; }
  void SetLookupResultField(const AnsiString& value) { lookupResultField_ = value; }

  // ---- value ----
  bool IsNull() const { return GetIsNull(); }
  virtual void Clear() { SetData(nullptr); }
  AnsiString AsString() const { return GetAsString(); }
  void SetAsString(const AnsiString& value) { SetAsStringImpl(value); }
  WideString AsWideString() const { return GetAsWideString(); }
  void SetAsWideString(const WideString& value) { SetAsWideStringImpl(value); }
  Integer AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(Integer value) { SetAsIntegerImpl(value); }
  Int64 AsLargeInt() const { return GetAsLargeInt(); }
  void SetAsLargeInt(Int64 value) { SetAsLargeIntImpl(value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double value) { SetAsFloatImpl(value); }
  Currency AsCurrency() const { return GetAsCurrency(); }
  void SetAsCurrency(Currency value) { SetAsCurrencyImpl(value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool value) { SetAsBooleanImpl(value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime value) { SetAsDateTimeImpl(value); }
  TSQLTimeStamp AsSQLTimeStamp() const { return GetAsSQLTimeStamp(); }
  void SetAsSQLTimeStamp(const TSQLTimeStamp& value) { SetAsSQLTimeStampImpl(value); }
  // Null for a null value; Null or Empty clears the field.
  Variant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const Variant& value);
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }

  // Text for display (grids) and for editing; OnGetText may supply both, OnSetText may take edits.
  AnsiString DisplayText() const;
  AnsiString Text() const;
  void SetText(const AnsiString& value);

  // The native bytes of the value (see the unit comment); nativeFormat false gives the client form
  // (TDateTime for dates and times). False when there is no value; buffer may be nil.
  bool GetData(Byte* buffer, bool nativeFormat = true) const;
  // nil writes null.
  void SetData(const Byte* buffer, bool nativeFormat = true);
  // Runs OnValidate for the new native value in buffer (nil = null). Datasets call it from
  // SetFieldData before they store the value.
  void Validate(const Byte* buffer);
  // Asks the data links to focus the control showing this field.
  void FocusControl();
  // From another field: its value (nil clears).
  void Assign(const TPersistent* source) override;

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  void BeforeDestruction() override;

 protected:
  virtual bool GetIsNull() const;
  virtual AnsiString GetAsString() const;  // the class description, e.g. "(MEMO)"
  virtual void SetAsStringImpl(const AnsiString& value);
  virtual WideString GetAsWideString() const;
  virtual void SetAsWideStringImpl(const WideString& value);
  virtual Integer GetAsInteger() const;
  virtual void SetAsIntegerImpl(Integer value);
  virtual Int64 GetAsLargeInt() const;
  virtual void SetAsLargeIntImpl(Int64 value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatImpl(double value);
  virtual Currency GetAsCurrency() const;
  virtual void SetAsCurrencyImpl(Currency value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanImpl(bool value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeImpl(TDateTime value);
  virtual TSQLTimeStamp GetAsSQLTimeStamp() const;
  virtual void SetAsSQLTimeStampImpl(const TSQLTimeStamp& value);
  virtual Variant GetAsVariant() const;
  // A value that is neither Null nor Empty.
  virtual void SetVarValue(const Variant& value);
  virtual void GetText(AnsiString& text, bool displayText) const;
  // Takes edited text; the default is SetAsString.
  virtual void AssignText(const AnsiString& value) { SetAsString(value); }
  virtual bool GetCanModify() const;
  virtual int GetDefaultWidth() const { return 10; }
  // Raises "Invalid field size" for a size the class cannot hold.
  virtual void CheckTypeSize(int value) const;
  // Accepts the field types of this class's family (set by field definitions); others are ignored.
  virtual void SetFieldType(TFieldType /*value*/) {}
  virtual void Bind(bool binding);
  virtual void FreeBuffers() {}
  void SetDataType(TFieldType value) { dataType_ = value; }
  void SetSizeInternal(int value) { size_ = value; }
  // "Cannot access field '%s' as type %s".
  [[noreturn]] void AccessError(const char* typeName) const;
  [[noreturn]] void RangeError(double value, double min, double max) const;
  void PropertyChanged(bool layout);
  // "(MEMO)" for a value, "(memo)" for null: the class name without "T" and "Field".
  AnsiString ClassDesc() const;

 private:
  friend class TDataSet;
  friend class TFields;
  friend class TFieldDef;

  void CalcLookupValue();
  void CheckInactiveDataSet() const;

  TDataSet* dataSet_ = nullptr;
  AnsiString fieldName_;
  int fieldNo_ = 0;
  TFieldKind fieldKind_ = fkData;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  int offset_ = 0;
  AnsiString displayLabel_;
  int displayWidth_ = 0;
  TAlignment alignment_ = taLeftJustify;
  bool visible_ = true;
  bool required_ = false;
  bool readOnly_ = false;
  TDataSet* lookupDataSet_ = nullptr;
  AnsiString keyFields_;
  AnsiString lookupKeyFields_;
  AnsiString lookupResultField_;
  // While OnValidate runs: the new native value (nil buffer = null).
  bool validating_ = false;
  const Byte* valueBuffer_ = nullptr;
};

// The fields of a dataset in column order. Fields are owned by components (the dataset for default
// fields, a form for persistent ones); the list borrows them. Clear frees the fields it holds.
class TFields : public TObject {
 public:
  explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
  ~TFields() override;

  int Count() const { return static_cast<int>(list_.size()); }
  // Raises "Field index out of range".
  TField* Fields(int index) const;
  TField* operator[](int index) const { return Fields(index); }
  TField* FindField(std::string_view fieldName) const;
  TField* FieldByName(std::string_view fieldName) const;
  TField* FieldByNumber(int fieldNo) const;
  int IndexOf(const TField* field) const;
  TDataSet* DataSet() const { return dataSet_; }
  // Raises "Field name missing" for an empty name and "Duplicate field name '%s'" for a taken one.
  void CheckFieldName(std::string_view fieldName) const;
  void Add(TField* field);
  void Remove(TField* field);
  void Clear();

  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

 private:
  friend class TField;
  friend class TDataSet;
  void Changed();
  void SetFieldIndex(TField* field, int value);

  TDataSet* dataSet_;
  std::vector<TField*> list_;
};

// ---- text ----

class TStringField : public TField {
 public:
  explicit TStringField(TComponent* owner);
  int DataSize() const override { return Size() + 1; }
  bool FixedChar() const { return DataType() == ftFixedChar; }
  void SetFixedChar(bool value) { SetDataType(value ? ftFixedChar : ftString); }

 protected:
  bool GetValue(AnsiString& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringImpl(const WideString& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerImpl(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntImpl(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatImpl(double value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanImpl(bool value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeImpl(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  int GetDefaultWidth() const override { return Size(); }
  void CheckTypeSize(int value) const override;
  void SetFieldType(TFieldType value) override;
};

class TWideStringField : public TField {
 public:
  explicit TWideStringField(TComponent* owner);
  int DataSize() const override { return (Size() + 1) * 2; }

 protected:
  bool GetValue(WideString& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringImpl(const WideString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  int GetDefaultWidth() const override { return Size(); }
  void CheckTypeSize(int value) const override;
  void SetFieldType(TFieldType value) override;
};

// ---- numbers ----

// Numbers with a display format (FormatFloat pictures) and an edit format; aligned right.
class TNumericField : public TField {
 public:
  explicit TNumericField(TComponent* owner);
  const AnsiString& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const AnsiString& value);
  const AnsiString& EditFormat() const { return editFormat_; }
  void SetEditFormat(const AnsiString& value);

 private:
  AnsiString displayFormat_;
  AnsiString editFormat_;
};

// ftInteger (and, through its subclasses, ftSmallint, ftWord and ftAutoInc). MinValue/MaxValue
// (both 0: none) narrow the type's own range; a value outside raises the range error.
class TIntegerField : public TNumericField {
 public:
  explicit TIntegerField(TComponent* owner);
  int DataSize() const override;
  Integer MinValue() const { return minValue_; }
  void SetMinValue(Integer value) { minValue_ = value; }
  Integer MaxValue() const { return maxValue_; }
  void SetMaxValue(Integer value) { maxValue_ = value; }

 protected:
  bool GetValue(Integer& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerImpl(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntImpl(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatImpl(double value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  int GetDefaultWidth() const override { return 11; }
  void SetRange(Integer minRange, Integer maxRange);

 private:
  Integer minRange_;
  Integer maxRange_;
  Integer minValue_ = 0;
  Integer maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
 public:
  explicit TSmallintField(TComponent* owner);

 protected:
  int GetDefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
 public:
  explicit TWordField(TComponent* owner);

 protected:
  int GetDefaultWidth() const override { return 5; }
};

// Numbered by the dataset; the usual controls do not edit it.
class TAutoIncField : public TIntegerField {
 public:
  explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
 public:
  explicit TLargeintField(TComponent* owner);
  int DataSize() const override { return 8; }
  Int64 MinValue() const { return minValue_; }
  void SetMinValue(Int64 value) { minValue_ = value; }
  Int64 MaxValue() const { return maxValue_; }
  void SetMaxValue(Int64 value) { maxValue_ = value; }

 protected:
  bool GetValue(Int64& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  Integer GetAsInteger() const override;  // ERangeError when the value does not fit
  void SetAsIntegerImpl(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntImpl(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatImpl(double value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  int GetDefaultWidth() const override { return 15; }

 private:
  Int64 minValue_ = 0;
  Int64 maxValue_ = 0;
};

// ftFloat; with Currency set the display text is a currency amount. Precision (default 15) is the
// number of significant digits of the text.
class TFloatField : public TNumericField {
 public:
  explicit TFloatField(TComponent* owner);
  int DataSize() const override { return 8; }
  bool IsCurrency() const { return currency_; }
  void SetCurrency(bool value);
  int Precision() const { return precision_; }
  void SetPrecision(int value);
  double MinValue() const { return minValue_; }
  void SetMinValue(double value) { minValue_ = value; }
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double value) { maxValue_ = value; }

 protected:
  bool GetValue(double& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerImpl(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntImpl(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatImpl(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyImpl(Currency value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  int GetDefaultWidth() const override { return precision_ + 1; }

 private:
  bool currency_ = false;
  int precision_ = 15;
  double minValue_ = 0;
  double maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
 public:
  explicit TCurrencyField(TComponent* owner);
};

// ftBoolean. DisplayValues "yes;no" sets the texts of true and false (default "True" and "False");
// text input accepts any leading part of either, ignoring case; empty text writes the value whose
// text is empty, else null.
class TBooleanField : public TField {
 public:
  explicit TBooleanField(TComponent* owner);
  int DataSize() const override { return 2; }
  const AnsiString& DisplayValues() const { return displayValues_; }
  void SetDisplayValues(const AnsiString& value);

 protected:
  bool GetValue(bool& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanImpl(bool value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  int GetDefaultWidth() const override;

 private:
  AnsiString displayValues_;
  AnsiString textTrue_;
  AnsiString textFalse_;
};

// ---- dates and times ----

// ftDateTime and, through its subclasses, ftDate and ftTime. The value is a TDateTime; null reads as 0.
// DisplayFormat is a FormatDateTime format; without one dates show ShortDateFormat, times
// LongTimeFormat, date-times "c".
class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TComponent* owner);
  int DataSize() const override;
  const AnsiString& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const AnsiString& value);

 protected:
  bool GetValue(TDateTime& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  double GetAsFloat() const override;
  void SetAsFloatImpl(double value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeImpl(TDateTime value) override;
  TSQLTimeStamp GetAsSQLTimeStamp() const override;
  void SetAsSQLTimeStampImpl(const TSQLTimeStamp& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  int GetDefaultWidth() const override { return 18; }

 private:
  AnsiString displayFormat_;
};

class TDateField : public TDateTimeField {
 public:
  explicit TDateField(TComponent* owner);
};

class TTimeField : public TDateTimeField {
 public:
  explicit TTimeField(TComponent* owner);
};

// ftTimeStamp, native form TSQLTimeStamp.
class TSQLTimeStampField : public TField {
 public:
  explicit TSQLTimeStampField(TComponent* owner);
  int DataSize() const override { return static_cast<int>(sizeof(TSQLTimeStamp)); }
  const AnsiString& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const AnsiString& value);

 protected:
  bool GetValue(TSQLTimeStamp& value) const;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  double GetAsFloat() const override;
  void SetAsFloatImpl(double value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeImpl(TDateTime value) override;
  TSQLTimeStamp GetAsSQLTimeStamp() const override;
  void SetAsSQLTimeStampImpl(const TSQLTimeStamp& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  int GetDefaultWidth() const override { return 24; }

 private:
  AnsiString displayFormat_;
};

// ---- bytes ----

// ftBytes (exactly Size bytes, shorter values padded with zeros) and ftVarBytes (up to Size bytes).
// AsString is the bytes as 8-bit text; AsVariant a byte array. A longer value raises
// "Value of field '%s' is out of range".
class TBinaryField : public TField {
 public:
  explicit TBinaryField(TComponent* owner);
  std::vector<Byte> AsBytes() const;
  void SetAsBytes(const std::vector<Byte>& value);

 protected:
  virtual bool GetBytes(std::vector<Byte>& value) const = 0;
  virtual void SetBytes(const Byte* data, int size) = 0;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  void CheckTypeSize(int value) const override;
};

class TBytesField : public TBinaryField {
 public:
  explicit TBytesField(TComponent* owner);
  int DataSize() const override { return Size(); }

 protected:
  bool GetBytes(std::vector<Byte>& value) const override;
  void SetBytes(const Byte* data, int size) override;
};

class TVarBytesField : public TBinaryField {
 public:
  explicit TVarBytesField(TComponent* owner);
  int DataSize() const override { return Size() + 2; }

 protected:
  bool GetBytes(std::vector<Byte>& value) const override;
  void SetBytes(const Byte* data, int size) override;
};

// ---- BLOBs ----

// BLOB-class fields read and write their value through the dataset's CreateBlobStream. Writing
// truncates the value first and then writes the new bytes; writing an empty value also sets the
// stream's size to 0 explicitly, so that a stream which stores only on change stores the empty value.
class TBlobField : public TField {
 public:
  explicit TBlobField(TComponent* owner);
  bool IsBlob() const override { return true; }
  TFieldType BlobType() const { return DataType(); }
  void SetBlobType(TFieldType value) { SetFieldType(value); }
  Int64 BlobSize() const;
  // Set by a BLOB stream that wrote the value of the current record; FreeBuffers then closes the
  // BLOB (CloseBlob).
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  void Clear() override;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;
  // From another BLOB field (its bytes), from TStrings (their Text) or from any field (its value).
  void Assign(const TPersistent* source) override;

 protected:
  bool GetIsNull() const override;
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringImpl(const WideString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(AnsiString& text, bool displayText) const override;
  void CheckTypeSize(int value) const override;
  void SetFieldType(TFieldType value) override;
  void FreeBuffers() override;
  // The whole value as bytes, and the value replaced by bytes.
  std::string ReadAll() const;
  void WriteAll(std::string_view bytes);

 private:
  bool modified_ = false;
};

// ftMemo (and ftFmtMemo): 8-bit text.
class TMemoField : public TBlobField {
 public:
  explicit TMemoField(TComponent* owner);

 protected:
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

// ftWideMemo: the stream holds UTF-16 units (little-endian); AsString converts to Windows-1250.
class TWideMemoField : public TBlobField {
 public:
  explicit TWideMemoField(TComponent* owner);

 protected:
  AnsiString GetAsString() const override;
  void SetAsStringImpl(const AnsiString& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringImpl(const WideString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

class TGraphicField : public TBlobField {
 public:
  explicit TGraphicField(TComponent* owner);
};

// ---- field classes by type ----

using TFieldFactory = TField* (*)(TComponent* owner);
// The class that stands for a field type (nil for types without one: ftUnknown, ftBCD, ftCursor,
// ftADT, ftArray, ftReference, ftDataSet, ftVariant, ftInterface, ftIDispatch, ftGuid, ftFMTBcd).
TFieldFactory DefaultFieldClass(TFieldType type);
// The type's name as the framework spells it ("String", "Integer", "WideMemo", ...).
const char* FieldTypeName(TFieldType type);
