// TskSBWnd: the adapter of a class-library TScrollBar, a scroll bar that is a control of its own. The
// adapter keeps its own copy of the bar's scroll data (taken from the control, then from every
// SBM_SETSCROLLINFO) and paints the whole bar from the skin: the two track parts ("SCROLLBAR1H"/"2H" or
// "1V"/"2V"), the arrow buttons with their glyphs and the slider with its grip, each in its state
// (0 normal, 1 hot, 2 pressed), a disabled bar faded into its background.
#pragma once
#include "skin/adapters/skSBMainWnd.h"
#include "skin/adapters/skSBTrackGeometry.h"

class TScrollBar;
struct TsPixelView;

class TskSBWnd : public TskMainWnd {
 public:
  TskSBWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  // The control's position, minimum, maximum and page into the adapter's copy.
  void ReadControlScrollInfo();
  bool IsVertical() const;
  // The part rects for the current data and size.
  void UpdateParts();

  TScrollBar* Control = nullptr;
  TskControlScroll Scroll;
  Integer ScrollCode = 8;
  Integer LockCount = 0;
  bool Repainting = false;
  bool BeginTrack = false;
  Integer MouseOffset = 0;
  TRect Btn1Rect, Btn2Rect, Bar1Rect, Bar2Rect, SliderRect;
  Integer Btn1State = 0, Btn2State = 0, Bar1State = 0, Bar2State = 0, SliderState = 0;

 private:
  void Paint(HDC given);
  void PaintPart(const TsPixelView& view, Integer section, const AnsiString& name, const TRect& rect, Integer state,
                 Integer glyph, bool pressedShift);
  void SetScrollInfoMessage(TMessage& message);
  void MouseDown(TMessage& message);
  void MouseUp(TMessage& message);
  // The part under a point in the window (a pointer to its state), nil outside every part.
  Integer* PartAt(TPoint p);
  void SetPartState(Integer* part, Integer state);
  void Repaint();
};
