// The names of the framework's field types as form definitions write them ("ftString", ...), shared
// by the dataset components that store field and parameter types.
#pragma once
#include "vcl/db/FieldTypes.h"
#include "vcl/rtl/PropertyTable.h"

const TIdents<TFieldType>& FieldTypeIdents();
