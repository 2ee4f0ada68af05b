// Keyboard shortcuts as the component library codes them: a virtual key in the low byte plus
// scShift 0x2000, scCtrl 0x4000 and scAlt 0x8000 ("Ctrl+Alt+N" is 0xC04E = 49230), and the shift state
// of a key or mouse message.
//
// AltGr: Windows reports the AltGr key of European layouts as left Ctrl plus right Alt, so a character
// typed with AltGr (on a Hungarian keyboard "[", "]", "{", "}", "@" ...) looks like Ctrl+Alt+key. A
// key message whose Ctrl+Alt comes with the right Alt key held is therefore no shortcut at all: the
// character reaches the control.
#pragma once
#include "vcl/gui/Messages.h"
#include <string_view>
#include "vcl/rtl/Set.h"

using TShortCut = Word;
inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

enum TShiftStateItem { ssShift = 0, ssAlt = 1, ssCtrl = 2, ssLeft = 3, ssRight = 4, ssMiddle = 5, ssDouble = 6 };
using TShiftState = TSet<TShiftStateItem, 7>;

// The shortcut of a key with shift, alt and ctrl from the shift state (mouse buttons are ignored).
TShortCut ShortCut(Word key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift);

// The text of a shortcut as menus show it ("Ctrl+X", "Ctrl+Alt+P", "Shift+F5", "Del"), and back
// (modifiers and key names compared without regard to case; scNone for text that names no key).
AnsiString ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(std::string_view text);

// The modifier keys held now (GetKeyState), Alt also from the context bit of the key data.
TShiftState KeyDataToShiftState(LPARAM keyData);
// The modifier keys and mouse buttons of a mouse message's wParam (MK_* flags); Alt from GetKeyState.
TShiftState KeysToShiftState(WPARAM keys);
// True while the right Alt key is held (the AltGr key of European layouts).
bool AltGrDown();

// A handler that may take a key as its own shortcut (sets handled).
using TShortCutEvent = std::function<void(const TWMKey& message, bool& handled)>;

// The shortcut a key message stands for; scNone for a bare modifier key and for an AltGr combination.
TShortCut ShortCutFromMessage(const TWMKey& message);
