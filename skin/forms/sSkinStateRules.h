// The rules behind a skinned host's state that read only numbers and the skin's tables: which kinds of
// host follow the skin's colours, track the mouse or glow; the section a kind takes when none is named;
// the colour a section's background shows over its parent; which host dimensions its background
// depends on; and whether that background is a plain colour. TsCommonData (sCommonData.h) applies them
// to real hosts. Portable, so the tables are tested natively.
#pragma once
#include <bitset>
#include <functional>
#include <string_view>
#include "skin/manager/sConst.h"

// ControlKind values are small numbers set by each host class; a kind outside 0..255 is in no set.
using TskKindSet = std::bitset<256>;

// Hosts whose colour and font colour follow the skin and whose frame follows focus and hover.
const TskKindSet& EditLikeKinds();
// Hosts that never become hot: only the focus makes them active.
const TskKindSet& NoHotTrackKinds();
// Hosts that never show a glow (the button kinds 92-94 never glow either: see KindShowsGlow).
const TskKindSet& NoGlowKinds();
bool InKindSet(const TskKindSet& set, Integer kind);
// Neither in NoGlowKinds nor one of the kinds 92, 93, 94.
bool KindShowsGlow(Integer kind);

// The section of a kind when the host names none ("EDIT" for 2-8 ...); empty for a kind without one,
// whose host then takes its class name.
std::string_view DefaultSectionOfKind(Integer kind);

// The state a section paints for an asked state (0 normal, above 0 hot): 1 only when hot is asked and
// the section has more than one state.
Integer SectionPaintState(const TsGeneralData& section, Integer state);

// The background colour of a skinned host in a state (GetBgColor): the state's colour at transparency
// 0 (the host's own colour instead when it keeps its colour), the parent's colour at 100, and in
// between each channel round(t/100 x parent + (1 - t/100) x colour). The parent is asked only when its
// colour is needed.
Integer SkinnedBgColor(const TsGeneralData& section, Integer state, bool customColor, Integer ownColor,
                       const std::function<Integer()>& parentColor);

// Bits of a host's BackgroundMode.
enum : SmallInt { bmWidth = 1, bmHeight = 2, bmTexture = 4 };
// Which host dimensions the normal state's background changes with: bmTexture when it has an image
// share; with a gradient share, the first step's mode: vertical bmHeight, horizontal bmWidth,
// triangles both.
SmallInt BackgroundModeOf(const TsGeneralData& section);

// What PlainBackgroundKind needs beside the tables.
struct TskPlainBgContext {
  // The parent's answer to the state-word question (2 while the parent has no window yet); unset: the
  // host has no parent, and a fully transparent section is then not plain.
  std::function<Integer()> ParentState;
  // The host is a form's provider whose form paints itself (an OnPaint handler).
  bool FormPaintsItself = false;
};
// 1 when the section's background is one plain colour, 0 when it is not, 2 when the parent cannot
// tell yet. No section (index outside the sections): 1.
Integer PlainBackgroundKindOf(const TsGeneralDataArray& sections, const TsMaskArray& masks, Integer sectionIndex,
                              const TskPlainBgContext& context);
