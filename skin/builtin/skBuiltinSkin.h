// The diary's own skin, "XPLuna (internal)": a calm light theme drawn here from a few primitives. The
// master bitmap holds every mask (frames, title buttons, check marks, arrows) as blocks of key colour
// 0x00FF00FF around the shapes; the options text lists the sections with their colours, gradients and
// the mask rectangles; both go into one packed skin, "CVzf".
//
// The pack is committed as skin/builtin/builtin-skin.cvz (the Windows build embeds it without running
// a native tool); a test rebuilds the skin and compares the contents. After changing the look, rewrite
// it with
//   cmake --build --preset native --target skingen && build/native/tools/skingen/skingen skin/builtin/builtin-skin.cvz
// and review it with tools/skin-preview.
#pragma once
#include <string>
#include "skin/builtin/skOptionsText.h"
#include "skin/builtin/skSkinImage.h"

inline constexpr const char* kBuiltinSkinName = "XPLuna (internal)";
inline constexpr const char* kBuiltinMasterEntry = "MASTER.BMP";
inline constexpr const char* kBuiltinOptionsEntry = "Options.dat";

struct TskBuiltinSkin {
  TskOptionsText Options;
  std::string OptionsText;  // Options written out, CRLF lines
  TskRgbaImage Master;
  std::string MasterBmp;    // Master as a 32-bit BMP file
  std::string Pack;         // "Options.dat" and "MASTER.BMP" packed
};

// Draws and writes the whole skin; the same bytes on every run.
TskBuiltinSkin BuildBuiltinSkin();
