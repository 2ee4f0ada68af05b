// TskMDIWnd: the adapter of a skinned MDI frame's client window. Behind the children it shows what the
// frame's provider painted there (the "MDIAREA" section, or the form's client colour), its client edge
// from the provider's picture and its scroll bars from the skin; thumb scrolling moves the children
// itself, 8 pixels a unit. While the active child is maximized the client keeps its own background and
// frame. Made and freed by the frame's MDI companion (TsMDIForm); the form and provider are borrowed.
#pragma once
#include "skin/adapters/skSBEditWnd.h"

class TCustomForm;
class TsSkinProvider;

class TskMDIWnd : public TskBaseWnd {
 public:
  // window: the frame's client window; provider: the frame's skin provider.
  TskMDIWnd(HWND window, TsSkinProvider* provider);
  void WndProc(TMessage& message) override;

  // The client's area of the provider's picture into a DC: client coordinates (shifted past the
  // client edge), or window coordinates when printing. Nothing while the skin changes.
  void PaintMDIArea(HDC dc, bool printing);
  // The client edge into the window DC: the provider's picture there, or the form's client colour.
  void PaintClientFrame(HDC dc);

  // Pixels the children move per scroll unit of a thumb drag.
  static constexpr Integer kScrollStep = 8;

  TCustomForm* MDIForm = nullptr;
  TsCommonData* FormSkinData = nullptr;
  TsSkinProvider* Provider = nullptr;

 private:
  // The provider paints the form with an active skin.
  bool FormSkinned() const;
  bool ChildMaximized() const;
  // The client window's rectangle in the provider's picture.
  TRect AreaInPicture() const;
  // The provider paints the client's area from a section ("MDIAREA" or its own).
  bool PictureShowsArea() const;
  bool HandleSkinCommand(TMessage& message);
  void ThumbScroll(TMessage& message);
  void TileOrCascade(TMessage& message);
};
