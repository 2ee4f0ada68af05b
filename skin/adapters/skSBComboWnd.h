// The combo-box adapters of the edit family. TskComboBoxWnd paints a combo box's frame and its
// drop-down button ("COMBOBTN", pressed while the list is open, with the "GLYPHMASK" of "COMBOBOX")
// from the skin, and gives the combo's list an adapter of its own, TskComboListWnd, the first time the
// list asks for its colours (WM_CTLCOLORLISTBOX). The list gets a one-pixel frame, skinned scroll bars
// and the section's colours; the combo answers the list's colour requests with one brush per colour,
// kept until the skin changes or the adapter goes. TskWWComboBoxWnd serves another vendor's combo
// box whose list is a child list box of the control.
#pragma once
#include "skin/adapters/skSBEditWnd.h"

class TskComboListWnd;
class TCustomListBox;

// Set while a combo box's list is open (between CBN_DROPDOWN and CBN_CLOSEUP).
extern bool ComboListDropped;

class TskComboBoxWnd : public TskEditWnd {
 public:
  // section: "COMBOBOX" when empty.
  TskComboBoxWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  ~TskComboBoxWnd() override;
  void WndProc(TMessage& message) override;

  // The drop-down button in window coordinates (0 wide for a combo without one).
  virtual TRect ButtonRect();
  // The button into the DC (window coordinates), from the cache.
  void PaintButton(HDC dc);
  void PaintButtonToWindow();
  // 0 normal, 1 hot or focused, 2 while the list is open.
  Integer ButtonState();
  HWND ListWindow() const { return listWindow_; }
  TskComboListWnd* ListAdapter() const { return listAdapter_; }
  // The brush the list's colour requests are answered with (nil before the first).
  HBRUSH ListBrush() const { return listBrush_; }

 protected:
  bool IsSimple() const;
  // The text a drop-down list shows, for printing.
  void PaintText();
  // The frame of a simple combo (its edit part only) into the cache.
  void PaintSimpleFrame();

 private:
  void ColorListBox(TMessage& message);
  void ReleaseList();
  void DeleteListBrush();
  HWND listWindow_ = nullptr;
  TskComboListWnd* listAdapter_ = nullptr;  // owned
  bool listOpening_ = false;
  HBRUSH listBrush_ = nullptr;
  COLORREF listBrushColor_ = 0;
  bool mouseAbove_ = false;
};

class TskComboListWnd : public TskEditWnd {
 public:
  TskComboListWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data,
                  bool simple = false);
  ~TskComboListWnd() override;
  // Makes the adapter of a combo's list; a drop-down list has its frame calculated again.
  static TskComboListWnd* CreateForCombo(HWND list, bool simple, bool hasItems, const AnsiString& section,
                                         TsSkinManager* manager);
  void WndProc(TMessage& message) override;
  bool DropsTheme() const override;
  bool Simple() const { return simple_; }
  bool Tracking() const { return tracking_; }

 private:
  void PaintListFrame();
  void NCPaint(TMessage& message);
  bool simple_ = false;
  bool tracking_ = false;
  bool repaint_ = false;
};

class TskWWComboBoxWnd : public TskComboBoxWnd {
 public:
  // The control's window is adapted; a TCustomComboBox of Style csSimple has no button.
  TskWWComboBoxWnd(TWinControl* control, bool repaint, const AnsiString& section, TsSkinManager* manager,
                   TsCommonData* data);
  ~TskWWComboBoxWnd() override;
  void WndProc(TMessage& message) override;
  TRect ButtonRect() override;
  TCustomListBox* ListBox() const { return listBox_; }
  TskMainWnd* ListBoxAdapter() const { return listBoxAdapter_; }

 private:
  TCustomListBox* listBox_ = nullptr;  // the control's child
  TskMainWnd* listBoxAdapter_ = nullptr;
  TsCommonData* listBoxData_ = nullptr;  // owned
  bool showButton_ = true;
};
