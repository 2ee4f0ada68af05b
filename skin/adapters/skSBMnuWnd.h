// TskMnuWnd: the adapter of a popup-menu window (class "#32768"), made by the thread hook when the
// window is created. The skinned menus paint the items; the adapter paints the popup's background and
// frame from the skin and gives the popup the skin's opacity (MenuSupport.AlphaBlend).
// A popup the skinned menus took over (one they measured or painted) is kept fully transparent from the
// moment it is shown until its first frame paint or erase, so the system's own look never flashes.
#pragma once
#include "skin/adapters/skSBScrollWnd.h"

// Set by the skinned menus whenever they paint a popup item; cleared when the last popup goes.
extern bool SkinnedMenuPainted;
// Set by the skinned menus whenever they measure a popup item; cleared when the last popup goes.
extern bool PopupMeasured;

class TskMnuWnd : public TskScrollWnd {
 public:
  using TskScrollWnd::TskScrollWnd;
  void WndProc(TMessage& message) override;
  bool IsMenuAdapter() const override { return true; }
  // Paints the skin's section and border mask into the cache when its background is marked changed.
  virtual void PrepareCache();

  // The popup has had its first frame paint (its opacity is set).
  bool Shown = false;
  // The skinned menus applied the popup's border region since the last erase (skin commands 14, 8).
  bool BorderApplied = false;

 private:
  void Destroyed(TMessage& message);
  void Erase(TMessage& message);
  void PositionChanging(TMessage& message);
  void PaintFrame();
  // The skin's opacity from the first paint on: opaque windows lose WS_EX_LAYERED.
  void ApplyAlpha();
  void SkinCommand(TMessage& message);
  bool settingLayered_ = false;
};
