// The adapters of containers: TskPanelWnd paints a panel (a class-library TPanel, or a foreign panel
// window) from the section its bevels choose, with its caption and its graphic children; and
// TskTransPanelWnd paints a container that takes its parent's look (a dialog pane placed inside
// another dialog), so that the pane cannot be told from the dialog around it.
#pragma once
#include "skin/adapters/skAdapterFactory.h"
#include "vcl/gui/Panel.h"

// The section a panel is painted with when none is given: "GROUPBOX" for mixed bevels (outer
// lowered with inner raised, or outer raised with inner lowered), "PANEL_LOW" for a lowered one,
// "PANEL" for a raised one; without an outer bevel "PANEL_LOW" when it has a border, else
// "CHECKBOX".
AnsiString PanelSectionOfBevels(TBevelCut outer, TBevelCut inner, bool bordered);

class TskPanelWnd : public TskMainWnd {
 public:
  TskPanelWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  // The panel image (section, caption) in the cache.
  virtual void PrepareCache();
  // The panel's client area into the DC (nil: the window's own DC) from the cache, graphic children
  // drawn over it.
  virtual void PaintPanel(HDC dc);
  // The owner control when it is a panel (also one given to the skin state after creation, as the
  // dialogs' hook does); nil for a foreign window.
  TPanel* Panel() const;

 private:
  // The frame strips (the window's border, as wide as the client area is inset) from the cache.
  void PaintBorder(HDC dc);
  void DrawCaption(const TRect& rect);
  bool Handles() const;
};

class TskTransPanelWnd : public TskMainWnd {
 public:
  using TskMainWnd::TskMainWnd;
  void WndProc(TMessage& message) override;
  // The parent's background behind the window, child windows left out, into the message's DC (wParam;
  // 0: the window's own DC).
  virtual void Paint(TMessage& message);
};

inline constexpr TskAdapterFactory kPanelWndFactory = &MakeWindowAdapter<TskPanelWnd>;
inline constexpr TskAdapterFactory kTransPanelWndFactory = &MakeWindowAdapter<TskTransPanelWnd>;
