// The SQL processor base of a query component: its SQL text and parameter values, and the decision
// whether a statement must be prepared again because a parameter value changed since the last run.
// The SQL layer's processor overrides Prepare with its statement runner.
#pragma once
#include <memory>
#include <string_view>
#include <vector>
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemQuery;

class TStream;

// A named SQL parameter: its value, and its name with the name's case-insensitive NameHash, so that
// names differing only in letter case hash alike (an empty name hashes to 0).
struct TSQLMemSQLParam {
  explicit TSQLMemSQLParam(const AnsiString& name = AnsiString());
  void SetName(const AnsiString& name);  // sets Name and recomputes NameHashValue
  // The value's assignment (copyData as TSQLMemVariant::Assign); a parameter source also gives its name.
  void Assign(const TSQLMemVariant& source, bool copyData);
  void Assign(const TSQLMemSQLParam& source, bool copyData);
  // Stream form: int32 name length, the name's bytes (none when empty), then the value's stream form.
  // Short writes raise ESQLMemException 11192 (length) and 11193 (name); short reads 11190 and 11191,
  // and a name length that is negative or longer than the rest of the stream raises 11191 before
  // anything is read for it.
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

  AnsiString Name;
  Cardinal NameHashValue;
  TSQLMemVariant Value;
};

// The ordered, owning parameter list of a statement; duplicate names are allowed (look-ups take the
// first).
class TSQLMemSQLParams {
 public:
  Integer GetCount() const { return static_cast<Integer>(items_.size()); }
  TSQLMemSQLParam& Add(const AnsiString& name = AnsiString());
  TSQLMemSQLParam& GetItem(Integer index) const;  // EListError outside 0..count - 1
  void Clear() { items_.clear(); }
  // The first parameter whose name equals name after both are upper-cased by the locale; nullptr when
  // none.
  TSQLMemSQLParam* FindParam(std::string_view name) const;
  // Index of the first parameter with this NameHashValue; -1 when none.
  Integer IndexOfHash(Cardinal hash) const;
  // Folds the value hash of each parameter (the first 256) from a fixed seed: equal values in equal
  // order give equal signatures.
  Integer GetValueSignature() const;

 private:
  std::vector<std::unique_ptr<TSQLMemSQLParam>> items_;
};

class TSQLMemSQLProcessor {
 public:
  explicit TSQLMemSQLProcessor(TSQLMemQuery* query) : Query(query) {}
  virtual ~TSQLMemSQLProcessor() = default;
  TSQLMemSQLProcessor(const TSQLMemSQLProcessor&) = delete;
  TSQLMemSQLProcessor& operator=(const TSQLMemSQLProcessor&) = delete;

  // Clears the needs-preparation flag; after the first preparation a changed parameter signature
  // calls Unprepare. Resets the rows total.
  virtual void Prepare();
  virtual void Unprepare() { NeedsPreparation = 1; }
  void Execute() { Prepare(); }
  void SetSQLText(const char* text) { SQLText = text != nullptr ? text : ""; }

  TSQLMemQuery* Query;  // borrowed
  Int64 RowsTotal = 0;
  AnsiString SQLText;
  TSQLMemSQLParams Params;
  Byte FirstPreparation = 1;
  Integer ParamSignature = 0;
  Byte NeedsPreparation = 0;
};
