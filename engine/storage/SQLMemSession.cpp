#include "engine/storage/SQLMemSession.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"

void TSQLMemBaseSession::CreateDatabase() { SQLMemError(10888, SQLMemOperationNotSupported); }

void TSQLMemBaseSession::SessionHook1() { SQLMemError(10889, SQLMemOperationNotSupported); }

void TSQLMemBaseSession::SessionHook2() { SQLMemError(10890, SQLMemOperationNotSupported); }

TSQLMemSessionNamedObject* TSQLMemBaseSession::FindNamedObject(const AnsiString& name) const {
  for (const auto& object : namedObjects_)
    if (object->Name == name) return object.get();
  return nullptr;
}

void TSQLMemBaseSession::SetSequenceValue(const AnsiString& name, Int64 value) {
  if (auto* sequence = dynamic_cast<TSQLMemSessionNamedObjectSequenceValue*>(FindNamedObject(name))) {
    sequence->Value = value;
    return;
  }
  namedObjects_.push_back(std::make_unique<TSQLMemSessionNamedObjectSequenceValue>(name, value));
}
