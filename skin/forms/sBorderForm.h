// The extended border and shadow window of a skinned form. A second, layered top-level window, owned by
// the form, lies around it and shows the owner's whole picture (frame, wide border, title and shadow)
// with per-pixel alpha; the form's client area is a hole in its region, so the form shows through.
// The border window does the non-client mouse work of the wide border: hit testing, cursors, the hot
// title button, presses passed to the form, double-click maximise and edge stretch, screen snapping.
#pragma once
#include <windows.h>

#include <functional>

#include "skin/forms/sBorderFormGeometry.h"
#include "vcl/gui/Messages.h"
#include "vcl/rtl/Types.h"

class TBitmap;
class TForm;
class TsCommonData;

// Form state bits the border window reads and writes in its owner's state word.
enum : Cardinal {
  fsBlendMoving = 0x80,
  fsAnimShowing = 0x100,
  fsAnimHiding = 0x200,
  fsAnimating = 0x1000,
  fsHeightStretched = 0x2000,
  fsWidthStretched = 0x4000,
};

// What the border window asks of the form it surrounds (a form's provider, a skinned dialog).
class IskBorderOwner {
 public:
  virtual ~IskBorderOwner() = default;
  // The owner's window; nil while it has none.
  virtual HWND OwnerWindow() const = 0;
  // Paints the owner's whole picture into its cache again.
  virtual void RepaintOwnerFrame() = 0;
  // The hot title button (a hit-test code; anything else clears it).
  virtual void SetOwnerHotButton(Integer code) = 0;
  virtual Integer OwnerCaptionHeight() const = 0;
  virtual Integer OwnerMenuHeight() const = 0;
  virtual TRect OwnerIconRect() const = 0;
  virtual Cardinal OwnerStateWord() const = 0;
  virtual void SetOwnerStateWord(Cardinal value) = 0;
  // The owner's skin state: its manager and its cache picture.
  virtual TsCommonData* OwnerSkinData() const = 0;
  // The picture's geometry in border-window coordinates.
  virtual TskBorderGeometry OwnerGeometry() const = 0;
  // The extended border's offsets outside the form's window: beside it and above it.
  virtual Integer OwnerSideOffset() const = 0;
  virtual Integer OwnerTopOffset() const = 0;
  // The client area's top-left in the picture.
  virtual TPoint OwnerClientOffset() const = 0;
  // The title button under a border-window point (its hit-test code), 0 for none.
  virtual Integer OwnerButtonAt(TPoint p) = 0;
  // A double-click on the owner's title-bar item of the code (2000 + index).
  virtual void OwnerTitleItemDblClick(Integer /*code*/) {}
  // Frees the title buttons' fading animations.
  virtual void FreeOwnerButtonEffects() = 0;
  // The constant alpha of the owner (its AlphaBlendValue when blending, else alpha).
  virtual Byte OwnerAlpha(Byte alpha) const = 0;
  // The snap distance while moving; 0: no snapping.
  virtual Integer OwnerSnapBuffer() const = 0;
  // The owner hides with its hide animation: its picture becomes the full picture the animation shows
  // (the shadow kept, the form opaque) and true is answered; false when no hide animation runs.
  virtual bool OwnerTakeHidePicture() { return false; }
};

// The work area of the monitor a window is on; replaceable so that tests can give one smaller than the
// monitor.
using TskWorkAreaSource = std::function<TRect(HWND)>;
extern TskWorkAreaSource BorderWorkAreaSource;

// The Tag of every window made by the skinning code for itself: no provider or adapter takes it.
inline constexpr Integer kSkinOwnWindowTag = -98;

class TskBorderForm {
 public:
  explicit TskBorderForm(IskBorderOwner* owner);
  ~TskBorderForm();
  TskBorderForm(const TskBorderForm&) = delete;
  TskBorderForm& operator=(const TskBorderForm&) = delete;

  // Repaints (when repaint is set or the owner's picture is out of date) and places the border window,
  // showing it with the alpha when hidden.
  void UpdateExBorders(bool repaint = true, Byte alpha = 255);
  // The hit-test code of the screen point in the message's lParam (-1 on a disabled owner and on no part).
  Integer HitTest(const TMessage& message);
  // The border window's region (the caller owns it); nil without a border window.
  HRGN FormRegion() const;
  // Sets the region again after a click let through the shadow.
  void RestoreRegion();
  // Sets the region for the owner grown by (dx, dy) (negative: shrunk) before its window changes size,
  // so that a shrinking form's old frame does not stay around it meanwhile.
  void SetRegionForSize(Integer dx, Integer dy);
  // The bounds an edge double-click stretched the owner from (its left and right, its top and bottom).
  const TRect& StretchedBounds() const { return stretchedSaved_; }
  // The border window; nil before the first update.
  TForm* BorderWnd() const { return borderWnd_; }
  HWND BorderHandle() const;
  IskBorderOwner* Owner() const { return owner_; }
  // Hands the border window over (a hide animation keeps it after the form): its owner and window
  // procedure are set back and the border form forgets it. Nil when there is none.
  TForm* ReleaseBorderWnd();
  // The border window made (hidden) when missing, or freed, while the border object stays: the minimise
  // animation flies the picture on it and frees it at the end; the restore brings it back.
  void MakeWindow() { CreateBorderWnd(); }
  void FreeWindow() { FreeBorderWnd(); }
  // Set around repaints that must not reach the border window (animations, timers).
  bool Busy = false;
  // The border window's place after a move loop ((-1, -1) before it).
  TPoint SavedPoint{-1, -1};

 private:
  void CreateBorderWnd();
  void FreeBorderWnd();
  void WndProc(TMessage& message);
  bool HandleMessage(TMessage& message);
  void CallDefault(TMessage& message);
  TPoint BorderPoint(const TMessage& message) const;
  void SetRegion();
  // The form's client shows through a hole in the region, except while animating or moving.
  bool HasClientHole() const;
  // Makes the picture fully clear over the region's hole. The owned border window lies above the form,
  // and not every system clips a layered window's per-pixel-alpha picture by its region (Wine's X11
  // driver shapes such a window by the alpha alone), so an opaque client part would hide the form.
  void ClearPictureOverClient(TBitmap& picture) const;
  // Blur behind the picture's frame when the manager and the skin ask for it, else none.
  void UpdateBlurBehind(TBitmap& picture) const;
  void LetMouseThrough(TPoint p);
  // The picture on the screen at a screen position through the layered-window call, with the owner's
  // alpha; false when the call is not available.
  bool ShowPicture(TBitmap& picture, POINT position, Byte alpha);
  // The main form hiding with its hide animation: the owner's full picture is shown once over the
  // whole window (no client hole) and the border window stays up for the animation.
  void ShowHidePicture();
  void DoubleClick(Integer code);
  void SnapPosition(WINDOWPOS& pos);

  IskBorderOwner* owner_;
  TForm* borderWnd_ = nullptr;
  TWndMethod savedWindowProc_;
  HWND previousOwner_ = nullptr;
  bool passingThrough_ = false;
  bool restoreRegion_ = false;
  TRect stretchedSaved_;  // the left/width and top/height put back by the next edge double-click
};
