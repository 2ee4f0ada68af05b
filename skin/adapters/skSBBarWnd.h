// The adapters of status bars and size grips. TskStatusBarWnd paints a status bar ("msctls_statusbar32",
// or the layer's TStatusBar) from its section ("STATUSBAR" unless another is given): the section, then
// each part with the section's "STATUSPANELMASK", or without it a "DIVIDER" at the right end of every part
// but the last, then the part's text. TskSizerWnd paints the size-grip box of a window's corner (a
// scroll bar with SBS_SIZEGRIP) with the skin's "GRIPIMAGE" over the parent's background and answers
// the hit test as the bottom-right corner. A TStatusBar's frame (its BorderWidth) comes from the cache.
#pragma once
#include "skin/adapters/skSBMainWnd.h"

class TStatusBar;

class TskStatusBarWnd : public TskMainWnd {
 public:
  TskStatusBarWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  // The bar into its cache (section, parts, texts).
  void PrepareCache();
  // The layer's status bar behind the window; nil for a foreign one.
  TStatusBar* StatusBar() const { return statusBar_; }

 private:
  // The cache into the DC (a client DC when clientDc, else the window's shape) or the window's DC.
  void PaintStatusBar(HDC dc, bool clientDc);
  // The frame of a TStatusBar's BorderWidth from the cache, into the DC or the window's.
  void PaintStatusFrame(HDC dc);
  void PaintPanels();
  void PaintPanel(Integer index, const TRect& rect, bool simple, bool last);
  AnsiString PanelText(Integer index, bool simple);
  TStatusBar* statusBar_ = nullptr;
};

class TskSizerWnd : public TskMainWnd {
 public:
  using TskMainWnd::TskMainWnd;
  void WndProc(TMessage& message) override;

 private:
  void Paint();
};
