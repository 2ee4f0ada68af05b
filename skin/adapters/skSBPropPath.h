// Colour properties of foreign controls reached by a dotted path of published names ("TitleFont.Color",
// "ControlLook.FixedGradientFrom"): each step but the last names an object property, the last an
// ordinal one. A missing step makes the property absent: it reads nothing and takes nothing.
#pragma once
#include <string_view>
#include "vcl/rtl/SysTypes.h"

class TObject;

// The "none" colour some controls answer; it counts as the button face.
inline constexpr Integer kNoneColorValue = 0x1FFFFFFF;

bool HasColorPath(TObject* root, std::string_view path);
// The colour as RGB ("none" becomes noneColor, the button face unless given); false when the path is
// absent.
bool ReadColorPath(TObject* root, std::string_view path, Integer& color, Integer noneColor = -1);
// Writes the colour when the path is present and its value differs.
void WriteColorPath(TObject* root, std::string_view path, Integer color);
