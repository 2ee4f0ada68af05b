#include "vcl/db/DBCoreErrors.h"

#include "vcl/rtl/Component.h"
#include "vcl/rtl/Exceptions.h"

namespace dbcore {

void DatabaseError(std::string_view message, const TComponent* component) {
  if (component != nullptr && !component->Name().empty())
    throw EDatabaseError(component->Name() + ": " + AnsiString(message));
  throw EDatabaseError(AnsiString(message));
}

void DatabaseErrorFmt(std::string_view format, std::initializer_list<TVarRec> args, const TComponent* component) {
  DatabaseError(Format(format, args), component);
}

}  // namespace dbcore
