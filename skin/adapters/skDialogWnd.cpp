#include "skin/adapters/skDialogWnd.h"

#include <algorithm>

#include "skin/adapters/sSkinMenus.h"
#include "skin/adapters/skDials.h"
#include "skin/forms/sBorderForm.h"
#include "skin/forms/sHideAnimation.h"
#include "skin/forms/sSkinProviderDwm.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Form.h"
#include "vcl/gui/ShortCuts.h"

// ---- helpers ----

void SendToChildren(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageW(child, msg, wParam, lParam);
}

void ExcludeChildRects(HDC dc, HWND window, Integer dx, Integer dy) {
  wchar_t cls[16];
  for (HWND child = GetTopWindow(window); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & 7) == 7) continue;
    if ((style & WS_TABSTOP) != 0 && GetClassNameW(child, cls, 16) > 0 && lstrcmpiW(cls, L"static") == 0) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(dc, r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
  }
}

std::u16string ReadWindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const int read = GetWindowTextW(window, reinterpret_cast<LPWSTR>(text.data()), length + 1);
  text.resize(static_cast<size_t>(std::max(read, 0)));
  return text;
}

// ---- the system menu ----

TskSystemMenu::TskSystemMenu(TComponent* owner, TskDialogWnd* dialog) : TsCustomSysMenu(owner), dialog_(dialog) {
  miRestore = AddItem("miRestore", SRestore, SC_RESTORE, true);
  miMove = AddItem("miMove", SMove, SC_MOVE, false);
  miSize = AddItem("miSize", SSize, SC_SIZE, false);
  miMinimize = AddItem("miMinimize", SMinimize, SC_MINIMIZE, false);
  miMaximize = AddItem("miMaximize", SMaximize, SC_MAXIMIZE, true);
  AddItem("", "-", 0, false);
  miClose = AddItem("miClose", SClose, SC_CLOSE, false);
  miClose->SetShortCut(ShortCut(VK_F4, TShiftState{ssAlt}));
}

TMenuItem* TskSystemMenu::AddItem(const AnsiString& name, const AnsiString& caption, UINT command, bool update) {
  auto* item = New<TMenuItem>(this);
  if (!name.empty()) item->SetName(name);
  item->SetCaption(caption);
  if (command != 0)
    item->OnClick = [this, command, update](TObject*) {
      SendMessageW(dialog_->Window, WM_SYSCOMMAND, command, 0);
      if (update) UpdateItems();
    };
  Items()->Add(item);
  return item;
}

bool TskSystemMenu::VisibleClose() { return (dialog_->SavedStyle & WS_SYSMENU) != 0; }

void TskSystemMenu::UpdateItems() {
  const TskSysMenuState s = DialogSysMenuItems(dialog_->DialogState());
  const std::pair<TMenuItem*, TskSysMenuItem> items[] = {{miRestore, s.Restore},   {miMove, s.Move},
                                                         {miSize, s.Size},         {miMinimize, s.Minimize},
                                                         {miMaximize, s.Maximize}, {miClose, s.Close}};
  for (const auto& [item, state] : items) {
    item->SetVisible(state.Visible);
    item->SetEnabled(state.Enabled);
  }
}

// ---- creation ----

TskDialogWnd::TskDialogWnd(HWND window, bool repaint, const AnsiString& section, TsSkinManager* manager,
                           TsCommonData* data)
    : TskScrollWnd(window, repaint, section.empty() ? AnsiString("DIALOG") : section, manager, data) {
  WorkBitmap = std::make_unique<TBitmap>();
  NoClientPaint = WindowsSixOrLater();
  SavedStyle = static_cast<Cardinal>(GetWindowLongPtrW(window, GWL_STYLE));
  SavedExStyle = static_cast<Cardinal>(GetWindowLongPtrW(window, GWL_EXSTYLE));
}

void TskDialogWnd::AfterConstruction() {
  TskScrollWnd::AfterConstruction();
  SystemMenu = New<TskSystemMenu>(nullptr, this);
  SystemMenu->UpdateItems();
  if (SkinData != nullptr) SkinData->SetUpdating(true);
  DisableDwmTransitions(Window, true);
  if (SkinManager != nullptr && SkinManager->SkinnedPopups()) SkinManager->SkinableMenus().HookPopupMenu(SystemMenu, true);
  LoadTitleSections();
}

TskDialogWnd::~TskDialogWnd() {
  ExtraObject.reset();
  FreeTitleButtons();
  BorderForm.reset();
  CoverForm.reset();
  delete SystemMenu;
  SystemMenu = nullptr;
  if (TitleFont != nullptr) DeleteObject(TitleFont);
  if (dialogBrush_ != nullptr) DeleteObject(dialogBrush_);
}

TskDialogWnd* CreateDialogAdapter(HWND window, TskProvider* provider) {
  auto* adapter = New<TskDialogWnd>(window, false, "DIALOG", nullptr, nullptr);
  adapter->Provider = provider;
  // The frame is prepared once the children have their adapters.
  if (provider != nullptr) {
    provider->DialogAdapter = adapter;
    provider->AdaptChildren(window);
  }
  adapter->InitFrame();
  if (adapter->SkinManager != nullptr) adapter->SetExtendedBorders(adapter->SkinManager->GetExtendedBorders());
  return adapter;
}

void TskDialogWnd::InitFrame() {
  SavedStyle = static_cast<Cardinal>(GetWindowLongPtrW(Window, GWL_STYLE));
  SavedExStyle = static_cast<Cardinal>(GetWindowLongPtrW(Window, GWL_EXSTYLE));
  BorderKind = DialogBorderKind(SavedStyle);
  LoadTitleIcon();
  LoadTitleSections();
  if (TitleFont == nullptr) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
      TitleFont = CreateFontIndirectW(&metrics.lfCaptionFont);
  }
  // The system draws no caption buttons and no system menu of its own any more.
  SetWindowLongPtrW(Window, GWL_STYLE, static_cast<LONG_PTR>(SavedStyle & ~static_cast<Cardinal>(WS_SYSMENU)));
  SystemMenu->UpdateItems();
  if (SkinData != nullptr) SkinData->BackgroundDirty = true;
}

void TskDialogWnd::LoadTitleIcon() {
  auto icon = reinterpret_cast<HICON>(SendMessageW(Window, WM_GETICON, ICON_SMALL, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(SendMessageW(Window, WM_GETICON, ICON_BIG, 0));
  TitleIcon = icon;
  if (icon == nullptr) return;
  const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  if (!TitleGlyph) TitleGlyph = std::make_unique<TBitmap>();
  TitleGlyph->SetPixelFormat(pf32bit);
  TitleGlyph->SetSize(cx, cy);
  TCanvas& canvas = TitleGlyph->Canvas();
  canvas.Brush().SetColor(static_cast<TColor>(0xFF00FF));
  canvas.FillRect(TRect{0, 0, cx, cy});
  const auto copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, 0));
  DrawIconEx(canvas.Handle(), 0, 0, copy != nullptr ? copy : icon, cx, cy, 0, nullptr, DI_NORMAL);
  if (copy != nullptr) DestroyIcon(copy);
  GdiFlush();
}

void TskDialogWnd::LoadTitleSections() {
  TsSkinManager* manager = SkinManager;
  if (manager == nullptr || !manager->IsValidSkinIndex(manager->ConstData.CommonSkin)) return;
  CaptionIndex = manager->GetSkinIndex("CAPTION");
  Buttons[dbClose].HitCode = HTCLOSE;
  Buttons[dbMax].HitCode = HTMAXBUTTON;
  Buttons[dbMin].HitCode = HTMINBUTTON;
  Buttons[dbHelp].HitCode = 0;
  TitleIndex = -1;
  const auto mask = [&](const char* name) { return manager->GetMaskIndexByNames(kGlobalInfo, name); };
  const auto large = [&] {
    const bool alone = (SavedStyle & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) == 0 && manager->IsValidMaskIndex(mask("BICLOSEALONE"));
    Buttons[dbClose].MaskIndex = alone ? mask("BICLOSEALONE") : mask("BICONCLOSE");
    Buttons[dbMax].MaskIndex = mask("BICONMAX");
    Buttons[dbMin].MaskIndex = mask("BICONMIN");
    Buttons[dbHelp].MaskIndex = mask("BICONHELP");
    for (TskDialogTitleButton& b : Buttons) b.Large = true;
  };
  if (BorderKind == dbSingle || BorderKind == dbSizeable) {
    large();
  } else {
    if (manager->IsValidMaskIndex(mask("SICONCLOSE"))) {
      Buttons[dbClose].MaskIndex = mask("SICONCLOSE");
      Buttons[dbMax].MaskIndex = mask("SICONMAX");
      Buttons[dbMin].MaskIndex = mask("SICONMIN");
      const Integer help = mask("SICONHELP");
      Buttons[dbHelp].MaskIndex = manager->IsValidMaskIndex(help) ? help : mask("BICONHELP");
      for (TskDialogTitleButton& b : Buttons) b.Large = false;
    } else {
      large();
    }
    TitleSection = "DIALOGTITLE";
    TitleIndex = manager->GetSkinIndex(TitleSection);
  }
  if (TitleIndex < 0) {
    TitleSection = "FORMTITLE";
    TitleIndex = manager->GetSkinIndex(TitleSection);
  }
}

// ---- metrics ----

Integer TskDialogWnd::CaptionHeight(bool useBorderWindow) const {
  const LONG_PTR style = GetWindowLongPtrW(Window, GWL_STYLE);
  if ((style & WS_CAPTION) != WS_CAPTION && !IsIconic(Window)) return 0;
  if (useBorderWindow && BorderForm && SkinManager != nullptr && SkinManager->SkinData.TitleHeight != 0)
    return SkinManager->SkinData.TitleHeight;
  return GetSystemMetrics(SM_CYCAPTION);
}

TskFrameInput TskDialogWnd::FrameInput() const {
  TskFrameInput in;
  RECT outer{}, client{};
  GetWindowRect(Window, &outer);
  GetClientRect(Window, &client);
  const LONG_PTR style = GetWindowLongPtrW(Window, GWL_STYLE);
  in.PlainFrame = (style & WS_THICKFRAME) != 0 ? GetSystemMetrics(SM_CXFRAME)
                  : (style & WS_BORDER) != 0   ? GetSystemMetrics(SM_CXDLGFRAME)
                                               : 0;
  in.HasBorder = (style & WS_BORDER) != 0;
  in.CaptionHeight = in.CaptionHeightExt = CaptionHeight(false);
  in.FormWidth = in.WindowWidth = outer.right - outer.left;
  in.FormHeight = in.WindowHeight = outer.bottom - outer.top;
  in.ClientWidth = client.right;
  in.ClientHeight = client.bottom;
  in.Iconic = IsIconic(Window) != FALSE;
  in.Maximized = IsZoomed(Window) != FALSE;
  if (BorderForm && SkinManager != nullptr) {
    in.BorderWindow = true;
    in.ExtBorderWidth = SkinManager->SkinData.BorderWidth;
    in.CaptionHeightExt = CaptionHeight(true);
    const TsShadowSize& s = SkinManager->ShadowSize;
    in.Shadow = TRect{s.Left, s.Top, s.Right, s.Bottom};
  }
  return in;
}

Integer TskDialogWnd::SysBorderWidth(bool withExt) const { return FrameSysBorderWidth(FrameInput(), withExt); }
Integer TskDialogWnd::SysBorderWidthNoExt() const { return FrameSysBorderWidthNoExt(FrameInput()); }

Integer TskDialogWnd::SideBorderWidth() const {
  const TskFrameInput in = FrameInput();
  Integer width = (in.WindowWidth - in.ClientWidth) / 2;
  if (in.BorderWindow) width += BorderFormSideOffset(in) + in.Shadow.Left;
  return width;
}

Integer TskDialogWnd::VertFrameSize() const {
  const TskFrameInput in = FrameInput();
  Integer size = in.WindowHeight - in.ClientHeight - (CaptionHeight() != 0 ? SysBorderWidth(false) : 0);
  if (in.BorderWindow) size += in.Shadow.Top + BorderFormTopOffset(in);
  return size;
}

TRect TskDialogWnd::GetShadowSize() const {
  if (!BorderForm || SkinManager == nullptr) return TRect{};
  const TsShadowSize& s = SkinManager->ShadowSize;
  return TRect{s.Left, s.Top, s.Right, s.Bottom};
}

TRect TskDialogWnd::TitleIconRect() const {
  const TskFrameInput in = FrameInput();
  const Integer cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  const Integer margin = SkinManager != nullptr ? SkinManager->SkinData.BILeftMargin : 0;
  Integer left = FrameSysBorderWidth(in, true) + margin + in.Shadow.Left;
  Integer top = (FrameSysBorderWidthNoExt(in) + CaptionHeight() - cy) / 2 + in.Shadow.Top;
  if (in.BorderWindow && SkinManager != nullptr && SkinManager->SkinData.BorderMode == 1)
    top += SkinManager->SkinData.CenterOffset;
  return TRect{left, top, left + cx, top + cy};
}

TskDialogState TskDialogWnd::DialogState() const {
  const bool noClose = (GetClassLongPtrW(Window, GCL_STYLE) & CS_NOCLOSE) != 0;
  return TskDialogState::FromStyles(SavedStyle, SavedExStyle, BorderKind, IsZoomed(Window) != FALSE,
                                    IsIconic(Window) != FALSE, noClose);
}

TskDialogButtonRules TskDialogWnd::ButtonRules() const { return DialogButtonRules(DialogState()); }

TskDialogTitleInput TskDialogWnd::TitleInput() const {
  TskDialogTitleInput in;
  const TskFrameInput frame = FrameInput();
  in.State = DialogState();
  in.CacheWidth = FrameCacheWidth(frame);
  in.SysBorderWidth = FrameSysBorderWidth(frame, true);
  in.SysBorderWidthNoExt = FrameSysBorderWidthNoExt(frame);
  in.CaptionHeight = CaptionHeight();
  in.PlainFrame = frame.PlainFrame;
  in.SmallIconWidth = GetSystemMetrics(SM_CXSMICON);
  in.ShadowTop = frame.Shadow.Top;
  in.ShadowRight = frame.Shadow.Right;
  in.BorderWindow = frame.BorderWindow;
  if (const TsSkinManager* manager = SkinManager) {
    const TsSkinData& skin = manager->SkinData;
    in.BIRight = skin.BIRightMargin;
    in.BISpace = skin.BISpacing;
    in.BIVAlign = skin.BIVAlign;
    in.BITop = skin.BITopMargin;
    in.CenterOffset = skin.CenterOffset;
    in.ExtDrawMode = frame.BorderWindow && skin.BorderMode == 1;
    in.CloseIsBigClose = Buttons[dbClose].MaskIndex >= 0 &&
                         Buttons[dbClose].MaskIndex == manager->GetMaskIndexByNames(kGlobalInfo, "BICONCLOSE");
    for (int i = 0; i < kDialogButtonCount; ++i) {
      const TskDialogTitleButton& b = Buttons[static_cast<size_t>(i)];
      in.Large[static_cast<size_t>(i)] = b.Large;
      if (manager->IsValidMaskIndex(b.MaskIndex)) {
        const TsMaskData& mask = manager->ma[static_cast<size_t>(b.MaskIndex)];
        in.Masks[static_cast<size_t>(i)] = TskTitleMask{MaskStateWidth(mask), MaskStateHeight(mask)};
      }
    }
  }
  return in;
}

void TskDialogWnd::RefreshGeometry() {
  RECT r{};
  GetWindowRect(Window, &r);
  WindowRect = TRect{r.left, r.top, r.right, r.bottom};
  WindowSize = TPoint{r.right - r.left, r.bottom - r.top};
}

// ---- title buttons ----

TskDialogTitleButton* TskDialogWnd::ButtonOfCode(Integer code) {
  switch (code) {
    case HTCLOSE: return &Buttons[dbClose];
    case HTMAXBUTTON: return &Buttons[dbMax];
    case HTMINBUTTON: return &Buttons[dbMin];
    case HTHELP: return &Buttons[dbHelp];
    default: return nullptr;
  }
}

Integer TskDialogWnd::HitTest(const TMessage& message) {
  RefreshGeometry();
  const auto x = static_cast<short>(LOWORD(message.LParam)) - WindowRect.Left;
  const auto y = static_cast<short>(HIWORD(message.LParam)) - WindowRect.Top;
  const TskDialogTitleInput in = TitleInput();
  const Integer code = DialogHitTest(in, LayoutDialogButtons(in), x, y, WindowSize.X, WindowSize.Y);
  if (ButtonOfCode(code) != nullptr) SetHotTitleButton(code, true);
  return code;
}

bool DialogPressedMark = false;

void TskDialogWnd::SetHotTitleButton(Integer code, bool repaint) {
  if (code == CurrentHT) return;
  if (TskDialogTitleButton* old = ButtonOfCode(CurrentHT)) {
    old->State = 0;
    if (repaint) RepaintTitleButton(CurrentHT);
  }
  CurrentHT = code;
  DialogPressedMark = false;
  if (TskDialogTitleButton* hot = ButtonOfCode(code)) {
    hot->State = 1;
    if (repaint) RepaintTitleButton(code);
  }
}

// The button under the press is usually hot already (the hit test before the click made it so): it
// turns pressed all the same.
void TskDialogWnd::SetPressedTitleButton(Integer code) {
  TskDialogTitleButton* pressed = ButtonOfCode(code);
  if (code == CurrentHT && DialogPressedMark && (pressed == nullptr || pressed->State == 2)) return;
  if (code != CurrentHT) {
    if (TskDialogTitleButton* old = ButtonOfCode(CurrentHT)) {
      old->State = 0;
      RepaintTitleButton(CurrentHT);
    }
    CurrentHT = code;
  }
  if (pressed != nullptr) {
    const TskDialogButtonRules rules = ButtonRules();
    const bool canAct = code != HTMAXBUTTON || rules.Maximize || (IsZoomed(Window) && rules.Restore);
    pressed->State = canAct ? 2 : 1;
    RepaintTitleButton(code);
  }
  DialogPressedMark = true;
}

void TskDialogWnd::FreeTitleButtons() {
  for (TskDialogTitleButton& b : Buttons) b.State = 0;
  for (TskSysButtonData& fade : FadeButtons) fade.Anim.reset();
}

// ---- the border window's owner ----

void TskDialogWnd::RepaintOwnerFrame() {
  if (SkinData == nullptr) return;
  SkinData->BackgroundDirty = true;
  PaintNonClient();
}

TskBorderGeometry TskDialogWnd::OwnerGeometry() const {
  const TskFrameInput frame = FrameInput();
  TskBorderGeometry g =
      BorderGeometryOfFrame(frame, SkinManager != nullptr ? SkinManager->SkinData.ExtShadow : 0, CaptionHeight(true));
  g.Sizeable = (SavedStyle & WS_THICKFRAME) != 0;
  g.IconRect = TitleIconRect();
  const TPoint c = OwnerClientOffset();
  g.Client = TRect{c.X, c.Y, c.X + frame.ClientWidth, c.Y + frame.ClientHeight};
  return g;
}

TPoint TskDialogWnd::OwnerClientOffset() const {
  const TskFrameInput frame = FrameInput();
  if (!frame.BorderWindow) return TPoint{FrameClientOffsetX(frame), FrameClientOffsetY(frame)};
  // The dialog's own window lies in the picture at the border window's offsets.
  return TPoint{frame.Shadow.Left + BorderFormSideOffset(frame) + (frame.WindowWidth - frame.ClientWidth) / 2,
                frame.Shadow.Top + BorderFormTopOffset(frame) + frame.WindowHeight - frame.ClientHeight -
                    (frame.WindowWidth - frame.ClientWidth) / 2};
}

Integer TskDialogWnd::OwnerButtonAt(TPoint p) {
  const TskDialogTitleInput in = TitleInput();
  const TskDialogTitleLayout layout = LayoutDialogButtons(in);
  const TskDialogButtonRules rules = DialogButtonRules(in.State);
  const Integer codes[] = {rules.Close ? HTCLOSE : 0, rules.Maximize || rules.Restore ? HTMAXBUTTON : 0,
                           rules.Minimize ? HTMINBUTTON : 0, HTHELP};
  for (int i = 0; i < kDialogButtonCount; ++i)
    if (layout.Shown[static_cast<size_t>(i)] && layout.Buttons[static_cast<size_t>(i)].Contains(p.X, p.Y)) return codes[i];
  return 0;
}

void TskDialogWnd::PrintDialogChildren(HDC dc, TPoint offset, TPoint size) {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, offset.X, offset.Y, offset.X + size.X, offset.Y + size.Y);
  for (HWND child = GetWindow(Window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, Window, reinterpret_cast<POINT*>(&r), 2);
    POINT old{};
    SetViewportOrgEx(dc, offset.X + r.left, offset.Y + r.top, &old);
    SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
  }
  RestoreDC(dc, saved);
}

void TskDialogWnd::SetExtendedBorders(bool on) {
  if (!on || SkinManager == nullptr || SkinManager->ComponentState().Contains(csDesigning)) {
    BorderForm.reset();
    return;
  }
  if (!BorderForm) BorderForm = std::make_unique<TskBorderForm>(this);
  if (SkinData != nullptr) SkinData->BackgroundDirty = true;
  if (IsWindowVisible(Window)) BorderForm->UpdateExBorders();
}

void TskDialogWnd::RefreshBorderWindow() {
  if (BorderForm && IsWindowVisible(Window)) BorderForm->UpdateExBorders();
}
