#include "skin/builtin/skSkinLint.h"

#include <zlib.h>

#include <algorithm>
#include <map>
#include <set>
#include "skin/builtin/skOptionsText.h"
#include "skin/manager/sGradient.h"

const std::vector<std::string> kDiarySkinSections = {
    "GLOBALINFO", "FORM", "FORMTITLE", "DIALOG", "DIALOGTITLE", "BUTTON", "MAINMENU", "MENUITEM",
    "ICOLINE", "DIVIDERV", "SELECTION", "EDIT", "CHECKBOX", "MENULINE"};

const std::vector<std::string> kGlobalInfoMasks = {
    "BICONCLOSE", "BICONMAX", "BICONNORM", "BICONMIN", "BICONHELP",
    "SICONCLOSE", "SICONMAX", "SICONNORM", "SICONMIN", "SICONHELP",
    "BOXCHECKED", "BOXUNCHECKED", "BOXGRAYED", "RADIOCHECKED", "RADIOUNCHECKED", "RADIOGRAYED",
    "CHECK", "GRIPIMAGE"};

namespace {

bool IsName(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; });
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool ToInt(const std::string& s, long long& out) {
  if (s.empty() || s.size() > 12) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  out = s[0] == '-' ? -v : v;
  return true;
}

const std::set<std::string> kColorKeys = {"COLOR", "FONTCOLOR", "HOTCOLOR", "HOTFONTCOLOR", "BORDERCOLOR",
                                          "GCOL", "HGCOL", "SHADOW1COLOR"};

class Linter {
 public:
  Linter(int masterWidth, int masterHeight) : masterWidth_(masterWidth), masterHeight_(masterHeight) {}

  std::vector<std::string> Run(const std::string& text) {
    CheckLines(text);
    options_ = ParseOptionsText(text);
    std::set<std::string> names;
    for (const TskOptionsSection& s : options_.Sections) {
      if (!names.insert(s.Name).second) Report(s.Name, "section appears twice");
      std::set<std::string> keys;
      for (const auto& [k, v] : s.Keys) {
        if (!keys.insert(k).second) Report(s.Name + "." + k, "key appears twice");
        CheckValue(s, k, v);
      }
      CheckParent(s);
      CheckGradient(s, "GRADIENTPERCENT", "GRADIENTDATA");
      CheckGradient(s, "HOTGRADIENTPERCENT", "HOTGRADIENTDATA");
    }
    CheckGlobalInfo();
    for (const std::string& name : kDiarySkinSections)
      if (!options_.Find(name)) Report(name, "section the diary needs is missing");
    return std::move(problems_);
  }

 private:
  void Report(const std::string& where, const std::string& what) { problems_.push_back(where + ": " + what); }

  void CheckLines(const std::string& text) {
    int number = 0;
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      const bool last = end == std::string::npos;
      if (last) end = text.size();
      std::string line = text.substr(at, end - at);
      at = end + 1;
      ++number;
      const std::string where = "line " + std::to_string(number);
      if (!last && (line.empty() || line.back() != '\r')) Report(where, "does not end with CRLF");
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80 || c == '\r'; }))
        Report(where, "holds a character outside plain ASCII");
      if (line.empty()) continue;
      if (line.front() == '[') {
        if (line.back() != ']' || !IsName(line.substr(1, line.size() - 2))) Report(where, "section name is not upper case");
      } else {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || !IsName(line.substr(0, eq))) Report(where, "is not an upper-case KEY=value line");
        else if (eq + 1 < line.size() && line[eq + 1] == ' ') Report(where, "has a blank after \"=\"");
      }
    }
  }

  void CheckValue(const TskOptionsSection& s, const std::string& key, const std::string& value) {
    const std::string where = s.Name + "." + key;
    if (!value.empty() && (value[0] == '@' || value[0] == '^')) {
      const std::optional<TskMaskValue> mask = ParseMaskValue(value);
      if (!mask) Report(where, "mask value does not follow its template: " + value);
      else CheckMask(where, *mask);
      return;
    }
    // Every value goes past the mask and pattern readers: nothing else may look like an image.
    if (!value.empty() && (value[0] == '~' || value[0] == '!')) Report(where, "starts like a texture or own-image value");
    if (value.find('#') != std::string::npos) Report(where, "contains \"#\"");
    const std::string upper = Upper(value);
    const bool imageName = s.Name == "GLOBALINFO" && key == "MASTERBITMAP";
    if (!imageName)
      for (const char* ext : {".BMP", ".PNG", ".JPG", ".JPEG"})
        if (upper.find(ext) != std::string::npos) Report(where, std::string("contains \"") + ext + "\"");
    long long n = 0;
    if (kColorKeys.count(key) && (!ToInt(value, n) || n < 0 || n > 0xFFFFFF))
      Report(where, "is not a colour value 0..16777215: " + value);
    if (key == "STATES" && (!ToInt(value, n) || n < 1 || n > 3)) Report(where, "STATES is not 1..3");
    if ((key == "TRANSPARENCY" || key == "HOTTRANSPARENCY") && (!ToInt(value, n) || n < 0 || n > 100))
      Report(where, "transparency is not 0..100");
  }

  void CheckMask(const std::string& where, const TskMaskValue& m) {
    if (m.R.IsEmpty() || m.R.Right > masterWidth_ || m.R.Bottom > masterHeight_)
      Report(where, "rectangle is empty or outside the master bitmap");
    if (m.Count < 1) Report(where, "image count below 1");
    else if (m.R.Width() % m.Count != 0) Report(where, "width is not a whole number of states");
    if (m.R.Height() % (m.Type + 1) != 0) Report(where, "height is not a whole number of rows");
    if (m.Form != TskMaskForm::Borders) return;
    if (m.StateWidth() - m.WL - m.WR < 1 || m.StateHeight() - m.WT - m.WB < 1)
      Report(where, "middle part is narrower than one pixel");
    if (m.DrawMode > 7) Report(where, "draw mode above 7");
  }

  void CheckParent(const TskOptionsSection& s) {
    const std::string* parent = s.Find("PARENTCLASS");
    if (!parent) return;
    if (*parent == s.Name || *parent == "?" || !options_.Find(*parent)) {
      Report(s.Name, "PARENTCLASS names itself, \"?\" or no section: " + *parent);
      return;
    }
    std::set<std::string> seen{s.Name};
    for (const TskOptionsSection* p = options_.Find(*parent); p;) {
      if (!seen.insert(p->Name).second) {
        Report(s.Name, "PARENTCLASS chain runs in a cycle");
        return;
      }
      const std::string* next = p->Find("PARENTCLASS");
      p = next ? options_.Find(*next) : nullptr;
    }
  }

  void CheckGradient(const TskOptionsSection& s, const std::string& percentKey, const std::string& dataKey) {
    const std::string* percent = options_.Lookup(s.Name, percentKey);
    const std::string* data = options_.Lookup(s.Name, dataKey);
    long long n = 0;
    if (percent && ToInt(*percent, n) && n > 0 && (!data || data->size() < 2))
      Report(s.Name, percentKey + " without " + dataKey);
    if (!data || !s.Find(dataKey)) return;
    TsGradArray steps;
    try {
      ParseGradientData(*data, steps);
    } catch (const std::exception&) {
      Report(s.Name + "." + dataKey, "gradient does not parse");
      return;
    }
    if (steps.empty()) Report(s.Name + "." + dataKey, "gradient has no step");
    for (const TsGradStep& step : steps)
      if (step.Mode != gmVertical && step.Mode != gmHorizontal) Report(s.Name + "." + dataKey, "gradient mode is not 0 or 1");
  }

  int GlobalInt(const std::string& key, int fallback) {
    const TskOptionsSection* g = options_.Find("GLOBALINFO");
    const std::string* v = g ? g->Find(key) : nullptr;
    long long n = 0;
    return v && ToInt(*v, n) ? static_cast<int>(n) : fallback;
  }

  void CheckGlobalInfo() {
    const TskOptionsSection* g = options_.Find("GLOBALINFO");
    if (!g) return;  // reported with the diary's sections
    const std::string* version = g->Find("VERSION");
    if (!version || *version != "8.00") Report("GLOBALINFO", "VERSION is not 8.00");
    const std::string* master = g->Find("MASTERBITMAP");
    if (!master || *master != "MASTER.BMP") Report("GLOBALINFO", "MASTERBITMAP is not MASTER.BMP");
    if (GlobalInt("STATES", 3) < 2) Report("GLOBALINFO", "STATES below 2 would copy the normal colours over the hot ones");
    std::map<std::string, TskMaskValue> masks;
    for (const std::string& name : kGlobalInfoMasks) {
      const std::string* v = g->Find(name);
      const std::optional<TskMaskValue> m = v ? ParseMaskValue(*v) : std::nullopt;
      if (!m) Report("GLOBALINFO." + name, "mask is missing");
      else masks[name] = *m;
    }
    // Title buttons take the close button's height; they must fit the skin's caption below BITOP and
    // the system caption.
    int titleHeight = GlobalInt("TITLEHEIGHT", 30);
    if (titleHeight == 0) titleHeight = 30;
    const int top = GlobalInt("BITOP", 0);
    for (const char* set : {"BICON", "SICON"}) {
      const auto close = masks.find(std::string(set) + "CLOSE");
      if (close == masks.end()) continue;
      const int h = close->second.StateHeight();
      if (h > kSystemCaptionHeight || top + h > titleHeight)
        Report(std::string("GLOBALINFO.") + set + "CLOSE", "title buttons do not fit both caption heights");
      for (const auto& [name, m] : masks)
        if (name.rfind(set, 0) == 0 && m.StateHeight() != h) Report("GLOBALINFO." + name, "height differs from the close button");
    }
  }

  int masterWidth_, masterHeight_;
  TskOptionsText options_;
  std::vector<std::string> problems_;
};

uint32_t GetLE32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}

}  // namespace

std::vector<std::string> LintSkinOptions(const std::string& optionsText, int masterWidth, int masterHeight) {
  return Linter(masterWidth, masterHeight).Run(optionsText);
}

std::vector<std::string> LintMasterBitmap(const TskRgbaImage& master) {
  std::vector<std::string> problems;
  for (int y = 0; y < master.Height(); ++y)
    for (int x = 0; x < master.Width(); ++x) {
      const uint32_t p = master.At(x, y);
      // Opaque magenta would read as key colour to a loader that drops alpha.
      if ((p >> 24 != 0xFF && p != kKeyPixel) || p == (kKeyPixel | 0xFF000000u)) {
        problems.push_back("master pixel " + std::to_string(x) + "," + std::to_string(y) + " is neither opaque nor exactly the key colour");
        return problems;
      }
    }
  return problems;
}

std::vector<std::string> LintPack(const std::string& pack, std::vector<TskPackEntryInfo>* entries) {
  std::vector<std::string> problems;
  if (pack.size() < 8 || pack.compare(0, 4, "CVzf") != 0) return {"pack: no \"CVzf\" header"};
  const uint32_t count = GetLE32(pack, 4);
  size_t at = 8;
  for (uint32_t i = 0; i < count; ++i) {
    if (pack.size() - at < 4 || pack.size() - at - 4 < static_cast<uint64_t>(GetLE32(pack, at)) + 4) return problems.push_back("pack: truncated"), problems;
    TskPackEntryInfo info;
    const uint32_t nameLength = GetLE32(pack, at);
    info.Name = pack.substr(at + 4, nameLength);
    at += 4 + nameLength;
    info.Size = GetLE32(pack, at);
    at += 4;
    if (info.Size == 0) problems.push_back(info.Name + ": empty entry");
    // Inflate to find where the stream ends and what it holds.
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return problems.push_back("pack: inflate failed"), problems;
    std::string out(info.Size + 1, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pack.data() + at));
    z.avail_in = static_cast<uInt>(pack.size() - at);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    info.StreamSize = z.total_in;
    const uLong produced = z.total_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END) return problems.push_back(info.Name + ": zlib stream damaged or longer than its size"), problems;
    if (produced != info.Size) problems.push_back(info.Name + ": inflates to " + std::to_string(produced) + " bytes, not its size");
    if (info.StreamSize > 65536) problems.push_back(info.Name + ": zlib stream longer than 64 KiB");
    at += info.StreamSize;
    if (entries) entries->push_back(info);
  }
  if (at != pack.size()) problems.push_back("pack: bytes after the last entry");
  return problems;
}
