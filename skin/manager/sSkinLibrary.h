// The start-up and shut-down of the skin library, and the process-wide values it sets up: the key
// colour, the width of a scroll-bar arrow, the caption strings of the skin's windows and dialogs (from
// the program's string table), the Windows NT flag, the two built-in shadow templates (PNG resources
// "skSHDA" and "skSHDI"), the program's small and large icons, and the "/skver" switch that shows the
// library's version.
//
// The program starts the library once, after the application object and before its first skinned
// form, and stops it after its last form is gone.
#pragma once
#include <array>
#include <memory>
#include <vector>
#include "vcl/rtl/SysTypes.h"

class TIcon;
class TPNGGraphic;

// The text the "/skver" switch shows.
inline constexpr const char* SkinLibraryVersionText = "Tessaline v8.12";

// The transparent key colour of skin images, in its two process-wide forms.
inline constexpr Integer clSkinKey = 0xFF00FF;

// The string-table ids of the caption strings, in the order they are loaded.
inline constexpr std::array<Integer, 55> SkinCaptionIds = {
    58992, 58991, 58990,                                       // OK, Cancel, Help
    58981, 58980, 58979, 58978, 58977, 58976, 58975,           // the window menu
    58970,                                                     // always on top
    58964, 58963, 58962, 58961, 58960, 58959, 58958, 58957, 58956, 58955, 58954, 58953, 58952, 58951,
    58950, 58949, 58948, 58947, 58946, 58945, 58944, 58943, 58942, 58941, 58940, 58939, 58938, 58937,
    58936, 58935, 58934, 58933, 58932, 58931, 58930, 58929, 58928, 58927, 58926, 58925, 58924,
    58911, 58910, 58923,                                       // invalid date, today, roll down
};

// Named ids of the captions other units ask for.
enum TSkinCaptionId : Integer {
  scapOK = 58992,
  scapCancel = 58991,
  scapHelp = 58990,
  scapRestore = 58981,
  scapMove = 58980,
  scapSize = 58979,
  scapMinimize = 58978,
  scapMaximize = 58977,
  scapClose = 58976,
  scapAvailSkins = 58964,
  scapGradient = 58963,
  scapTexture = 58962,
  scapTransparency = 58961,
  scapSelectDir = 58960,
  scapInvalidDate = 58911,
};

// True when one of the program's arguments (not the program itself), lower-cased, is "/skver".
bool HasSkinVersionSwitch(const std::vector<AnsiString>& arguments);

// ---- Windows only ----

// Shows the library's version (through MessageDlg, whose hook tests replace) when the arguments hold
// "/skver".
void ShowSkinVersionIfAsked(const std::vector<AnsiString>& arguments);


// The loaded caption of an id of SkinCaptionIds; empty for another id or before the start-up.
const AnsiString& SkinCaption(Integer id);
Integer ScrollArrowWidth();
// Whether the system is of the Windows NT family; a manager hooks the main window only then.
bool IsNTPlatform();
// The built-in shadow templates (active and inactive windows); nil outside start-up and shut-down.
TPNGGraphic* ActiveShadowTemplate();
TPNGGraphic* InactiveShadowTemplate();
// The program's icons; nil when the shell gives none.
TIcon* ProgramSmallIcon();
TIcon* ProgramLargeIcon();

// Starts the library's modules in the order they build on each other: constants and captions,
// gradients, the PNG format, the system routines, the manager's values (version flag, shadows,
// "/skver"), the program's icons. A missing shadow resource raises (the program cannot skin its frames
// without it); the library is then left stopped. Starting twice does nothing.
void SkinLibraryStartup();
// Stops the modules in the reverse order and frees what they hold (open glow windows included).
void SkinLibraryShutdown();
