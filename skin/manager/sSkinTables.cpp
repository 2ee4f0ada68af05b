#include "skin/manager/sSkinTables.h"

#include <cstring>
#include "skin/manager/sColorShift.h"
#include "skin/manager/skPNG.h"
#include "skin/manager/skSkinPack.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Strings.h"

namespace {

enum class TImageFormat { Png, Bitmap, Jpeg, Other };

TImageFormat FormatOf(const AnsiString& name) {
  const AnsiString upper = UpperCase(name);
  if (upper.ends_with(".PNG")) return TImageFormat::Png;
  if (upper.ends_with(".BMP")) return TImageFormat::Bitmap;
  if (upper.ends_with(".JPG") || upper.ends_with(".JPEG")) return TImageFormat::Jpeg;
  return TImageFormat::Other;
}

// Finds the images of one read: among the pack's entries, or as files of the skin's folder.
class TImageFinder {
 public:
  TImageFinder(const TskSkinConvertor* pack, const AnsiString& skinPath) : pack_(pack), skinPath_(skinPath) {}

  // Runs decode over the named image's data; nil when there is no such image or decode raises. Pack
  // entries are compared upper-cased with the name, which is upper-cased first only when `upperName`
  // says so.
  template <class Result, class Decode>
  Result Find(const AnsiString& name, bool upperName, Decode decode) const {
    try {
      if (pack_ != nullptr) {
        const AnsiString wanted = upperName ? UpperCase(name) : name;
        for (const TskImageItem& item : pack_->ImageItems)
          if (item.Data && UpperCase(item.Name) == wanted) {
            item.Data->SetPosition(0);
            return decode(*item.Data, item.Name);
          }
        return Result{};
      }
      const AnsiString path = name.find(':') != AnsiString::npos ? name : skinPath_ + name;
      if (!FileExists(path)) return Result{};
      TMemoryStream file;
      file.LoadFromFile(path);
      return decode(file, name);
    } catch (const Exception&) {
      return Result{};
    }
  }

 private:
  const TskSkinConvertor* pack_;
  AnsiString skinPath_;
};

// Every value of every section of an options text, in the text's order.
template <class Visit>
void ForEachValue(const TMemIniFile& text, const Visit& visit) {
  TStringList sections, keys;
  text.ReadSections(sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const AnsiString section = sections.Strings(i);
    text.ReadSection(section, keys);
    for (int k = 0; k < keys.Count(); ++k) visit(section, keys.Strings(k), text.ReadString(section, keys.Strings(k), "-"));
  }
}

// The three readers of one skin, in the order they run.
class TSkinReader {
 public:
  TSkinReader(const TMemIniFile& ini, const TskSkinConvertor* pack, const TsSkinReadOptions& options,
              TsLoadedSkin& tables)
      : ini_(ini), options_(options), tables_(tables), finder_(pack, tables.Data.SkinPath) {
    if (options.CommonSections != nullptr) LoadCommonSections(*options.CommonSections, overlay_);
  }

  void ReadMasks();
  void ReadPatterns();
  void ReadSections();

 private:
  TsSkinImagePtr Image(const AnsiString& name, bool upperName) const {
    const double version = tables_.Data.Version;
    return finder_.Find<TsSkinImagePtr>(name, upperName, [&](TStream& data, const AnsiString& entry) -> TsSkinImagePtr {
      switch (FormatOf(entry)) {
        case TImageFormat::Png: return DecodeSkinPng(data, version);
        case TImageFormat::Bitmap: return options_.Decoders.Bitmap ? options_.Decoders.Bitmap(data) : nullptr;
        default: return nullptr;  // JPEG images are patterns, not masks
      }
    });
  }
  void AddMask(const AnsiString& section, const AnsiString& key, const AnsiString& value, bool overlay);
  void AddPattern(const AnsiString& section, const AnsiString& key, const AnsiString& value);
  void Append(TsMaskData mask, TsSkinImagePtr image) {
    tables_.Masks.push_back(std::move(mask));
    tables_.MaskImages.push_back(std::move(image));
  }

  const TMemIniFile& ini_;
  const TsSkinReadOptions& options_;
  TsLoadedSkin& tables_;
  TImageFinder finder_;
  TMemIniFile overlay_{AnsiString(), true};
};

void TSkinReader::AddMask(const AnsiString& section, const AnsiString& key, const AnsiString& value, bool overlay) {
  TsMaskValue m = ParseMaskValue(value, tables_.Data.Version);
  if (overlay && m.Form != TsMaskForm::PlainFile && m.Form != TsMaskForm::Bracketed) return;
  if (m.Form == TsMaskForm::None) return;
  TsSkinImagePtr image;
  TsSkinImage* source = tables_.Master.get();
  if (m.FromMaster()) {
    // Cut from the master: without one, or outside it, there is nothing to paint from.
    if (!source || m.R.IsEmpty() || m.R.Left < 0 || m.R.Top < 0 || m.R.Right > source->Width ||
        m.R.Bottom > source->Height)
      return;
  } else {
    image = Image(m.FileName, m.Form == TsMaskForm::PlainFile);
    if (!image || image->Width < 1) return;
    source = image.get();
    m.R = {0, 0, image->Width, image->Height};
    if (m.NeedsDefaultWidths) ApplyDefaultBorderWidths(m);
  }
  CheckMaskValue(m, section, key);
  TsMaskData d;
  d.ClassName = overlay ? UpperCase(section) : section;
  d.PropertyName = overlay ? UpperCase(key) : key;
  d.R = m.R;
  d.ImageCount = static_cast<SmallInt>(m.ImageCount);
  d.MaskType = static_cast<SmallInt>(m.MaskType);
  d.BorderWidth = static_cast<SmallInt>(m.BorderWidth);
  d.DrawFlags = static_cast<SmallInt>(m.DrawMode);
  d.ImgType = static_cast<Byte>(m.ImgType);
  d.WL = static_cast<SmallInt>(m.WL);
  d.WT = static_cast<SmallInt>(m.WT);
  d.WR = static_cast<SmallInt>(m.WR);
  d.WB = static_cast<SmallInt>(m.WB);
  if (m.ImgType == itBorders && m.Form != TsMaskForm::Glyph && m.Form != TsMaskForm::Texture)
    d.Flags = d.ClassName == "BUTTON_HUGE" && d.PropertyName == "BORDERSMASK" ? 2 : ScanMaskCorners(source->View(), d);
  Append(std::move(d), std::move(image));
}

void TSkinReader::ReadMasks() {
  const TsSkinData& data = tables_.Data;
  if (!data.MasterBitmap.empty()) tables_.Master = Image(data.MasterBitmap, false);
  if (tables_.Master && tables_.Master->Width == 0) tables_.Master.reset();
  ForEachValue(ini_, [&](const AnsiString& section, const AnsiString& key, const AnsiString& value) {
    if (section == kGlobalInfo && key == "MASTERBITMAP") return;
    AddMask(section, key, value, false);
  });
  ForEachValue(overlay_, [&](const AnsiString& section, const AnsiString& key, const AnsiString& value) {
    if (UpperCase(section) != kGlobalInfo) AddMask(section, key, value, true);
  });
}

// A large JPEG stays a picture (a pattern); a smaller one becomes an opaque texture of the mask table.
void TSkinReader::AddPattern(const AnsiString& section, const AnsiString& key, const AnsiString& value) {
  if (!IsJpegValue(value) || !options_.Decoders.Jpeg) return;
  const TsJpegImage jpeg = finder_.Find<TsJpegImage>(value, true, [&](TStream& data, const AnsiString&) {
    return options_.Decoders.Jpeg(data);
  });
  const TsSkinImagePtr& pixels = jpeg.Pixels;
  if (!pixels || pixels->Width < 1 || pixels->Height < 1) return;
  if (Int64{pixels->Width} * pixels->Height > kMaxTexturePixels) {
    if (jpeg.Graphic) tables_.Patterns.push_back(TsPatternData{jpeg.Graphic, UpperCase(key), UpperCase(section)});
    return;
  }
  for (Cardinal& p : pixels->Pixels) p |= 0xFF000000u;
  TsMaskData d;
  d.ClassName = UpperCase(section);
  d.PropertyName = UpperCase(key);
  d.R = {0, 0, pixels->Width, pixels->Height};
  d.ImageCount = 1;
  d.ImgType = itTexture;
  Append(std::move(d), pixels);
}

void TSkinReader::ReadPatterns() {
  const auto add = [&](const AnsiString& section, const AnsiString& key, const AnsiString& value) {
    AddPattern(section, key, value);
  };
  ForEachValue(ini_, add);
  ForEachValue(overlay_, add);
}

void TSkinReader::ReadSections() {
  const TsColorToRGB identity = [](Integer c) { return c; };
  ReadSkinSections(ini_, options_.CommonSections, options_.ColorToRGB ? options_.ColorToRGB : identity,
                   tables_.Sections);
}

}  // namespace

TsPixelView TsLoadedSkin::ImageOf(size_t mask) const {
  const TsSkinImagePtr& own = mask < MaskImages.size() ? MaskImages[mask] : nullptr;
  if (own) return own->View();
  return Master ? Master->View() : TsPixelView{};
}

TsSkinPixels TsLoadedSkin::Pixels() const {
  TsSkinPixels pixels;
  pixels.Sections = &Sections;
  pixels.Masks = &Masks;
  if (Master) pixels.Master = Master->View();
  pixels.OwnImage = [this](const TsMaskData& mask) {
    const size_t i = static_cast<size_t>(&mask - Masks.data());
    return i < MaskImages.size() && MaskImages[i] ? MaskImages[i]->View() : TsPixelView{};
  };
  return pixels;
}

TsSkinImagePtr DecodeSkinPng(TStream& data, double version) {
  TPNGPixels png = ReadPNG(data);
  PrepareSkinPngPixels(png.Pixels.data(), png.Pixels.size(), version);
  auto image = std::make_shared<TsSkinImage>();
  image->Width = png.Width;
  image->Height = png.Height;
  image->Pixels = std::move(png.Pixels);
  return image;
}

void ReadSkinTables(const TMemIniFile& ini, const TskSkinConvertor* pack, const TsSkinReadOptions& options,
                    TsLoadedSkin& tables) {
  ReadGlobalInfo(ini, tables.Data, options.SystemFrameWidth);
  if (options.CheckVersion) options.CheckVersion(tables.Data.Version);
  tables.Masks.clear();
  tables.MaskImages.clear();
  tables.Patterns.clear();
  TSkinReader reader(ini, pack, options, tables);
  reader.ReadMasks();
  reader.ReadPatterns();
  reader.ReadSections();
  if (options.HueOffset != 0 || options.Saturation != 0) {
    const TsMaskData* first = tables.Masks.data();
    TsShiftedSkin shifted{tables.Sections, tables.Masks, tables.Data,
                          tables.Master ? tables.Master->View() : TsPixelView{},
                          [&](const TsMaskData& m) {
                            const TsSkinImagePtr& own = tables.MaskImages[static_cast<size_t>(&m - first)];
                            return own ? own->View() : TsPixelView{};
                          }};
    ShiftSkinColors(shifted, options.HueOffset, options.Saturation);
  }
}

void ReadPackedSkinTables(TskSkinConvertor& pack, const TsSkinReadOptions& options, TsLoadedSkin& tables) {
  if (!pack.Options) throw Exception("Packed skin has no Options.dat entry");
  TStringList lines;
  lines.SetCaseSensitive(true);
  pack.Options->SetPosition(0);
  lines.LoadFromStream(*pack.Options);
  TMemIniFile ini(AnsiString(), true);
  ini.SetStrings(lines);
  ReadSkinTables(ini, &pack, options, tables);
}
