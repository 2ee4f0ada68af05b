// The frame of a skinned form painted into the provider's cache: the form section with its border, the
// size grip, the title section with the icon and the title bar mask, the caption text (on the skin's
// "CAPTION" section when it has one, followed by the added title), the system buttons, and what the
// form's OnPaint draws, so that one picture serves the screen, the animations and the thumbnails.
#include <algorithm>
#include <cstdlib>

#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sPixelRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sShadowBand.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/skTitleBar.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sVclUtils.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sControlPaint.h"
#include "skin/manager/sMessages.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinManager.h"
#include "skin/manager/skntSystem.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr UINT kCaptionFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

// The system's caption font, read once for the process.
const LOGFONTW& CaptionFont() {
  static const LOGFONTW font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return metrics.lfCaptionFont;
  }();
  return font;
}

void UseCaptionFont(TCanvas& canvas) {
  const LOGFONTW& lf = CaptionFont();
  const std::u16string_view face(reinterpret_cast<const char16_t*>(lf.lfFaceName));
  canvas.Font().SetName(Utf16ToCp1250(face.substr(0, face.find(u'\0'))));
  canvas.Font().SetHeight(lf.lfHeight);
  canvas.Font().SetStyle(lf.lfWeight >= FW_BOLD ? TFontStyles{fsBold} : TFontStyles{});
}

// The whole text's size in the canvas's font (measured without the ellipsis, which would cut the text
// to the empty rectangle the measure starts from, and without vertical centring, which moves the
// measured line's top into the empty rectangle).
// The canvas's font is selected for the measure: the DC may still hold another (the one it was made
// with), which measured the text too narrow and cut it short.
TPoint TextExtent(TCanvas& canvas, const AnsiString& text, UINT flags) {
  if (text.empty()) return TPoint{0, 0};
  const WideString wide = Cp1250ToUtf16(text);
  RECT r{0, 0, 0, 0};
  const HDC dc = canvas.Handle();
  const HGDIOBJ previous = SelectObject(dc, canvas.Font().Handle());
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(wide.c_str()), static_cast<int>(wide.size()), &r,
            (flags & ~static_cast<UINT>(DT_END_ELLIPSIS | DT_VCENTER)) | DT_CALCRECT);
  SelectObject(dc, previous);
  return TPoint{r.right - r.left, r.bottom - r.top};
}

// The skin's border mode 1: an extended border window's image carries the title too.
bool BorderModeOne(const TsSkinManager& manager, const TskFrameInput& frame) {
  return frame.BorderWindow && manager.SkinData.BorderMode == 1;
}

}  // namespace

TskFrameInput TsSkinProvider::FrameInput() const {
  TskFrameInput in;
  if (Form == nullptr || !Form->HandleAllocated()) return in;
  const HWND window = Form->Handle();
  RECT outer{};
  RECT client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  in.PlainFrame = SysBorderWidth();
  in.HasBorder = (GetWindowLongPtrW(window, GWL_STYLE) & WS_BORDER) != 0;
  in.CaptionHeight = in.CaptionHeightExt = CaptionHeight(true);
  in.FormWidth = Form->Width();
  in.FormHeight = Form->Height();
  in.WindowWidth = outer.right - outer.left;
  in.WindowHeight = outer.bottom - outer.top;
  in.ClientWidth = client.right;
  in.ClientHeight = client.bottom;
  in.Iconic = IsIconic(window) != FALSE;
  in.Maximized = IsZoomed(window) != FALSE;
  in.MainForm = Application != nullptr && Application->MainForm() == Form;
  in.MenuLineHeight = MenuLineHeight();
  in.MenuLines = in.MenuLineHeight != 0 && MenuPresent() ? MenuLinesCount() : 0;
  if (const TsSkinManager* manager = Manager(); HasBorderWindow() && manager != nullptr) {
    in.BorderWindow = true;
    in.CaptionHeight = CaptionHeight(false);
    in.ExtBorderWidth = manager->SkinData.BorderWidth;
    if (manager->SkinData.TitleHeight > 0) in.CaptionHeightExt = manager->SkinData.TitleHeight;
    const TsShadowSize& shadow = manager->ShadowSize;
    in.Shadow = TRect{shadow.Left, shadow.Top, shadow.Right, shadow.Bottom};
  }
  return in;
}

void TsSkinProvider::PaintExtBorderImage(const TskFrameInput& frame, Integer state) {
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (manager == nullptr || cache == nullptr || !frame.BorderWindow) return;
  const TskShadowOwner owner{skinData_->SectionIndex, skinData_->SkinSection(), skinData_->BorderMaskIndex,
                             TitleSectionIndex, DrawnActive};
  const TskShadowImage from = PaintShadowBand(*manager, frame, owner, *cache);
  if (from.Empty()) return;
  const TsPixelView to = PixelViewOf(*cache);
  if (BorderModeOne(*manager, frame)) {
    PaintTitle(frame, state);
    PaintCaptionText(frame, state);
  } else {
    TakeFrameCornersFromShadow(*manager, frame, owner, to, from);
  }
  if (Wow64WithoutComposition() && manager->SkinData.Version < 7.51) CorrectShadowAlpha(to);
}

bool TsSkinProvider::GripVisible() const {
  if (GripMode != gmRightBottom || Form == nullptr || !Form->HandleAllocated()) return false;
  return !IsZoomed(Form->Handle()) && (GetWindowLongPtrW(Form->Handle(), GWL_STYLE) & WS_THICKFRAME) != 0;
}

TPoint TsSkinProvider::GripPosition(Integer mask) const {
  const TsSkinManager* manager = Manager();
  if (manager == nullptr || !manager->IsValidMaskIndex(mask)) return TPoint{0, 0};
  const TsMaskData& m = manager->ma[static_cast<size_t>(mask)];
  const TskFrameInput in = FrameInput();
  const Integer frame = FrameSysBorderWidth(in, true);
  return TPoint{FrameCacheWidth(in) - MaskStateWidth(m) - frame - in.Shadow.Right - 1,
                FrameCacheHeight(in) - MaskStateHeight(m) - frame - in.Shadow.Bottom - 1};
}

Integer TsSkinProvider::TitleSkinIndex() {
  if (TitleSectionIndex < 0) TitleSectionIndex = ResolveTitleSection();
  return TitleSectionIndex;
}

bool TsSkinProvider::PaintFormFrame() {
  TsSkinManager* manager = Manager();
  if (Form == nullptr || manager == nullptr || !Form->HandleAllocated()) return false;
  if (Form->ControlState().Contains(csCreating) || (AnimState & 0x280) != 0 || skinData_->SectionIndex < 0) return false;
  const TskFrameInput frame = FrameInput();
  const Integer width = FrameCacheWidth(frame);
  const Integer height = FrameCacheHeight(frame);
  if (width <= 0 || height <= 0) return false;
  const TsGeneralData& section = manager->gd[static_cast<size_t>(skinData_->SectionIndex)];
  const Integer state = std::min<Integer>(DrawnActive ? 1 : 0, section.States - 1);
  if (!skinData_->CacheBitmap) {
    skinData_->CacheBitmap = std::make_unique<TBitmap>();
    skinData_->CacheBitmap->SetPixelFormat(pf32bit);
    skinData_->CacheBitmap->SetSize(width, height);
    skinData_->UpdateSkinState(false);
    if (!Form->ComponentState().Contains(csLoading)) {
      TMessage repaint{SkinCommandMessage, SkinCommandWParam(scGetSkinState), 1, 0};
      BroadcastToChildControls(Form, repaint);
    }
  }
  // A maximized child coming up changes the frame's menu bar (its icon and buttons) once it shows: the
  // picture waits for that bar rather than painting the one going away.
  if (MenuLineDirty && Form->FormStyle() == fsMDIForm) {
    const TCustomForm* child = MaximizedMDIChild();
    if (child != nullptr && child->FormState().Contains(fsShowing)) return false;
  }
  if (!skinData_->BackgroundDirty) return true;

  TBitmap& cache = *skinData_->CacheBitmap;
  UpdateTitleLayout();
  RegionChanged = true;
  cache.SetSize(width, height);
  const TRect frameRect = FrameRect(frame);
  // Behind the frame: what the parent shows (a form inside another control), else nothing.
  TskBgInfo background{};
  if (Form->Parent() != nullptr) {
    TskBgRequest request;
    GetParentBgFromControl(request, Form->Parent(), false);
    if (request.AnswerKind == bgColorKey) {
      skinData_->SetUpdating(true);  // the parent cannot tell yet: the next painting tries again
      return false;
    }
    background = BgInfoFromReply(request);
  }
  if (frame.BorderWindow) {
    // Around the frame only the shadow shows: it starts out clear.
    GdiFlush();
    const TsPixelView view = PixelViewOf(cache);
    for (Integer y = 0; y < view.Height; ++y) std::fill_n(view.Row(y), view.Width, 0u);
  }
  const Integer stateBits = skinData_->StateBits;
  const bool modeOne = BorderModeOne(*manager, frame);
  if ((stateBits & ssPlainBackground) != 0) {
    bool border = true;
    if (frame.BorderWindow) {
      GdiFlush();
      FillBitmapRectArgb(PixelViewOf(cache), frameRect, static_cast<Integer>(ColorToRGB(Form->Color())), 255);
      border = !modeOne && manager->IsValidMaskIndex(skinData_->BorderMaskIndex);
    } else {
      const Integer strip = frame.CaptionHeightExt + FrameSysBorderWidth(frame, true) + frame.BorderWidth +
                            frame.MenuLines * frame.MenuLineHeight + 1;
      cache.Canvas().Brush().SetColor(Form->Color());
      cache.Canvas().FillRect(TRect{0, 0, width, strip});
    }
    if (border) {
      TRect inner;
      PaintControlBorder(cache.Canvas().Handle(), frameRect, 0, inner, state, *skinData_);
    }
  } else if (IsBordered() || (Form->Parent() != nullptr && !modeOne)) {
    skinData_->PaintOwnSection(background, true, cache, TPoint{Form->Left(), Form->Top()}, frameRect, state);
  } else {
    GdiFlush();
    const TsPixelView view = PixelViewOf(cache);
    PaintSectionFill(SectionSkinOf(*manager), skinData_->SectionIndex, skinData_->SkinSection(), BgPixelsOf(background),
                     clKeyColor, -1, -1, view, 0, 0, frameRect, state);
  }
  GdiFlush();
  // The size grip in the client area's bottom-right corner.
  // A plain frame is "active" when drawn active: the provider's skin data has no control whose focus
  // or mouse would tell.
  const bool clearOrActive = (stateBits & ssPlainBackground) == 0 || DrawnActive;
  if (GripVisible() && clearOrActive && manager->IsValidMaskIndex(manager->ConstData.GripImage)) {
    const TsMaskData& grip = manager->ma[static_cast<size_t>(manager->ConstData.GripImage)];
    const TPoint at = GripPosition(manager->ConstData.GripImage);
    const TsPixelView view = PixelViewOf(cache);
    TsBgPixels bg;
    bg.Bitmap = view;
    PaintMaskGlyph(view, at.X, at.Y, 0, bg, grip, SkinPixelsOf(*manager).ImageOf(grip), 1);
  }
  if (!modeOne) PaintTitle(frame, state);
  // The menu line and an MDI frame's client area (sSkinProviderMenus.cpp).
  if (drawNonClientArea_ && manager->SkinnedPopups() && HasMenuLine() && MenuPresent()) PaintMenuLine(frame, state);
  if (frame.BorderWindow && !modeOne) PaintCaptionText(frame, state);
  if (MDIHelper != nullptr) PaintMDIArea(frame);
  PaintExtBorderImage(frame, state);  // in border mode 1 the title and caption follow the image
  if (!frame.BorderWindow) PaintCaptionText(frame, state);
  if (frame.CaptionHeightExt > 0 && drawNonClientArea_) {
    SaveButtonsArea(true);
    PaintTitleButtons();
  }
  MenuLineDirty = false;
  skinData_->BackgroundDirty = false;
  // What the form paints itself lands in the picture at the client area's place.
  if (Form->OnPaint && clearOrActive) {
    TCanvas& canvas = Form->Canvas();
    const HDC saved = canvas.HandleAllocated() ? canvas.Handle() : nullptr;
    const HDC dc = cache.Canvas().Handle();
    const int savedState = SaveDC(dc);
    SetWindowOrgEx(dc, -FrameClientOffsetX(frame), -FrameClientOffsetY(frame), nullptr);
    canvas.SetHandle(dc);
    try {
      Form->OnPaint(Form);
    } catch (...) {
      canvas.SetHandle(saved);
      RestoreDC(dc, savedState);
      throw;
    }
    canvas.SetHandle(saved);
    RestoreDC(dc, savedState);
  }
  FirstInitialized = true;
  skinData_->SetUpdating(false);
  return true;
}

void TsSkinProvider::PaintTitle(const TskFrameInput& frame, Integer state) {
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (manager == nullptr || cache == nullptr || frame.CaptionHeightExt <= 0 || !drawNonClientArea_) return;
  const Integer title = TitleSkinIndex();
  const TRect frameRect = FrameRect(frame);
  if (manager->IsValidSkinIndex(title) && !BorderModeOne(*manager, frame)) {
    TRect r{frameRect.Left, frameRect.Top, frameRect.Right, FrameTitleBottom(frame)};
    if (frame.Iconic && !frame.MainForm) r = frameRect;
    GdiFlush();
    const TsPixelView view = PixelViewOf(*cache);
    TsBgPixels bg;
    bg.Bitmap = view;
    PaintSectionItem(SectionSkinOf(*manager), title, manager->gd[static_cast<size_t>(title)].ClassName, bg, -1, -1, view,
                     r.Left, r.Top, r, state, true);
  }
  PaintTitleIcon();
  // The title bar mask behind the buttons, a state width wider than them on both sides.
  if (VisibleSysButtonCount() > 0) {
    const Integer bar = manager->GetMaskIndex(skinData_->SectionIndex, skinData_->SkinSection(), "TITLEBAR");
    if (manager->IsValidMaskIndex(bar)) {
      const TsMaskData& mask = manager->ma[static_cast<size_t>(bar)];
      const Integer stripWidth = 2 * MaskStateWidth(mask) + ButtonsWidth();
      const Integer cacheWidth = FrameCacheWidth(frame);
      GdiFlush();
      const TsPixelView view = PixelViewOf(*cache);
      TsBgPixels bg;
      bg.Bitmap = view;
      PaintMaskImage(view, TRect{cacheWidth - stripWidth, 0, cacheWidth, frame.CaptionHeightExt + FrameSysBorderWidthNoExt(frame)},
                     state, mask, SkinPixelsOf(*manager).ImageOf(mask), bg);
    }
  }
}

void TsSkinProvider::PaintCaptionText(const TskFrameInput& frame, Integer state) {
  CaptionTextBounds = TRect{};
  TsSkinManager* manager = Manager();
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (manager == nullptr || cache == nullptr || frame.CaptionHeightExt <= 0 || !drawNonClientArea_) return;
  TCanvas& canvas = cache->Canvas();
  UseCaptionFont(canvas);
  const bool showCaption = titleBar_ != nullptr ? titleBar_->ShowCaption() : addedTitle_->ShowMainCaption();
  const AnsiString caption = showCaption ? Form->Caption() : AnsiString();
  const UINT flags = kCaptionFlags;  // the forms read left to right (DT_RTLREADING otherwise)
  const TPoint captionSize = TextExtent(canvas, caption, flags);
  TskCaptionInput in;
  in.IconWidth = IconVisible() ? CaptionIconRect.Width() : 0;
  in.BILeft = manager->SkinData.BILeftMargin;
  in.CaptionSection = manager->IsValidSkinIndex(CaptionSectionIndex);
  in.ButtonsWidth = ButtonsWidth();
  {
    const TskTitleInput title = TitleInput();
    in.Centre = TitleCentre(title);
    in.TitleHeight = title.TitleHeight;
    in.MaxHeight = title.MaxHeight != 0 ? title.MaxHeight : title.TitleHeight;
    in.CenterOffset = title.CenterOffset;
  }
  // The caption's line height as measured in the caption font (the font's LOGFONT height is negative:
  // a character height, not a line).
  in.TextHeight = captionSize.Y > 0 ? captionSize.Y : std::abs(GetCaptionFontHeight());
  in.CaptionWidth = captionSize.X;
  TPoint addedSize{0, 0};
  if (!addedTitle_->Text().empty()) {
    TBitmap measure;
    measure.Canvas().SetFont(addedTitle_->Font());
    addedSize = TextExtent(measure.Canvas(), addedTitle_->Text(), flags);
    in.AddedWidth = addedSize.X;
  }
  in.Alignment = captionAlignment_;
  if (titleBar_ != nullptr) {
    in.TitleBar = true;
    in.BarLeft = titleBar_->Area.Left;
    in.BarRight = titleBar_->Area.Right;
    in.BarLeftWidth = titleBar_->AlignedWidth(tbaLeft);
    in.BarRightWidth = titleBar_->AlignedWidth(tbaRight);
  }
  TRect r = CaptionTextRect(frame, in);
  if (r.IsEmpty()) return;
  const Integer title = TitleSkinIndex();
  Integer textSection = title;
  if (!caption.empty()) {
    TRect text = r;
    text.Right = std::min(r.Right, r.Left + captionSize.X);
    text.Bottom = std::min(r.Bottom, r.Top + std::max(captionSize.Y, in.TextHeight));
    if (in.CaptionSection) {
      // The caption's own section under the text, over the title as it is painted.
      const TRect under{text.Left - 4, text.Top - 2, text.Right + 4, text.Bottom + 2};
      GdiFlush();
      const TsPixelView view = PixelViewOf(*cache);
      TsBgPixels bg;
      bg.Bitmap = view;
      PaintSectionItem(SectionSkinOf(*manager), CaptionSectionIndex, "CAPTION", bg, -1, -1, view, under.Left, under.Top,
                       under, state, true);
      textSection = CaptionSectionIndex;
    }
    DrawCaptionGlow(*cache, *manager, textSection, DrawnActive, Cp1250ToUtf16(caption), text, CaptionGlow[DrawnActive ? 1 : 0],
                    flags);
    canvas.Brush().SetStyle(bsClear);
    if (frame.BorderWindow) {
      // The border window shows the picture's alpha: the text's pixels must come out opaque.
      DrawSkinText(*cache, Cp1250ToUtf16(caption), true, manager, DrawnActive, textSection, flags, text);
    } else {
      DrawSectionText(canvas, caption, Form->Enabled(), manager, DrawnActive ? 1 : 0, textSection, flags, text);
    }
    CaptionTextBounds = text;
    r.Left = text.Right;
  }
  // The added title after the caption, in its own font.
  if (!addedTitle_->Text().empty()) {
    r.Left += 4;
    r.Right = r.Left + addedSize.X + 4;
    if (r.Left + 8 >= r.Right) return;
    canvas.SetFont(addedTitle_->Font());
    const Integer titleNormal = manager->IsValidSkinIndex(title) ? manager->gd[static_cast<size_t>(title)].Props[0].TextColor : -1;
    const Integer titleActive = manager->IsValidSkinIndex(title) ? manager->gd[static_cast<size_t>(title)].Props[1].TextColor : -1;
    const TColor fontColor = addedTitle_->Font().Color();
    const bool own = fontColor != clNone && fontColor != clWindowText;
    const auto color = static_cast<TColor>(AddedTitleColor(own, static_cast<Integer>(own ? ColorToRGB(fontColor) : fontColor),
                                                           DrawnActive, titleNormal, titleActive));
    canvas.Font().SetColor(color);
    canvas.Brush().SetStyle(bsClear);
    if (frame.BorderWindow) {
      DrawSkinText(*cache, Cp1250ToUtf16(addedTitle_->Text()), false, manager, false, -1, flags, r);
      return;
    }
    const WideString wide = Cp1250ToUtf16(addedTitle_->Text());
    RECT out{r.Left, r.Top, r.Right, r.Bottom};
    SetBkMode(canvas.Handle(), TRANSPARENT);
    SetTextColor(canvas.Handle(), static_cast<COLORREF>(ColorToRGB(color)));
    DrawTextW(canvas.Handle(), reinterpret_cast<LPCWSTR>(wide.c_str()), static_cast<int>(wide.size()), &out, flags);
  }
}
