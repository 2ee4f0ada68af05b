// Helpers for tests of a skinned form's menu line: the provider's picture painted again, and where the
// window's menu bar has an entry.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include "skin/forms/sSkinProvider.h"
#include "vcl/gui/Bitmap.h"

namespace skintest {

// The provider's picture painted again as an active form's (the menu line's items with it).
inline TBitmap& RepaintPicture(TsSkinProvider& provider) {
  provider.DrawnActive = true;
  provider.SkinData().BackgroundDirty = true;
  EXPECT_TRUE(provider.PaintFormFrame());
  return *provider.SkinData().CacheBitmap;
}

// A bar entry's rectangle in the form window's coordinates, which the picture shares while the form
// has no border window.
inline TRect MenuBarEntryRect(HWND form, UINT position) {
  RECT r{}, outer{};
  EXPECT_TRUE(GetMenuItemRect(form, GetMenu(form), position, &r));
  GetWindowRect(form, &outer);
  return TRect{r.left - outer.left, r.top - outer.top, r.right - outer.left, r.bottom - outer.top};
}

}  // namespace skintest
