// TskDialogWnd: the adapter of a foreign top-level dialog (class "#32770": message boxes, file and
// folder dialogs). It takes over the whole non-client area: the dialog's own system menu style goes,
// and frame, title, small icon, caption and title buttons are painted from the skin section "DIALOG"
// into the adapter's cache, and copied to the window's frame strips. The window region leaves out the
// border masks' key-colour corners; the client background comes from the cache. With the manager's
// extended borders a layered border window (TskBorderForm) draws the frame around the dialog instead;
// the adapter answers its owner questions and the dialog animations'.
// TskSystemMenu is the skinned popup that stands in for the dialog's system menu.
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "skin/adapters/skDialogGeometry.h"
#include "skin/adapters/skSBScrollWnd.h"
#include "skin/forms/sFormAnimation.h"
#include "skin/forms/sFrameGeometry.h"
#include "skin/forms/sShadowBand.h"
#include "skin/forms/sSystemMenu.h"
#include "skin/forms/sTitleButtonAnim.h"
#include "skin/manager/skThreadedTimer.h"

class TBitmap;
class TForm;
class TskDialogWnd;
class TskProvider;

// The dialog's system menu: Restore, Move, Size, Minimize, Maximize, a separator and Close (Alt+F4);
// each item sends its WM_SYSCOMMAND to the dialog.
class TskSystemMenu : public TsCustomSysMenu {
 public:
  TskSystemMenu(TComponent* owner, TskDialogWnd* dialog);
  // Visibility and state of the items from the dialog's saved styles and its state.
  void UpdateItems();

  // Closing is allowed with the system menu; the title layout asks nothing else of this menu.
  bool VisibleClose() override;
  bool VisibleMax() override { return false; }
  bool VisibleMin() override { return false; }
  bool EnabledMax() override { return false; }
  bool EnabledMin() override { return false; }
  bool EnabledRestore() override { return false; }

  TMenuItem* miRestore = nullptr;
  TMenuItem* miMove = nullptr;
  TMenuItem* miSize = nullptr;
  TMenuItem* miMinimize = nullptr;
  TMenuItem* miMaximize = nullptr;
  TMenuItem* miClose = nullptr;

 private:
  TMenuItem* AddItem(const AnsiString& name, const AnsiString& caption, UINT command, bool update);
  TskDialogWnd* dialog_;
};

// One title button of the dialog; Rect in cache coordinates.
struct TskDialogTitleButton {
  Integer State = 0;  // 0 normal, 1 hot, 2 pressed
  Integer MaskIndex = -1;
  TRect Rect;
  bool Large = false;
  Integer HitCode = 0;
};

class TskDialogWnd : public TskScrollWnd, public IskAnimatedDialog, public IskFadeOwner {
 public:
  // The section is "DIALOG" when none is given; the window is not repainted at once.
  TskDialogWnd(HWND window, bool repaint = false, const AnsiString& section = "DIALOG",
               TsSkinManager* manager = nullptr, TsCommonData* data = nullptr);
  ~TskDialogWnd() override;
  void AfterConstruction() override;
  void WndProc(TMessage& message) override;

  // Reads the styles, the border kind, the icon, the title sections and the caption font, and takes
  // WS_SYSMENU off the window (once its children are adapted).
  void InitFrame();
  // The glyph masks and the title section for the border kind.
  void LoadTitleSections();

  // ---- metrics ----
  Integer CaptionHeight(bool useBorderWindow = false) const;
  Integer CaptionBottom() const { return CaptionHeight() + SysBorderWidthNoExt(); }
  Integer SideBorderWidth() const;
  Integer VertFrameSize() const;
  TRect GetShadowSize() const;
  Integer SysBorderWidth(bool withExt = true) const;
  Integer SysBorderWidthNoExt() const;
  TRect TitleIconRect() const;
  // The numbers the frame geometry takes.
  TskFrameInput FrameInput() const;
  TskDialogTitleInput TitleInput() const;

  // ---- painting ----
  // Builds the cache picture (frame, title, icon, caption, buttons; with a border window its border
  // and shadow); nothing while moving with blending.
  void PaintNonClient();
  void UpdateRegion(bool redraw);
  void FreeTitleButtons();
  void SetExtendedBorders(bool on);
  // Paints one title button again in its state (into the window DC or the border window's image).
  void RepaintTitleButton(Integer hitCode);

  // ---- title buttons and mouse ----
  // The hit-test code of the screen point in lParam; a button under it becomes hot.
  Integer HitTest(const TMessage& message);
  void SetHotTitleButton(Integer code, bool repaint = true);
  // As SetHotTitleButton, but the button shows pressed (maximize only while it can act) and the
  // pressed mark is set: a release then acts on the button.
  void SetPressedTitleButton(Integer code);
  // Pops the system menu up at the screen point; its commands go to the dialog.
  void ShowSystemMenu(TPoint p);
  // Moves the dialog by the system's move loop while it fades towards the manager's BlendOnMoving
  // value; returns when the move has ended, the dialog opaque again.
  void StartBlendOnMoving();
  void StopBlendOnMoving();
  TskDialogTitleButton* ButtonOfCode(Integer code);
  TskDialogButtonRules ButtonRules() const;
  TskDialogState DialogState() const;

  // ---- IskBorderOwner and IskAnimatedDialog ----
  HWND OwnerWindow() const override { return Window; }
  void RepaintOwnerFrame() override;
  void SetOwnerHotButton(Integer code) override { SetHotTitleButton(code, true); }
  Integer OwnerCaptionHeight() const override { return CaptionHeight(true); }
  Integer OwnerMenuHeight() const override { return 0; }
  TRect OwnerIconRect() const override { return TitleIconRect(); }
  Cardinal OwnerStateWord() const override { return MoveState; }
  void SetOwnerStateWord(Cardinal value) override { MoveState = value; }
  TsCommonData* OwnerSkinData() const override { return SkinData; }
  TskBorderGeometry OwnerGeometry() const override;
  Integer OwnerSideOffset() const override { return BorderFormSideOffset(FrameInput()); }
  Integer OwnerTopOffset() const override { return BorderFormTopOffset(FrameInput()); }
  TPoint OwnerClientOffset() const override;
  Integer OwnerButtonAt(TPoint p) override;
  void FreeOwnerButtonEffects() override { FreeTitleButtons(); }
  Byte OwnerAlpha(Byte alpha) const override { return alpha; }
  Integer OwnerSnapBuffer() const override { return 0; }
  TskBorderForm* DialogBorderForm() const override { return BorderForm.get(); }
  void FreeDialogBorderForm() override { BorderForm.reset(); }
  std::unique_ptr<TForm> TakeDialogCoverForm() override { return std::move(CoverForm); }
  void PrintDialogChildren(HDC dc, TPoint offset, TPoint size) override;

  // ---- IskFadeOwner: the title buttons fade as a form's do ----
  HWND FadeOwnerWindow() const override { return Window; }
  HWND FadeBorderWindow() const override;
  TsSkinManager* FadeManager() const override { return SkinManager; }
  TBitmap* FadeGlyph(Integer) const override { return nullptr; }

  // ---- state ----
  std::vector<TRect> RegionRects;
  Integer CurrentHT = 0;
  bool FormActive = true;
  bool NoClientPaint = false;
  Integer CaptionIndex = -1;
  bool ChildrenAdapted = false;
  std::unique_ptr<TForm> CoverForm;
  std::unique_ptr<TskBorderForm> BorderForm;
  // Close, maximize, minimize, help.
  std::array<TskDialogTitleButton, kDialogButtonCount> Buttons;
  // Each button's fading (its state, mask and place as last faded), in the order of Buttons.
  std::array<TskSysButtonData, kDialogButtonCount> FadeButtons;
  TRect LastClientRect;
  std::unique_ptr<TBitmap> TitleGlyph;
  HICON TitleIcon = nullptr;  // not owned (the window's)
  HFONT TitleFont = nullptr;
  Cardinal MoveState = 0;
  Cardinal SavedStyle = 0, SavedExStyle = 0;
  bool RegionChanged = true;
  TRect WindowRect;
  TPoint WindowSize;
  TskDialogBorder BorderKind = dbSingle;
  std::unique_ptr<TBitmap> TitleBackground;
  std::unique_ptr<TBitmap> WorkBitmap;
  std::unique_ptr<TObject> ExtraObject;
  TskSystemMenu* SystemMenu = nullptr;  // owned
  // Fades the dialog (or its border window) during a blended move; nil otherwise.
  std::unique_ptr<TskThreadedTimer> MoveTimer;
  TskProvider* Provider = nullptr;
  Integer TitleIndex = -1;
  AnsiString TitleSection;
  std::u16string CaptionText;  // the window text as last painted
  // The caption's glow masks (inactive, active), kept while the caption's text and place stay.
  std::unique_ptr<TBitmap> CaptionGlow[2];

 private:
  void RefreshGeometry();
  void LoadTitleIcon();
  void PaintTitle(const TskFrameInput& frame, Integer state);
  void PaintCaptionText(const TskFrameInput& frame, Integer state);
  void PaintTitleButtons();
  void PaintButtonGlyph(const TskDialogTitleButton& button, bool enabled);
  // Starts fading a title button towards its state; false when the change is to be painted at once.
  bool StartTitleButtonFade(Integer hitCode);
  void SaveTitleBackground();
  void UpdateRegionRects();
  void NCPaint(TMessage& message);
  void EraseBackground(TMessage& message);
  void SizeChanged(TMessage& message);
  // The corner images at the client's old bottom-right, painted again when the client shrank.
  void InvalidateSizedCorners(Integer width, Integer height);
  void NCActivate(TMessage& message);
  void ShowWindowMessage(TMessage& message);
  void WindowPosChanged(TMessage& message);
  void CommandMessage(TMessage& message);
  bool SkinCommand(TMessage& message);
  // The non-client clicks; true when the message was handled.
  bool MouseMessage(TMessage& message);
  // The hit code of a click: -1 (through the border window) asks the border window, codes other than
  // the sizing edges ask HitTest.
  Integer ClickHitCode(const TMessage& message);
  void NCLButtonDown(TMessage& message);
  void ButtonUp(TMessage& message, Integer code);
  void NCDoubleClick(TMessage& message);
  // Runs the command on the dialog and brings the system menu's items up to date.
  void MaxRestoreCommand(WPARAM command);
  void CtlColorDlg(TMessage& message);
  void RefreshBorderWindow();
  // The provider adapts the dialog's children that have no adapter yet.
  void AdaptDialogChildren();
  void CopyFrameToWindow();
  bool HideAnimationWanted() const;
  // The brush answered to WM_CTLCOLORDLG, made once per colour.
  HBRUSH dialogBrush_ = nullptr;
  Integer dialogBrushColor_ = -1;
};

// Made on a foreign dialog: the adapter with its frame prepared, and its border window when the
// manager has extended borders. A provider given adapts the dialog's children before the frame is
// prepared, and again whenever the dialog asks.
TskDialogWnd* CreateDialogAdapter(HWND window, TskProvider* provider = nullptr);

// Set while a title button is pressed inside a dialog (by SetPressedTitleButton, cleared by
// SetHotTitleButton): only then does a release act on a button.
extern bool DialogPressedMark;

// Sends the message to each direct child of the window.
void SendToChildren(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// Cuts the visible direct children (not tab-stop statics, nor children whose style's low three bits are
// all set) out of the DC's clip region, their rects in the window's client coordinates moved by dx, dy.
void ExcludeChildRects(HDC dc, HWND window, Integer dx, Integer dy);
// The window's text (GetWindowTextW).
std::u16string ReadWindowText(HWND window);
// Set while a dialog's region is being set, so that the frame painting it causes does not set it again.
extern bool RegionUpdating;
