// libFuzzer entry point for loading a whole packed skin and painting it: the pack is unpacked, its
// options text and images are read into the skin tables (with a CommonSections overlay and a colour
// shift taken from the input), and every section in every state and every mask in every state is then
// painted into bitmaps of several sizes, through the same painters the skinned controls use. A skin
// may be refused with an exception of the component layer; a crash, a sanitizer report, a hang or a
// huge allocation is a finding.
//
// The inputs are packs ("CVzf"). Their entries are zlib streams, which byte mutations would only
// break, so the custom mutator unpacks an input, mutates one entry's plain bytes (the options text or
// an image) and packs it again. Seed the corpus with skin/builtin/builtin-skin.cvz (tools/fuzz does).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "skin/builtin/skSkinImage.h"
#include "skin/builtin/skSkinPackWriter.h"
#include "skin/manager/sAlphaPaint.h"
#include "skin/manager/sSkinLookups.h"
#include "skin/manager/sSkinTables.h"
#include "skin/manager/skSkinPack.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Strings.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

std::string ContentOf(TStream& s) {
  std::string bytes(static_cast<size_t>(s.Size()), '\0');
  s.SetPosition(0);
  if (!bytes.empty()) s.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  return bytes;
}

// The pack's entries as plain bytes, options text first; empty when the bytes are no pack.
std::vector<TskPackEntry> Unpack(const uint8_t* data, size_t size) {
  auto convertor = std::make_unique<TskSkinConvertor>();
  convertor->PackedData = std::make_unique<TMemoryStream>();
  if (size > 0) convertor->PackedData->WriteBuffer(data, static_cast<Integer>(size));
  try {
    ParsePackedSkin(convertor);
  } catch (const Exception&) {
    return {};
  }
  if (!convertor || !convertor->Options) return {};
  std::vector<TskPackEntry> entries{{"Options.dat", ContentOf(*convertor->Options)}};
  for (const TskImageItem& item : convertor->ImageItems)
    if (item.Data) entries.push_back({item.Name, ContentOf(*item.Data)});
  return entries;
}

// Sizes to paint a mask at: half its state image (borders wider than the rect), a little more than
// it, and one from the input.
struct TSize {
  Integer w, h;
};
std::vector<TSize> SizesFor(const TsMaskData* mask, TSize fromInput) {
  std::vector<TSize> sizes{fromInput};
  if (mask != nullptr) {
    const Integer w = std::min<Integer>(MaskStateWidth(*mask), 200), h = std::min<Integer>(MaskStateHeight(*mask), 200);
    sizes.push_back({w / 2 + 1, h / 2 + 1});
    sizes.push_back({w + 5, h + 3});
  } else {
    sizes.push_back({37, 23});
  }
  return sizes;
}

// Calls paint(bitmap, rect) for each size: with the rect the whole bitmap (premultiplied at the end)
// and inside a larger one.
template <class Paint>
void ForEachRect(const std::vector<TSize>& sizes, const Paint& paint) {
  for (const TSize& size : sizes) {
    std::vector<Cardinal> buffer(static_cast<size_t>(size.w + 3) * static_cast<size_t>(size.h + 2), 0xFF102030u);
    const TsPixelView bitmap{buffer.data(), size.w + 3, size.h + 2, size.w + 3};
    for (const TRect& rect : {TRect{0, 0, size.w + 3, size.h + 2}, TRect{2, 1, 2 + size.w, 1 + size.h}})
      paint(bitmap, rect);
  }
}

// Every section in states 0..2 and every mask in states 0..image count, through every painter.
void PaintEverything(const TsLoadedSkin& skin, TFuzzInput& in) {
  const TsSkinPixels pixels = skin.Pixels();
  const TSize fromInput{static_cast<Integer>(in.Byte() % 48 + 1), static_cast<Integer>(in.Byte() % 48 + 1)};
  for (Integer section = 0; section < static_cast<Integer>(skin.Sections.size()); ++section) {
    const Integer border = skin.Sections[static_cast<size_t>(section)].BorderMask;
    const TsMaskData* mask = pixels.ValidMask(border) ? &skin.Masks[static_cast<size_t>(border)] : nullptr;
    ForEachRect(SizesFor(mask, fromInput), [&](const TsPixelView& bitmap, const TRect& rect) {
      for (Integer state = 0; state < 3; ++state) {
        PaintSectionBackground(bitmap, rect, pixels, section, state);
        FillSectionState(bitmap, rect, pixels, section, state, clKeyColor);
      }
    });
  }
  for (const TsMaskData& mask : skin.Masks) {
    const TsPixelView image = pixels.ImageOf(mask);
    const Integer states = std::max<Integer>(mask.ImageCount, 1);
    ForEachRect(SizesFor(&mask, fromInput), [&](const TsPixelView& bitmap, const TRect& rect) {
      const TsBgPixels background{bitmap, 1, 1, clKeyColor};
      for (Integer state = 0; state <= states; ++state) {
        PaintSectionBorderMask(bitmap, rect, background, mask, image, state);
        PaintMaskImage(bitmap, rect, state, mask, image, background);
        PaintMaskGlyph(bitmap, rect.Left - 1, rect.Top, state, background, mask, image, state % 3);
        if (mask.ImgType == itTexture)
          PaintPatternTexture(bitmap, rect, background, state % 2 == 0 ? tmTile : tmTileWhole, mask, image);
        PaintParentBgCorners(bitmap, rect.Width(), rect.Height(), mask, image, state, 15, TsParentBg{bitmap, 1, 0, 0});
      }
    });
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x7FFFFFFF) return 0;
  // The pack's last bytes (the end of its last stream, which every mutation changes) also steer the
  // overlay, the colour shift and one painted size.
  const size_t tail = std::min<size_t>(size, 8);
  TFuzzInput in(data + size - tail, tail);
  auto convertor = std::make_unique<TskSkinConvertor>();
  convertor->PackedData = std::make_unique<TMemoryStream>();
  if (size > 0) convertor->PackedData->WriteBuffer(data, static_cast<Integer>(size));
  TsLoadedSkin skin;
  try {
    ParsePackedSkin(convertor);
    if (!convertor) return 0;
    TStringList common;
    common.SetText("[MyPanel]\nPARENTCLASS=BUTTON\nHOTCOLOR=0x10\nBORDERSMASK=Panel.bmp\n"
                   "[Extra]\nBORDERSMASK=#M (0,0,30,30) (2,1,2,1)\nTRANSPARENCY=40\n");
    TsSkinReadOptions options;
    options.CommonSections = in.Flag() ? &common : nullptr;
    options.HueOffset = in.Flag() ? in.Byte() % 360 : 0;
    options.Saturation = in.Flag() ? in.Byte() % 201 - 100 : 0;
    options.Decoders = GeneratorImageDecoders();  // the built-in skin's BMP master
    ReadPackedSkinTables(*convertor, options, skin);
  } catch (const Exception&) {
    return 0;
  }
  FUZZ_CHECK(skin.Masks.size() == skin.MaskImages.size());
  UpdateCommonIndexes(skin.Sections, skin.Masks, skin.Patterns);  // the sections' border masks
  PaintEverything(skin, in);
  return 0;
}

// Mutates the plain bytes of one entry of a pack and packs it again; bytes that are no pack are
// mutated as they are.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
  std::vector<TskPackEntry> entries = Unpack(data, size);
  if (entries.empty()) return LLVMFuzzerMutate(data, size, maxSize);
  TskPackEntry& entry = entries[seed % entries.size()];
  std::string& bytes = entry.Data;
  const size_t room = bytes.size() + 256;
  bytes.resize(room);
  bytes.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(bytes.data()), room - 256, room));
  if (bytes.empty()) bytes = " ";  // a pack entry is never empty
  const std::string pack = WritePackedSkin(entries);
  if (pack.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
  std::copy(pack.begin(), pack.end(), data);
  return pack.size();
}
