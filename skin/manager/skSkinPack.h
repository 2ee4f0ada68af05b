// Packed skins: one container ("CVzf") holding a skin's options text "Options.dat" and its images,
// each entry compressed on its own as a zlib stream. Packed skin files (extension "cvz") and the
// skins stored in forms share it. TskSkinConvertor unpacks a container into memory streams.
//
// Container, little-endian 32-bit integers: "CVzf", entry count N, then N entries of
// {name length L, L name bytes, unpacked size S, a zlib stream inflating to exactly S bytes}. The
// compressed length is not stored: an entry ends where its zlib stream ends.
#pragma once
#include <memory>
#include <vector>
#include "vcl/rtl/Persistent.h"
#include "vcl/rtl/Stream.h"

// One image of a pack, as stored: Data holds the S unpacked bytes (".BMP" entries are BMP files,
// the others PNG or JPEG files that the skin loader decodes by extension).
struct TskImageItem {
  AnsiString Name;
  bool IsBitmap = false;  // the upper-cased extension is ".BMP"
  std::unique_ptr<TMemoryStream> Data;
};
using TskImageItems = std::vector<TskImageItem>;

class TskSkinConvertor : public TPersistent {
 public:
  ~TskSkinConvertor() override;

  // The images (the entries other than the options entry), in file order.
  Integer ImageCount = 0;
  TskImageItems ImageItems;
  std::unique_ptr<TMemoryStream> Options;     // the unpacked options text
  std::unique_ptr<TMemoryStream> PackedData;  // the whole container while it is read

  // Frees every item's data (last first), the options and the packed data.
  void Clear();
};

// Reads the container held in convertor's PackedData from position 0. Wrong magic frees the convertor
// (it becomes nil) and raises Exception "Loaded data is not a packed Corvane file"; a truncated or
// damaged container raises EReadError or EZDecompressionError; a pack without an options entry raises
// Exception "Packed skin has no Options.dat entry".
void ParsePackedSkin(std::unique_ptr<TskSkinConvertor>& convertor);

// Loads a packed skin file into convertor (cleared when it exists, created when nil) and parses it;
// with freeSource the packed data is released afterwards. A missing file does nothing.
void LoadPackedSkinFile(const AnsiString& fileName, std::unique_ptr<TskSkinConvertor>& convertor, bool freeSource);
void LoadPackedSkinFile(const WideString& fileName, std::unique_ptr<TskSkinConvertor>& convertor, bool freeSource);
