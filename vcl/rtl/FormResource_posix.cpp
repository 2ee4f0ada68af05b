#include "vcl/rtl/FormResource.h"

// Outside Windows there are no program resources: definitions are registered or read from files.
bool FindDefinitionResource(std::string_view, std::string&) { return false; }
