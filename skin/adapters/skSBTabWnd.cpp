#include "skin/adapters/skSBTabWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "skin/adapters/skSBSpinWnd.h"
#include "skin/adapters/skSBUtils.h"
#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/PageControl.h"
#include "vcl/rtl/TextConv.h"

namespace {

// The longest tab text read.
constexpr int kTabTextLength = 4096;
// RedrawWindow flags: everything with its frame and children, now (a skin goes away); the frame only,
// without erasing (a control that shrank).
constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW |
                            RDW_ERASENOW | RDW_FRAME;
constexpr UINT kRedrawShrunk = RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_NOCHILDREN | RDW_FRAME;

std::vector<TskPageWnd*>& PageList() {
  // Made on first use and never destroyed with the program's statics: its adapters are freed by the
  // library's clean-up (FreePageAdapters), while windows and the manager still exist.
  static auto* list = new std::vector<TskPageWnd*>();
  return *list;
}

bool IsUpDown(HWND window) {
  wchar_t name[32]{};
  GetClassNameW(window, name, 32);
  return _wcsicmp(name, UPDOWN_CLASSW) == 0;
}

TPoint WindowSize(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return TPoint{r.right - r.left, r.bottom - r.top};
}

TRect Moved(const TRect& r, TPoint by) { return TRect{r.Left + by.X, r.Top + by.Y, r.Right + by.X, r.Bottom + by.Y}; }

// The text of a tab and its image (-1 for none).
struct TTabItem {
  AnsiString Text;
  Integer Image = -1;
};

TTabItem ReadTabItem(HWND window, Integer index) {
  std::vector<wchar_t> text(kTabTextLength + 1, L'\0');
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = text.data();
  item.cchTextMax = kTabTextLength;
  item.iImage = -1;
  if (SendMessageW(window, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) == 0) return {};
  const wchar_t* shown = item.pszText != nullptr ? item.pszText : text.data();
  return TTabItem{Utf16ToCp1250(std::u16string(reinterpret_cast<const char16_t*>(shown))), item.iImage};
}

// The questions tab controls and pages answer alike: skinned, and their own updating flag.
bool AnswerQuestion(TMessage& message, const TsCommonData& data) {
  switch (SkinCommandOf(message.WParam)) {
    case scIsSkinned:
      message.Result = 1;
      return true;
    case scIsUpdating:
      message.Result = data.UpdatingFlag ? 1 : 0;
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- the tab control ----

TskTabControlWnd::TskTabControlWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                                   TsCommonData* data)
    : TskMainWnd(window, repaint, section.empty() ? AnsiString("PAGECONTROL") : section, manager, data) {}

TskTabControlWnd::~TskTabControlWnd() { FreeAdapter(spin_); }

TsTabSide TskTabControlWnd::Position() const {
  return TabPositionOfStyle(static_cast<Cardinal>(GetWindowLongPtrW(Window, GWL_STYLE)));
}
TskTabLook TskTabControlWnd::Look() const {
  return TabLookOfStyle(static_cast<Cardinal>(GetWindowLongPtrW(Window, GWL_STYLE)));
}
Integer TskTabControlWnd::TabCount() const {
  return static_cast<Integer>(SendMessageW(Window, TCM_GETITEMCOUNT, 0, 0));
}
Integer TskTabControlWnd::SelectedTab() const { return static_cast<Integer>(SendMessageW(Window, TCM_GETCURSEL, 0, 0)); }

TRect TskTabControlWnd::DisplayRect() {
  const TPoint size = WindowSize(Window);
  RECT r{0, 0, size.X, size.Y};
  SendMessageW(Window, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  r.top += 2;
  return FromRECT(r);
}

TRect TskTabControlWnd::FrameRect() {
  const TPoint size = WindowSize(Window);
  return TabFrameRect(size.X, size.Y, DisplayRect(), TabCount(), Position());
}

TRect TskTabControlWnd::TabsRect() {
  const TPoint size = WindowSize(Window);
  return TabStripRect(size.X, size.Y, DisplayRect(), TabCount(), Position());
}

TRect TskTabControlWnd::TabRect(Integer index, bool selected) {
  if (index < 0 || index >= TabCount()) return TRect{};
  RECT r{};
  SendMessageW(Window, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return AdjustedTabRect(FromRECT(r), Position(), Look(), selected);
}

Integer TskTabControlWnd::TabRow(Integer index) {
  const auto rows = static_cast<Integer>(SendMessageW(Window, TCM_GETROWCOUNT, 0, 0));
  RECT r{};
  SendMessageW(Window, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return TabRowOf(FromRECT(r), Position(), rows, TabsRect());
}

AnsiString TskTabControlWnd::PaintSectionName() const {
  if (TabCount() == 0) return "CHECKBOX";
  const AnsiString& own = SkinData->SkinSection();
  if (own != "PAGECONTROL") return own;
  static const char* const kByPosition[] = {"PAGECONTROL", "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"};
  return kByPosition[Position()];
}

void TskTabControlWnd::UpdateSpinButtons() {
  // Making the adapter repaints the arrows, which can erase the control and ask again meanwhile.
  if (SkinData == nullptr || !SkinData->Skinned() || updatingSpin_) return;
  updatingSpin_ = true;
  struct TClear {
    bool& Flag;
    ~TClear() { Flag = false; }
  } clear{updatingSpin_};
  const HWND upDown = FindWindowExW(Window, nullptr, UPDOWN_CLASSW, nullptr);
  FreeAdapter(spin_);
  if (upDown != nullptr) spin_ = New<TskSpinWnd>(upDown, true, "UPDOWNBTN", SkinManager, nullptr);
}

void TskTabControlWnd::Paint(TMessage& message) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  SkinData->UpdatingFlag = SkinData->IsUpdating();
  if (SkinData->UpdatingFlag || SkinManager == nullptr) return;
  const auto given = reinterpret_cast<HDC>(message.WParam);
  const bool useGiven =
      given != nullptr && (message.LParam == 1 || InAnimationProcess || (SkinData->StateBits & ssPrinting) != 0);
  const HDC dc = useGiven ? given : GetDC(Window);
  if (dc == nullptr) return;
  // Only levels saved here are restored here: a DC given by a caller (a print of the dialog, an
  // animation) keeps the state the caller saved, and the origin it moved to this window.
  const int ownLevel = useGiven ? 0 : SaveDC(dc);
  SkinData->BackgroundDirty = true;
  const Integer count = TabCount();
  const Integer selected = SelectedTab();
  const AnsiString section = PaintSectionName();
  SkinData->SectionIndex = SkinManager->GetSkinIndex(section);
  const TskBgInfo background = GetParentBgOfWnd(Window);
  TBitmap& cache = CacheOfSize(*SkinData, WndSize.X, WndSize.Y);
  if (SkinData->BackgroundDirty) {
    if (count > 0) PaintTabsBackground(background);
    const TRect frame = FrameRect();
    PaintSectionInState(*SkinManager, SkinData->SectionIndex, section, PixelViewOf(cache), frame,
                        BgPixelsOf(background), TPoint{WndPos.X + frame.Left, WndPos.Y + frame.Top}, 0);
    SkinData->BackgroundDirty = false;
  }
  const bool hasSelected = count > 0 && selected >= 0 && selected < count;
  int tabLevel = 0;
  if (hasSelected) {
    const TRect r = TabRect(selected, true);
    tabLevel = SaveDC(dc);
    ExcludeClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  }
  BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, cache.Canvas().Handle(), 0, 0, SRCCOPY);
  if (hasSelected) {
    RestoreDC(dc, tabLevel);
    DrawTabToDC(selected, 2, dc);
  }
  if (auto* owner = dynamic_cast<TWinControl*>(SkinData->HostControl)) PaintControlImage(dc, owner, true, TPoint{0, 0});
  if (!useGiven) {
    RestoreDC(dc, ownLevel);
    ReleaseDC(Window, dc);
  }
}

void TskTabControlWnd::PaintTabsBackground(const TskBgInfo& background) {
  const TRect strip = TabsRect();
  TBitmap& cache = *SkinData->CacheBitmap;
  if (background.IsBitmap && background.Bitmap != nullptr) {
    const Integer sx = WndPos.X + background.OffsetX + strip.Left;
    const Integer sy = WndPos.Y + background.OffsetY + strip.Top;
    const Integer w = std::min(strip.Width(), background.Bitmap->Width() - sx);
    const Integer h = std::min(strip.Height(), background.Bitmap->Height() - sy);
    if (w > 0 && h > 0)
      BitBlt(cache.Canvas().Handle(), strip.Left, strip.Top, w, h, background.Bitmap->Canvas().Handle(), sx, sy, SRCCOPY);
  } else {
    FillDCColor(cache.Canvas().Handle(), strip, background.Color);
  }
  const Integer count = TabCount();
  const Integer selected = SelectedTab();
  const auto rows = std::max<Integer>(static_cast<Integer>(SendMessageW(Window, TCM_GETROWCOUNT, 0, 0)), 1);
  // Row by row from the window's edge, so the rows nearer the page area cover the farther ones.
  for (Integer row = 1; row <= rows; ++row)
    for (Integer j = 0; j < count; ++j)
      if (j != selected && TabRow(j) == row) DrawTab(j, 0, TPoint{0, 0}, cache);
}

void TskTabControlWnd::DrawTabToDC(Integer index, Integer state, HDC dc) {
  const TRect r = TabRect(index, state == 2);
  if (r.IsEmpty()) return;
  const std::unique_ptr<TBitmap> bitmap = CreateBmp32(r.Width(), r.Height());
  DrawTab(index, state, TPoint{-r.Left, -r.Top}, *bitmap);
  BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), bitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TskTabControlWnd::DrawTab(Integer index, Integer state, TPoint offset, TBitmap& target) {
  if (index < 0 || index >= TabCount() || SkinManager == nullptr || !SkinData->CacheBitmap) return;
  const bool selected = state == 2 && index == SelectedTab();
  const TRect r2 = TabRect(index, selected);
  if (r2.IsEmpty()) return;
  TCanvas& canvas = target.Canvas();
  if (TControl* owner = SkinData->HostControl) {
    canvas.SetFont(owner->Font());
  } else if (const auto font = reinterpret_cast<HFONT>(SendMessageW(Window, WM_GETFONT, 0, 0)); font != nullptr) {
    canvas.Font().SetHandle(font);
  } else {
    AssignSystemFont(canvas, 5);
  }
  const TRect place = Moved(r2, offset);
  Integer section = -1;
  if (SkinManager->IsValidSkinIndex(SkinManager->GetSkinIndex("TABTOP"))) {
    static const char* const kTabSections[] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
    const TskTabLook look = Look();
    const AnsiString name = look == tlButtons ? "BUTTON" : look == tlFlatButtons ? "TOOLBUTTON" : kTabSections[Position()];
    section = SkinManager->GetSkinIndex(name);
    const Integer mask = SkinManager->GetMaskIndex(section, name, "BORDERSMASK");
    if (SkinManager->IsValidMaskIndex(mask)) {
      // The tab over what the cache holds under it.
      const std::unique_ptr<TBitmap> under = CreateBmp32(r2.Width(), r2.Height());
      BitBlt(under->Canvas().Handle(), 0, 0, r2.Width(), r2.Height(), SkinData->CacheBitmap->Canvas().Handle(), r2.Left,
             r2.Top, SRCCOPY);
      const std::unique_ptr<TBitmap> tab = CreateBmp32(r2.Width(), r2.Height());
      TsBgPixels background;
      background.Bitmap = PixelViewOf(*under);
      PaintSectionInState(*SkinManager, section, name, PixelViewOf(*tab), TRect{0, 0, r2.Width(), r2.Height()},
                          background, TPoint{0, 0}, state);
      const HDC dc = canvas.Handle();
      const int saved = SaveDC(dc);
      if (!selected && (Position() == tsTop || Position() == tsLeft)) {
        const TRect frame = Moved(FrameRect(), offset);
        ExcludeClipRect(dc, frame.Left, frame.Top, frame.Right, frame.Bottom);
      }
      BitBlt(dc, place.Left, place.Top, r2.Width(), r2.Height(), tab->Canvas().Handle(), 0, 0, SRCCOPY);
      RestoreDC(dc, saved);
    } else {
      section = -1;
    }
  }
  DrawTabText(canvas, index, state, place, section);
}

void TskTabControlWnd::DrawTabText(TCanvas& canvas, Integer index, Integer state, const TRect& tab, Integer section) {
  const TTabItem item = ReadTabItem(Window, index);
  const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Window, TCM_GETIMAGELIST, 0, 0));
  int cx = 0;
  int cy = 0;
  const bool image = images != nullptr && item.Image >= 0 && ImageList_GetIconSize(images, &cx, &cy);
  const HDC dc = canvas.Handle();
  const Integer width = tab.Width();
  const Integer height = tab.Height();
  const TsTabSide position = Position();
  if (position == tsTop || position == tsBottom) {
    TRect content{tab.Left + 3, tab.Top + 3, tab.Right - 3, tab.Bottom - 3};
    if (image) {
      const Integer textWidth = TextExtentStr(dc, item.Text).X;
      ImageList_Draw(images, item.Image, dc, tab.Left + (width - (textWidth + cx + 8)) / 2, tab.Top + (height - cy) / 2,
                     ILD_TRANSPARENT);
      content.Left += cx;
    }
    canvas.Brush().SetStyle(bsClear);
    DrawSectionText(canvas, item.Text, true, SkinManager, state != 0 ? 1 : 0, section,
                    DT_SINGLELINE | DT_VCENTER | DT_CENTER, content);
    return;
  }
  // Left and right tabs: the text turned a quarter (upwards on the left, downwards on the right).
  const bool left = position == tsLeft;
  TRect r = tab;
  if (!left) r = Moved(r, TPoint{-2, -1});
  LOGFONTW font{};
  GetObjectW(canvas.Font().Handle(), sizeof font, &font);
  font.lfEscapement = font.lfOrientation = left ? -2700 : -900;
  font.lfWeight = FW_NORMAL;
  if (std::wcscmp(font.lfFaceName, L"MS Sans Serif") == 0) std::wcscpy(font.lfFaceName, L"Arial");
  Integer color = static_cast<Integer>(ColorToRGB(canvas.Font().Color()));
  if (SkinManager->IsValidSkinIndex(section)) {
    const TsGeneralData& data = SkinManager->gd[static_cast<size_t>(section)];
    color = static_cast<Integer>(ColorToRGB(static_cast<TColor>(data.Props[state != 0 && data.States > 1 ? 1 : 0].TextColor)));
  }
  const TPoint size = TextExtentStr(dc, item.Text);  // along the text, across it
  const Integer tw = size.X;
  const Integer th = size.Y;
  Integer x = 0;
  Integer y = 0;
  if (left) {
    if (image) {
      if (state == 2) r = Moved(r, TPoint{2, 0});
      y = r.Bottom - (height - (cy + tw + 4)) / 2 - cy;
      ImageList_Draw(images, item.Image, dc, r.Left + (width - cx) / 2, y, ILD_TRANSPARENT);
      x = r.Left + (width - th) / 2;
      y -= 4;
    } else {
      x = r.Left + (width - th) / 2;
      y = r.Bottom - (height - tw) / 2;
    }
  } else if (image) {
    y = r.Top + (height - (cy + tw + 4)) / 2;
    ImageList_Draw(images, item.Image, dc, r.Left + (width - cx) / 2, y, ILD_TRANSPARENT);
    x = r.Left + (width - th) / 2 + th;
    y += cy + 4;
  } else {
    x = r.Left + (width - th) / 2 + th;
    y = r.Top + (height - tw) / 2;
  }
  const HFONT rotated = CreateFontIndirectW(&font);
  const HGDIOBJ previous = SelectObject(dc, rotated);
  const int mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColor = SetTextColor(dc, static_cast<COLORREF>(color));
  const WideString text = Cp1250ToUtf16(item.Text);
  TextOutW(dc, x, y, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()));
  SetTextColor(dc, previousColor);
  SetBkMode(dc, mode);
  SelectObject(dc, previous);
  DeleteObject(rotated);
}

void TskTabControlWnd::WndProc(TMessage& message) {
  if (Detached() || SkinData == nullptr || SkinManager == nullptr || !SkinData->Skinned()) {
    TskMainWnd::WndProc(message);
    return;
  }
  TControl* owner = SkinData->HostControl;
  const bool ownManager = message.LParam == reinterpret_cast<LPARAM>(SkinManager);
  switch (message.Msg) {
    case SkinCommandMessage:
      if (AnswerQuestion(message, *SkinData)) return;
      switch (SkinCommandOf(message.WParam)) {
        case scNewSkin:
          if (ownManager) HandleControlMessage(message, SkinData);
          NotifyChildren(owner, Window, message);
          return;
        case scRemoveSkin:
          if (ownManager) {
            HandleControlMessage(message, SkinData);
            UpdateSpinButtons();
            NotifyChildren(owner, Window, message);
            InvalidateRect(Window, nullptr, TRUE);
            RedrawWindow(Window, nullptr, nullptr, kRedrawAll);
          } else {
            NotifyChildren(owner, Window, message);
          }
          return;
        case scRefresh:
          if (ownManager) {
            HandleControlMessage(message, SkinData);
            InvalidateRect(Window, nullptr, TRUE);
            UpdateSpinButtons();
          }
          NotifyChildren(owner, Window, message);
          return;
        case scParentUpdated:
          SkinData->UpdatingFlag = false;
          InvalidateRect(Window, nullptr, TRUE);
          return;
        case scGetSkinManager:
          message.Result = reinterpret_cast<LRESULT>(SkinManager);
          return;
        default:
          break;
      }
      break;
    case WM_PAINT:
      PaintOnErase(Window);
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (!IsWindowVisible(Window)) break;
      if (!InAnimationProcess) Paint(message);
      UpdateSpinButtons();
      message.Result = 0;
      return;
    case WM_NCPAINT:
      return;
    case WM_PRINT:
      UpdateSpinButtons();
      Paint(message);
      return;
    case WM_SIZE: {
      const TPoint before = WndSize;
      TskMainWnd::WndProc(message);
      UpdateSpinButtons();
      const TPoint now = WindowSize(Window);
      if (now.X < before.X || now.Y < before.Y) RedrawWindow(Window, nullptr, nullptr, kRedrawShrunk);
      return;
    }
    case TCM_SETCURSEL:
      SendMessageW(Window, WM_SETREDRAW, FALSE, 0);
      TskMainWnd::WndProc(message);
      SendMessageW(Window, WM_SETREDRAW, TRUE, 0);
      // Redrawing was off while the control marked the tabs to paint: they are marked now.
      InvalidateRect(Window, nullptr, TRUE);
      return;
    case CM_CONTROLLISTCHANGE:
      TskMainWnd::WndProc(message);
      UpdateSpinButtons();
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

// ---- the page control ----

TskPageControlWnd::TskPageControlWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                                     TsCommonData* data)
    : TskTabControlWnd(window, repaint, section, manager, data) {}

void TskPageControlWnd::AfterConstruction() {
  TskTabControlWnd::AfterConstruction();
  // The pages ask the control for its skin manager: the control is hooked first.
  CreatePages();
}

void TskPageControlWnd::CreatePages() {
  std::vector<TskPageWnd*>& pages = PageList();
  std::erase_if(pages, [](TskPageWnd* page) {
    if (!page->Detached() && IsWindow(page->Window) && FindAdapter(page->Window) == page) return false;
    TskMainWnd* adapter = page;
    FreeAdapter(adapter);
    return true;
  });
  auto* manager = reinterpret_cast<TsSkinManager*>(SendSkinCommand(Window, scGetSkinManager));
  if (manager == nullptr) return;
  for (HWND child = GetWindow(Window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    // The control's own scroll arrows are no page.
    if (GetParent(child) != Window || IsUpDown(child) || SendSkinCommand(child, scIsSkinned) != 0) continue;
    auto* page = New<TskPageWnd>(child, true, "CHECKBOX", manager, nullptr);
    page->Page = dynamic_cast<TTabSheet*>(FindControl(child));
    pages.push_back(page);
  }
}

void TskPageControlWnd::WndProc(TMessage& message) {
  if (Detached() || SkinData == nullptr || SkinManager == nullptr || !SkinData->Skinned()) {
    TskTabControlWnd::WndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND:
      if (!IsWindowVisible(Window)) break;
      if (!InAnimationProcess) Paint(message);
      message.Result = 1;
      return;
    case WM_NCPAINT:
      CreatePages();
      return;
    case WM_PRINT:
      UpdateSpinButtons();
      CreatePages();
      Paint(message);
      return;
    case WM_PARENTNOTIFY:
      if (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY) CreatePages();
      break;
    case TCM_SETCURSEL:
      TskTabControlWnd::WndProc(message);
      if (TControl* owner = SkinData->HostControl) {
        CreatePages();
        NotifyParentForm(owner);
      }
      return;
    default:
      break;
  }
  TskTabControlWnd::WndProc(message);
}

// ---- the pages ----

TskPageWnd::TskPageWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager, TsCommonData* data)
    : TskMainWnd(window, repaint, section, manager, data) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
}

void TskPageWnd::PaintPage(HDC dc) {
  GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (dc == nullptr || ParentWnd == nullptr) return;
  TskBgRequest request;
  GetParentBgFromWindow(request, ParentWnd, false);
  if (request.AnswerKind == bgBitmap && request.Bitmap != nullptr) {
    TBitmap& bitmap = *request.Bitmap;
    if (bitmap.Width() == 0 || bitmap.Height() == 0) {
      SendMessageW(ParentWnd, WM_PAINT, reinterpret_cast<WPARAM>(bitmap.Canvas().Handle()), 0);
      if (bitmap.Width() == 0 || bitmap.Height() == 0) return;
    }
    BitBlt(dc, 0, 0, WndSize.X, WndSize.Y, bitmap.Canvas().Handle(), WndPos.X + request.OffsetX,
           WndPos.Y + request.OffsetY, SRCCOPY);
  } else {
    FillDCColor(dc, TRect{0, 0, WndSize.X, WndSize.Y}, request.Color);
    // The page's edge along the tabs shows the control's frame there.
    const TPageControl* control = Page != nullptr ? Page->PageControl() : nullptr;
    if (control != nullptr && control->PageCount() > 0 && request.Bitmap != nullptr) {
      const Integer x = WndPos.X + request.OffsetX;
      const Integer y = WndPos.Y + request.OffsetY;
      const Integer w = WndSize.X;
      const Integer h = WndSize.Y;
      const HDC source = request.Bitmap->Canvas().Handle();
      switch (control->TabPosition()) {
        case tpTop: BitBlt(dc, 0, 0, w, 3, source, x, y, SRCCOPY); break;
        case tpBottom: BitBlt(dc, 0, h - 3, w, 3, source, x, y + h - 3, SRCCOPY); break;
        case tpLeft: BitBlt(dc, 0, 0, 3, h, source, x, y, SRCCOPY); break;
        case tpRight: BitBlt(dc, w - 3, 0, 3, h, source, x + w - 3, y, SRCCOPY); break;
      }
    }
  }
  if (Page != nullptr) {
    PaintControlImage(dc, Page, true, TPoint{0, 0});
    EndChildrenUpdate(Page);
  }
}

void TskPageWnd::WndProc(TMessage& message) {
  if (Detached() || SkinData == nullptr || SkinManager == nullptr || !SkinData->Skinned()) {
    TskMainWnd::WndProc(message);
    return;
  }
  const bool ownManager = message.LParam == reinterpret_cast<LPARAM>(SkinManager);
  const bool visible = IsWindowVisible(Window) != FALSE;
  switch (message.Msg) {
    case SkinCommandMessage:
      if (AnswerQuestion(message, *SkinData)) return;
      switch (SkinCommandOf(message.WParam)) {
        case scNewSkin:
          NotifyChildren(Page, Window, message);
          if (ownManager) HandleControlMessage(message, SkinData);
          return;
        case scRemoveSkin:
          if (ownManager) {
            HandleControlMessage(message, SkinData);
            InvalidateRect(Window, nullptr, TRUE);
          }
          NotifyChildren(Page, Window, message);
          break;
        case scRefresh:
          if (ownManager) {
            HandleControlMessage(message, SkinData);
            InvalidateRect(Window, nullptr, TRUE);
          }
          NotifyChildren(Page, Window, message);
          return;
        case scParentUpdated:
          if (!SkinData->UpdatingFlag) break;
          SkinData->UpdatingFlag = false;
          InvalidateRect(Window, nullptr, TRUE);
          return;
        case scFillBgRequest: {
          // A child's background is the page control's, moved by the page's place in it.
          if (message.LParam == 0 || SentFromOtherThread()) return;
          auto& request = *reinterpret_cast<TskBgRequest*>(message.LParam);
          GetWindowGeometry(Window, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
          if (ParentWnd != nullptr) GetParentBgFromWindow(request, ParentWnd, request.PaintFlag != 0);
          request.OffsetX += Page != nullptr ? Page->Left() : WndPos.X;
          request.OffsetY += Page != nullptr ? Page->Top() : WndPos.Y;
          message.Result = 1;
          return;
        }
        default:
          break;
      }
      break;
    case WM_PAINT: {
      if (!visible) break;
      PAINTSTRUCT ps{};
      const HDC dc = BeginPaint(Window, &ps);
      const auto given = reinterpret_cast<HDC>(message.WParam);
      PaintPage(given != nullptr ? given : dc);
      EndPaint(Window, &ps);
      message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      if (!visible) break;
      PaintPage(reinterpret_cast<HDC>(message.WParam));
      message.Result = 1;
      return;
    case WM_NCPAINT:
      return;
    case WM_PRINT:
      PaintPage(reinterpret_cast<HDC>(message.WParam));
      message.Result = SendMessageW(Window, WM_PAINT, message.WParam, message.LParam);
      return;
    case WM_PARENTNOTIFY:
      TskMainWnd::WndProc(message);
      if (LOWORD(message.WParam) == WM_CREATE) SendToTopLevel(Window);
      return;
    default:
      break;
  }
  TskMainWnd::WndProc(message);
}

const std::vector<TskPageWnd*>& PageAdapters() { return PageList(); }

void FreePageAdapters() {
  std::vector<TskPageWnd*>& pages = PageList();
  while (!pages.empty()) {
    TskMainWnd* page = pages.back();
    pages.pop_back();
    FreeAdapter(page);
  }
}
