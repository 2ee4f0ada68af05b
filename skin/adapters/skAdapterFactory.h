// What makes an adapter for a window that has no skin state of its own (the windows of a foreign
// dialog, taken by class name): the window, whether it is repainted at once, the section and the skin
// manager. Each adapter unit gives its makers as such factories, so a table of class names can list
// them.
#pragma once
#include "skin/adapters/skSBMainWnd.h"

using TskAdapterFactory = TskMainWnd* (*)(HWND window, bool repaint, const AnsiString& section,
                                          TsSkinManager* manager);

template <class T>
TskMainWnd* MakeWindowAdapter(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager) {
  return New<T>(window, repaint, section, manager, nullptr);
}
