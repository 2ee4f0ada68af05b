// A review sheet of a skin: every section painted in states 0, 1 and 2 (background colour or gradient,
// border mask, glyph, a text sample in the state's font colour), every glyph mask state by state, and two
// sample windows (active and inactive) with a title, title buttons, a button, an edit, check boxes and
// a popup menu. Masks are painted the simple way (corners keyed, sides and centre stretched), enough to
// judge the look before the skin manager's painters are at hand.
#pragma once
#include "skin/builtin/skOptionsText.h"
#include "skin/builtin/skSkinImage.h"

TskRgbaImage PaintContactSheet(const TskOptionsText& options, const TskRgbaImage& master);
