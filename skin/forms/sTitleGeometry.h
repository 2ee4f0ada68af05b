// The geometry of a skinned form's title buttons and the hit test of its frame, as pure functions over
// one record of numbers: system metrics, the skin's values, the form's border style, state and border
// icons, the six answers of its system menu, and the shadow margins. The provider fills the record from
// its form; the functions never touch a window, so the tables run natively.
#pragma once
#include <array>
#include <vector>

// Border styles in the order of the form's BorderStyle (none, single, sizeable, dialog, tool, sizeable tool).
enum class TskTitleBorder { None = 0, Single = 1, Sizeable = 2, Dialog = 3, ToolWindow = 4, SizeToolWin = 5 };

struct TskTitleRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool operator==(const TskTitleRect&) const = default;
};

// One system button's mask as the skin answers it: its state size, 0 x 0 when the skin lacks the mask.
struct TskTitleMask {
  int StateWidth = 0, StateHeight = 0;
  bool Valid() const { return StateWidth > 0 && StateHeight > 0; }
};

// A user's title button as the layout takes it: its width (the larger of its glyph's width + 2 and the
// skin's TITLEBUTTON state width, 21 without it), whether it shows and whether it answers clicks.
struct TskUserTitleButton {
  int Width = 21;
  bool Visible = true, Enabled = true;
};

// A title-bar item as the hit test takes it: its rectangle in the form's picture, whether it shows,
// whether it can be hit at all (spacing and info items cannot), whether it answers (enabled, and not a
// tab that is down already).
struct TskTitleItemSpot {
  TskTitleRect Rect;
  bool Visible = true, Hittable = true, Answers = true;
};

struct TskTitleInput {
  // System metrics and the form's frame.
  int FormWidth = 0, FormHeight = 0;
  int SysCaptionHeight = 0;     // the system caption height of the form's kind (SM_CYCAPTION or SM_CYSMCAPTION)
  int CaptionHeight = 0;        // the provider's caption height with the extended part
  int FrameWidth = 0;           // the plain system frame width
  int SysBorderWidth = 0;       // with the extended part
  int SysBorderWidthNoExt = 0;
  int MenuLineHeight = 0, MenuLines = 0;
  // The form.
  TskTitleBorder Border = TskTitleBorder::Sizeable;
  bool Maximized = false, Iconic = false, ThickFrame = true, IsMainForm = true;
  bool SystemMenu = true, Help = false;  // BorderIcons biSystemMenu and biHelp
  bool BorderWindow = false;            // an extended border window does its own test
  TskTitleRect IconRect;                // CaptionIconRect (empty: no icon)
  // The system menu's six answers.
  bool VisibleClose = true, VisibleMax = true, VisibleMin = true;
  bool EnabledMax = true, EnabledMin = true, EnabledRestore = false;
  // The skin.
  TskTitleMask CloseMask, CloseAloneMask, MaxMask, MinMask, HelpMask;  // of the chosen size (big or small)
  bool SmallMasksExist = true;  // the skin has the small close mask ("SICONCLOSE")
  int BIRight = 0, BISpace = 0, BIVAlign = 0, BILeft = 0;
  int ShadowLeft = 0, ShadowRight = 0, ShadowTop = 0;
  // The skin's title numbers that place a border window's title: TITLEHEIGHT, MAXHEIGHT (0: the title
  // height), CENTEROFFSET and BITOP.
  int TitleHeight = 0, MaxHeight = 0, CenterOffset = 0, BITop = 0;
  // The user's title buttons in their order (hit codes 1000 + index).
  std::vector<TskUserTitleButton> UserButtons;
  // The title bar's items in their order (hit codes 2000 + index).
  std::vector<TskTitleItemSpot> TitleItems;
};

// The system buttons in ordinal order of the hit test: close, maximize, minimize, help.
enum TskSysButton { sbClose = 0, sbMax = 1, sbMin = 2, sbHelp = 3 };

struct TskTitleLayout {
  bool BigButtons = false;
  bool CloseAlone = false;  // the close button takes the skin's lone close mask
  std::array<TskTitleRect, 4> Buttons{};
  int ButtonsWidth = 0;
  int ButtonsRight = 0;     // right end of the button area
  std::vector<TskTitleRect> UserButtons;  // left of the system buttons, 6 apart; zero width when hidden
  int NextRight = 0;  // where a next button would end: the title bar's items end 6 left of it
};

// Big buttons for single and sizeable frames, and for every frame when the skin lacks small masks.
bool UsesBigButtons(const TskTitleInput& in);
// The close button stands alone: no system menu, or neither maximize nor minimize visible, and the skin has the mask.
bool UsesCloseAlone(const TskTitleInput& in);
// The system buttons' mask width and height (21 x 21 without the close mask, which sets the height).
int SysButtonWidth(const TskTitleInput& in, TskSysButton button);
int SysButtonHeight(const TskTitleInput& in);
// 0 without a system menu; else 3 + help - hidden maximize - hidden minimize.
int VisibleSysButtonCount(const TskTitleInput& in);
// Top of the big buttons when they align to the top. Without a border window 6 maximized, else 0; with
// one below the top shadow: maximized 4 lower (and lower still by what a shorter maximized title
// lacks), else by the skin's BITOP.
int TitleButtonsTop(const TskTitleInput& in);
// The title's vertical centre, where the buttons, the icon and the caption centre. A border window's
// title is the skin's: the maximized height's middle at the title's bottom, moved by CENTEROFFSET
// (unless a maximized form has its own shorter title). Maximized 2 lower in either case.
int TitleCentre(const TskTitleInput& in);
int ButtonsWidth(const TskTitleInput& in);
// Places the system buttons from the right edge of the form, then the user's buttons (a button not
// shown gets zero width).
TskTitleLayout UpdateTitleLayout(const TskTitleInput& in);
// The code of the system button under the point (close 20, maximize 9, minimize 8, help 21, or 2 for a
// disabled one on the caption); 0 where no button is hit. The border window asks it for its own points.
int SysButtonHitCode(const TskTitleInput& in, const TskTitleLayout& layout, int x, int y);
// The code of the user's title button under the point: 1000 + its index, -1 for a disabled one; 0 where
// none is hit.
int UserButtonHitCode(const TskTitleInput& in, const TskTitleLayout& layout, int x, int y);
// The code of the title-bar item under the point: 2000 + its index, -1 for one that does not answer;
// 0 where none is hit (spacing and info items are never hit).
int TitleItemHitCode(const TskTitleInput& in, int x, int y);
// The hit-test code of a point relative to the form's outer rectangle. The system buttons come first,
// then the user's buttons and the title bar's items; the close button answers only where none of them
// claims the point.
int TitleHitTest(const TskTitleInput& in, const TskTitleLayout& layout, int x, int y);
