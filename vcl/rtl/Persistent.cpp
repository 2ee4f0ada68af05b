#include "vcl/rtl/Persistent.h"

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

void TPersistent::Assign(const TPersistent* source) {
  if (source != nullptr)
    source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  const AnsiString sourceName = source != nullptr ? source->ClassName() : AnsiString("nil");
  throw EConvertError(Format("Cannot assign a %s to a %s", {sourceName, ClassName()}));
}
