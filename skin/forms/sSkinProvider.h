// The per-form skinning component. Dropped on a form (or made at run time for a form that has none), it
// owns the form's skin state (section "FORM"), takes over the form's WindowProc with FormWndProc and
// gives it back when it goes, and holds what the frame painter and the title code read. One provider
// skins a form: a streamed provider replaces a run-time one, a second streamed one stays inert.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sCommonData.h"
#include "skin/forms/sCtrlAdapter.h"
#include "skin/forms/sFormPlacement.h"
#include "skin/forms/sFrameGeometry.h"
#include "skin/forms/sShadowBand.h"
#include "skin/forms/sSkinProviderTitle.h"
#include "skin/forms/sSystemMenu.h"
#include "skin/forms/sTitleButtonAnim.h"
#include "skin/forms/sTitleGeometry.h"
#include "skin/manager/sPixelView.h"
#include "skin/manager/skThreadedTimer.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/Menus.h"
#include "vcl/rtl/Alignment.h"
#include "vcl/rtl/Component.h"

class TBitmap;
class TMainMenu;
class TskMainWnd;
class TsMDIForm;
class TsSkinableMenus;
class TsSkinManager;
class TsTitleBar;
class TskTitleBarItem;

// The counters of one menu-line painting pass that the frame's items and the active MDI child's merged
// items share: the child's next item, the last group the child painted, where its next item goes, and
// the entry of the window's menu bar that comes next.
struct TskMenuLinePass {
  int ChildIndex = 0;
  Integer LastGroup = -1;
  Integer X = 0, Y = 0;
  UINT Position = 0;
};

enum TsGripMode { gmNone = 0, gmRightBottom = 1 };
enum TsResizeMode { rmStandard = 0, rmBorder = 1 };
enum TskAnimEvent { aeShowing = 0, aeHiding = 1, aeSkinChanging = 2 };
using TskAfterAnimation = std::function<void(TskAnimEvent animType)>;

// Skin commands only a form's provider answers.
enum : Word {
  scGetStateWord = 70,     // -> the 16-bit state word of the form's skin data
  scGetApplicationObject = 94,  // -> the application object
  scGetClientOffsets = 95,      // -> MakeLong(client offset x, client offset y)
};

class TsSkinProvider : public TComponent, public IskProviderHost, public IskBorderOwner, public IskFadeOwner {
 public:
  // EAbort "TsSkinProvider component may be used with forms only!" unless the owner is a form. At run
  // time a provider of a form that already has one frees a run-time provider, or else stays inert
  // (EmptyProvider); at design time a second one raises EAbort "Only one instance of the TsSkinProvider
  // component is allowed!".
  explicit TsSkinProvider(TComponent* owner) : TsSkinProvider(owner, false) {}
  // runTimeCreated: made by CreateRunTime.
  TsSkinProvider(TComponent* owner, bool runTimeCreated);
  // The provider that the thread hook makes for a form without one. It is marked before it finishes
  // construction, so it never sets the form up there: the form's first showing does.
  static TsSkinProvider* CreateRunTime(TCustomForm* form);
  ~TsSkinProvider() override;
  void AfterConstruction() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

  TCustomForm* ProviderForm() const override { return Form; }

  // ---- published ----
  TskAddedTitle& AddedTitle() { return *addedTitle_; }
  bool AllowAnimation = true;
  bool AllowExtBorders() const { return allowExtBorders_; }
  void SetAllowExtBorders(bool value);
  bool AllowBlendOnMoving = true;
  TAlignment CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(TAlignment value);
  bool DrawNonClientArea() const { return drawNonClientArea_; }
  void SetDrawNonClientArea(bool value);
  bool DrawClientArea = true;
  TsCommonData& SkinData() { return *skinData_; }
  TsGripMode GripMode = gmNone;
  bool MakeSkinMenu = false;
  const AnsiString& MenuLineSkin() const { return menuLineSkin_; }
  void SetMenuLineSkin(const AnsiString& value);
  TsResizeMode ResizeMode = rmStandard;
  bool ScreenSnap = false;
  Integer SnapBuffer = 10;
  bool ShowAppIcon() const { return showAppIcon_; }
  void SetShowAppIcon(bool value);
  TsTitleButtons& TitleButtons() { return *titleButtons_; }
  void SetTitleButtons(const TsTitleButtons* value) { titleButtons_->Assign(value); }
  TsTitleIcon& TitleIcon() { return *titleIcon_; }
  const AnsiString& TitleSkin() const { return titleSkin_; }
  void SetTitleSkin(const AnsiString& value);
  bool UseGlobalColor() const { return useGlobalColor_; }
  void SetUseGlobalColor(bool value);
  TskAfterAnimation OnAfterAnimation;
  // Asked by the control adapter for every control it would take.
  TAddItemEvent OnSkinItem;

  // ---- operations ----
  // The form's window procedure while the provider lives.
  void FormWndProc(TMessage& message);
  // A message with Result 0 through FormWndProc; its result.
  LRESULT SendToSelf(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Applies the skin to the form (nothing for run-time or inert providers, without manager or window,
  // or while the skin is not active).
  void InitializeSkin();
  // After loading: transitions, skin, title-button masks, the blending rule of tool windows.
  void PrepareForm();
  // With on: WS_SYSMENU follows DrawNonClientArea (off while the provider paints the frame). Without:
  // a form with a system menu icon gets WS_SYSMENU back and its small icon again.
  void SetSysMenuStyle(bool on);
  // Whether the form would have an extended border window (flag: the manager's switch).
  bool WantsExtBorders(bool flag) const;
  // Paints the frame again now.
  void RepaintFrame();

  // ---- the extended border window (sSkinProviderBorder.cpp) ----
  // Makes the border window when flag is set and the form wants one (WantsExtBorders, or a maximized form
  // where the library allows it), then repaints and shows it; otherwise frees it.
  void UpdateExtBorders(bool flag);
  std::unique_ptr<TskBorderForm> BorderForm;
  // The picture's shadow margins (empty without a border window).
  TRect GetShadowMargins() const;
  HWND OwnerWindow() const override;
  void RepaintOwnerFrame() override;
  void SetOwnerHotButton(Integer code) override { SetHotButton(code, true); }
  Integer OwnerCaptionHeight() const override;
  Integer OwnerMenuHeight() const override;
  TRect OwnerIconRect() const override { return CaptionIconRect; }
  Cardinal OwnerStateWord() const override { return AnimState; }
  void SetOwnerStateWord(Cardinal value) override { AnimState = value; }
  TsCommonData* OwnerSkinData() const override { return skinData_.get(); }
  TskBorderGeometry OwnerGeometry() const override;
  Integer OwnerSideOffset() const override { return BorderFormSideOffset(FrameInput()); }
  Integer OwnerTopOffset() const override { return BorderFormTopOffset(FrameInput()); }
  TPoint OwnerClientOffset() const override { return TPoint{ClientOffsetX(), ClientOffsetY()}; }
  Integer OwnerButtonAt(TPoint p) override;
  void FreeOwnerButtonEffects() override { FreeTitleButtonEffects(); }
  Byte OwnerAlpha(Byte alpha) const override;
  Integer OwnerSnapBuffer() const override { return ScreenSnap ? SnapBuffer : 0; }
  bool OwnerTakeHidePicture() override;
  // With a border window the frame goes to the screen through it: the picture repainted when flagged,
  // shown again. False without a border window (the form's own window shows the frame).
  bool RepaintThroughBorderWindow(bool repaint);
  // The parts of the picture that a form with a border window still shows in its own window: the menu
  // line strip and the form's BorderWidth strips beside and below the client.
  void PaintInnerStripsToDC(HDC dc);
  // The form's window region: its client area only (the border window shows the frame).
  void KeepClientRegion(bool redraw);
  // After a message of the skinned form: the border window appears with the form, follows its moves,
  // sizes and activation, and goes when the form hides.
  void FollowBorderWindow(const TMessage& message);
  // The picture is painted with a border window's geometry: the form has one, or PaintsForBorderWindow.
  bool HasBorderWindow() const { return BorderForm != nullptr || PaintsForBorderWindow; }
  // WM_NCPAINT's work: the cache brought up to date and its frame copied to the window's device
  // context; false when the provider does not paint the non-client area.
  bool NCPaint();
  // The cache (repainted first when marked changed) copied as four frame strips to a window DC.
  void PaintNonClientToDC(HDC dc);
  // The four wide strips of a borderless sizeable form.
  void PaintBorderlessFrame(HDC dc);
  // No cache, or one whose size no longer fits the form's picture.
  bool CacheSizeChanged() const;

  // ---- the window region (sSkinProviderRegion.cpp) ----
  // The key-colour runs of the form's border mask (top at y 0, bottom at the form's bottom) and of the
  // title's border mask (top), in window coordinates.
  void UpdateRegionRects();
  // The form's rectangle at (x, y) less RegionRects moved there; the caller owns the region.
  HRGN BuildFrameRegion(Integer x, Integer y) const;
  // Gives the form's window its region: a maximized form without size limits loses the system frame,
  // any other the key-colour corners of RegionRects.
  void UpdateFormRegion(bool redraw);
  std::vector<TRect> RegionRects;
  bool RegionChanging = false;  // SetWindowRgn runs (it sends messages that come back here)

  // ---- the client area (sSkinProviderClient.cpp) ----
  // The client's colour: the form section's (its hot state's for a form drawn active), unless the form
  // keeps its own Color or is not skinned.
  TColor FormColor() const;
  // The client background into a DC in client coordinates: the form's colour in the plain state, else
  // the cache's client part with the graphic children over it; endUpdate: the children end their
  // updates afterwards.
  void PaintClientArea(HDC dc, bool endUpdate);
  // WM_PAINT's work.
  void PaintForm(TMessage& message);
  // WM_ERASEBKGND's work when the cache cannot serve: the client area, the grip and the graphic children.
  void PaintClient(HDC dc);
  // The size grip into a DC in window coordinates; nothing without the skin's GRIPIMAGE.
  void PaintGrip(HDC dc);
  // WM_PRINT's work: the frame and the client into the DC, in window coordinates.
  void PrintForm(HDC dc);
  // An MDI frame's graphic children into the DC (a window DC when nil), over the client window.
  void PaintFrameControls(HDC dc);
  // An MDI frame's client window forwarded WM_PRINT with the DC.
  void PrintMDIClient(HDC dc);
  // An MDI child lying in its frame's client cuts its picture below the title and menu rows.
  void CutChildCache();
  bool ControlsChanged = false;  // the child controls are painted again, wherever they are

  // ---- size, text, icon and redraw messages (sSkinProviderWindow.cpp) ----
  // Places the caption form (made on first use: borderless, Tag -98, painting nothing) over the title,
  // or over the whole form with fullHeight; nothing with a border window.
  void UpdateCaptForm(bool fullHeight);
  // Frees the caption form.
  void KillCaptForm();
  // The caption form's window while it exists, else nil.
  HWND CaptFormHandle() const;
  // Left and top of the client area in the picture of the whole window.
  Integer ClientOffsetX() const;
  Integer ClientOffsetY() const;
  // The screen position of the form's outer rectangle, and a screen point relative to it.
  TPoint FormScreenOrigin() const;
  TPoint ScreenToFormPoint(Integer x, Integer y) const;
  // A 32-bit picture of the whole form (frame and child controls) of the cache's size, opaque (with a
  // border window: the shadow and frame keep their alpha, the client is opaque); nil without a cache.
  // freeCache: the cache goes afterwards.
  std::unique_ptr<TBitmap> CopyCacheBmp(bool freeCache);
  // The form is skinned by an active skin.
  bool FormSkinned() const { return skinData_ && skinData_->Skinned(true); }

  // ---- life cycle, maximising and the system menu (sSkinProviderLifeCycle.cpp) ----
  // Showing, hiding, closing, position, copy-data and editor messages of a skinned form; true when
  // handled (the saved procedure then ran where the message needs it).
  bool LifeCycleMessage(TMessage& message);
  // The message is one whose border-window follow-up waits: the hide animation takes the window.
  bool HideAnimationTakesBorder(const TMessage& message) const;
  // The hide animation of this form would run (effect active with steps, animations allowed).
  bool HideAnimationWanted() const;
  // WM_GETMINMAXINFO: a bordered top-level form maximizes over its work area with its frame outside it
  // (and, with a border window, the taller maximized title's extra height inside it).
  void GetMinMaxInfo(TMessage& message);
  // The skin's title height of a maximized form, and what it has more than the system caption + 4.
  Integer MaximizedTitleHeight() const;
  Integer ExtraTitleHeight() const;
  // Pops the system menu at a screen point (the standard one; the chosen command is posted).
  void ShowSystemMenu(Integer x, Integer y);
  // A form class that publishes AutoScroll and has it on gets a scroll adapter on its window while it is
  // skinned (none otherwise, and none while the adapter is being set up already).
  void UpdateScrollAdapter();
  TskMainWnd* ClientScrollAdapter = nullptr;  // owned (FreeAdapter)
  // Outline moving and sizing (ResizeMode rmBorder): an inverted outline on the desktop follows the
  // mouse and the form takes its place at the end. Start: moving keeps the offset of the screen point
  // in the form; sizing keeps the form's left and top. Draw: the outline for the screen point (moving:
  // the form's corner less the offset; sizing: the bottom-right corner, never below the minimum size).
  // End: capture released, the outline removed, the form moved or sized (not when cancelled).
  // direction: the hit-test code of the dragged edge or corner (sizing; 0 or HTBOTTOMRIGHT: the
  // bottom-right corner); the edges it names follow the mouse.
  void StartBorderResize(Integer x, Integer y, bool moving, Integer direction = 0);
  void DrawResizeOutline(Integer x, Integer y);
  void EndBorderResize();
  // The running outline sizing ends without changing the form's size.
  static void CancelBorderResize();
  static bool BorderResizing();

  // ---- minimising, restoring and blend on moving (sSkinProviderMinimize.cpp) ----
  // With the manager's Minimizing effect: the form turns invisible at once and a picture of it flies to
  // the taskbar button (MinMaxTimer, a TskMinTimer); a minimise already under way is left alone. Always:
  // the system asks the form for its iconic pictures.
  void StartMinimizeAnimation();
  // The picture flies back from the taskbar button and the form shows itself where it ends; false when
  // the form did not minimise with the animation or a restore runs already.
  bool StartRestoreAnimation();
  // With the manager's BlendOnMoving effect: the system's move loop runs with the form fading to the
  // effect's BlendValue (AllowBlendOnMoving; else it stays opaque), then StopBlendOnMoving. Returns when
  // the move has ended.
  void StartBlendOnMoving();
  // The form shows with its own alpha again where the move left it; the move timer goes.
  void StopBlendOnMoving();
  // A caption press would start blend on moving: the manager's effect is on with a translucent
  // BlendValue, AllowBlendOnMoving is set and the form is not minimised.
  bool BlendsOnMoving() const;
  // The form's animation timer: a TskMinTimer from a minimise with the animation until the form shows
  // normally again, or a TskMoveTimer while it is dragged with blend on moving.
  std::unique_ptr<TskThreadedTimer> MinMaxTimer;

  // ---- the control adapter (sSkinProviderAdapter.cpp) ----
  // The adapter of the form's child controls; nil while the form is not skinned.
  TskCtrlAdapter* ControlAdapter() const { return controlAdapter_.get(); }
  // Makes the control adapter (not at design time, only for a skinned form) and walks the form.
  virtual void NewControlAdapter();
  // The adapted controls hear that the skin goes (command 2 with the manager); the adapter is freed.
  void RemoveAdapter();
  // The message to every adapted control.
  void AdapterCommand(const TMessage& message);
  // The client area was painted: the child controls and the adapted controls end their updates
  // (command 6).
  void EndChildrenPainting();

  // ---- the main menu, the menu line and MDI (sSkinProviderMenus.cpp) ----
  TMainMenu* FormMenu() const;
  // The form shows its main menu on a menu line: items, no AutoMerge, not an MDI child, not a dialog.
  bool HasMenuLine() const;
  // SM_CYMENU - 1 with a menu line, else 0.
  Integer MenuLineHeight() const;
  // A top item of the menu (or, for an MDI frame, of its active child's menu) is visible.
  bool MenuPresent() const;
  // The rows of the window's menu bar (0 without a menu, while minimized, or without the bar's layout).
  Integer MenuLinesCount() const;
  // Attaches the form's main menu to the skinned menus once (until MenusHooked is cleared).
  void InitMenus();
  // Makes the system measure the bar again; false while already doing so (it sends messages back here).
  bool RefreshMenuBar();
  // Attaches (flag) or detaches every menu of the form to the skinned menus; nothing at design time,
  // without the manager's menus or when the manager is not the default one.
  void SkinFormMenus(bool flag);
  // The menu line into the cache: its section, MenuBarBmp, a maximized MDI child's icon, then the bar's
  // items painted by their own owner-draw handlers (the active MDI child's merged ones in their groups).
  void PaintMenuLine(const TskFrameInput& frame, Integer state);
  // An MDI frame's client area (less its aligned controls) in the "MDIAREA" section, state 0.
  void PaintMDIArea(const TskFrameInput& frame);
  // Paints the active MDI child's merged items of the groups up to groupLimit; true when the child's
  // last merged group reached it (its items replace the frame's of that group).
  bool PaintMDIChildMenuItems(TskMenuLinePass& pass, Integer groupLimit);
  // WM_INITMENUPOPUP: the Window menu lists the MDI children once, after one separator.
  void InitWindowMenu(TMessage& message);
  // OnClick of a Window-menu entry: its child comes to the front (a child closed meanwhile is ignored).
  void WindowMenuClick(TObject* sender);
  // Makes (on) or frees the MDI frame's companion.
  void HookMDI(bool on);
  // The menu messages of a skinned form (the Window menu, the MDI child buttons, the MDI messages);
  // true when handled.
  bool MenuMessage(TMessage& message);
  // Paints one item of the menu line again by its owner-draw handler into the cache and copies its
  // rectangle (cache coordinates) to the window; nothing without a shown menu or for an item that is
  // not on the form's bar.
  void RepaintMenuItem(TMenuItem* item, const TRect& rect, TOwnerDrawState state);
  // The bar item that the skinned menus left hot on the window, drawn plain again.
  void RepaintPendingMenuItem();

  // ---- MDI frames and children: activation, system commands, the menu loop (sSkinProviderMDILife.cpp) ----
  // The MDI messages of a skinned form (a child's activation and destruction, WM_CHILDACTIVATE, the
  // frame's menu loop); true when handled.
  bool MDIMessage(TMessage& message);
  // WM_SYSCOMMAND of an MDI child: its frame's menu line and buttons follow the child's new state.
  void MDIChildSysCommand(TMessage& message, WPARAM command);
  // After an MDI child's activation message: its frame's menu line is measured and painted again.
  void RefreshFrameOfChild();
  // An MDI child while another child of its frame is maximized (and covers it): it paints nothing.
  bool CoveredByMaximizedSibling() const;
  // The right end of the menu line (60 pixels, the maximized child's buttons) into a form's canvas.
  void CopyMenuLineEnd(TCustomForm* form);
  // The helper that shows the maximized child's buttons during the frame's menu loop (nil otherwise).
  HWND MDIIconsHandle() const;

  // ---- a maximized MDI child's buttons on the frame's menu line (sSkinProviderMDI.cpp) ----
  // The frame's active MDI child while it is maximized; nil otherwise (and for other forms).
  TCustomForm* MaximizedMDIChild() const;
  // One state of the MDI close mask (16 without the mask or with no state image in it).
  Integer MDIButtonWidth() const;
  Integer MDIButtonHeight() const;
  TPoint MDIButtonSize() const;
  // MDIButtons (minimize, restore, close) at the menu line's right end, their masks chosen.
  void PlaceMDIButtons(const TskFrameInput& frame);
  void PaintMDIButtons(const TskFrameInput& frame);
  // 103, 102 or 101 for a point (form coordinates) on the minimize, restore or close button, else 0.
  Integer MDIButtonAt(TPoint p) const;
  // Hit test, press and release of the MDI child buttons; true when handled.
  bool MDIButtonMessage(TMessage& message);
  std::unique_ptr<TsMDIForm> MDIHelper;

  // ---- title metrics, title buttons and the hit test ----
  TskSysSubMenu& SysSubMenu() { return sysSubMenu_; }
  // A border style, WS_CHILD, or an MDI child.
  bool IsBordered() const;
  bool HasSysMenu() const { return Form != nullptr && Form->BorderIcons().Contains(biSystemMenu); }
  // The system caption height of the form's kind (small for tool windows that are not iconic).
  Integer SysCaptionHeight() const;
  // The system frame's width: a sizing frame, a dialog frame or none.
  Integer SysBorderWidth() const;
  // The caption height the frame is painted with (0 for a form without a caption).
  Integer CaptionHeight(bool withExt) const;
  // The width of the form's picture (the window's, as long as no border window surrounds it).
  Integer CacheWidth() const;
  // The title's numbers as the pure layout and hit test take them.
  TskTitleInput TitleInput() const;
  Integer SysButtonWidth(TskSysButton button) const { return ::SysButtonWidth(TitleInput(), button); }
  Integer SysButtonHeight() const { return ::SysButtonHeight(TitleInput()); }
  Integer VisibleSysButtonCount() const { return SkinSysMenu != nullptr ? ::VisibleSysButtonCount(TitleInput()) : 0; }
  Integer ButtonsWidth() const { return ::ButtonsWidth(TitleInput()); }
  // Chooses the system buttons' masks and sizes for the skin.
  void InitTitleButtonMasks();
  // Places the caption icon and the system buttons (SysButtons, CaptionIconRect).
  void UpdateTitleLayout();
  // The icon is shown in the title.
  bool IconVisible();
  // The hit-test code of the screen point in the message's lParam.
  Integer HitTest(const TMessage& message);
  // Paints one button in its state into the cache and onto the window (codes 8, 9, 20, 21).
  void RepaintButton(Integer code);
  // Paints the system buttons into the cache over the saved title strip.
  void PaintTitleButtons();
  void DrawTitleButton(TskSysButtonData& button, bool enabled);
  // Keeps (and puts back) the title strip under the buttons in TitleBgBmp; whole: all its rows.
  void SaveButtonsArea(bool whole);
  void RestoreButtonsArea();
  void SetHotButton(Integer code, bool repaint);
  void SetPressedButton(Integer code);
  void NCMouseMove(TMessage& message);
  // Paints the caption icon into the cache at CaptionIconRect.
  void PaintTitleIcon();
  // A title button is held down (cleared when the mouse button is released).
  static bool TitleButtonPressed;

  // ---- user title buttons and the title bar (sSkinProviderTitleItems.cpp) ----
  // The form's title bar component (adopted when it is inserted or at run-time creation; nil when removed).
  TsTitleBar* TitleBar() const { return titleBar_; }
  void SetTitleBar(TsTitleBar* value);
  // Every item gets its skin data (section chosen) and the provider's painter.
  void InitTitleItems();
  // The item's section: its SkinSection, else by style "TB_BTN", "TB_MENUBTN", "TB_TAB", else
  // "TOOLBUTTON" (buttons) or "TABTOP" (tabs); with a section its border mask.
  void InitTitleItemSection(int index);
  // The painter of every item: into the target's rectangle in the item's state; a disabled item at
  // half strength over what lies under it.
  void PaintTitleItem(TskTitleBarItem* item, const TRect& rect, TBitmap* target);
  // The item's section state into the rectangle of the target; position is the rectangle's place in the
  // form's picture.
  void PaintTitleItemBackground(Integer section, Integer state, TBitmap& target, TPoint position, const TRect& r);
  // Image or glyph, caption and drop-down arrow from the item's margin.
  void PaintTitleItemContent(TskTitleBarItem* item, TBitmap& target, const TRect& r, Integer textSection, Integer state);
  // The visible item of a hit-test code 2000 + index; nil otherwise.
  TskTitleBarItem* TitleItemOfCode(Integer code) const;
  // The user buttons' rectangles, masks and states from the layout.
  void PlaceUserButtons(const TskTitleLayout& layout);
  // The visible user buttons (mask state and glyph) into the cache.
  void PaintUserButtons();
  void DrawUserButtonGlyph(TsTitleButton& button);
  void ShowUserButtonHint(Integer code, bool show);
  // The title bar's area from the title's layout; the bar places its items there.
  void LayoutTitleBarIn(const TskTitleInput& in, const TskTitleLayout& layout);
  // The title bar's items as the hit test takes them.
  void AddTitleItemSpots(TskTitleInput& in) const;
  // Every item into the cache, from the last to the first; tabs that are down after the others.
  void PaintTitleItems();
  // An item becomes hot (mouse enter, state 1, hint) or normal (mouse leave, state 0, hint gone).
  void SetItemHot(TskTitleBarItem* item, bool hot);
  // An item shows its state: it fades into a hot or pressed state over the picture; back to normal
  // the faded picture goes at once and the frame is painted again when it shows the item otherwise.
  void RepaintTitleItem(TskTitleBarItem& item);
  void StopTitleItemFades();
  // The bar's items keep nothing of this provider (its painter, its section handler, its fading): the
  // provider goes, or shows another bar.
  void ReleaseTitleItems();
  // A double-click on an item through the border window: it becomes hot again and clicks.
  void OwnerTitleItemDblClick(Integer code) override;

  // ---- mouse, title buttons, menus and system commands (sSkinProviderMouse.cpp) ----
  // The non-client mouse messages, menu loop messages and WM_SYSCOMMAND of a skinned form; true when
  // handled (the saved procedure then ran where the message needs it).
  bool MouseMessage(TMessage& message);
  // The title buttons' fading windows and glows go (their animations stay idle).
  void FreeTitleButtonEffects();
  // IskFadeOwner: the form's window, its border window, the manager and the user buttons' glyphs.
  HWND FadeOwnerWindow() const override { return OwnerWindow(); }
  HWND FadeBorderWindow() const override { return BorderForm ? BorderForm->BorderHandle() : nullptr; }
  TsSkinManager* FadeManager() const override { return Manager(); }
  TBitmap* FadeGlyph(Integer hitCode) const override;

  // ---- the frame painted into the cache (sSkinProviderFrame.cpp) ----
  // The frame's numbers as the pure geometry takes them (no border window, no right-to-left reading:
  // the forms have neither yet).
  TskFrameInput FrameInput() const;
  // Repaints the cache while the background-changed flag is set; false when nothing could be painted
  // (the form being made, an animation running, no section, or a parent that cannot answer yet).
  bool PaintFormFrame();
  // The title section, the icon and the title bar mask; the caption text.
  void PaintTitle(const TskFrameInput& frame, Integer state);
  void PaintCaptionText(const TskFrameInput& frame, Integer state);
  // The shadow image of the state around the frame rectangle (with border-window inputs only); in the
  // skin's border mode 1 around the client side, the title and caption then painted over it.
  void PaintExtBorderImage(const TskFrameInput& frame, Integer state);
  // The size grip: GripMode gmRightBottom on a sizeable form that is not maximized; its corner.
  bool GripVisible() const;
  TPoint GripPosition(Integer mask) const;
  // The title's section (TitleSkin, else "FORMTITLE"), looked up once until TitleSkin changes.
  Integer TitleSkinIndex();
  // The frame is painted as an extended border window shows it: the cache grows by the window's
  // offsets and shadow margins and carries the skin's shadow image around the frame.
  bool PaintsForBorderWindow = false;
  bool FirstInitialized = false;
  TRect CaptionTextBounds;  // where the last painting put the caption text (empty: none)
  std::unique_ptr<TBitmap> CaptionGlow[2];  // the caption's glow masks, inactive and active

  // ---- state read by the frame painter, the title code and the window procedure ----
  TsSystemMenu* SkinSysMenu = nullptr;  // owned as a component; made by the first skin initialisation
  bool SkipAnimation = false;  // a minimise from the system menu runs without the animation
  TCustomForm* Form = nullptr;
  bool RunTimeCreated = false;
  bool EmptyProvider = false;
  bool DrawnActive = false;
  Integer HotHitTest = -1;
  Integer TitleSectionIndex = -1;
  Integer CaptionSectionIndex = -1;
  Integer MenuRowCount = -1;
  Integer RedrawLockCount = 0;
  bool MenusHooked = false;
  bool MenuLineDirty = true;
  bool RegionRectsChanged = true;
  bool RegionChanged = false;
  bool CaptionChanged = false;
  bool CaptionRegionChanged = false;
  bool MenuOwnerDraw = false;
  bool ClearButtons = false;
  bool AeroAtCreation = false;
  bool MDIMenuLoop = false;
  bool TallMaxTitle = false;
  Cardinal AnimState = 0;
  // The show, hide and re-skin animations' state: a cover form prepared for hiding, the picture of the
  // old look kept over a skin change, the show animation running, a hide animation being started.
  std::unique_ptr<TForm> CoverForm;
  std::unique_ptr<TBitmap> CoverBmp;
  bool InAnimation = false;
  bool HideAnimGuard = false;
  // How the form comes back after its owner reopens it: 0 none, 1 normal, 2 minimized, 3 maximized
  // (taken from the form's state when its owner closes).
  Byte ShowAction = 0;
  TskSysButtonData SysButtons[4];  // in TskSysButton order: close, maximize, minimize, help
  TskSysButtonData MDIButtons[3];
  TRect CaptionIconRect;
  std::unique_ptr<TBitmap> TitleBgBmp;
  std::unique_ptr<TBitmap> MenuBarBmp;

 private:
  // Validates the owner before anything of the component is made.
  static TComponent* FormOwner(TComponent* owner);
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool LoadingOrDesigning() const {
    return ComponentState().Contains(csLoading) || ComponentState().Contains(csDesigning);
  }
  bool FormShowing() const;
  // The client messages (paint, erase, print) of a skinned form; true when handled.
  bool ClientMessage(TMessage& message);
  TRect ClientBounds() const;
  void PaintSingleBorderEdges(HDC dc, const TRect& client);
  // A show, hide or minimise animation of the form runs.
  bool ProviderAnimating() const { return (AnimState & 0x200) != 0; }
  // WM_SIZE, WM_SETTEXT, WM_SETICON and WM_SETREDRAW of a skinned form; true when handled.
  bool WindowMessage(TMessage& message);
  void SizeMessage(TMessage& message);
  void SetTextMessage(TMessage& message);
  void MendSizedCorners(Integer width, Integer height);
  void InvalidatePictureRect(const TRect& r, bool erase);
  // The caption form's procedure: its background is never erased.
  void CaptFormWndProc(TMessage& message);
  // WM_NCPAINT's region step: rebuilt when the frame changed; true when its redraw painted the frame.
  bool UpdateRegionOnPaint();
  // The non-client painting and activation messages of a skinned form; true when handled.
  bool PaintingMessage(TMessage& message);
  TsSkinManager* Manager() const { return skinData_ ? skinData_->GetSkinManager() : nullptr; }
  // The section of the title: TitleSkin, else "FORMTITLE".
  Integer ResolveTitleSection() const;
  // The form's Color follows the global colour of the skin, or the button face.
  void ApplyGlobalColor();
  // Skin commands answered whether or not the form is skinned; true when handled (exit).
  bool AnswerAlways(TMessage& message);
  // The unskinned or destroyed form's procedure.
  void DispatchUnskinned(TMessage& message);
  // Skin commands of a skinned form.
  void AnswerSkinned(TMessage& message);
  void RemoveSkin(TMessage& message);
  void FillBackground(TskBgRequest& request);
  void CallSavedProc(TMessage& message);
  // The form's messages that make the control adapter walk again; true when handled.
  bool AdapterMessage(TMessage& message);
  // After a skin command: the adapter made or walking again (commands 1, 3, 25).
  void AdapterAfterCommand(const TMessage& message);
  // The control adapter is made, or walks the form again when it exists.
  void AdaptAllControls();
  // The button of a hit-test code: a system button, or a visible user button (nil for other codes).
  TskSysButtonData* ButtonOfCode(Integer code);
  // The button of the code changes state by fading (see RepaintButton).
  bool ButtonFades(Integer code) const;
  // sSkinProviderMouse.cpp: the parts of MouseMessage.
  void NCLButtonDown(TMessage& message);
  void NCLButtonUp(TMessage& message);
  void NCLButtonDblClk(TMessage& message);
  void NCRButtonUp(TMessage& message);
  void SysCommand(TMessage& message);
  bool SysCommandBeforeDefault(TMessage& message, WPARAM command);
  void SysCommandAfterDefault(WPARAM command, LPARAM key);
  // The hit-test code of a button message (with a border window, -1 stands for its own hit test).
  Integer MessageHitCode(const TMessage& message);
  // The system menu under the caption icon; the press on the icon waits for a double-click first.
  void ShowSystemMenuAtIcon();
  void PressedIconClick();
  // Whether the button of the code is the one held down.
  bool ButtonHeldDown(Integer code);
  // Title messages of a skinned form; true when answered.
  bool TitleMessage(TMessage& message);
  // A move within SnapBuffer of the work area's edges lands on them.
  void SnapPosition(WINDOWPOS& pos) const;
  // Life-cycle steps of WM_ACTIVATE, WM_STYLECHANGED and WM_WINDOWPOSCHANGING (sSkinProviderLifeCycle.cpp).
  void ActivateMessage(TMessage& message);
  void StyleChanged(const TMessage& message);
  bool RestoreStretchedBounds(WINDOWPOS& pos);
  void ReshapeBorderForSize(const WINDOWPOS& pos);

  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TskCtrlAdapter> controlAdapter_;
  std::unique_ptr<TskAddedTitle> addedTitle_;
  std::unique_ptr<TsTitleIcon> titleIcon_;
  std::unique_ptr<TsTitleButtons> titleButtons_;
  TskSysSubMenu sysSubMenu_;
  TsTitleBar* titleBar_ = nullptr;
  Integer savedTitleRows_ = 0;  // rows of TitleBgBmp that hold the title strip
  TRect lastClient_;  // the client rectangle of the last WM_SIZE (empty before the first)
  TWndMethod captFormProc_;  // before captForm_: the form's messages during its destruction need it
  std::unique_ptr<TForm> captForm_;
  TWndMethod mdiIconsProc_;  // before mdiIcons_, as for the caption form
  std::unique_ptr<TForm> mdiIcons_;
  void MDIIconsWndProc(TMessage& message);
  void ShowMDIIcons();
  TWndMethod savedWindowProc_;
  TWndMethod ownWindowProc_;
  bool hooked_ = false;  // this provider put FormWndProc into the form's WindowProc
  bool allowExtBorders_ = true;
  TAlignment captionAlignment_ = taLeftJustify;
  bool drawNonClientArea_ = true;
  AnsiString menuLineSkin_;
  bool showAppIcon_ = true;
  AnsiString titleSkin_;
  bool useGlobalColor_ = true;
};

// Set once the system asked a skinned form whether the session may end.
extern bool SessionEnding;
// The provider of the skinned MDI frame (set when it makes its MDI companion; nil when none).
extern TsSkinProvider* MDIFrameProvider;
// The provider of the MDI child activated (or maximized) last; nil when none.
extern TsSkinProvider* ActiveMDIChildProvider;
// The provider of a form's window (the one that answers the provider command), nil when none.
TsSkinProvider* FormProvider(TCustomForm* form);
// The MDI frame's frame, menu line and client window painted again (withBorder: the client now, and
// the border window too); nothing without a skinned MDI frame.
void RefreshMDIFrame(bool withBorder);
// One step of attaching (flag) or detaching a form's menus to the skinned menus: a frame's components, a
// main menu (owner-drawn with drawNonClientArea) with its items, a popup menu, or a menu item.
void SkinMenusOfComponent(TComponent* component, bool flag, bool drawNonClientArea, TsSkinableMenus& menus,
                          bool skinnedPopups);
// Whether the program runs as the skin editor's preview ("/skpreview" as its first parameter); every
// provider's construction writes it.
extern bool PreviewFlag;
// EnableMenuItem of a system-menu command: enabled, or grayed.
void EnableSysMenuItem(UINT command, bool enabled, HMENU menu);

// The definition reader's table of TsSkinProvider and its published objects.
void RegisterSkinProviderClasses();
