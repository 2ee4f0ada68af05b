#include "vcl/db/DBConsts.h"

#include "vcl/rtl/Component.h"

void DatabaseError(std::string_view message, const TComponent* component) {
  if (component != nullptr && !component->Name().empty()) {
    AnsiString text = component->Name();
    text += ": ";
    text += message;
    throw EDatabaseError(std::move(text));
  }
  throw EDatabaseError(AnsiString(message));
}

void DatabaseErrorFmt(std::string_view format, std::initializer_list<TVarRec> args, const TComponent* component) {
  DatabaseError(Format(format, args), component);
}
