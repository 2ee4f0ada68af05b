// The provider's part of the user title buttons and the title bar: the buttons' places, masks and
// glyphs, the title bar's area in the title, its items' skin sections and painting into the cache, and
// the hot and pressed states of items.
#include <algorithm>

#include "skin/forms/sBitmapRoutines.h"
#include "skin/forms/sSectionPaint.h"
#include "skin/forms/sSkinText.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sTitleHint.h"
#include "skin/forms/skTitleBar.h"
#include "skin/forms/skTitleItemAnim.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinManager.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Canvas.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/ImageList.h"
#include "vcl/rtl/TextConv.h"

namespace {

constexpr const char* kGlobalSection = "GLOBALINFO";
constexpr Integer kTitleBarGap = 6;      // between the icon or the buttons and the title bar's items
constexpr Integer kDisabledBlend = 128;  // a disabled item is half the title, half itself
constexpr UINT kItemTextFlags = DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER;
constexpr Integer kMenuButtonMargins[4] = {8, 2, 8, 4};  // left, top, right, bottom of the picture
constexpr Integer kMenuButtonGlowSize = 2;
constexpr Integer kMenuButtonGlowColor = 0xE5A8D;

TsBgPixels BackgroundOf(const TsPixelView& view) {
  TsBgPixels bg;
  bg.Bitmap = view;
  return bg;
}

// The bar's own menu-button picture (three states side by side, alpha prepared) over the rectangle,
// stretched between its margins, blended by its alpha.
void PaintMenuButtonImage(const TsPixelView& target, TBitmap& picture, Integer state, const TRect& r) {
  GdiFlush();
  const TsPixelView source = PixelViewOf(picture);
  const Integer sw = source.Width / 3, sh = source.Height;
  const Integer w = r.Width(), h = r.Height();
  if (sw <= 0 || sh <= 0 || w <= 0 || h <= 0) return;
  auto map = [](Integer at, Integer size, Integer sourceSize, Integer lead, Integer trail) {
    if (at < lead) return std::min(at, sourceSize - 1);
    if (at >= size - trail) return std::max<Integer>(0, sourceSize - (size - at));
    const Integer inner = std::max<Integer>(1, size - lead - trail), sourceInner = std::max<Integer>(1, sourceSize - lead - trail);
    return std::min(sourceSize - 1, lead + (at - lead) * sourceInner / inner);
  };
  for (Integer y = 0; y < h; ++y) {
    const Integer ty = r.Top + y;
    if (ty < 0 || ty >= target.Height) continue;
    const Integer sy = map(y, h, sh, kMenuButtonMargins[1], kMenuButtonMargins[3]);
    for (Integer x = 0; x < w; ++x) {
      const Integer tx = r.Left + x;
      if (tx < 0 || tx >= target.Width) continue;
      const Cardinal s = source.Row(sy)[state * sw + map(x, w, sw, kMenuButtonMargins[0], kMenuButtonMargins[2])];
      if ((s & 0x00FFFFFFu) == 0x00FF00FFu) continue;
      const Cardinal a = s >> 24;
      Cardinal& d = target.Row(ty)[tx];
      Cardinal out = d & 0xFF000000u;
      // The picture's colours are multiplied by their alpha already.
      for (int c = 0; c < 24; c += 8) out |= std::min<Cardinal>(255, (s >> c & 0xFF) + (d >> c & 0xFF) * (255 - a) / 255) << c;
      d = out;
    }
  }
}

}  // namespace

// ---- user title buttons ----

void TsSkinProvider::PlaceUserButtons(const TskTitleLayout& layout) {
  TsSkinManager* manager = Manager();
  const Integer mask = manager != nullptr ? manager->GetMaskIndexByNames(kGlobalSection, "TITLEBUTTON") : -1;
  for (int i = 0; i < titleButtons_->Count(); ++i) {
    TsTitleButton* button = titleButtons_->Items(i);
    TskSysButtonData& data = button->Data;
    const TskTitleRect r = static_cast<size_t>(i) < layout.UserButtons.size() ? layout.UserButtons[static_cast<size_t>(i)]
                                                                               : TskTitleRect{};
    data.Rect = TRect{r.Left, r.Top, r.Right, r.Bottom};
    data.HitCode = 1000 + i;
    data.Big = layout.BigButtons;
    button->MaskIndex = button->UseSkinData() && manager != nullptr && manager->IsValidMaskIndex(mask) ? mask : -1;
    data.ImageIndex = button->MaskIndex;
    if (!button->Visible()) {
      data.State = -1;
    } else if (data.State < 0) {
      data.State = 0;
    }
  }
}

void TsSkinProvider::PaintUserButtons() {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (cache == nullptr) return;
  for (int i = 0; i < titleButtons_->Count(); ++i) {
    TsTitleButton* button = titleButtons_->Items(i);
    if (!button->Visible()) continue;
    DrawTitleButton(button->Data, button->Enabled());
    DrawUserButtonGlyph(*button);
  }
}

// The glyph centred in the button: a 32-bit one by its alpha, another with its bottom-left pixel's
// colour left out.
void TsSkinProvider::DrawUserButtonGlyph(TsTitleButton& button) {
  TBitmap* cache = skinData_->CacheBitmap.get();
  TBitmap& glyph = button.Glyph();
  if (cache == nullptr || glyph.Empty()) return;
  const TRect& r = button.Data.Rect;
  const Integer x = r.Left + (r.Width() - glyph.Width()) / 2;
  const Integer y = r.Top + (r.Height() - glyph.Height()) / 2;
  if (glyph.PixelFormat() == pf32bit) {
    GdiFlush();
    CopyBitmapRectTrans(PixelViewOf(*cache), TRect{x, y, x + glyph.Width(), y + glyph.Height()},
                        TRect{0, 0, glyph.Width(), glyph.Height()}, PixelViewOf(glyph), false, TsBgPixels{});
  } else {
    const TColor key = glyph.Canvas().Pixels(0, glyph.Height() - 1);
    PutBitmapAt(*cache, glyph, x, key, y);
  }
}

void TsSkinProvider::ShowUserButtonHint(Integer code, bool show) {
  const Integer index = code - 1000;
  if (index < 0 || index >= titleButtons_->Count()) return;
  TsTitleButton* button = titleButtons_->Items(index);
  if (show) {
    button->ShowHint(Form);
  } else {
    button->HideHint();
  }
}

// ---- the title bar ----

void TsSkinProvider::SetTitleBar(TsTitleBar* value) {
  if (titleBar_ == value) return;
  ReleaseTitleItems();
  titleBar_ = value;
  if (titleBar_ != nullptr && FormSkinned()) InitTitleItems();
  if (!LoadingOrDesigning()) RepaintFrame();
}

TskTitleBarItem* TsSkinProvider::TitleItemOfCode(Integer code) const {
  const Integer index = code - 2000;
  if (titleBar_ == nullptr || index < 0 || index >= titleBar_->Items().Count()) return nullptr;
  TskTitleBarItem* item = titleBar_->Items().Items(index);
  return item->Visible() ? item : nullptr;
}

void TsSkinProvider::LayoutTitleBarIn(const TskTitleInput& in, const TskTitleLayout& layout) {
  if (titleBar_ == nullptr) return;
  // Items added since the skin was applied get their skin data and painter.
  for (int i = 0; i < titleBar_->Items().Count(); ++i)
    if (titleBar_->Items().Items(i)->SkinData == nullptr) {
      InitTitleItems();
      break;
    }
  // With a border window the items lie in its picture.
  titleBar_->PictureOrigin = [this] {
    if (const HWND border = BorderForm ? BorderForm->BorderHandle() : nullptr) {
      RECT r{};
      GetWindowRect(border, &r);
      return TPoint{r.left, r.top};
    }
    return FormScreenOrigin();
  };
  TskTitleBarArea& area = titleBar_->Area;
  area.FullRight = layout.ButtonsRight;
  area.Centre = TitleCentre(in);
  area.Left = CaptionIconRect.Right + (IconVisible() ? kTitleBarGap : 0);
  area.Top = ::TitleButtonsTop(in);
  area.Right = layout.NextRight - kTitleBarGap;
  area.Bottom = in.BorderWindow ? in.CaptionHeight + in.ShadowTop : in.SysBorderWidthNoExt + in.CaptionHeight + in.ShadowTop;
  titleBar_->UpdateLayout();
}

void TsSkinProvider::AddTitleItemSpots(TskTitleInput& in) const {
  if (titleBar_ == nullptr) return;
  for (int j = 0; j < titleBar_->Items().Count(); ++j) {
    const TskTitleBarItem* item = titleBar_->Items().Items(j);
    TskTitleItemSpot spot;
    spot.Rect = {item->Rect.Left, item->Rect.Top, item->Rect.Right, item->Rect.Bottom};
    spot.Visible = item->Visible();
    spot.Hittable = item->Style() != bsSpacing && item->Style() != bsInfo;
    spot.Answers = item->Enabled() && !(item->Style() == bsTab && item->Down());
    in.TitleItems.push_back(spot);
  }
}

void TsSkinProvider::InitTitleItems() {
  if (titleBar_ == nullptr) return;
  for (int i = 0; i < titleBar_->Items().Count(); ++i) {
    TskTitleBarItem* item = titleBar_->Items().Items(i);
    if (item->SkinData == nullptr) item->SkinData = std::make_unique<TskTitleBarItem::TSkinData>();
    InitTitleItemSection(i);
    // A new SkinSection chooses the item's section again.
    item->OnChange = [this](TObject* sender) {
      auto* changed = static_cast<TskTitleBarItem*>(sender);
      if (changed->SkinData != nullptr && titleBar_ != nullptr) InitTitleItemSection(changed->Index());
    };
    item->PaintHandler = [this](TskTitleBarItem* it, const TRect& r, TBitmap* target) { PaintTitleItem(it, r, target); };
  }
}

void TsSkinProvider::InitTitleItemSection(int index) {
  TskTitleBarItem* item = titleBar_->Items().Items(index);
  TskTitleBarItem::TSkinData& data = *item->SkinData;
  data.SectionIndex = -1;
  data.BorderIndex = -1;
  TsSkinManager* manager = Manager();
  if (manager == nullptr) return;
  auto take = [&](const AnsiString& name) {
    if (data.SectionIndex >= 0) return;
    const Integer section = manager->GetSkinIndex(name);
    if (manager->IsValidSkinIndex(section)) {
      data.SectionIndex = section;
      data.SectionName = name;
    }
  };
  if (!item->SkinSection().empty()) take(item->SkinSection());
  switch (item->Style()) {
    case bsButton: take("TB_BTN"); take("TOOLBUTTON"); break;
    case bsMenu: take("TB_MENUBTN"); break;
    case bsTab: take("TB_TAB"); take("TABTOP"); break;
    default: break;
  }
  if (data.SectionIndex >= 0) data.BorderIndex = manager->GetMaskIndex(data.SectionIndex, data.SectionName, "BORDERSMASK");
}

void TsSkinProvider::PaintTitleItems() {
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (titleBar_ == nullptr || cache == nullptr) return;
  TskTitleItems& items = titleBar_->Items();
  // The selected tab lies over its neighbours: tabs that are down come last.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = items.Count() - 1; i >= 0; --i) {
      TskTitleBarItem* item = items.Items(i);
      const bool downTab = item->Style() == bsTab && item->Down();
      if (downTab != (pass == 1) || !item->Visible() || item->Rect.Width() <= 0 || item->Rect.Left >= cache->Width())
        continue;
      if (item->SkinData != nullptr) item->SkinData->PaintedState = item->State();
      if (item->PaintHandler) item->PaintHandler(item, item->Rect, cache);
    }
  }
}

void TsSkinProvider::PaintTitleItem(TskTitleBarItem* item, const TRect& rect, TBitmap* target) {
  TsSkinManager* manager = Manager();
  if (item == nullptr || item->SkinData == nullptr || target == nullptr || manager == nullptr) return;
  TBitmap* cache = skinData_->CacheBitmap.get();
  // A disabled item is painted into a copy of what lies under it, which then covers it at half strength.
  TBitmap copy;
  TBitmap* paintTo = target;
  TRect r = rect;
  if (!item->Enabled()) {
    copy.SetPixelFormat(pf32bit);
    copy.SetSize(rect.Width(), rect.Height());
    BitBlt(copy.Canvas().Handle(), 0, 0, rect.Width(), rect.Height(), target->Canvas().Handle(), rect.Left, rect.Top, SRCCOPY);
    paintTo = &copy;
    r = TRect{0, 0, rect.Width(), rect.Height()};
  }
  const TskTitleBarItem::TSkinData& data = *item->SkinData;
  const bool hasSection = manager->IsValidSkinIndex(data.SectionIndex);
  Integer state = 0;
  if (hasSection) {
    const Integer states = manager->gd[static_cast<size_t>(data.SectionIndex)].States;
    state = std::max<Integer>(0, std::min<Integer>({item->State(), states - 1, 1}));
  }
  GdiFlush();
  if (paintTo != cache) {
    const TsPixelView view = PixelViewOf(*paintTo);
    if (paintTo == target) FillBitmapRectArgb(view, r, 0, 0);  // a separate picture starts transparent
  }
  // Where a point of the painted rectangle lies in the form's picture.
  auto inPicture = [&](const TRect& painted) {
    return TPoint{item->Rect.Left + painted.Left - r.Left, item->Rect.Top + painted.Top - r.Top};
  };
  Integer textSection = data.SectionIndex;
  Integer textState = state;
  const Integer barHeight = titleBar_ != nullptr ? titleBar_->Area.Bottom - titleBar_->Area.Top : r.Height();
  TRect content = r;
  switch (item->Style()) {
    case bsButton:
    case bsInfo:
      PaintTitleItemBackground(data.SectionIndex, state, *paintTo, inPicture(r), r);
      if (item->SkinSection().empty() && state == 0) {
        textSection = TitleSkinIndex();
        textState = DrawnActive ? 1 : 0;
      }
      break;
    case bsMenu:
      if (!hasSection) {
        content.Bottom = std::min(content.Bottom, content.Top + barHeight - 2);
        if (TBitmap* picture = titleBar_ != nullptr ? titleBar_->MenuButtonImage() : nullptr)
          PaintMenuButtonImage(PixelViewOf(*paintTo), *picture, std::min<Integer>(item->State(), 2), content);
        textSection = -1;
      } else {
        PaintTitleItemBackground(data.SectionIndex, state, *paintTo, inPicture(r), r);
      }
      break;
    case bsTab:
      state = std::min<Integer>(state, 1);
      textState = state;
      content.Top = std::max(content.Top, content.Bottom - (barHeight - 2));
      if (hasSection && !item->Down()) content.Top += 2;
      PaintTitleItemBackground(data.SectionIndex, state, *paintTo, inPicture(content), content);
      content.Left += (content.Width() - item->ContentSize.Width - 1) / 2;
      content.Right = content.Left + item->ContentSize.Width;
      break;
    default:
      textState = DrawnActive ? 1 : 0;
      textSection = -1;
      break;
  }
  if (item->Style() != bsSpacing) PaintTitleItemContent(item, *paintTo, content, textSection, textState);
  if (!item->Enabled()) {
    GdiFlush();
    BlendBitmapRect(PixelViewOf(*target), PixelViewOf(copy), kDisabledBlend, rect.Left, rect.Top,
                    TRect{0, 0, rect.Width(), rect.Height()});
  }
}

void TsSkinProvider::PaintTitleItemBackground(Integer section, Integer state, TBitmap& target, TPoint position,
                                              const TRect& r) {
  TsSkinManager* manager = Manager();
  if (manager == nullptr || !manager->IsValidSkinIndex(section) || r.IsEmpty()) return;
  const TsGeneralData& data = manager->gd[static_cast<size_t>(section)];
  state = std::max<Integer>(0, std::min<Integer>({state, data.States, 1}));
  GdiFlush();
  // A state that shows only what lies under it (and no border of its own) is painted over the form's
  // picture at the item's place, so that a separate picture of the item shows the title too.
  const bool hasBorder = manager->IsValidMaskIndex(data.BorderMask);
  const bool borderSkipped =
      hasBorder && state == 0 && (manager->ma[static_cast<size_t>(data.BorderMask)].DrawFlags & mdSkipNormalState) != 0;
  TBitmap* cache = skinData_->CacheBitmap.get();
  if (data.Props[static_cast<size_t>(state)].Transparency == 100 && (!hasBorder || borderSkipped) && cache != nullptr) {
    const TskBgInfo picture{cache, 0, 0, 0, true};
    PaintSectionToDC(section, data.ClassName, picture, manager, target.Canvas().Handle(), position, r, state, true);
    return;
  }
  const TsPixelView view = PixelViewOf(target);
  PaintSectionItem(SectionSkinOf(*manager), section, data.ClassName, BackgroundOf(view), -1, -1, view, r.Left, r.Top, r, state,
                   true);
}

void TsSkinProvider::PaintTitleItemContent(TskTitleBarItem* item, TBitmap& target, const TRect& r, Integer textSection,
                                           Integer state) {
  TsSkinManager* manager = Manager();
  Integer x = (titleBar_ != nullptr ? titleBar_->ItemsMargin() : 3) + r.Left + (item->Style() == bsMenu ? 4 : 0);
  const bool hasCaption = !item->Caption().empty();
  TCustomImageList* images = titleBar_ != nullptr ? titleBar_->Images() : nullptr;
  Integer imageIndex = !item->Enabled() ? item->DisabledImageIndex()
                     : item->State() == 2 ? item->PressedImageIndex()
                     : item->State() == 1 ? item->HotImageIndex() : item->ImageIndex();
  if (imageIndex < 0) imageIndex = item->ImageIndex();
  if (images != nullptr && imageIndex >= 0 && imageIndex < images->Count()) {
    images->Draw(target.Canvas(), x, r.Top + (r.Height() - images->Height()) / 2, imageIndex, true);
    x += images->Width() + (hasCaption ? item->Spacing() : 0);
  } else if (!item->Glyph().Empty()) {
    TBitmap& glyph = item->Glyph();
    const Integer w = glyph.Width() / std::max<Integer>(1, item->NumGlyphs());
    const Integer y = r.Top + (r.Height() - glyph.Height()) / 2;
    GdiFlush();
    if (glyph.PixelFormat() == pf32bit) {
      CopyBitmapRectTrans(PixelViewOf(target), TRect{x, y, x + w, y + glyph.Height()}, TRect{0, 0, w, glyph.Height()},
                          PixelViewOf(glyph), false, TsBgPixels{});
    } else {
      PutBitmapAt(target, glyph, x, glyph.Canvas().Pixels(0, 0), y);
    }
    x += w + (hasCaption ? item->Spacing() : 0);
  }
  TRect text{x, r.Top, r.Right, r.Bottom};
  TCanvas& canvas = target.Canvas();
  canvas.Font().Assign(&item->FontData().Font());
  canvas.Brush().SetStyle(bsClear);
  // The bar's own menu-button picture is dark: its text is white unless the font data keeps its colour.
  if (item->Style() == bsMenu && textSection < 0 && item->FontData().UseSysColor()) canvas.Font().SetColor(0xFFFFFF);
  // The glow under the text: the section state's when the font data takes the skin's (a blue one
  // over the bar's own menu-button picture), else the font data's own.
  const TskFontData& fontData = item->FontData();
  Integer glowSize = 0, glowColor = 0;
  if (!fontData.UseSysGlowing()) {
    glowSize = fontData.GlowSize();
    glowColor = fontData.GlowColor();
  } else if (manager != nullptr && manager->IsValidSkinIndex(textSection)) {
    const TsGenState& values = manager->gd[static_cast<size_t>(textSection)].Props[state > 0 ? 1 : 0];
    glowSize = values.GlowSize;
    glowColor = values.GlowColor;
  } else if (item->Style() == bsMenu) {
    glowSize = kMenuButtonGlowSize;
    glowColor = kMenuButtonGlowColor;
  }
  if (hasCaption) {
    if (glowSize != 0)
      DrawTextOnBitmap(target, item->Caption(), text, item->FontData().GlowCache, glowColor, glowSize, gsAllSides,
                       kItemTextFlags);
    DrawSkinText(target, Cp1250ToUtf16(item->Caption()), false, manager, state == 1, textSection, kItemTextFlags, text);
    text.Left += FontTextExtent(item->FontData().Font(), item->Caption()).X;
  }
  if ((item->Style() == bsButton || item->Style() == bsMenu) && item->DropdownMenu != nullptr) {
    text.Left += item->Style() == bsMenu ? 4 : 1;
    TFont marlett;
    marlett.SetName("Marlett");
    marlett.SetCharset(DEFAULT_CHARSET);
    marlett.SetHeight(item->FontData().Font().Height());
    canvas.SetFont(marlett);
    if (glowSize != 0) {
      std::unique_ptr<TBitmap> arrowGlow;  // the caption's mask holds the caption
      DrawTextOnBitmap(target, "u", text, arrowGlow, glowColor, glowSize, gsAllSides, kItemTextFlags);
    }
    DrawSkinText(target, WideString(u"u"), false, manager, state == 1, textSection, kItemTextFlags, text);
  }
}

void TsSkinProvider::SetItemHot(TskTitleBarItem* item, bool hot) {
  if (item == nullptr) return;
  if (hot) {
    if (item->OnMouseEnter) item->OnMouseEnter(item);
    item->MouseState = 1;
    item->PopupHint();
  } else {
    if (item->OnMouseLeave) item->OnMouseLeave(item);
    item->MouseState = 0;
    item->HideHint();
  }
}

void TsSkinProvider::RepaintTitleItem(TskTitleBarItem& item) {
  const Integer state = item.State();
  item.StartFade(state, this, state != 0);
  const bool faded = item.Animation != nullptr && item.Animation->FadeWindow() != nullptr;
  const bool shownOtherwise = item.SkinData != nullptr && item.SkinData->PaintedState != state;
  // Without a fading window (none could be made) the frame shows the new state itself.
  if (state == 0 ? shownOtherwise : !faded) RepaintFrame();
}

void TsSkinProvider::ReleaseTitleItems() {
  if (titleBar_ == nullptr) return;
  for (int i = 0; i < titleBar_->Items().Count(); ++i) {
    TskTitleBarItem* item = titleBar_->Items().Items(i);
    item->Animation.reset();
    item->PaintHandler = nullptr;
    item->OnChange = nullptr;
    item->SkinData.reset();
  }
}

void TsSkinProvider::StopTitleItemFades() {
  if (titleBar_ == nullptr) return;
  for (int i = 0; i < titleBar_->Items().Count(); ++i)
    if (TskTitleBarItem* item = titleBar_->Items().Items(i); item->Animation) item->Animation->Stop();
}

void TsSkinProvider::OwnerTitleItemDblClick(Integer code) {
  TskTitleBarItem* item = TitleItemOfCode(code);
  if (item == nullptr) return;
  item->Animation.reset();
  HotHitTest = code;
  item->MouseState = 1;
  RepaintButton(code);
  item->Click();
}
