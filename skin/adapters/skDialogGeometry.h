// The geometry and rules of a skinned foreign dialog's title (the "#32770" windows of message boxes
// and standard dialogs): its border kind from the window style, which title buttons are enabled, where
// they lie, the hit test of the title row and the items of the dialog's skinned system menu. Pure
// functions over plain records, so the tables run natively; the dialog adapter fills the records from
// its window and the skin.
#pragma once
#include <array>
#include <cstddef>

#include "skin/forms/sSystemMenuRules.h"
#include "skin/forms/sTitleGeometry.h"

// The border kinds of a dialog.
enum TskDialogBorder : int { dbModal = 0, dbSingle = 1, dbNone = 2, dbSizeable = 3 };

// The window style bits the rules read (the values of the system's headers).
inline constexpr unsigned kDlgStylePopup = 0x80000000u;      // WS_POPUP
inline constexpr unsigned kDlgStyleCaption = 0x00C00000u;    // WS_CAPTION (border and dialog frame)
inline constexpr unsigned kDlgStyleThickFrame = 0x00040000u; // WS_THICKFRAME
inline constexpr unsigned kDlgStyleModalFrame = 0x00000080u; // DS_MODALFRAME
inline constexpr unsigned kDlgStyleSysMenu = 0x00080000u;    // WS_SYSMENU
inline constexpr unsigned kDlgStyleMinBox = 0x00020000u;     // WS_MINIMIZEBOX
inline constexpr unsigned kDlgStyleMaxBox = 0x00010000u;     // WS_MAXIMIZEBOX
inline constexpr unsigned kDlgExStyleHelp = 0x00000400u;     // WS_EX_CONTEXTHELP

// A popup without the whole caption has none; a sizing frame is sizeable; a modal frame is modal;
// anything else counts as sizeable.
TskDialogBorder DialogBorderKind(unsigned style);

// What the rules read of the dialog: the styles saved when its frame was prepared and its state.
struct TskDialogState {
  TskDialogBorder Border = dbSingle;
  bool SysMenu = true, MaxBox = false, MinBox = false, Help = false;
  bool Zoomed = false, Iconic = false;
  bool NoCloseClass = false;  // the window class has CS_NOCLOSE
  static TskDialogState FromStyles(unsigned style, unsigned exStyle, TskDialogBorder border, bool zoomed, bool iconic,
                                   bool noCloseClass);
};

struct TskDialogButtonRules {
  bool Close = false, Maximize = false, Minimize = false, Restore = false;
  bool operator==(const TskDialogButtonRules&) const = default;
};
TskDialogButtonRules DialogButtonRules(const TskDialogState& s);

// The items of the dialog's system menu: Restore for single and sizeable frames with a system menu,
// Move always (disabled when zoomed), Size for single and sizeable frames (enabled for a sizeable one
// that is not iconic), Minimize and Maximize with their boxes, Close with the system menu.
TskSysMenuState DialogSysMenuItems(const TskDialogState& s);

// The title buttons in their order of layout: close, maximize, minimize, help.
enum TskDialogButton : int { dbClose = 0, dbMax = 1, dbMin = 2, dbHelp = 3 };
inline constexpr int kDialogButtonCount = 4;

struct TskDialogTitleInput {
  TskDialogState State;
  int CacheWidth = 0;            // the picture the title is painted into
  int SysBorderWidth = 0;        // the frame (the extended border's width with a border window)
  int SysBorderWidthNoExt = 0;   // the frame above the title (0 with a border window)
  int CaptionHeight = 0;
  int PlainFrame = 0;            // the system frame, for a zoomed dialog's buttons
  int SmallIconWidth = 16;       // SM_CXSMICON
  int BIRight = 0, BISpace = 0, BIVAlign = 0, BITop = 0, CenterOffset = 0;
  int ShadowTop = 0, ShadowRight = 0;
  bool BorderWindow = false;
  bool ExtDrawMode = false;      // the skin's border mode 1 with a border window
  bool CloseIsBigClose = false;  // the close glyph is the common section's "BICONCLOSE"
  // The glyph masks' state sizes (invalid: 21 x 21) and whether each comes from the large set.
  std::array<TskTitleMask, kDialogButtonCount> Masks{};
  std::array<bool, kDialogButtonCount> Large{};
};

struct TskDialogTitleLayout {
  std::array<TskTitleRect, kDialogButtonCount> Buttons{};
  std::array<bool, kDialogButtonCount> Shown{};
  int ButtonsWidth = 0;  // the shown buttons' widths
};

int DialogButtonWidth(const TskDialogTitleInput& in, TskDialogButton button);
int DialogButtonHeight(const TskDialogTitleInput& in, TskDialogButton button);
// Nothing is shown without a system menu; else close, maximize and minimize with their boxes, help
// with the context-help style, laid out from the right.
TskDialogTitleLayout LayoutDialogButtons(const TskDialogTitleInput& in);

// The hit-test code of a point relative to the window: on the title row 3 on the icon, 20, 9, 8 or 21
// on an enabled button (2 on a disabled maximize or minimize), 2 elsewhere on the row; off the row -1 for
// a zoomed dialog's outer edge, else 0 (the window's own answer).
int DialogHitTest(const TskDialogTitleInput& in, const TskDialogTitleLayout& layout, int x, int y, int windowWidth,
                  int windowHeight);
