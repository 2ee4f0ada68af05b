// The built-in lists of other vendors' control classes: the 21 categories a skin manager's foreign
// control lists are kept under (in the order of those lists) and the class names each category
// starts with. Only the button category names a class; every other starts as a single blank, which
// matches no class.
#pragma once
#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 21> ThirdPartyCategoryNames = {
    "Edit",     "Button",      "BitBtn",      "CheckBox",    "ComboBox",   "Grid",      "GroupBox",
    "ListView", "Panel",       "TreeView",    "wwEdit",      "GridEh",     "VirtualTree", "PageControl",
    "TabControl", "ToolBar",   "StatusBar",   "SpeedButton", "ScrollControl", "UpDownBtn", "ScrollBar",
};

inline constexpr std::array<std::string_view, 21> DefaultThirdPartyClasses = {
    " ", "TButton", " ", " ", " ", " ", " ", " ", " ", " ", " ",
    " ", " ",       " ", " ", " ", " ", " ", " ", " ", " ",
};
