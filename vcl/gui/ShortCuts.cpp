#include "vcl/gui/ShortCuts.h"

#include <cctype>

namespace {
bool KeyDown(int vk) { return GetKeyState(vk) < 0; }
constexpr LPARAM kAltMask = 0x20000000;  // context code of a key message: Alt was down

// Names of the keys that are not a letter, a digit or a function key.
struct KeyName {
  Word key;
  const char* name;
};
constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},       {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},  {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},  {VK_NEXT, "PgDn"},     {VK_END, "End"},      {VK_HOME, "Home"},   {VK_LEFT, "Left"},
    {VK_UP, "Up"},       {VK_RIGHT, "Right"},   {VK_DOWN, "Down"},    {VK_INSERT, "Ins"},  {VK_DELETE, "Del"},
};
constexpr const char* kShift = "Shift+";
constexpr const char* kCtrl = "Ctrl+";
constexpr const char* kAlt = "Alt+";

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

AnsiString KeyToText(Word key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return AnsiString(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  for (const KeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  return AnsiString();
}

Word TextToKey(std::string_view text) {
  if (text.size() == 1) {
    const auto c = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(text[0])));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  }
  for (Word key = VK_F1; key <= VK_F24; ++key)
    if (SameText(text, KeyToText(key))) return key;
  for (const KeyName& k : kKeyNames)
    if (SameText(text, k.name)) return k.key;
  return 0;
}
}  // namespace

AnsiString ShortCutToText(TShortCut shortCut) {
  const AnsiString key = KeyToText(static_cast<Word>(shortCut & 0xFF));
  if (key.empty()) return AnsiString();
  AnsiString text;
  if (shortCut & scShift) text += kShift;
  if (shortCut & scCtrl) text += kCtrl;
  if (shortCut & scAlt) text += kAlt;
  return text + key;
}

TShortCut TextToShortCut(std::string_view text) {
  TShortCut modifiers = 0;
  for (;;) {
    const std::string_view prefixes[] = {kShift, kCtrl, kAlt};
    const TShortCut flags[] = {scShift, scCtrl, scAlt};
    bool found = false;
    for (int i = 0; i < 3 && !found; ++i) {
      if (text.size() > prefixes[i].size() && SameText(text.substr(0, prefixes[i].size()), prefixes[i])) {
        modifiers |= flags[i];
        text.remove_prefix(prefixes[i].size());
        found = true;
      }
    }
    if (!found) break;
  }
  const Word key = TextToKey(text);
  return key == 0 ? scNone : static_cast<TShortCut>(modifiers | key);
}

TShortCut ShortCut(Word key, TShiftState shift) {
  if ((key & 0xFF00) != 0) return scNone;
  TShortCut result = key;
  if (shift.Contains(ssShift)) result |= scShift;
  if (shift.Contains(ssCtrl)) result |= scCtrl;
  if (shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift) {
  key = static_cast<Word>(shortCut & ~(scShift | scCtrl | scAlt));
  shift = TShiftState{};
  if (shortCut & scShift) shift.Include(ssShift);
  if (shortCut & scCtrl) shift.Include(ssCtrl);
  if (shortCut & scAlt) shift.Include(ssAlt);
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState result;
  if (KeyDown(VK_SHIFT)) result.Include(ssShift);
  if (KeyDown(VK_CONTROL)) result.Include(ssCtrl);
  if ((keyData & kAltMask) != 0 || KeyDown(VK_MENU)) result.Include(ssAlt);
  return result;
}

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState result;
  if (keys & MK_SHIFT) result.Include(ssShift);
  if (keys & MK_CONTROL) result.Include(ssCtrl);
  if (keys & MK_LBUTTON) result.Include(ssLeft);
  if (keys & MK_RBUTTON) result.Include(ssRight);
  if (keys & MK_MBUTTON) result.Include(ssMiddle);
  if (KeyDown(VK_MENU)) result.Include(ssAlt);
  return result;
}

bool AltGrDown() { return KeyDown(VK_RMENU); }

TShortCut ShortCutFromMessage(const TWMKey& message) {
  switch (message.CharCode) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
      return scNone;
    default:
      break;
  }
  const TShiftState shift = KeyDataToShiftState(message.KeyData);
  if (shift.Contains(ssCtrl) && shift.Contains(ssAlt) && AltGrDown()) return scNone;
  return ShortCut(message.CharCode, shift);
}
