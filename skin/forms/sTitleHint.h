// The hint of a user title button or a title-bar item: a hint window at the cursor, kept inside the
// work area of the form's monitor, above every window, shown without taking the focus; a short hint
// fades in when the system's tooltips fade.
#pragma once
#include <memory>

#include "vcl/gui/HintWindow.h"

class TCustomForm;

// Hints shorter than this fade in (when the system's tooltip animation and fading are both on).
inline constexpr size_t kFadingHintLimit = 100;
inline constexpr Integer kHintMaxWidth = 800;
inline constexpr TPoint kHintCursorOffset{8, 16};

// Whether a hint of this text fades in: short enough, layered windows available, the system's tooltip
// animation and tooltip fade settings on.
bool TitleHintFades(const AnsiString& hint);
// The screen rectangle of a hint of the size at the cursor: at cursor + (8, 16), pushed back inside the
// work area at the right and bottom, 4 taller than asked.
TRect TitleHintRect(TPoint cursor, TPoint size, const TRect& workArea);
// Makes and shows the hint window (owned by the application) for the form; nil for an empty hint.
std::unique_ptr<THintWindow> ShowTitleHint(TCustomForm* form, const AnsiString& hint);
