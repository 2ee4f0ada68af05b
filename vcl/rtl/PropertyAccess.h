// Published properties of any object, by name at run time, through the property tables of the
// registered classes (PropertyTable.h): code that treats foreign controls alike (the skin library)
// asks for "Color" or "Font" without knowing the class. An object of an unregistered class uses the
// tables of the registered classes it derives from. A property that is missing, or that its table gives no
// getter or setter for, is skipped: reads answer nil / -1 / false, writes do nothing.
#pragma once
#include <string_view>
#include "vcl/rtl/SysTypes.h"

class TObject;

bool HasPropByName(const TObject* obj, std::string_view name);
// The object an Object or Component property holds; nil when absent.
TObject* GetObjPropByName(const TObject* obj, std::string_view name);
// The ordinal value (Integer, Boolean as 0/1, enumeration) of a property; -1 when absent.
Int64 GetOrdPropByName(const TObject* obj, std::string_view name);
// Writes an ordinal value when the property is present (an enumeration takes only values it names).
void SetOrdPropByName(TObject* obj, std::string_view name, Int64 value);
// True when the set property holds the element of that name (ASCII case ignored).
bool SetPropHasElement(const TObject* obj, std::string_view propName, std::string_view elementName);
// Adds the element to the set property (nothing when it is there already) or takes it out.
void ChangeSetPropByName(TObject* obj, std::string_view propName, std::string_view elementName, bool add);
