// Colours as the component library codes them: 0x00BBGGRR for a fixed colour, 0xFF000000 + the
// GetSysColor index for a system colour (clBtnFace = 0xFF00000F), and two special values.
#pragma once
#include <string_view>
#include <utility>
#include <vector>
#include "vcl/rtl/SysTypes.h"

using TColor = Integer;

namespace detail {
constexpr TColor SysColor(unsigned index) { return static_cast<TColor>(0xFF000000u | index); }
}  // namespace detail

inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
inline constexpr TColor clScrollBar = detail::SysColor(0);
inline constexpr TColor clBackground = detail::SysColor(1);
inline constexpr TColor clActiveCaption = detail::SysColor(2);
inline constexpr TColor clInactiveCaption = detail::SysColor(3);
inline constexpr TColor clMenu = detail::SysColor(4);
inline constexpr TColor clWindow = detail::SysColor(5);
inline constexpr TColor clWindowFrame = detail::SysColor(6);
inline constexpr TColor clMenuText = detail::SysColor(7);
inline constexpr TColor clWindowText = detail::SysColor(8);
inline constexpr TColor clCaptionText = detail::SysColor(9);
inline constexpr TColor clActiveBorder = detail::SysColor(10);
inline constexpr TColor clInactiveBorder = detail::SysColor(11);
inline constexpr TColor clAppWorkSpace = detail::SysColor(12);
inline constexpr TColor clHighlight = detail::SysColor(13);
inline constexpr TColor clHighlightText = detail::SysColor(14);
inline constexpr TColor clBtnFace = detail::SysColor(15);
inline constexpr TColor clBtnShadow = detail::SysColor(16);
inline constexpr TColor clGrayText = detail::SysColor(17);
inline constexpr TColor clBtnText = detail::SysColor(18);
inline constexpr TColor clInactiveCaptionText = detail::SysColor(19);
inline constexpr TColor clBtnHighlight = detail::SysColor(20);
inline constexpr TColor cl3DDkShadow = detail::SysColor(21);
inline constexpr TColor cl3DLight = detail::SysColor(22);
inline constexpr TColor clInfoText = detail::SysColor(23);
inline constexpr TColor clInfoBk = detail::SysColor(24);
inline constexpr TColor clHotLight = detail::SysColor(26);
inline constexpr TColor clGradientActiveCaption = detail::SysColor(27);
inline constexpr TColor clGradientInactiveCaption = detail::SysColor(28);
inline constexpr TColor clMenuHighlight = detail::SysColor(29);
inline constexpr TColor clMenuBar = detail::SysColor(30);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;

inline constexpr TColor clNone = 0x1FFFFFFF;     // no colour: nothing is painted
inline constexpr TColor clDefault = 0x20000000;  // the control's own default

// The RGB value (0x00BBGGRR) to paint with: system colours are looked up, others pass unchanged.
Cardinal ColorToRGB(TColor color);

// The colour names a form definition may use ("clWhite", "clBtnFace", ...), with their values.
const std::vector<std::pair<const char*, TColor>>& ColorIdents();
bool IdentToColor(std::string_view ident, TColor& color);  // ASCII case ignored
