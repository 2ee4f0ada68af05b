// Glow windows: the soft light drawn around hot controls and title buttons. Each glow is a layered,
// click-through tool window (never activated, never skinned) placed around a control's screen
// rectangle and showing a skin mask with per-pixel alpha. The glows live in a process-wide list; a
// caller keeps the index that OpenGlowEffect gave it (-1 for none) and gives it back to
// CloseGlowEffect.
#pragma once
#include <memory>
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sConst.h"
#include "vcl/gui/Geometry.h"
#include "vcl/gui/Messages.h"
#include "vcl/rtl/Object.h"

class TBitmap;
class TForm;
class TsSkinManager;

// The tag that marks a form which must never be skinned.
inline constexpr Integer GlowFormTag = -98;
// Extended style of a glow window: no-activate, layered, transparent, tool window.
inline constexpr LONG_PTR GlowWindowExStyle = 0x080800A0;

// Where a glow window goes. The glow image is the control's size grown by the mask's borders less
// twice the inner margin; the parts beyond the visible rectangle (in the control's coordinates) are
// cut off.
struct TskGlowPlacement {
  Integer ImageWidth = 0;   // the whole glow image
  Integer ImageHeight = 0;
  TRect Cut;                // pixels cut off each side (Right and Bottom count from those edges)
  TPoint Position;          // screen position of the window (the image's top-left after the cut)

  Integer WindowWidth() const { return ImageWidth - Cut.Left - Cut.Right; }
  Integer WindowHeight() const { return ImageHeight - Cut.Top - Cut.Bottom; }
  // False when nothing would be left to show.
  bool Showable() const { return WindowWidth() > 0 && WindowHeight() > 0; }
};
TskGlowPlacement PlaceGlow(const TRect& controlRect, const TRect& visibleRect, const TsBorderWidths& borders,
                           Integer innerMargin);

class TskGlowEffect : public TObject {
 public:
  TskGlowEffect(TsSkinManager* manager, Integer glowMask, Integer innerMargin);
  // Gives the form its window procedure back; frees the form at once once the manager is being (or has
  // been) freed or while the application terminates, else releases it (freed from the message loop).
  ~TskGlowEffect() override;

  // Makes and shows the window around the control (screen coordinates), cut to the visible part (the
  // control's coordinates), in the z-order beside `window`. False when no window is shown (nothing of
  // the glow would be left, or the system refused the layered image).
  bool Show(const TRect& controlRect, const TRect& visibleRect, HWND window);
  // Frees the form now (its window procedure given back first).
  void FreeForm();

  TForm* GlowForm() const { return glowForm_; }
  // Nil once the manager is freed.
  TsSkinManager* SkinManager() const { return skinManager_; }
  Integer GlowMask() const { return glowMask_; }
  Integer InnerMargin() const { return innerMargin_; }

 protected:
  // The whole glow image: a 32-bit bitmap of that size, cleared to 0, the glow mask painted over it.
  virtual void PrepareAlphaImage(Integer width, Integer height);
  std::unique_ptr<TBitmap> AlphaImage;  // only while the window is being shown

 private:
  class TManagerWatch;
  void WndProc(TMessage& message);
  void UnhookForm();

  TForm* glowForm_ = nullptr;  // owned
  TWndMethod savedWindowProc_;
  TsSkinManager* skinManager_;
  std::unique_ptr<TManagerWatch> managerWatch_;  // clears skinManager_ when the manager is freed
  bool managerGone_ = false;
  Integer glowMask_;
  Integer innerMargin_;
};

// Opens a glow around the control: the mask "<glowName>0" of the section (exact names) in the manager
// (the default manager when nil) is shown as a layered window around controlRect, cut to visibleRect,
// next to `window` in the z-order. Returns its index in the glow list, or -1 when layered windows are
// unavailable, the mask is missing or nothing would be shown. The alpha argument is not used: every
// glow is shown at full strength.
Integer OpenGlowEffect(const TRect& controlRect, const TRect& visibleRect, const AnsiString& section,
                       TsSkinManager* manager, HWND window, Byte alpha, Integer margin, const AnsiString& glowName);
// Closes the glow of that index (form and effect freed, the slot emptied) and sets the index to -1; an
// index outside the list, a stale index from before the list was emptied, or an empty slot does
// nothing.
void CloseGlowEffect(Integer& index);
// Frees every glow (with freeForms their forms at once) and empties the list.
void CloseAllGlowEffects(bool freeForms);

// The glow list's length (slots are never removed, only emptied, until the list is emptied) and the
// glow of an index (nil for a closed, stale or unknown one). Indexes are never handed out twice: those
// of an emptied list stay dead.
Integer GlowEffectCount();
TskGlowEffect* GlowEffectAt(Integer index);
// True while a glow form is being freed.
bool GlowClosing();
