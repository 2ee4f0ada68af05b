// The adapters of track bars and of statics with a static edge. TskTrackWnd paints a track bar
// ("msctls_trackbar32") from the "TRACKBAR" section: the section in the pressed state while the left
// button is down, the channel's mask, ticks spread evenly over the control's tick count (the masks
// "TICKHORZ" and "TICKVERT", else plain two-colour marks) and the thumb's mask, faded when disabled.
// TskEdgeWnd leaves a static's content to the static and paints its two-pixel edge from its section
// ("EDIT" unless another is given).
#pragma once
#include "skin/adapters/skSBStaticWnd.h"

struct TsPixelView;

class TskTrackWnd : public TskMainWnd {
 public:
  TskTrackWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  virtual bool IsVertical() const;
  // The whole control into the cache.
  void PrepareCache();

  Integer TrackBarIndex = -1;
  bool MousePressed = false;
  Integer TickLength = 4;

 private:
  void Paint(const TMessage& message);
  void PaintTicks(const TsPixelView& view, const TRect& channel, const TRect& thumb);
  void PaintThumb(const TsPixelView& view, const TRect& thumb);
};

class TskEdgeWnd : public TskStaticWnd {
 public:
  TskEdgeWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  // The edge from the cache into the message's DC (wParam), else into the window's DC.
  void Paint(TMessage& message) override;
};

// Swaps the pixels of each row left to right (horizontal), else of each column top to bottom.
void MirrorBitmap(const TsPixelView& view, bool horizontal);
