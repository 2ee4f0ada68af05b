// Checks a skin against the rules that keep it loadable by the skin manager and paintable by every
// painter, before it is shipped: the options text's spelling (upper-case names, CRLF, no value that the
// mask or pattern readers would take for an image), the mask rectangles against the master bitmap, the
// inheritance chains, and the sections and masks the diary needs. Each check reports a line of text;
// an empty list means the skin passes.
#pragma once
#include <string>
#include <vector>
#include "skin/builtin/skSkinImage.h"

// Sections every window of the diary asks for.
extern const std::vector<std::string> kDiarySkinSections;
// GLOBALINFO masks: title buttons (big and small), check boxes and radios, the menu check, the grip.
extern const std::vector<std::string> kGlobalInfoMasks;
// The system's caption height that title buttons must also fit (without the skin's own border window).
inline constexpr int kSystemCaptionHeight = 18;

std::vector<std::string> LintSkinOptions(const std::string& optionsText, int masterWidth, int masterHeight);
// Every pixel is opaque (and not magenta) or exactly the key colour 0x00FF00FF.
std::vector<std::string> LintMasterBitmap(const TskRgbaImage& master);

struct TskPackEntryInfo {
  std::string Name;
  uint32_t Size = 0;        // unpacked
  size_t StreamSize = 0;    // bytes of its zlib stream
};
// Walks a "CVzf" container on its own (independently of the reader): every entry non-empty, its zlib
// stream complete, inflating to exactly its size and at most 64 KiB long (so that a reader with one
// 64 KiB input buffer still finds the next entry). Entries found go to `entries`.
std::vector<std::string> LintPack(const std::string& pack, std::vector<TskPackEntryInfo>* entries = nullptr);
