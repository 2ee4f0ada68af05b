#include "skin/manager/sSkinOptions.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>
#include "skin/manager/sGradient.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/Strings.h"

namespace {

// ---- GLOBALINFO ----

SmallInt Int16(Integer v) { return static_cast<SmallInt>(std::clamp<Integer>(v, -32768, 32767)); }

// A number or the default when absent; text that is no number raises.
Integer StrictInteger(const TMemIniFile& ini, std::string_view key, Integer defaultValue) {
  if (!ini.ValueExists(kGlobalInfo, key)) return defaultValue;
  return StrToInt(ini.ReadString(kGlobalInfo, key, ""));
}

Integer LenientInteger(const TMemIniFile& ini, std::string_view key, Integer defaultValue) {
  return StrToIntDef(ini.ReadString(kGlobalInfo, key, ""), defaultValue);
}

// A value the painters compute with must lie in [low, high]: beyond that the arithmetic overflows or
// paints nonsense (a transparency of -50 paints half-transparent), so the skin is refused.
Integer InRange(const AnsiString& section, std::string_view key, Integer value, Integer low, Integer high) {
  if (value < low || value > high) RaiseSkinValueError(section, key, std::to_string(value) + " is outside " +
                                                                      std::to_string(low) + ".." + std::to_string(high));
  return value;
}

// ---- sections ----

// Where a section's values come from: its own text, then its parent chain, then an overlay's base.
class TSectionSource {
 public:
  TSectionSource(const TMemIniFile& ini, const TsColorToRGB& colorToRGB) : ini_(ini), colorToRGB_(colorToRGB) {}

  // The raw value of `key` along the chain starting at `section`; viaParent tells whether it came from
  // an ancestor. `usable` decides whether a value counts as present.
  template <class Usable>
  std::optional<AnsiString> Find(const AnsiString& section, std::string_view key, bool& viaParent,
                                 Usable usable) const {
    std::set<AnsiString> visited;
    AnsiString current = section;
    viaParent = false;
    while (visited.insert(current).second) {
      if (ini_.ValueExists(current, key)) {
        AnsiString v = ini_.ReadString(current, key, "");
        if (usable(v)) return v;
      }
      const AnsiString parent = ini_.ReadString(current, "PARENTCLASS", "");
      if (parent.empty() || parent == "?" || parent == current) break;
      current = parent;
      viaParent = true;
    }
    return std::nullopt;
  }

  std::optional<Integer> Integer_(const AnsiString& section, std::string_view key) const {
    bool viaParent = false;
    const auto v = Find(section, key, viaParent, [](const AnsiString& s) {
      Integer n = 0;
      return TryStrToInt(s, n) && n != -1;
    });
    if (!v) return std::nullopt;
    const Integer n = StrToInt(*v);
    return viaParent ? colorToRGB_(n) : n;
  }

  std::optional<AnsiString> String(const AnsiString& section, std::string_view key) const {
    bool viaParent = false;
    return Find(section, key, viaParent, [](const AnsiString&) { return true; });
  }

  const TsColorToRGB& ColorToRGB() const { return colorToRGB_; }

 private:
  const TMemIniFile& ini_;
  const TsColorToRGB& colorToRGB_;
};

// Reads a section's values through two lookups, so that skin sections and overlay sections share one
// table of keys and defaults.
struct TKeyReader {
  AnsiString section;  // named in the error of a value out of range
  std::function<std::optional<Integer>(std::string_view)> integer;
  std::function<std::optional<AnsiString>(std::string_view)> string;

  Integer Int(std::string_view key, Integer def) const { return integer(key).value_or(def); }
  Integer Ranged(std::string_view key, Integer def, Integer low, Integer high) const {
    return InRange(section, key, Int(key, def), low, high);
  }
  AnsiString Str(std::string_view key, std::string_view def) const {
    auto v = string(key);
    return v ? *v : AnsiString(def);
  }
  bool Switch(std::string_view key) const {
    const AnsiString v = UpperCase(Str(key, "0"));
    return v == "1" || v == "TRUE";
  }
};

void ReadState(const TKeyReader& r, bool hot, const TsColorToRGB& colorToRGB, TsGenState& state) {
  const auto k = [hot](const char* normal, const char* hotKey) { return hot ? hotKey : normal; };
  state.Color = colorToRGB(r.Int(k("COLOR", "HOTCOLOR"), 0xFFFFFF));
  state.TextColor = r.Int(k("FONTCOLOR", "HOTFONTCOLOR"), 0);
  state.ContourLeft = r.Int(k("TCLEFT", "HOTTCLEFT"), clNoContour);
  state.ContourTop = r.Int(k("TCTOP", "HOTTCTOP"), clNoContour);
  state.ContourRight = r.Int(k("TCRIGHT", "HOTTCRIGHT"), clNoContour);
  state.ContourBottom = r.Int(k("TCBOTTOM", "HOTTCBOTTOM"), clNoContour);
  state.Transparency = r.Ranged(k("TRANSPARENCY", "HOTTRANSPARENCY"), 0, 0, 100);
  state.GradientPercent = r.Ranged(k("GRADIENTPERCENT", "HOTGRADIENTPERCENT"), 0, 0, 100);
  state.ImagePercent = r.Ranged(k("IMAGEPERCENT", "HOTIMAGEPERCENT"), 0, 0, 100);
  state.GlowColor = r.Int(k("GCOL", "HGCOL"), 0xFFFFFF);
  state.GlowSize = static_cast<Byte>(r.Ranged(k("GSIZE", "HGSIZE"), 0, 0, 255));
  state.GradientData = r.Str(k("GRADIENTDATA", "HOTGRADIENTDATA"), hot ? "" : " ");
  state.GradientArray.clear();
  if (state.GradientData.size() < 2)
    state.GradientPercent = 0;
  else
    ParseGradientData(state.GradientData, state.GradientArray);
}

TsGeneralData ReadSection(const AnsiString& name, const AnsiString& parent, const TKeyReader& r,
                          const TsColorToRGB& colorToRGB, std::optional<Integer> forcedStates) {
  TsGeneralData d;
  d.ClassName = name;
  d.ParentClass = parent;
  d.ReservedBoolean = r.Switch("RESERVEDBOOLEAN");
  d.GiveOwnFont = r.Switch("GIVEOWNFONT");
  d.GlowLevel = r.Ranged("GLOW", 0, 0, kMaxSkinSize);
  d.GlowOffset = r.Ranged("GLOWMARGIN", 0, -kMaxSkinSize, kMaxSkinSize);
  d.ShowFocus = r.Switch("SHOWFOCUS");
  d.FadingEnabled = r.Switch("FADINGENABLED");
  d.FadingIterations = r.Ranged("FADINGITERATIONS", 5, 0, kMaxSkinCount);
  d.States = forcedStates ? *forcedStates : r.Ranged("STATES", 3, 1, kMaxSkinCount);
  ReadState(r, false, colorToRGB, d.Props[0]);
  if (d.States < 2)
    d.Props[1] = d.Props[0];
  else
    ReadState(r, true, colorToRGB, d.Props[1]);
  d.Normal = d.Props[0];
  d.Hot = d.Props[1];
  d.GlowColor = d.Props[0].GlowColor;
  d.GlowSize = d.Props[0].GlowSize;
  d.HotGlowColor = d.Props[1].GlowColor;
  d.HotGlowSize = d.Props[1].GlowSize;
  return d;
}

// ---- image values ----

// The runtime's Copy: the characters that exist of [pos1, pos1 + count), 1-based.
std::string_view Column(std::string_view s, size_t pos1, size_t count) {
  if (pos1 - 1 >= s.size()) return {};
  return s.substr(pos1 - 1, count);
}
Integer ColumnInt(std::string_view s, size_t pos1, size_t count) { return StrToInt(Column(s, pos1, count)); }

std::vector<std::string_view> SplitAt(std::string_view s, std::string_view separators) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || separators.find(s[i]) != std::string_view::npos) {
      if (i > start) out.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

Integer FieldInt(const std::vector<std::string_view>& fields, size_t index, Integer absent) {
  if (index >= fields.size()) return absent;
  return StrToIntDef(fields[index], 0);
}

void ReadMasterRect(std::string_view v, TRect& r) {
  r.Left = ColumnInt(v, 2, 4);
  r.Top = ColumnInt(v, 7, 4);
  r.Right = ColumnInt(v, 12, 4);
  r.Bottom = ColumnInt(v, 17, 4);
}

TsMaskData AsMaskData(const TsMaskValue& m) {
  TsMaskData d;
  d.R = m.R;
  d.ImageCount = static_cast<SmallInt>(m.ImageCount);
  d.MaskType = static_cast<SmallInt>(m.MaskType);
  return d;
}

}  // namespace

// ---- GLOBALINFO ----

void ReadGlobalInfo(const TMemIniFile& ini, TsSkinData& d, Integer systemFrameWidth) {
  d.Version = ini.ReadFloat(kGlobalInfo, "VERSION", 0);
  d.Author = ini.ReadString(kGlobalInfo, "AUTHOR", "");
  d.Description = ini.ReadString(kGlobalInfo, "DESCRIPTION", "");
  d.MasterBitmap = ini.ReadString(kGlobalInfo, "MASTERBITMAP", "");
  const auto size = [&](std::string_view key, Integer value) {
    return Int16(InRange(kGlobalInfo, key, value, 0, kMaxSkinSize));
  };
  d.BorderWidth = size("BORDERWIDTH", LenientInteger(ini, "BORDERWIDTH", 4));
  d.TitleHeight = size("TITLEHEIGHT", LenientInteger(ini, "TITLEHEIGHT", 30));
  if (d.TitleHeight == 0) d.TitleHeight = 30;
  d.MaxHeight = size("MAXHEIGHT", LenientInteger(ini, "MAXHEIGHT", 0));
  d.FormOffset = Int16(LenientInteger(ini, "FORMOFFSET", systemFrameWidth));
  d.AlignOffset = Int16(LenientInteger(ini, "ALIGNOFFSET", 0));
  d.CenterOffset = Int16(LenientInteger(ini, "CENTEROFFSET", 0));
  d.BorderMode = Int16(LenientInteger(ini, "BORDERMODE", 0));
  d.Shadow1Color = LenientInteger(ini, "SHADOW1COLOR", 0);
  d.Shadow1Offset = Int16(StrictInteger(ini, "SHADOW1OFFSET", 0));
  d.Shadow1Blur = Int16(StrictInteger(ini, "SHADOW1BLUR", -1));
  d.Shadow1Transparency = Int16(InRange(kGlobalInfo, "SHADOW1TRANSPARENCY", StrictInteger(ini, "SHADOW1TRANSPARENCY", 0), 0, 100));
  d.BISpacing = Int16(LenientInteger(ini, "BISPACE", 0));
  d.BIVAlign = Int16(LenientInteger(ini, "BIVALIGN", 0));
  d.BIRightMargin = Int16(LenientInteger(ini, "BIRIGHT", 0));
  d.BILeftMargin = Int16(LenientInteger(ini, "BILEFT", 0));
  d.BITopMargin = Int16(LenientInteger(ini, "BITOP", 0));
  d.BorderColor = LenientInteger(ini, "BORDERCOLOR", 0);
  d.BIKeepHUE = Int16(LenientInteger(ini, "BIKEEPHUE", 0));
  d.BICloseGlow = size("BICONCLOSEGLOW", StrictInteger(ini, "BICONCLOSEGLOW", 0));
  d.BIMaxGlow = size("BICONMAXGLOW", StrictInteger(ini, "BICONMAXGLOW", 0));
  d.BIMinGlow = size("BICONMINGLOW", StrictInteger(ini, "BICONMINGLOW", 0));
  d.BICloseGlowMargin = Int16(StrictInteger(ini, "BICONCLOSEGLOWMARGIN", 0));
  d.BIMaxGlowMargin = Int16(StrictInteger(ini, "BICONMAXGLOWMARGIN", 0));
  d.BIMinGlowMargin = Int16(StrictInteger(ini, "BICONMINGLOWMARGIN", 0));
  d.AeroBlur = LenientInteger(ini, "AEROBLUR", 0) != 0;
  d.ExtShadow = LenientInteger(ini, "EXTSHADOW", 0);
}

// ---- sections ----

void LoadCommonSections(const TStrings& lines, TMemIniFile& ini) {
  TStringList kept;
  for (int i = 0; i < lines.Count(); ++i) {
    const AnsiString line = lines.Strings(i);
    if (!line.empty() && line[0] == ';') continue;
    kept.Add(line);
  }
  ini.SetStrings(kept);
}

void ReadSkinSections(const TMemIniFile& ini, const TStrings* commonSections, const TsColorToRGB& colorToRGB,
                      TsGeneralDataArray& sections) {
  sections.clear();
  const TSectionSource source(ini, colorToRGB);
  TStringList names;
  ini.ReadSections(names);
  for (int i = 0; i < names.Count(); ++i) {
    const AnsiString name = names.Strings(i);
    const TKeyReader reader{name, [&](std::string_view key) { return source.Integer_(name, key); },
                            [&](std::string_view key) { return source.String(name, key); }};
    sections.push_back(ReadSection(name, ini.ReadString(name, "PARENTCLASS", ""), reader, colorToRGB, std::nullopt));
  }
  if (commonSections == nullptr || commonSections->Count() == 0) return;

  TMemIniFile overlay(AnsiString(), true);
  LoadCommonSections(*commonSections, overlay);
  TStringList overlayNames;
  overlay.ReadSections(overlayNames);
  for (int i = 0; i < overlayNames.Count(); ++i) {
    const AnsiString name = overlayNames.Strings(i);
    if (ini.SectionExists(name)) continue;
    const AnsiString parent = UpperCase(overlay.ReadString(name, "PARENTCLASS", "-1"));
    // The base is found by upper-cased name, as applications write their overlays in any case.
    std::optional<AnsiString> base;
    for (int j = 0; j < names.Count(); ++j)
      if (UpperCase(names.Strings(j)) == parent) base = names.Strings(j);
    static const std::set<std::string_view> kNoBaseKeys = {"GLOW", "GLOWMARGIN", "GSIZE", "HGSIZE"};
    const TKeyReader reader{
        name,
        [&](std::string_view key) -> std::optional<Integer> {
          Integer v = 0;
          if (overlay.ValueExists(name, key) && TryStrToInt(overlay.ReadString(name, key, ""), v)) return v;
          if (!base || kNoBaseKeys.count(key)) return std::nullopt;
          return source.Integer_(*base, key);
        },
        [&](std::string_view key) -> std::optional<AnsiString> {
          if (overlay.ValueExists(name, key)) return overlay.ReadString(name, key, "");
          if (!base) return std::nullopt;
          return source.String(*base, key);
        }};
    sections.push_back(ReadSection(name, parent, reader, colorToRGB, 3));
  }
}

// ---- image values ----

TsMaskValue ParseMaskValue(std::string_view v, double version) {
  TsMaskValue m;
  if (v.empty()) return m;
  const bool oldSkin = version < 7.4;
  switch (v[0]) {
    case '@':
      m.Form = TsMaskForm::Glyph;
      ReadMasterRect(v, m.R);
      m.ImageCount = ColumnInt(v, 22, 1);
      m.MaskType = ColumnInt(v, 24, 1);
      m.ImgType = itSimple;
      return m;
    case '^': {
      m.Form = TsMaskForm::Borders;
      ReadMasterRect(v, m.R);
      m.WL = ColumnInt(v, 22, 4);
      m.WT = ColumnInt(v, 27, 4);
      m.WR = ColumnInt(v, 32, 4);
      m.WB = ColumnInt(v, 37, 4);
      m.ImageCount = ColumnInt(v, 42, 1);
      m.MaskType = ColumnInt(v, 44, 1);
      m.DrawMode = ColumnInt(v, 46, 1);
      m.BorderWidth = ColumnInt(v, 48, 1);
      m.ImgType = itBorders;
      if (m.WL + m.WT + m.WR + m.WB == 0) ApplyDefaultBorderWidths(m);
      if (oldSkin && m.MaskType > 0) {
        // Old skins did not say whether a mask's middle stretches; a one-pixel middle did.
        const TsMaskData d = AsMaskData(m);
        const bool onePixel = MaskStateWidth(d) - m.WL - m.WR == 1 && MaskStateHeight(d) - m.WT - m.WB == 1;
        m.DrawMode = onePixel ? (m.DrawMode | 1) : (m.DrawMode & ~1);
      }
      return m;
    }
    case '~':
      m.Form = TsMaskForm::Texture;
      ReadMasterRect(v, m.R);
      m.DrawMode = ColumnInt(v, 22, 2);
      m.MaskType = v.size() >= 25 ? ColumnInt(v, 25, 1) : 0;
      m.ImageCount = 1;
      m.ImgType = itTexture;
      if (oldSkin && m.MaskType > 0) m.DrawMode &= ~1;
      return m;
    case '!': {
      const auto fields = SplitAt(v, "!");
      if (fields.empty()) return m;
      const AnsiString file(fields[0]);
      const AnsiString upper = UpperCase(file);
      if (upper.find(".BMP") == AnsiString::npos && upper.find(".PNG") == AnsiString::npos) return m;
      m.Form = TsMaskForm::OwnImage;
      m.FileName = file;
      m.ImageCount = FieldInt(fields, 1, 1);
      m.MaskType = FieldInt(fields, 2, 0);
      m.ImgType = std::min<Integer>(FieldInt(fields, 3, 0), 4);
      m.WL = FieldInt(fields, 4, 0);
      m.WT = FieldInt(fields, 5, 0);
      m.WR = FieldInt(fields, 6, 0);
      m.WB = FieldInt(fields, 7, 0);
      m.DrawMode = FieldInt(fields, 8, 1);
      m.NeedsDefaultWidths = fields.size() < 5;
      return m;
    }
    default:
      break;
  }
  const AnsiString upper = UpperCase(v);
  const bool hasHash = v.find('#') != std::string_view::npos;
  if (upper.find(".BMP") != AnsiString::npos && !hasHash) {
    m.Form = TsMaskForm::PlainFile;
    m.FileName = AnsiString(v);
    m.ImageCount = 3;
    m.MaskType = 1;
    m.ImgType = itBorders;
    m.NeedsDefaultWidths = true;
    return m;
  }
  if (hasHash && v != "#") {
    const auto fields = SplitAt(v, " ()");
    const auto rect = fields.size() > 1 ? SplitAt(fields[1], ", ") : std::vector<std::string_view>{};
    const auto params = fields.size() > 2 ? SplitAt(fields[2], ", ") : std::vector<std::string_view>{};
    m.Form = TsMaskForm::Bracketed;
    m.R = {FieldInt(rect, 0, 0), FieldInt(rect, 1, 0), FieldInt(rect, 2, 0), FieldInt(rect, 3, 0)};
    m.ImageCount = std::max<Integer>(FieldInt(params, 0, 1), 1);
    m.MaskType = std::max<Integer>(FieldInt(params, 1, 0), 0);
    m.BorderWidth = std::max<Integer>(FieldInt(params, 2, 0), 0);
    m.DrawMode = FieldInt(params, 3, 1);
    m.ImgType = itBorders;
    ApplyDefaultBorderWidths(m);
  }
  return m;
}

void ApplyDefaultBorderWidths(TsMaskValue& m) {
  if (m.BorderWidth != 0) {
    m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
    return;
  }
  // In 64 bits: a damaged value may hold any rectangle and count.
  const Int64 count = std::max<Int64>(m.ImageCount, 1);
  const Int64 rows = std::max<Int64>(m.MaskType, 0) + 1;
  m.WL = m.WR = static_cast<Integer>((Int64{m.R.Right} - m.R.Left) / (count * 3));
  m.WT = m.WB = static_cast<Integer>((Int64{m.R.Bottom} - m.R.Top) / (rows * 3));
}

void RaiseSkinValueError(const AnsiString& section, std::string_view key, const std::string& problem) {
  throw Exception("The skin's value " + AnsiString(key) + " in section [" + section + "] is out of range: " + problem);
}

void CheckMaskValue(const TsMaskValue& m, const AnsiString& section, const AnsiString& key) {
  const auto fail = [&](const std::string& problem) { RaiseSkinValueError(section, key, problem); };
  const auto text = [](Int64 v) { return std::to_string(v); };
  const Int64 width = Int64{m.R.Right} - m.R.Left, height = Int64{m.R.Bottom} - m.R.Top;
  if (width < 0 || height < 0 || width > kMaxSkinImageSide || height > kMaxSkinImageSide)
    fail("the rectangle is " + text(width) + " x " + text(height));
  // A count of 0 means one image; more images than columns (mask rows than rows) leave states of no size.
  if (m.ImageCount < 0 || m.ImageCount > std::max<Int64>(width, 1))
    fail("image count " + text(m.ImageCount) + " for a width of " + text(width));
  if (m.MaskType < -1 || m.MaskType > std::max<Int64>(height, 0))
    fail("mask type " + text(m.MaskType) + " for a height of " + text(height));
  if (m.DrawMode < 0 || m.DrawMode > 99) fail("draw mode " + text(m.DrawMode));
  TsMaskData d;
  d.R = m.R;
  d.ImageCount = static_cast<SmallInt>(m.ImageCount);
  d.MaskType = static_cast<SmallInt>(m.MaskType);
  const Int64 stateW = MaskStateWidth(d), stateH = MaskStateHeight(d);
  if (m.BorderWidth < 0 || m.BorderWidth > std::max(stateW, stateH)) fail("border width " + text(m.BorderWidth));
  if (m.WL < 0 || m.WR < 0 || Int64{m.WL} + m.WR > stateW)
    fail("left and right borders " + text(m.WL) + " and " + text(m.WR) + " exceed the state width " + text(stateW));
  // Mask type -1 has images of no height: nothing is painted, whatever the heights say.
  if (m.WT < 0 || m.WB < 0 || (m.MaskType >= 0 && Int64{m.WT} + m.WB > stateH))
    fail("top and bottom borders " + text(m.WT) + " and " + text(m.WB) + " exceed the state height " + text(stateH));
}

bool IsJpegValue(std::string_view value) {
  const AnsiString upper = UpperCase(value);
  return upper.find(".JPG") != AnsiString::npos || upper.find(".JPEG") != AnsiString::npos;
}

SmallInt ScanMaskCorners(const TsPixelView& image, const TsMaskData& mask) {
  const Integer w = MaskStateWidth(mask);
  const Integer h = MaskStateHeight(mask);
  const Integer x0 = mask.R.Left, y0 = mask.R.Top;
  const TRect blocks[] = {{x0, y0, x0 + mask.WL, y0 + mask.WT},
                           {x0 + w - mask.WR, y0, x0 + w, y0 + mask.WT},
                           {x0, y0 + h - mask.WB, x0 + mask.WL, y0 + h},
                           {x0 + w - mask.WR, y0 + h - mask.WB, x0 + w, y0 + h}};
  for (const TRect& b : blocks) {
    for (Integer y = std::max(b.Top, 0); y < std::min(b.Bottom, image.Height); ++y)
      for (Integer x = std::max(b.Left, 0); x < std::min(b.Right, image.Width); ++x)
        if ((image.At(x, y) & 0x00FFFFFFu) == 0x00FF00FFu) return 1;
  }
  return 0;
}

void PrepareSkinPngPixels(Cardinal* pixels, size_t count, double version) {
  const bool premultiply = version > 7.45;
  for (size_t i = 0; i < count; ++i) {
    Cardinal& p = pixels[i];
    if (p == 0x00FFFFFFu) {
      p = 0;
      continue;
    }
    if (!premultiply) continue;
    const Cardinal a = p >> 24;
    const auto channel = [&](int shift) { return (((p >> shift) & 0xFFu) * a / 256) << shift; };
    p = (a << 24) | channel(16) | channel(8) | channel(0);
  }
}

// ---- names, folders and versions ----

AnsiString CutPackedExtension(const AnsiString& name) {
  if (name.size() > 4 && UpperCase(name.substr(name.size() - 4)) == ".CVZ") return name.substr(0, name.size() - 4);
  return name;
}

AnsiString AddSkinSeparator(const AnsiString& path) {
  if (path.empty() || path.back() == '\\') return path;
  if (path.back() == '/') return path.substr(0, path.size() - 1) + "\\";
  return path.size() == 1 ? path + ":\\" : path + "\\";
}

AnsiString ResolveSkinDirectory(const AnsiString& directory, const AnsiString& appPath) {
  if (directory.starts_with("..")) {
    // The parent of the program's folder, its separator kept; a program at a drive root has none.
    AnsiString parent = appPath.empty() ? AnsiString() : appPath.substr(0, appPath.size() - 1);
    while (!parent.empty() && parent.back() != '\\' && parent.back() != '/') parent.pop_back();
    return parent + (directory.size() > 3 ? directory.substr(3) : AnsiString());
  }
  if (directory.starts_with(".\\") || directory.starts_with("./")) return appPath + directory.substr(2);
  if (directory.find(':') == AnsiString::npos && directory.find("\\\\") == AnsiString::npos)
    return appPath + directory;
  return directory;
}

TsVersionNotice ClassifySkinVersion(double version) {
  if (version > 8.99) return TsVersionNotice::TooNew;
  if (version < 7) return TsVersionNotice::TooOld;
  return TsVersionNotice::None;
}

AnsiString OldSkinNoticeText(const AnsiString& skinName) {
  return "You are using an old version of the \"" + skinName +
         "\" skin. Please, update a skins to latest or link with the Tessaline support for upgrading of existing "
         "skin.\r\n\r\n"
         "This notification occurs in design-time only for your information and will not occur in real-time.";
}
