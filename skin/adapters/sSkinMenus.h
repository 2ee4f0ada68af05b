// TsSkinableMenus: the skinned popup menus. The skin manager owns one engine; it installs its measuring
// and painting handlers in the free OnMeasureItem / OnAdvancedDrawItem slots of the application's menu
// items (handlers the application set itself are never replaced or cleared) and then paints every
// popup item from the skin: each open popup gets a popup record whose background bitmap (the MAINMENU
// fill, the icon column, the border mask and the optional extra line down the left edge) is painted
// once, and every item copies its piece of that bitmap and draws itself on top (MENUITEM state, check
// mark or glyph, caption, shortcut). The popup window takes its region from the border mask's key
// corners. The layout rules themselves (item kinds, sizes, columns) are in sSkinMenusLayout. A main
// menu's top items get the bar handlers instead (sSkinMenusBar.cpp): they are painted over the form
// provider's menu line.
//
// Coordinates: a popup bitmap is the size of the popup window; an item's rectangle is in client
// coordinates, and the client origin's place in the window (3, 3 where the system draws the frame
// outside the client area, 0, 0 where it draws it inside) maps one onto the other.
#pragma once
#include <memory>
#include <vector>
#include "skin/adapters/sSkinMenusLayout.h"
#include "vcl/gui/Menus.h"
#include "vcl/gui/Win.h"
#include "vcl/rtl/Alignment.h"

class TBitmap;
class TControl;
class TFont;
class TMainMenu;
class TPopupMenu;
class TsSkinManager;

// Called after the engine painted an item: the item, the item bitmap's canvas and rect, the state and
// the kind of item.
using TsMenuManagerDrawItemEvent =
    TMethodPtr<void(TMenuItem* item, TCanvas& canvas, const TRect& rect, TOwnerDrawState state, TsMenuItemType type)>;

// One open popup: its first item identifies it; its background bitmap (window-sized, 32-bit) is owned.
struct TskPopupRecord {
  TMenuItem* FirstItem = nullptr;
  std::unique_ptr<TBitmap> Bitmap;
  HWND Window = nullptr;
  bool LineShown = false;  // the extra line is shown on this popup
};

// The records of the open popups (appended; looked up linearly).
std::vector<std::unique_ptr<TskPopupRecord>>& PopupRecords();
// Frees every record with its bitmap.
void ClearMenuItemDataList();

class TsSkinableMenus : public TPersistent {
 public:
  explicit TsSkinableMenus(TsSkinManager* owner);
  ~TsSkinableMenus() override;

  // ---- published ----
  Integer Margin = 2;
  TAlignment Alignment = taLeftJustify;
  Integer BevelWidth = 0;  // stored only
  Integer BorderWidth = 3;
  TFont& CaptionFont() { return *captionFont_; }
  Integer Spacing = 8;
  TsMenuManagerDrawItemEvent OnDrawItem;
  // The MAINMENU border mask's shared width (3 when it has none, 0 without the mask), cached until the
  // manager refreshes its skin (which sets the cache to -1).
  Integer SkinBorderWidth();
  void ResetSkinBorderWidth() { skinBorderWidth_ = -1; }

  TsSkinManager* Manager() const { return manager_; }
  void ForgetManager() { manager_ = nullptr; }
  bool Active() const { return active_; }
  // Re-hooks every menu when the value changes.
  void SetActive(bool value);
  // SetActive with the manager's skin state.
  void SyncActive();

  // ---- hooking (handlers go only into free slots; only the engine's own are taken out) ----
  // Every menu component owned (at any depth) by the application.
  void UpdateMenus(bool active);
  // One item: a main menu's top item gets the bar handlers, any other the popup handlers (only with
  // SkinnedPopups); disabling takes out whichever of the engine's handlers it holds.
  void HookItem(TMenuItem* item, bool enable);
  void HookSubItems(TMenuItem* item, bool enable);
  // OwnerDraw, the opening animation (off while skinned) and every item of the menu.
  void HookPopupMenu(TPopupMenu* menu, bool enable);
  // The bar handlers into the top items' free slots (nothing while the manager is off; the whole call
  // is left when SkinnedPopups is off), or out of them; then OwnerDraw follows enable for a menu that
  // has items and is not going away.
  void HookMainMenu(TMainMenu* menu, bool enable);
  // The item is one of the top items of a TMainMenu (a bar item).
  bool IsTopMainMenuItem(const TMenuItem* item) const;

  // ---- the bar handlers (sSkinMenusBar.cpp) ----
  // A bar item over the form provider's menu-line picture: the MENUITEM state (hot when selected or hot
  // tracked), the glyph, the caption in MENULINE's colours; a disabled item blended 102/256 towards
  // the line. The canvas is the provider's cache (its menu line) or the system's bar DC (window
  // coordinates). Nothing without a provider that has painted its menu line.
  void DrawBarItem(TObject* sender, TCanvas& canvas, const TRect& rect, TOwnerDrawState state);
  // height SM_CYMENU - 1; width the caption's without "&", plus the image or bitmap width + 6.
  void MeasureBarItem(TObject* sender, TCanvas& canvas, Integer& width, Integer& height);
  // The main form is a skinned MDI frame whose active child is maximized with a system menu and an icon.
  static bool MaximizedMDIChildHasIcon();
  // The bar item last drawn hot onto the system's bar (its rectangle in window coordinates): the form
  // draws it plain again when the mouse goes on to a title button. Nil when none is left hot.
  TMenuItem* PendingBarItem = nullptr;
  TRect PendingBarRect;

  // ---- the popup handlers ----
  void MeasurePopupItem(TObject* sender, TCanvas& canvas, Integer& width, Integer& height);
  void DrawPopupItem(TObject* sender, TCanvas& canvas, const TRect& rect, TOwnerDrawState state);
  Integer ItemHeight(TCanvas& canvas, TMenuItem* item);
  // The size of the popup that holds the item, from its items' measured sizes.
  Integer PopupHeight(TCanvas& canvas, TMenuItem* item);
  Integer PopupWidth(TCanvas& canvas, TMenuItem* item);

  // ---- popup records and the popup's border ----
  // The record of the item's popup (identified by the first item of the item's parent); created with
  // its bitmap when there is none and width is not 0. Without item: the record of the window (nil for
  // window 0). Nil when none.
  TskPopupRecord* FindPopupData(TMenuItem* item, Integer width, HWND window, Integer height);
  // A new record for the popup of the first item: background bitmap, extra line, border region list;
  // with a window its border is applied at once.
  TskPopupRecord* PreparePopupBitmap(TMenuItem* firstItem, Integer width, HWND window, Integer height);
  // The window's region from the bitmap less the border mask's key corners, and its 3-pixel border
  // strips copied from the bitmap; nothing when the window says (command 8) its border is applied.
  void ApplyPopupBorder(HWND window, TBitmap* bitmap);
  // The rectangles cut out of the popup windows (the border mask's key-colour corners).
  const std::vector<TRect>& OuterRegions() const { return outerRegions_; }

  // ---- application messages (posted by the painter, answered by the manager) ----
  // 48307: the popup of the menu item (wParam its command, lParam the Windows menu that holds it) gets
  // its border, when that item is still in that menu; 48308: the popup window in wParam. True when the
  // message was one of them.
  bool HandleApplicationMessage(TMessage& message);

  // The glyph size of an item: its bitmap, else the sub-menu images of its parent, else the menu's
  // images, else 16 x 16.
  static TPoint ItemGlyphSize(TMenuItem* item);
  // The extra line's width for the item's popup (0 when the line is off or not shown there), and for
  // the item's column (0 in a column after a Break).
  Integer ExtraLineWidthOf(TMenuItem* item);
  Integer ExtraWidthOfColumn(TMenuItem* item);

 private:
  bool Designing() const;
  bool SkinnedPopups() const;
  // The extra-line event's answer for the popup of the first item: whether the line is shown.
  bool QueryExtraLine(TMenuItem* firstItem);
  void SetPopupHandlers(TMenuItem* item);
  void ClearPopupHandlers(TMenuItem* item);
  void SetBarHandlers(TMenuItem* item);
  void ClearBarHandlers(TMenuItem* item);
  void HookComponent(TComponent* component, bool active);
  void SelectItemFont(TCanvas& canvas, TMenuItem* item, TOwnerDrawState state, bool& colorChanged);
  AnsiString MeasureText(TMenuItem* item) const;
  Integer DividerHeight() const;
  void PaintExtraLine(TBitmap& popup, Integer height, Integer border, TMenuItem* firstItem);
  void PaintNormalItem(TMenuItem* item, TCanvas& canvas, const TRect& rect, TOwnerDrawState state, TBitmap& popup,
                       TPoint origin, Integer extra);
  void PaintDivider(TMenuItem* item, TCanvas& canvas, const TRect& rect, TBitmap* popup, TPoint origin, Integer extra);
  void PaintCaptionItem(TMenuItem* item, TCanvas& canvas, const TRect& rect, TBitmap* popup, TPoint origin,
                        Integer extra);
  void PostBorderRequest(TMenuItem* item);
  // The bitmap items are composed in (kept between items: one popup's items share their width),
  // holding the popup bitmap's area at (x, y); nil for an empty size.
  TBitmap* ItemBitmap(Integer width, Integer height, TBitmap* popup, Integer x, Integer y);
  void ApplyBorderOfItem(TMenuItem* item, HMENU menu);
  void ApplyBorderOfWindow(HWND window);

  TMenuMeasureItemEvent measure_;
  TAdvancedMenuDrawItemEvent draw_;
  TMenuMeasureItemEvent barMeasure_;
  TAdvancedMenuDrawItemEvent barDraw_;
  std::unique_ptr<TFont> captionFont_;
  std::unique_ptr<TBitmap> itemBitmap_;
  std::vector<TRect> outerRegions_;
  TsSkinManager* manager_ = nullptr;
  bool active_ = false;
  bool drawingBorder_ = false;
  Integer skinBorderWidth_ = -1;
};

// A control's context menu is about to show: its popup menu (when it has one) is hooked by the
// manager's menu engine, with the manager's Active.
void HookContextMenu(TControl* control, TsSkinManager* manager);

// Messages the popup item painter posts to the application window (answered by the manager).
inline constexpr UINT WM_SKINMENUITEMBORDER = 48307;    // 0xBCB3
inline constexpr UINT WM_SKINMENUWINDOWBORDER = 48308;  // 0xBCB4

// The popup's extra-line data as the event gave it, process-wide (one popup at a time).
struct TskExtraLineData {
  AnsiString Section = "EXTRALINE";
  AnsiString Caption;
  std::unique_ptr<TBitmap> Glyph;
};
TskExtraLineData& ExtraLineData();

// The kind of the item being measured or painted, and the glyph sizes of the last prepared popup.
extern TsMenuItemType CurrentItemType;
extern Integer PopupGlyphWidth;
extern Integer GlyphColumnWidth;
