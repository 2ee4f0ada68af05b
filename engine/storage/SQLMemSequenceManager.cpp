#include "engine/storage/SQLMemSequenceManager.h"

#include <string>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemSession.h"
#include "vcl/rtl/OsSeam.h"

namespace {

TSQLMemSequenceDef& FindSequence(const TSQLMemSequenceDefs& defs, Integer objectId, Integer code) {
  auto* def = dynamic_cast<TSQLMemSequenceDef*>(defs.FindByObjectID(objectId));
  if (def == nullptr) SQLMemError(code, "Sequence #%d not found", {objectId});
  return *def;
}

}  // namespace

TSQLMemSequenceDef& TSQLMemBaseSequenceManager::GetSequenceDef(Integer objectId) {
  return FindSequence(SequenceDefs, objectId, 30013);
}

Int64 TSQLMemBaseSequenceManager::GetNextValue(TSQLMemBaseSession* session, Integer objectId) {
  TSQLMemSequenceDef& def = FindSequence(SequenceDefs, objectId, 30010);
  const Int64 value = def.NextValue();
  if (session != nullptr) session->SetSequenceValue(def.Name, value);
  return value;
}

Int64 TSQLMemBaseSequenceManager::GetCurrentValue(TSQLMemBaseSession* session, Integer objectId) {
  const TSQLMemSequenceDef& def = FindSequence(SequenceDefs, objectId, 30011);
  auto* last = session == nullptr
                   ? nullptr
                   : dynamic_cast<TSQLMemSessionNamedObjectSequenceValue*>(session->FindNamedObject(def.Name));
  if (last == nullptr)
    SQLMemError(30012, "No SequenceLastValue in session for sequence '%s'. Call GetNextVal first", {def.Name});
  return last->Value;
}

void TSQLMemBaseSequenceManager::SetCurrentValue(TSQLMemBaseSession& session, Integer objectId, Int64 value) {
  session.SetSequenceValue(GetSequenceDef(objectId).Name, value);
}

AnsiString TSQLMemBaseSequenceManager::MakeSequenceName(bool autoinc, const AnsiString& fieldName,
                                                        const AnsiString& tableName) const {
  const AnsiString base = AnsiString("$") + (autoinc ? "S_Autoinc" : "S_Linked") + "$" + tableName + "$" + fieldName;
  AnsiString name = base;
  while (SequenceDefs.IndexOfName(name) != -1) name = base + std::to_string(os::RandomInt(65535));
  return name;
}
