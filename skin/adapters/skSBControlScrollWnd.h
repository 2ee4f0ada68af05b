// TskSBWnd: the adapter of a class-library TScrollBar, a scroll bar that is a control of its own. The
// adapter keeps its own copy of the bar's scroll data (taken from the control, then from every
// SBM_SETSCROLLINFO) and paints the whole bar from the skin: the two track parts ("SCROLLBAR1H"/"2H" or
// "1V"/"2V"), the arrow buttons with their glyphs and the slider with its grip, each in its state
// (0 normal, 1 hot, 2 pressed), a disabled bar faded into its background. The mouse presses the part
// under it (the system bar then scrolls as it does), the hit test makes the part under the cursor hot
// and drags a pressed slider by the adapter's own geometry, and a range set on the window with a
// position goes back to the TScrollBar.
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
  bool RepaintNeeded = false;
  bool BeginTrack = false;
  Integer MouseOffset = 0;
  TRect Btn1Rect, Btn2Rect, Bar1Rect, Bar2Rect, SliderRect;
  Integer Btn1State = 0, Btn2State = 0, Bar1State = 0, Bar2State = 0, SliderState = 0;

 private:
  void Paint(HDC given);
  void PaintPart(const TsPixelView& view, Integer section, const AnsiString& name, const TRect& rect, Integer state,
                 Integer glyph, bool pressedShift);
  void SetScrollInfoMessage(TMessage& message);
  void PassOnWithoutRedraw(TMessage& message);
  // Passes the message to the system bar with redraw off, then paints the result once.
  void HandOnLocked(TMessage& message);
  // The range and position the window took, given to the TScrollBar (which sends them back: ignored).
  void PushToControl();
  void MouseDown(TMessage& message);
  // The part under the client point pressed, with its scroll code.
  void PressAt(TPoint p);
  void MouseUp();
  void DoubleClick(TMessage& message);
  void TrackMouse(TPoint p);
  // The position the slider's centre at a client point stands for, relative to Min.
  Integer PositionAt(TPoint p);
  TPoint CursorInClient() const;
  // A message's screen point (lParam) in client coordinates.
  TPoint ScreenPointInClient(const TMessage& message) const;
  // The part under a point in the window (a pointer to its state), nil outside every part.
  Integer* PartAt(TPoint p);
  void SetPartState(Integer* part, Integer state);
  void Repaint();
  void RepaintIfNeeded();
  bool pushing_ = false;
};
