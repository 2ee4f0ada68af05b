// The window classes of other vendors that are never skinned as top-level windows: the application's
// own hidden window and a foreign popup class that draws itself.
#pragma once
#include <array>
#include <string_view>

// Sorted, so that a lookup can search it by halves.
inline constexpr std::array<std::string_view, 2> NeverSkinnedWindowClasses = {"TApplication", "TfcPopup"};

// Whether a top-level window of that class must stay unskinned; class names compare without regard to
// ASCII letter case, as window class names do.
bool IsNeverSkinnedWindowClass(std::string_view className);
