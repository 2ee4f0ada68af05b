// The adapters of tab controls: TskTabControlWnd paints a window of the system tab class (with or
// without a class-library control behind it) from the skin: the frame in the control's section, the
// tabs row by row in their tab section, the selected one last and larger, left and right tabs with
// their text turned; its scroll arrows get an up-down adapter. TskPageControlWnd does the same for a
// control whose pages are child windows (a TPageControl, or a foreign tab control with page windows),
// giving each page a TskPageWnd that shows the control's background behind the page.
//
// Page adapters are kept in one process-wide list. A page adapter whose window is gone leaves the list
// the next time a page control makes its pages, so the list holds the live pages only.
#pragma once
#include <vector>
#include "skin/adapters/skAdapterFactory.h"
#include "skin/adapters/skSBTabGeometry.h"

class TBitmap;
class TTabSheet;
struct TskBgInfo;

class TskTabControlWnd : public TskMainWnd {
 public:
  // The section is "PAGECONTROL" when none is given.
  TskTabControlWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  ~TskTabControlWnd() override;
  void WndProc(TMessage& message) override;

  // The page area: the window adjusted by TCM_ADJUSTRECT, two pixels lower at the top.
  virtual TRect DisplayRect();
  // The rect painted with the control's section.
  virtual TRect FrameRect();
  // The strip that holds the tabs.
  TRect TabsRect();
  // The rect a tab is drawn in (empty for an index out of range).
  TRect TabRect(Integer index, bool selected);
  Integer TabRow(Integer index);
  TsTabSide Position() const;
  TskTabLook Look() const;
  Integer TabCount() const;
  Integer SelectedTab() const;
  // The section the control was last painted with: "CHECKBOX" without tabs, else its own, which
  // "PAGECONTROL" turns into the variant of the tab side.
  AnsiString PaintSectionName() const;

  // Frees the up-down adapter and makes a new one for the control's up-down child, if it has one.
  void UpdateSpinButtons();
  TskMainWnd* SpinAdapter() const { return spin_; }

  // Paints the control. The DC is the message's wParam when lParam is 1, during an animation or in
  // print mode; else the window's own. The caller's DC comes back in the state it was given in.
  void Paint(TMessage& message);

 protected:
  void PaintTabsBackground(const TskBgInfo& background);
  void DrawTabToDC(Integer index, Integer state, HDC dc);
  // One tab into the target (the cache, or a bitmap of the tab's size placed by the offset).
  void DrawTab(Integer index, Integer state, TPoint offset, TBitmap& target);

 private:
  void DrawTabText(TCanvas& canvas, Integer index, Integer state, const TRect& rect, Integer section);
  TskMainWnd* spin_ = nullptr;
  bool updatingSpin_ = false;
};

class TskPageControlWnd : public TskTabControlWnd {
 public:
  // The tab-control adapter, then the pages.
  TskPageControlWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                    TsCommonData* data);
  void AfterConstruction() override;
  void WndProc(TMessage& message) override;
  // Gives every direct child window that is not skinned yet (and is no up-down control) a page
  // adapter from the skin manager the control names (command 27); first drops the adapters of pages
  // whose window is gone.
  void CreatePages();
};

class TskPageWnd : public TskMainWnd {
 public:
  TskPageWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data);
  void WndProc(TMessage& message) override;
  // The page control's background behind the page into the DC, the page's graphic children over it.
  void PaintPage(HDC dc);
  // The class-library page (nil for a foreign page window).
  TTabSheet* Page = nullptr;
};

// The page adapters made by page controls, in the order made.
const std::vector<TskPageWnd*>& PageAdapters();
// Frees every page adapter (the library's clean-up; a test's end).
void FreePageAdapters();

inline constexpr TskAdapterFactory kTabControlWndFactory = &MakeWindowAdapter<TskTabControlWnd>;
inline constexpr TskAdapterFactory kPageControlWndFactory = &MakeWindowAdapter<TskPageControlWnd>;
