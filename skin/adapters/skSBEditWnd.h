// The edit family of window adapters: controls that paint their own client area (text boxes, list
// boxes, list views, grids, tree views) while their frame and scroll bars come from the skin. The
// adapter paints the frame from the control's section ("EDIT" unless another is given) into the skin
// state's cache, lets the control paint its client area, draws the scroll bars of TskScrollWnd, and
// gives the control the skin's colours while it is attached (given back when it is detached).
// TskBaseWnd keeps the frame and the bars in step around the scroll adapter; TskEditWnd is the family's
// constructor and paints; the list view, grid and tree adapters derive from it.
#pragma once
#include "skin/adapters/skSBScrollWnd.h"

class TskBaseWnd : public TskScrollWnd {
 public:
  using TskScrollWnd::TskScrollWnd;
  void WndProc(TMessage& message) override;
};

class TskEditWnd : public TskBaseWnd {
 public:
  // section: "EDIT" when empty; it always becomes the skin state's section.
  TskEditWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void SaveStdLook() override;
  void RestoreStdLook() override;
  void SetSkinParams() override;
  void WndProc(TMessage& message) override;
  bool DropsTheme() const override;

  // The client area in window coordinates, read once.
  TRect ClientRect();
  // The owner control is a text box without ES_MULTILINE.
  bool SingleLineEdit = false;
  TColor Color = clNone;           // the colour the adapter gave the control
  TColor SavedFocusColor = clNone; // the control's published "FocusColor" before skinning
  Integer FrameColor = 0;          // the skin's BorderColor, 0 while unskinned

 protected:
  // The skin state is painted with a skin of its manager (the family's painting runs only then).
  bool SkinnedNow() const;
  // The section's colour and font colour for a state (0 when the section is not valid).
  Integer SectionColor(Integer state) const;
  Integer SectionFontColor(Integer state) const;
  // Frame strips of the cache (as wide as the client rect's top) and the bars into the DC.
  void PaintFrame(HDC dc);
  // Sends WM_ERASEBKGND, WM_PAINT and WM_PRINTCLIENT with the DC moved to the client area's origin
  // and clipped to it.
  void PrintClient(HDC dc);

 private:
  void Paint(TMessage& message);
  void EraseBackground(TMessage& message);
  void NCPaint(TMessage& message);
  void Print(TMessage& message);
  bool HandleCommand(TMessage& message);
  void AfterBase(TMessage& message, LRESULT answerBefore);

  TRect clientRect_{0, -1, 0, 0};
  bool inSetSkinParams_ = false;
};

// Lets the parent's background show through the key-colour corners of the border mask in the skin
// state's cache: nothing in the adapter's dialog mode, without a border mask, a cache or a window of
// at least 2 x 2 pixels.
void FillBorderCorners(TsCommonData* data, Integer state, TskMainWnd* adapter);

// For a skinned control's skin state: makes a TskEditWnd on the control's window with the state's
// section and manager (a detached adapter is freed first); for an unskinned one frees the adapter.
void UpdateEditAdapter(TsCommonData* data, TskMainWnd*& adapter);
