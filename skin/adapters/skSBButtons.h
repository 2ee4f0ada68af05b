// The adapters of button windows: push buttons (TskBtnWnd), push buttons with a glyph (TskBitBtnWnd:
// a TBitBtn, or a foreign button holding a bitmap), check boxes and radio buttons (TskCheckBoxWnd) and
// group boxes (TskGroupBoxWnd). Each paints its window into the skin state's cache from its section
// ("BUTTON", "CHECKBOX", "GROUPBOX" unless another is given) and copies the cache to the screen; what
// it does not handle goes to TskMainWnd. A disabled button or check box is painted in its normal look
// and then faded to 0.4 of itself over its parent's background.
#pragma once
#include "skin/adapters/skSBMainWnd.h"
#include "skin/manager/sMessages.h"

class TBitBtn;

// Command 27 is the manager question for controls; a group box's adapter answers it with the height
// of its caption strip, which is what the group box cache copy asks a group box.
inline constexpr Word scGroupBoxCaptionHeight = scGetSkinManager;

class TskBtnWnd : public TskMainWnd {
 public:
  TskBtnWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;

  // 0 normal, 1 hot (hot, focused, or a default button), 2 pressed (which closes the glow); a
  // disabled button is 0.
  Integer ButtonState();
  bool IsPressed() const;
  void Repaint();
  // Builds the whole image in the cache: section, caption, glyph, the disabled fade.
  virtual void PrepareCache();

 protected:
  virtual void DrawCaption();
  virtual void DrawGlyph() {}
  virtual TPoint GlyphSize() { return TPoint{0, 0}; }
  virtual void DrawCaptionText(const TRect& rect, UINT flags);
  virtual TRect CaptionRect();
  virtual Integer MaxCaptionWidth();
  // The caption measured in the cache canvas's font within MaxCaptionWidth (+2).
  virtual TPoint CaptionSize();
  void Paint(HDC given);
  // The cache canvas's font: the owner control's, else the system's message font.
  void TakeFont();
  bool Multiline() const;
};

class TskBitBtnWnd : public TskBtnWnd {
 public:
  using TskBtnWnd::TskBtnWnd;
  TRect GlyphRect();

 protected:
  void DrawGlyph() override;
  TPoint GlyphSize() override;
  TRect CaptionRect() override;
  Integer MaxCaptionWidth() override;

 private:
  TBitBtn* Owner() const;
  HBITMAP ForeignBitmap() const;
};

class TskCheckBoxWnd : public TskMainWnd {
 public:
  TskCheckBoxWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  void PrepareCache();
  // The GLOBALINFO mask for the window's current type and check state (-1 when the skin lacks it).
  Integer CheckMaskIndex() const;
  // Where the check glyph goes in the window (empty without a mask).
  TRect CheckGlyphRect() const;
  bool OwnerDrawn = false;

 private:
  void Paint(HDC given);
  void DrawCaption(Integer boxWidth);
  void DrawCheckGlyph();
};

class TskGroupBoxWnd : public TskMainWnd {
 public:
  TskGroupBoxWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  void PrepareCache();
  // The caption strip: the caption measured in the message font, 6 pixels in, never past W - 1.
  TRect CaptionRect();

 private:
  void Paint(HDC given, bool windowDc);
  void ExcludeSiblingsInside(HDC dc) const;
};
