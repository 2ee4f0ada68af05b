// The skin command message: one private window message through which every skinned object of the
// process (controls, window adapters, form providers, skinned menus) talks to the others. The command
// number travels in the high word of wParam; commands 8, 9 and 20 carry an on/off switch in the low
// word; lParam is the command's argument (often the sending skin manager, or the address of a record);
// the answer is the message result, 0 from a window that does not handle the command. lParam and the
// answer carry pointers, so they are pointer-sized (LPARAM, LRESULT) throughout.
#pragma once
#include "vcl/gui/Win.h"
#include "vcl/rtl/SysTypes.h"

class TControl;

// In the application-private range, so that windows which are not skinned leave it to their default
// procedure and answer 0. The external skin editor talks through another message (0xA400).
inline constexpr UINT SkinCommandMessage = 0xA100;

// The commands, with their argument in lParam and their answer.
enum TSkinCommand : Word {
  scNewSkin = 1,             // manager; a new skin is active
  scRemoveSkin = 2,          // manager; the skin goes away
  scRefresh = 3,             // manager; the skin's data changed
  scGetProvider = 4,         // -> the form's TsSkinProvider
  scChildPainted = 5,
  scParentUpdated = 6,       // the parent ended an update
  scIsSkinned = 7,           // -> 1 from every skinned receiver
  scSetUpdating = 8,         // switch: 1 sets, 0 clears the updating flag
  scSetUrgentPainting = 9,   // switch
  scIsUpdating = 10,         // -> 1 or 0
  scIsHalfVisible = 11,      // -> the half-visible flag
  scMenuRegionChanged = 14,
  scSetSkinSection = 15,     // TskSectionInfo*: its Name is the new section
  scBeforeRefresh = 16,      // manager
  scBgChanged = 17,
  scRepaintNow = 18,
  scParentBgNeeded = 19,     // -> 1 or 0 (also written to the message's lParam)
  scUpdateChildren = 20,     // switch: 1 = redraw
  scGetBgColor = 21,         // -> RGB colour; 0xFF00FF = no colour
  scSetHalfVisible = 22,
  scRebuildCache = 23,
  scControlAdded = 25,       // the control, or 0 for all
  scGetSkinIndex = 26,       // TskSectionInfo*: receives the section index
  scGetSkinManager = 27,     // -> TsSkinManager
  scReadaptChildren = 28,
  scMouseEnter = 29,         // the sending manager
  scMouseLeave = 30,
  scBeginUpdate = 31,
  scEndUpdate = 32,
  scClearCache = 33,
  scFillBgRequest = 34,      // TskBgRequest* -> 1
  scPaintingChild = 35,      // Byte* set to 1
  scGetSkinState = 36,       // 1 = repaint first -> the 16-bit skin-state word
  scGetCommonData = 37,      // -> TsCommonData
  scPrintMode = 38,          // HDC to print into, or 0 to leave print mode
  scScrollBegin = 51,        // MakeLong(scroll code, scroll message)
  scScrollEnd = 52,
  scGetApplication = 60,     // -> the application object
  scGetClientOffset = 61,    // -> MakeLong(x, y)
  scTitleChanged = 62,       // 1 = background changed
};

// "No colour" in the answer to scGetBgColor.
inline constexpr Cardinal clSkinNoColor = 0xFF00FF;

// The argument of scSetSkinSection and scGetSkinIndex. The sender of scGetSkinIndex sets Index to -1
// first, so that a window which does not answer leaves it there.
struct TskSectionInfo {
  Integer Index = -1;
  AnsiString Name;
  Byte Flag = 0;
};

// wParam of a command: the command in the high word, the switch in the low word.
constexpr WPARAM SkinCommandWParam(Word command, Word switchValue = 0) {
  return static_cast<WPARAM>(static_cast<Cardinal>(command) << 16 | switchValue);
}
constexpr Word SkinCommandOf(WPARAM wParam) { return static_cast<Word>((wParam >> 16) & 0xFFFF); }
constexpr Word SkinSwitchOf(WPARAM wParam) { return static_cast<Word>(wParam & 0xFFFF); }

// SendMessage of the command to the window; its answer (0 when it does not know the message).
LRESULT SendSkinCommand(HWND window, Word command, LPARAM lParam = 0);
// The same with an on/off switch (commands 8, 9 and 20).
LRESULT SendSkinSwitch(HWND window, Word command, bool on, LPARAM lParam = 0);

// To a windowed control whose handle exists and that is not being destroyed: SendMessage to its
// handle. To a control without a window: its Perform. Anything else (nil, a windowed control without
// handle or being destroyed) gets nothing and the answer is 0.
LRESULT SendSkinCommandToControl(TControl* control, Word command, LPARAM lParam = 0);

// Whether the window answers the command (scIsSkinned, or scIsUpdating) with exactly 1.
bool WindowIsSkinned(HWND window, Word command = scIsSkinned);
