#include "engine/dataset/SQLMemQuery.h"

#include "engine/dataset/SQLMemFieldTypeNames.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemLexer.h"
#include "engine/sql/SQLMemLocalSQLProcessor.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/db/DBConsts.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Writer.h"

namespace {

// The text without the line break that ends its last line.
AnsiString TextOf(const TStrings& lines) {
  AnsiString text = lines.Text();
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

bool IsBlobParamType(TFieldType type) { return type >= ftBlob && type <= ftFmtMemo; }

}  // namespace

TDataSet* TSQLMemQueryDataLink::GetDetailDataSet() { return &query_; }

void TSQLMemQueryDataLink::ActiveChanged() {
  if (query_.Active()) query_.RefreshFromMaster();
}

void TSQLMemQueryDataLink::RecordChanged(TField* field) {
  if (field == nullptr && query_.Active()) query_.RefreshFromMaster();
}

void TSQLMemQueryDataLink::CheckBrowseMode() {
  if (query_.Active()) query_.CheckBrowseMode();
}

TSQLMemQuery::TSQLMemQuery(TComponent* owner)
    : TSQLMemDataSet(owner),
      sql_(std::make_unique<TStringList>()),
      params_(std::make_unique<TParams>(this)),
      dataLink_(std::make_unique<TSQLMemQueryDataLink>(*this)) {
  sql_->OnChange = [this](TObject*) { SQLChanged(); };
}

TSQLMemQuery::~TSQLMemQuery() {
  try {
    CloseDataSet();
  } catch (...) {
    // A destructor never raises; the processor goes with the query either way.
  }
  sql_->OnChange = nullptr;
  dataLink_->SetDataSource(nullptr);
}

void TSQLMemQuery::SetDataSource(TDataSource* value) {
  if (value != nullptr && IsLinkedTo(value)) DatabaseError(SCircularDataLink, this);
  dataLink_->SetDataSource(value);
}

void TSQLMemQuery::GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) {
  masterFields.clear();
  detailFields.clear();
  TDataSet* master = dataLink_->DataSet();
  if (master == nullptr) return;
  for (int i = 0; i < params_->Count(); ++i) {
    TField* masterField = master->FindField(params_->Items(i)->Name());
    if (masterField == nullptr) continue;
    masterFields.push_back(masterField);
    if (TField* own = FindField(params_->Items(i)->Name())) detailFields.push_back(own);
  }
}

void TSQLMemQuery::RefreshFromMaster() {
  DisableControls();
  try {
    TDataSet* master = dataLink_->DataSet();
    if (master != nullptr && master->Active() && master->State() != dsSetKey) {
      Close();
      Open();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TSQLMemQuery::BindMasterValues() {
  TDataSet* master = dataLink_->DataSet();
  if (master == nullptr) return;
  master->FieldDefs().Update();
  for (int i = 0; i < params_->Count(); ++i) {
    TParam& param = *params_->Items(i);
    if (param.Bound()) continue;
    param.AssignField(*master->FieldByName(param.Name()));
    // Unbound again, so that the next run takes the master's values of that moment.
    param.SetBound(false);
  }
}

void TSQLMemQuery::SetSQL(const TStrings& value) {
  if (value.Text() == sql_->Text()) return;
  CloseDataSet();
  sql_->BeginUpdate();
  try {
    sql_->Assign(&value);
  } catch (...) {
    sql_->EndUpdate();
    throw;
  }
  sql_->EndUpdate();
}

void TSQLMemQuery::ConvertMarkers() {
  const AnsiString text = sql_->Text();
  if (text.find('?') == AnsiString::npos) return;
  AnsiString converted;
  ConvertParamMarkers(text, converted);
  if (converted == text) return;
  converting_ = true;
  try {
    sql_->SetText(converted);
  } catch (...) {
    converting_ = false;
    throw;
  }
  converting_ = false;
}

void TSQLMemQuery::SQLChanged() {
  if (ComponentState().Contains(csReading)) {
    ConvertMarkers();
    parsedText_ = params_->ParseSQL(sql_->Text(), false);
    return;
  }
  CloseDataSet();
  storedData_.clear();
  // The nested change that the conversion makes finishes the work; this run only has to stop.
  if (!converting_) {
    const AnsiString before = sql_->Text();
    ConvertMarkers();
    if (sql_->Text() != before) return;
  }
  if (paramCheck_ || ComponentState().Contains(csDesigning)) {
    TParams fresh(this);
    parsedText_ = fresh.ParseSQL(sql_->Text(), true);
    fresh.AssignValues(*params_);
    params_->Assign(&fresh);
  } else {
    parsedText_ = sql_->Text();
  }
  DataEvent(dePropertyChange, 0);
}

void TSQLMemQuery::SetPrepared(bool value) {
  if (value && cursor_ != nullptr) SQLMemError(30141, SQLMemNotOnOpenDataset);
  if (value == prepared_) return;
  if (value) {
    rowsAffected_ = -1;
    rowsPending_ = true;
    ran_ = false;
    if (TextOf(*sql_).size() < 2) SQLMemError(30142, SQLMemNoSQLStatementAvailable);
    PrepareSQL(sql_->Text());
  } else {
    // The processor owns the result: a dataset still reading it closes before it goes.
    if (cursor_ != nullptr) Close();
    if (rowsPending_ && processor_ != nullptr) rowsAffected_ = RowsAffected();
    processor_.reset();
    keptCursor_ = nullptr;
  }
  prepared_ = value;
}

void TSQLMemQuery::PrepareSQL(const AnsiString& text) {
  TSQLMemSQLContext context;
  context.DatabaseName = DatabaseName();
  context.SessionName = SessionName();
  context.InMemory = InMemory();
  context.RequestLive = requestLive_;
  processor_ = std::make_unique<TSQLMemLocalSQLProcessor>(context);
  processor_->Query = this;
  processor_->RequestLive = requestLive_;
  // The processor reads the named markers; ":name" stays in the text it receives.
  processor_->SetSQLText(text.c_str());
}

void TSQLMemQuery::Prepare() {
  HoldDatabase(hrPrepared, true);
  SetPrepared(true);
}

void TSQLMemQuery::Unprepare() {
  SetPrepared(false);
  HoldDatabase(hrPrepared, false);
}

void TSQLMemQuery::CloseDataSet() {
  TSQLMemDataSet::CloseDataSet();
  Unprepare();
}

void TSQLMemQuery::HoldDatabase(Byte reason, bool hold) {
  if (!hold && reason < 16) {
    const std::uint16_t others = HoldSet() & static_cast<std::uint16_t>(~(1u << reason));
    if (others == 0) SetPrepared(false);
  }
  TSQLMemDataSet::HoldDatabase(reason, hold);
}

void TSQLMemQuery::ExecuteSQL() {
  CheckInactive();
  HoldDatabase(hrExecuting, true);
  try {
    ExecuteQuery(false);
  } catch (...) {
    HoldDatabase(hrExecuting, false);
    throw;
  }
  HoldDatabase(hrExecuting, false);
}

Integer TSQLMemQuery::RowsAffected() const {
  if (!prepared_ || processor_ == nullptr || !ran_) return rowsAffected_;
  return CheckedCast<Integer>(processor_->RowsTotal);
}

TSQLMemCursor* TSQLMemQuery::CreateCursorHandle() {
  if (keptCursor_ != nullptr) return keptCursor_;
  return ExecuteQuery(true);
}

void TSQLMemQuery::DestroyCursorHandle() {
  // The result cursor belongs to the processor: the dataset lets go of it without freeing it.
  TSQLMemCursor* const kept = keptCursor_;
  keptCursor_ = cursor_;
  TSQLMemDataSet::DestroyCursorHandle();
  keptCursor_ = kept;
  // A close that keeps the cursor (the dataset reopens on it, as a new projection does) keeps the
  // processor that owns it.
  if (params_->Count() == 0 && kept == nullptr) SetPrepared(false);
}

TSQLMemCursor* TSQLMemQuery::ExecuteQuery(bool wantCursor) {
  if (sql_->Count() == 0) SQLMemError(20034, SQLMemNoSQLStatementAvailable);
  if (database_ != nullptr && database_->DoBeforeExecuteSQL(this))
    DatabaseError(SQLMemExecuteScriptBlockedByEvent, this);
  SetPrepared(true);
  BindMasterValues();
  HandOverParams();
  ran_ = false;
  processor_->Prepare();
  ran_ = true;
  TSQLMemCursor* cursor = nullptr;
  if (wantCursor) {
    cursor = processor_->ResultCursor();
    SetReadOnly(processor_->ResultIsReadOnly);
  }
  if (database_ != nullptr) database_->DoAfterExecuteSQL(this);
  rowsPending_ = processor_->ResultCursor() == nullptr;
  return cursor;
}

void TSQLMemQuery::HandOverParams() {
  if (params_->Count() == 0) return;
  TSQLMemSQLParams& target = processor_->Params;
  target.Clear();
  for (int i = 0; i < params_->Count(); ++i) {
    const TParam& param = *params_->Items(i);
    TSQLMemVariant& value = target.Add(param.Name()).Value;
    if (param.IsNull()) {
      value.Clear(edtNone);
      continue;
    }
    if (IsBlobParamType(param.DataType())) {
      // Every BLOB kind travels as raw bytes; an empty one stays a null BLOB.
      value.Clear(edtBLOB);
      AnsiString bytes = param.AsString();
      if (!bytes.empty())
        value.SetData(bytes.data(), CheckedCast<Integer>(bytes.size()), edtBLOB, true, false);
      continue;
    }
    value.Clear(FieldTypeToDataType(VCLFieldTypeToFieldType(param.DataType())));
    if (param.DataType() == ftWideString) {
      value.SetAsWideString(param.AsWideString());
    } else {
      value.SetAsVariant(param.Value());
    }
  }
}

// ---- form definitions ----

namespace {

const TIdents<TParamType> kParamTypes = {
    {"ptUnknown", ptUnknown}, {"ptInput", ptInput}, {"ptOutput", ptOutput}, {"ptInputOutput", ptInputOutput},
    {"ptResult", ptResult}};

template <class E>
const char* IdentOf(const TIdents<E>& idents, E value) {
  for (const auto& [name, v] : idents)
    if (v == value) return name;
  return idents.front().first;
}

// A parameter's value as a definition holds it: text, a whole number, a float (dates and money too),
// True/False or Null; an unassigned value is not written.
void WriteParamValue(TWriter& writer, const Variant& value) {
  switch (value.VarType()) {
    case varEmpty: return;
    case varNull: writer.WriteIdent("Value", "Null"); return;
    case varBoolean: writer.WriteBoolean("Value", value.AsBoolean()); return;
    case varShortInt: case varByte: case varSmallint: case varWord: case varInteger: case varLongWord:
    case varInt64: writer.WriteInteger("Value", value.AsInt64()); return;
    case varSingle: case varDouble: case varCurrency: case varDate:
      writer.WriteFloat("Value", value.AsDouble());
      return;
    default: writer.WriteString("Value", value.AsString()); return;
  }
}

// The value read back; the parameter's type, when it has one, gives it its variant kind again.
void ReadParamValue(TParam& param, const TDefValue& value, TReader& reader) {
  Variant v;
  switch (value.kind) {
    case TDefValueKind::Integer: v = Variant(value.integer); break;
    case TDefValueKind::Float: v = Variant(value.real); break;
    case TDefValueKind::String: v = Variant(value.text); break;
    case TDefValueKind::Identifier:
      if (SameDefName(value.text, "Null")) {
        v = Null();
      } else {
        v = Variant(detail::DefToBoolean(value, reader, "Value"));
      }
      break;
    default: detail::RequireKind(value, TDefValueKind::String, reader, "Value");
  }
  const TFieldType type = param.DataType();
  param.SetValue(v);
  if (type != ftUnknown) param.SetDataType(type);
}

}  // namespace

void TSQLMemQuery::DefineProperties(TFiler& filer) {
  TSQLMemDataSet::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Data",
      [this](TStream& stream) {
        storedData_.resize(CheckedCast<std::size_t>(stream.GetSize()));
        if (!storedData_.empty()) stream.ReadBuffer(storedData_.data(), CheckedCast<Integer>(storedData_.size()));
      },
      [this](TStream& stream) {
        if (!storedData_.empty()) stream.WriteBuffer(storedData_.data(), CheckedCast<Integer>(storedData_.size()));
      },
      !storedData_.empty());
  filer.DefineProperty(
      "ParamData", [this](TReader& reader) { reader.ReadCollection(*params_); },
      [this](TWriter& writer) {
        writer.BeginCollection(writer.DefinedName());
        for (int i = 0; i < params_->Count(); ++i) {
          const TParam& param = *params_->Items(i);
          writer.BeginItem();
          writer.WriteIdent("DataType", IdentOf(FieldTypeIdents(), param.DataType()));
          writer.WriteString("Name", param.Name());
          writer.WriteIdent("ParamType", IdentOf(kParamTypes, param.ParamType()));
          if (param.Size() != 0) writer.WriteInteger("Size", param.Size());
          if (param.Precision() != 0) writer.WriteInteger("Precision", param.Precision());
          if (param.NumericScale() != 0) writer.WriteInteger("NumericScale", param.NumericScale());
          WriteParamValue(writer, param.Value());
          writer.EndItem();
        }
        writer.EndCollection();
      },
      params_->Count() > 0);
}

void RegisterSQLMemQuery() {
  if (FindPropertyTable(typeid(TSQLMemDataSet)) == nullptr) RegisterSQLMemDataSet();
  RegisterStreamedClass<TParam>("TParam", [](TPropertyTableOf<TParam>& p) {
    p.EnumProp("DataType", &TParam::SetDataType, FieldTypeIdents());
    p.StringProp("Name", &TParam::SetName);
    p.EnumProp("ParamType", &TParam::SetParamType, kParamTypes);
    p.IntegerProp("Size", &TParam::SetSize);
    p.IntegerProp("Precision", &TParam::SetPrecision);
    p.IntegerProp("NumericScale", &TParam::SetNumericScale);
    p.CustomProp("Value", ReadParamValue);
  });
  RegisterStreamedClass<TSQLMemQuery, TSQLMemDataSet>("TSQLMemQuery", [](TPropertyTableOf<TSQLMemQuery>& p) {
    p.ComponentProp("DataSource", &TSQLMemQuery::SetDataSource);
    p.BoolProp("ParamCheck", &TSQLMemQuery::SetParamCheck);
    p.BoolProp("RequestLive", &TSQLMemQuery::SetRequestLive);
    p.StringsProp("SQL", [](TSQLMemQuery& q) -> TStrings& { return q.SQL(); });
  });
}
