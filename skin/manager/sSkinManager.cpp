#include "skin/manager/sSkinManager.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include "skin/adapters/sSkinMenus.h"
#include "skin/forms/sCommonData.h"
#include "skin/manager/sColorShift.h"
#include "skin/manager/sSkinLibrary.h"
#include "skin/manager/sSkinTables.h"
#include "skin/manager/sStyleSimply.h"
#include "skin/manager/skPNG.h"
#include "skin/manager/skPNGGraphic.h"
#include "skin/manager/skSkinPack.h"
#include "vcl/gui/Application.h"
#include "vcl/gui/Bitmap.h"
#include "vcl/gui/Colors.h"
#include "vcl/gui/GraphicsObjects.h"
#include "vcl/gui/Jpeg.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/FlagScope.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/StrUtils.h"
#include "vcl/rtl/CommandLine.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FileSearch.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/PropertyTable.h"

bool SkinIsChanging = false;
bool SkinTransferred = false;

namespace {

TsSkinManager* gDefaultManager = nullptr;

TskSkinMessageHook& MessageHook() {
  static TskSkinMessageHook hook;
  return hook;
}

TsPixelView ViewOf(TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  auto* top = static_cast<Cardinal*>(bitmap.ScanLine(0));
  std::ptrdiff_t stride = bitmap.Width();
  if (bitmap.Height() > 1) stride = static_cast<Cardinal*>(bitmap.ScanLine(1)) - top;
  return TsPixelView{top, bitmap.Width(), bitmap.Height(), stride};
}

// The pixels of a 32-bit bitmap as a skin image.
TsSkinImagePtr SkinImageOf(TBitmap& bitmap) {
  auto image = std::make_shared<TsSkinImage>();
  image->Width = bitmap.Width();
  image->Height = bitmap.Height();
  const TsPixelView from = ViewOf(bitmap);
  image->Pixels.reserve(static_cast<size_t>(image->Width) * static_cast<size_t>(image->Height));
  for (Integer y = 0; y < from.Height; ++y) image->Pixels.insert(image->Pixels.end(), from.Row(y), from.Row(y) + from.Width);
  return image;
}

// A BMP image as a skin image: 32 bits; one of another format opaque, with key-colour pixels exactly
// 0x00FF00FF (the value the painters test for).
TsSkinImagePtr DecodeSkinBitmap(TStream& data) {
  TBitmap bitmap;
  bitmap.LoadFromStream(data);
  const bool converted = bitmap.PixelFormat() != pf32bit;
  bitmap.SetPixelFormat(pf32bit);
  TsSkinImagePtr image = SkinImageOf(bitmap);
  if (converted)
    for (Cardinal& p : image->Pixels) p = (p & 0x00FFFFFFu) == 0x00FF00FFu ? 0x00FF00FFu : (p | 0xFF000000u);
  return image;
}

// A JPEG through the GUI layer's picture: the picture for a pattern, its pixels for a texture.
TsJpegImage DecodeSkinJpeg(TStream& data) {
  auto jpeg = std::make_shared<TJPEGImage>();
  jpeg->LoadFromStream(data);
  TBitmap pixels;
  pixels.Assign(jpeg.get());
  pixels.SetPixelFormat(pf32bit);
  return TsJpegImage{SkinImageOf(pixels), jpeg};
}

// A skin image as the 32-bit bitmap the painters take.
std::shared_ptr<TBitmap> BitmapOf(const TsSkinImagePtr& image) {
  if (!image) return nullptr;
  auto bitmap = std::make_shared<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(image->Width, image->Height);
  for (Integer y = 0; y < image->Height; ++y)
    std::memcpy(bitmap->ScanLine(y), &image->Pixels[static_cast<size_t>(y) * static_cast<size_t>(image->Width)],
                static_cast<size_t>(image->Width) * sizeof(Cardinal));
  return bitmap;
}

AnsiString ProgramFolder() { return ExtractFilePath(ParamStr(0)); }

}  // namespace

TskSkinMessageHook SetSkinMessageHook(TskSkinMessageHook hook) {
  TskSkinMessageHook previous = std::move(MessageHook());
  MessageHook() = std::move(hook);
  return previous;
}

void ShowSkinMessage(const AnsiString& text, TMsgDlgType type) {
  if (MessageHook())
    MessageHook()(text, type);
  else
    MessageDlg(text, type, TMsgDlgButtons{mbOK}, 0);
}

// ---- a load in progress ----

// The tables of a skin being read; they replace the manager's only when the whole load succeeds.
struct TsSkinManager::LoadedSkin {
  TsLoadedSkin tables;
  bool packed = false;
  bool deactivate = false;  // nothing to load: the manager goes inactive
};

// ---- the component ----

TskMenuSupport::TskMenuSupport() : extraLineFont_(std::make_unique<TFont>()) {}
TskMenuSupport::~TskMenuSupport() = default;

void TskMenuSupport::SetExtraLineFont(const TFont& value) { extraLineFont_->Assign(&value); }

TsSkinManager::TsSkinManager(TComponent* owner) : TComponent(owner), menus_(std::make_unique<TsSkinableMenus>(this)) {
  commonSections_.SetCaseSensitive(true);
  for (int kind = 0; kind < ThirdPartyKindCount; ++kind) SetThirdParty(kind, kind == 1 ? "TButton" : " ");
  if (gDefaultManager == nullptr) {
    gDefaultManager = this;
    HookApplication(true);
  }
}

// The default manager watches the application's main window.
void TsSkinManager::HookApplication(bool on) {
  if (on == mainWindowHooked_ || Application == nullptr) return;
  if (on)
    Application->HookMainWindow(TWindowHook(this, &TsSkinManager::MainWindowHook));
  else
    Application->UnhookMainWindow(TWindowHook(this, &TsSkinManager::MainWindowHook));
  mainWindowHooked_ = on;
}

void TsSkinManager::SetIsDefault(bool value) {
  if ((!value && gDefaultManager != nullptr) || gDefaultManager == this) return;
  if (gDefaultManager != nullptr) {
    gDefaultManager->RemoveHook();
    gDefaultManager->HookApplication(false);
  }
  gDefaultManager = this;
  HookApplication(true);
  if (LoadingDefinition()) return;
  if (active_ && hasSkin_)
    RefreshAllWindows(false);
  else
    RemoveSkinFromAllWindows();
}

TsSkinManager::~TsSkinManager() {
  // Windows painted with this skin lose it; a failure there must not escape a destructor.
  try {
    if (SkinData.Active) RemoveSkinFromAllWindows();
  } catch (...) {
  }
  RemoveHook();
  HookApplication(false);
  if (gDefaultManager == this) gDefaultManager = nullptr;
  menus_->ForgetManager();
}

void TsSkinManager::SetSkinnedPopups(bool value) {
  if (value == skinnedPopups_) return;
  skinnedPopups_ = value;
  // Menus hooked while popups were off have no popup handlers yet; switching off leaves them to the
  // next skin change (the painter then answers for the system's look no more than before).
  if (value && IsDefault() && !Designing() && !LoadingDefinition()) menus_->UpdateMenus(menus_->Active());
}

TsSkinManager* TsSkinManager::DefaultManager() { return gDefaultManager; }

void TsSkinManager::AfterConstruction() {
  TComponent::AfterConstruction();
  if (skinDirectory_.empty()) skinDirectory_ = "c:\\Skins";
}

void TsSkinManager::Loaded() {
  TComponent::Loaded();
  if (skinDirectory_.empty()) skinDirectory_ = "c:\\Skins";
  if (menuSupport_.IcoLineSkin.empty()) menuSupport_.IcoLineSkin = "ICOLINE";
  if (active_ && !skinName_.empty()) RefreshAllWindows(false);
  if (active_ && !Designing() && OnActivate) OnActivate(this);
}

AnsiString TsSkinManager::SkinInfo() const {
  if (!SkinData.Active) return "N/A";
  TFormatSettings invariant;
  invariant.DecimalSeparator = '.';
  return FloatToStr(SkinData.Version, invariant);
}

void TsSkinManager::SetSkinName(const AnsiString& value) {
  const AnsiString oldName = skinName_;
  skinName_ = value;
  if (!active_) return;
  if (OnBeforeChange) OnBeforeChange(this);
  // An installed notifier decides by itself whether the change is animated.
  bool captured = false;
  if (!ManualUpdate && notifier_ != nullptr) {
    notifier_->CaptureFormsBeforeChange(*this);
  } else if (!ManualUpdate && GetExtendedBorders() && animEffects_.SkinChanging->Active) {
    CaptureFormsBeforeChange(*this);
    captured = true;
  }
  TFlagScope changing(SkinIsChanging);
  SkinData.Active = false;
  skinName_ = CutPackedExtension(value);

  // The packed test takes the folder as written, not resolved.
  const AnsiString packedPath = AddSkinSeparator(skinDirectory_) + skinName_ + ".cvz";
  bool packed = FileExists(packedPath);
  if (SkinTransferred) packed = packed && !DirectoryExists(AddSkinSeparator(skinDirectory_) + value);

  LoadedSkin skin;
  try {
    if (packed)
      LoadPackedSkin(skin, packedPath);
    else
      LoadSkinFolder(skin);
    if (skin.deactivate) {
      active_ = false;
    } else {
      TsLoadedSkin& t = skin.tables;
      SkinData = std::move(t.Data);
      gd = std::move(t.Sections);
      ma = std::move(t.Masks);
      for (size_t i = 0; i < ma.size(); ++i) {
        ma[i].Image = BitmapOf(t.MaskImages[i]);
        ma[i].Manager = this;
      }
      pa = std::move(t.Patterns);
      MasterBitmap = BitmapOf(t.Master);
      if (MasterBitmap) MasterBitmap->SetTransparentColor(0xFF00FF);
      IsPacked = skin.packed;
      hasSkin_ = true;
      UpdateCommonIndexes();
      UpdateShadowTemplates();
    }
  } catch (const std::exception& e) {
    // The previous skin's tables stay; only the name had changed.
    skinName_ = oldName;
    const auto* ex = dynamic_cast<const Exception*>(&e);
    ShowSkinMessage(ex != nullptr ? ex->Message() : AnsiString(e.what()), mtError);
  }

  if (active_) {
    if (!ManualUpdate && !LoadingDefinition()) RefreshAllWindows(true);
    if (!Designing() && !LoadingDefinition() && OnActivate) OnActivate(this);
  } else {
    RemoveSkinFromAllWindows();
    if (!Designing() && OnActivate) OnActivate(this);
  }
  SkinIsChanging = false;
  // The refresh above releases what it froze; a change that did not refresh (a deactivation, a change
  // while the definition is read) must not leave the forms marked.
  if (captured) ReleaseFormsAfterRefresh(*this, false);
  if (OnAfterChange) OnAfterChange(this);
}

void TsSkinManager::LoadPackedSkin(LoadedSkin& skin, const AnsiString& packedPath) {
  std::unique_ptr<TskSkinConvertor> pack;
  LoadPackedSkinFile(packedPath, pack, true);
  if (!pack) throw Exception("Loaded data is not a packed Corvane file");
  skin.tables.Data.SkinPath = ResolveSkinDirectory() + "\\";
  ReadPackedSkin(skin, *pack);
}

void TsSkinManager::ReadPackedSkin(LoadedSkin& skin, TskSkinConvertor& pack) {
  skin.packed = true;
  ReadPackedSkinTables(pack, ReadOptions(), skin.tables);
}

void TsSkinManager::LoadSkinFolder(LoadedSkin& skin) {
  skin.tables.Data.SkinPath = ResolveSkinDirectory() + "\\" + skinName_ + "\\";
  const AnsiString optionsFile = skin.tables.Data.SkinPath + "Options.dat";
  if (TransferOptions != nullptr) {
    TMemIniFile ini(optionsFile + "_", true);
    ini.SetStrings(*TransferOptions);
    ReadSkinTables(ini, nullptr, ReadOptions(), skin.tables);
    return;
  }
  if (FileExists(optionsFile)) {
    const TMemIniFile ini(optionsFile, true);
    ReadSkinTables(ini, nullptr, ReadOptions(), skin.tables);
    return;
  }
  skin.tables.Data.SkinPath.clear();
  if (internalSkins_.Count() == 0) {
    skin.deactivate = true;
    return;
  }
  const int found = internalSkins_.IndexOf(skinName_);
  TsStoredSkin* stored = internalSkins_.Items(found >= 0 ? found : 0);
  skinName_ = stored->Name;
  // A stored skin without data has no options text to read: the load fails like a damaged one.
  if (stored->PackedData().GetSize() == 0)
    throw Exception("The stored skin \"" + stored->Name + "\" holds no data");
  auto pack = std::make_unique<TskSkinConvertor>();
  pack->PackedData = std::make_unique<TMemoryStream>();
  pack->PackedData->CopyFrom(stored->PackedData(), 0);
  ParsePackedSkin(pack);
  if (!pack) throw Exception("Loaded data is not a packed Corvane file");
  ReadPackedSkin(skin, *pack);
}

TsSkinReadOptions TsSkinManager::ReadOptions() {
  TsSkinReadOptions o;
  o.SystemFrameWidth = GetSystemMetrics(SM_CXFRAME);
  o.ColorToRGB = [](Integer c) { return static_cast<Integer>(ColorToRGB(c)); };
  o.CommonSections = &commonSections_;
  o.HueOffset = hueOffset_;
  o.Saturation = saturation_;
  o.CheckVersion = [this](double version) { CheckVersion(version); };
  o.Decoders.Bitmap = DecodeSkinBitmap;
  o.Decoders.Jpeg = DecodeSkinJpeg;
  return o;
}

void TsSkinManager::SetHueOffset(Integer value) {
  if (value == hueOffset_) return;
  hueOffset_ = value;
  ReloadForColorShift();
}

void TsSkinManager::SetSaturation(Integer value) {
  if (value == saturation_) return;
  saturation_ = value;
  ReloadForColorShift();
}

// The shift is applied while the skin is read, so the skin is read again; the windows then repaint
// unless the caller refreshes them itself.
void TsSkinManager::ReloadForColorShift() {
  if (active_ && hasSkin_ && !LoadingDefinition()) SetSkinName(skinName_);
}

void TsSkinManager::CheckVersion(double version) {
  switch (ClassifySkinVersion(version)) {
    case TsVersionNotice::None:
      break;
    case TsVersionNotice::TooNew: {
      const bool hadDialogs = skinningRules_.Contains(srStdDialogs);
      skinningRules_.Exclude(srStdDialogs);
      ShowSkinMessage(kTooNewSkinText, mtWarning);
      if (hadDialogs) skinningRules_.Include(srStdDialogs);
      break;
    }
    case TsVersionNotice::TooOld: {
      bool testSwitch = false;
      for (Integer i = 1; i <= ParamCount(); ++i)
        if (AnsiLowerCase(ParamStr(i)) == "/sktest") testSwitch = true;
      if (Designing() || testSwitch) ShowSkinMessage(OldSkinNoticeText(skinName_), mtInformation);
      break;
    }
  }
}

void TsSkinManager::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (value) {
    SetSkinName(skinName_);
    return;
  }
  if (!LoadingDefinition()) RemoveSkinFromAllWindows();
  UpdateCommonIndexes();
  if (!Designing() && OnDeactivate) OnDeactivate(this);
}

void TsSkinManager::SetSkinDirectory(const AnsiString& value) {
  if (value == skinDirectory_) return;
  skinDirectory_ = value;
  SkinData.SkinPath = ResolveSkinDirectory();  // no reload: the path follows the folder at once
  if (OnSkinListChanged) OnSkinListChanged(this);
}

void TsSkinManager::SetCommonSections(const TStrings& lines) {
  commonSections_.Assign(&lines);
  for (int i = 0; i < commonSections_.Count(); ++i) {
    AnsiString line = commonSections_.Strings(i);
    if (line.empty() || line[0] == ';') continue;
    std::erase(line, ' ');
    commonSections_.SetStrings(i, line);
  }
  SetSkinName(skinName_);
}

AnsiString TsSkinManager::ResolveSkinDirectory() const {
  return ::ResolveSkinDirectory(skinDirectory_, ProgramFolder());
}

void TsSkinManager::ListSkins(TStrings& list, Byte kind, AnsiString& firstName) const {
  firstName.clear();
  const AnsiString dir = ResolveSkinDirectory();
  list.Clear();
  TStringList work;
  for (int i = 0; i < internalSkins_.Count(); ++i) work.Add(internalSkins_.Items(i)->Name);
  if (internalSkins_.Count() > 0) firstName = internalSkins_.Items(0)->Name;
  if (DirectoryExists(dir)) {
    TSearchRec rec;
    for (Integer r = FindFirst(dir + "\\*.*", faDirectory, rec); r == 0; r = FindNext(rec)) {
      if (rec.Name.empty() || rec.Name[0] == '.') continue;
      AnsiString added;
      if ((rec.Attr & faDirectory) != 0) {
        if (kind != 1 && FileExists(dir + "\\" + rec.Name + "\\Options.dat")) added = rec.Name;
      } else if (kind != 0 && rec.Name.size() > 4 && rec.Name.ends_with(".cvz")) {
        added = rec.Name.substr(0, rec.Name.find('.'));
      }
      if (added.empty()) continue;
      work.Add(added);
      if (firstName.empty()) firstName = added;
    }
    FindClose(rec);
  }
  work.Sort();
  list.Assign(&work);
}

// ---- foreign controls ----

const std::array<const char*, TsSkinManager::ThirdPartyKindCount> TsSkinManager::ThirdPartyNames = {
    "ThirdEdits",       "ThirdButtons",  "ThirdBitBtns",     "ThirdCheckBoxes",  "ThirdComboBoxes",
    "ThirdGrids",       "ThirdGroupBoxes", "ThirdListViews", "ThirdPanels",      "ThirdTreeViews",
    "ThirdWWEdits",     "ThirdGridEh",   "ThirdVirtualTrees", "ThirdPageControl", "ThirdTabControl",
    "ThirdToolBar",     "ThirdStatusBar", "ThirdSpeedButton", "ThirdScrollControl", "ThirdUpDown",
    "ThirdScrollBar"};

namespace {

size_t ThirdPartyIndex(int kind) {
  if (kind < 0 || kind >= TsSkinManager::ThirdPartyKindCount) RaiseListIndexError(kind);
  return static_cast<size_t>(kind);
}

}  // namespace

const AnsiString& TsSkinManager::ThirdParty(int kind) const { return thirdParty_[ThirdPartyIndex(kind)]; }

const TStringList& TsSkinManager::ThirdPartyList(int kind) const { return thirdPartyLists_[ThirdPartyIndex(kind)]; }

void TsSkinManager::SetThirdParty(int kind, const AnsiString& text) {
  const size_t i = ThirdPartyIndex(kind);
  thirdParty_[i] = text;
  TStringList lines;
  lines.SetText(text);
  TStringList& parsed = thirdPartyLists_[i];
  parsed.Clear();
  parsed.SetCaseSensitive(true);
  for (int n = 0; n < lines.Count(); ++n) {
    const AnsiString name = Trim(lines.Strings(n));
    if (!name.empty()) parsed.Add(name);
  }
}

// ---- lookups ----

Integer TsSkinManager::GetMaskIndex(Integer skinIndex, const AnsiString& section, const AnsiString& key) const {
  return FindMaskIndex(TsSkinTables{gd, ma, pa}, skinIndex, section, key);
}

Integer TsSkinManager::GetTextureIndex(Integer skinIndex, const AnsiString& section, const AnsiString& key) const {
  return FindTextureIndex(TsSkinTables{gd, ma, pa}, skinIndex, section, key);
}

Integer TsSkinManager::GetPatternIndex(Integer skinIndex, const AnsiString& section, const AnsiString& key) const {
  return FindPatternIndex(TsSkinTables{gd, ma, pa}, skinIndex, section, key);
}

namespace {

Integer RGBOf(TColor color) { return static_cast<Integer>(ColorToRGB(color)); }

TsSystemColors SystemColors() {
  return TsSystemColors{RGBOf(clBtnFace), RGBOf(clWindow), RGBOf(clWindowText), RGBOf(clHighlight),
                        RGBOf(clHighlightText)};
}

}  // namespace

Integer TsSkinManager::GetGlobalColor() const {
  return RGBOf(SkinGlobalColor(gd, ConstData.CommonSkin, SystemColors()));
}
Integer TsSkinManager::GetGlobalFontColor() const { return RGBOf(SkinGlobalFontColor(gd, ConstData.CommonSkin)); }
Integer TsSkinManager::GetWindowColor() const {
  return RGBOf(SkinWindowColor(gd, ConstData.CommonSkin, SystemColors()));
}
Integer TsSkinManager::GetEditFontColor() const { return SkinEditFontColor(gd, SystemColors()); }
Integer TsSkinManager::GetHighlightColor(bool hot) const { return SkinHighlightColor(gd, hot, SystemColors()); }
Integer TsSkinManager::GetHighlightFontColor(bool hot) const {
  return SkinHighlightFontColor(gd, hot, SystemColors());
}

Integer TsSkinManager::MaskLeftWidth(Integer maskIndex) const {
  return IsValidMaskIndex(maskIndex) ? ::MaskLeftWidth(ma[static_cast<size_t>(maskIndex)]) : 0;
}
Integer TsSkinManager::MaskTopHeight(Integer maskIndex) const {
  return IsValidMaskIndex(maskIndex) ? ::MaskTopHeight(ma[static_cast<size_t>(maskIndex)]) : 0;
}
Integer TsSkinManager::MaskRightWidth(Integer maskIndex) const {
  return IsValidMaskIndex(maskIndex) ? ::MaskRightWidth(ma[static_cast<size_t>(maskIndex)]) : 0;
}
Integer TsSkinManager::MaskBottomHeight(Integer maskIndex) const {
  return IsValidMaskIndex(maskIndex) ? ::MaskBottomHeight(ma[static_cast<size_t>(maskIndex)]) : 0;
}

bool TsSkinManager::GetExtendedBorders() const { return extendedBorders_ && LayeredWindowsAvailable(); }

void TsSkinManager::UpdateCommonIndexes() {
  ConstData = ::UpdateCommonIndexes(gd, ma, pa);
  CommonSkinIndex = ConstData.CommonSkin;
}

namespace {

// A 32-bit copy of the w x h pixels at (x, y) of the source, clipped to it.
std::shared_ptr<TBitmap> CopyPixels(TBitmap& source, Integer x, Integer y, Integer w, Integer h) {
  auto copy = std::make_shared<TBitmap>();
  copy->SetPixelFormat(pf32bit);
  copy->SetSize(std::max<Integer>(w, 0), std::max<Integer>(h, 0));
  const TsPixelView from = ViewOf(source);
  const TsPixelView to = ViewOf(*copy);
  for (Integer row = 0; row < to.Height; ++row)
    for (Integer col = 0; col < to.Width; ++col) {
      const Integer sx = x + col, sy = y + row;
      to.At(col, row) = sx >= 0 && sy >= 0 && sx < from.Width && sy < from.Height ? from.At(sx, sy) : 0;
    }
  return copy;
}

std::shared_ptr<TBitmap> CopyOf(TBitmap* source) {
  return source != nullptr ? CopyPixels(*source, 0, 0, source->Width(), source->Height()) : nullptr;
}

}  // namespace

void TsSkinManager::UpdateShadowTemplates() {
  ShadowTemplates[0].reset();
  ShadowTemplates[1].reset();
  if (!hasSkin_ || !GetExtendedBorders()) {
    ShadowSize = {};
    return;
  }
  const TsMaskData* exBorder = IsValidMaskIndex(ConstData.ExBorder) ? &ma[static_cast<size_t>(ConstData.ExBorder)] : nullptr;
  ShadowSize = ExtendedShadowSize(exBorder, SkinData);
  if (exBorder == nullptr) {
    ShadowTemplates[0] = CopyOf(InactiveShadowTemplate());
    ShadowTemplates[1] = CopyOf(ActiveShadowTemplate());
  } else if (TBitmap* source = exBorder->Image ? exBorder->Image.get() : MasterBitmap.get()) {
    const Integer w = MaskStateWidth(*exBorder), h = MaskStateHeight(*exBorder);
    const Integer second = exBorder->ImageCount > 1 ? w : 0;
    ShadowTemplates[0] = CopyPixels(*source, exBorder->R.Left, exBorder->R.Top, w, h);
    ShadowTemplates[1] = CopyPixels(*source, exBorder->R.Left + second, exBorder->R.Top, w, h);
  }
  // Old skins mark the transparent parts white with alpha 0.
  if (SkinData.Version < 7.6)
    for (const auto& image : ShadowTemplates)
      if (image) ClearWhite(*image);
}

void TsSkinManager::SetExtendedBorders(bool value) {
  if (value == extendedBorders_) return;
  extendedBorders_ = value;
  UpdateShadowTemplates();
  if (active_ && hasSkin_ && !LoadingDefinition() && !ManualUpdate && !Designing()) RepaintAllWindows(true);
}

void RegisterSkinManagerClasses() {
  static const TIdents<TskSkinningRule> rules = {
      {"srStdForms", srStdForms}, {"srStdDialogs", srStdDialogs}, {"srThirdParty", srThirdParty}};
  RegisterStoredSkinClasses();
  RegisterSkinEffectClasses();
  RegisterStreamedClass<TskMenuSupport>("TskMenuSupport", [](TPropertyTableOf<TskMenuSupport>& p) {
    p.StringProp("IcoLineSkin", &TskMenuSupport::IcoLineSkin);
    p.IntegerProp("AlphaBlend", [](TskMenuSupport& m, Integer value) { m.AlphaBlend = static_cast<Byte>(std::clamp(value, 0, 255)); });
  });
  RegisterStreamedClass<TsThirdPartyList>("TsThirdPartyList", [](TPropertyTableOf<TsThirdPartyList>& p) {
    for (int kind = 0; kind < TsSkinManager::ThirdPartyKindCount; ++kind)
      p.StringProp(TsSkinManager::ThirdPartyNames[static_cast<size_t>(kind)],
                   [kind](TsThirdPartyList& list, const AnsiString& text) { list.Manager.SetThirdParty(kind, text); });
  });
  RegisterStreamedClass<TsSkinManager, TComponent>("TsSkinManager", [](TPropertyTableOf<TsSkinManager>& p) {
    p.BoolProp("Active", &TsSkinManager::SetActive);
    p.BoolProp("ExtendedBorders", &TsSkinManager::SetExtendedBorders);
    p.BoolProp("IsDefault", &TsSkinManager::SetIsDefault);
    p.IntegerProp("HueOffset", &TsSkinManager::SetHueOffset);
    p.IntegerProp("Saturation", &TsSkinManager::SetSaturation);
    p.ObjectProp("ThirdParty", &TsSkinManager::ThirdPartyObject);
    p.ObjectProp("MenuSupport", &TsSkinManager::MenuSupport);
    p.ObjectProp("Effects", &TsSkinManager::Effects);
    p.ObjectProp("AnimEffects", &TsSkinManager::AnimEffects);
    // Read before SkinName in a definition: naming the skin loads it, from these when no file has it.
    p.CollectionProp("InternalSkins", &TsSkinManager::InternalSkins);
    p.StringProp("SkinDirectory", &TsSkinManager::SetSkinDirectory);
    p.StringProp("SkinName", &TsSkinManager::SetSkinName);
    p.StringsProp("CommonSections", &TsSkinManager::CommonSections);
    p.SetProp<TskSkinningRules>("SkinningRules", &TsSkinManager::SetSkinningRules, rules);
    // Read-only in effect: the definition may carry them, the setters ignore them.
    p.StringProp("SkinInfo", [](TsSkinManager&, const AnsiString&) {});
    p.StringProp("Version", [](TsSkinManager&, const AnsiString&) {});
    p.EventProp("OnAfterChange", &TsSkinManager::OnAfterChange);
    p.EventProp("OnBeforeChange", &TsSkinManager::OnBeforeChange);
    p.EventProp("OnActivate", &TsSkinManager::OnActivate);
    p.EventProp("OnDeactivate", &TsSkinManager::OnDeactivate);
    p.EventProp("OnSkinListChanged", &TsSkinManager::OnSkinListChanged);
  });
}
