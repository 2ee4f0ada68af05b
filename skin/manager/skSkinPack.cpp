#include "skin/manager/skSkinPack.h"

#include <cstring>
#include "skin/manager/skZLibEx.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/FileUtils.h"

namespace {

constexpr char kMagic[4] = {'C', 'V', 'z', 'f'};
constexpr const char* kNotPacked = "Loaded data is not a packed Corvane file";
constexpr const char* kNoOptions = "Packed skin has no Options.dat entry";
constexpr const char* kReadError = "Stream read error";
// No skin image comes near this; a larger size is a damaged header, refused before any memory is taken.
constexpr Integer kMaxEntrySize = 64 * 1024 * 1024;

Integer ReadInt32(TStream& stream) {
  Byte b[4];
  stream.ReadBuffer(b, 4);
  return static_cast<Integer>(static_cast<Cardinal>(b[0]) | static_cast<Cardinal>(b[1]) << 8 |
                            static_cast<Cardinal>(b[2]) << 16 | static_cast<Cardinal>(b[3]) << 24);
}

// Reads exactly size inflated bytes into a new memory stream. The stream grows with the data that
// really arrives, so a damaged size cannot reserve memory up front.
std::unique_ptr<TMemoryStream> InflateEntry(TZDecompressionStream& z, Integer size) {
  auto data = std::make_unique<TMemoryStream>();
  Byte piece[TCustomZStream::kBufferSize];
  for (Integer left = size; left > 0;) {
    const Integer want = left < TCustomZStream::kBufferSize ? left : TCustomZStream::kBufferSize;
    z.ReadBuffer(piece, want);
    data->WriteBuffer(piece, want);
    left -= want;
  }
  // The stream must end right after its S bytes; only then does the next entry start where the
  // source now stands (the trailer may lie in input that has not been read yet).
  if (z.SkipToStreamEnd() != 0) throw EZDecompressionError(Z_DATA_ERROR);
  data->SetPosition(0);
  return data;
}

template <class Name>
void LoadPackedFile(const Name& fileName, std::unique_ptr<TskSkinConvertor>& convertor, bool freeSource) {
  if (!FileExists(fileName)) return;
  if (convertor) {
    convertor->Clear();
  } else {
    convertor.reset(New<TskSkinConvertor>());
  }
  convertor->PackedData = std::make_unique<TMemoryStream>();
  convertor->PackedData->LoadFromFile(fileName);
  ParsePackedSkin(convertor);
  if (freeSource && convertor) convertor->PackedData.reset();
}

}  // namespace

TskSkinConvertor::~TskSkinConvertor() { Clear(); }

void TskSkinConvertor::Clear() {
  while (!ImageItems.empty()) ImageItems.pop_back();
  Options.reset();
  PackedData.reset();
}

void ParsePackedSkin(std::unique_ptr<TskSkinConvertor>& convertor) {
  TskSkinConvertor& c = *convertor;
  char magic[4] = {};
  if (c.PackedData) {
    c.PackedData->SetPosition(0);
    c.PackedData->Read(magic, 4);
  }
  if (std::memcmp(magic, kMagic, 4) != 0) {
    convertor.reset();
    throw Exception(kNotPacked);
  }
  TMemoryStream& packed = *c.PackedData;
  const Integer count = ReadInt32(packed);
  for (Integer i = 0; i < count; ++i) {
    const Integer nameLength = ReadInt32(packed);
    if (nameLength < 0 || nameLength > packed.Size() - packed.Position()) throw EReadError(kReadError);
    AnsiString name(static_cast<size_t>(nameLength), '\0');
    packed.ReadBuffer(name.data(), nameLength);
    const Integer size = ReadInt32(packed);
    if (size < 0 || size > kMaxEntrySize) throw EReadError(kReadError);
    std::unique_ptr<TMemoryStream> data;
    {
      TZDecompressionStream z(packed);
      data = InflateEntry(z, size);
    }
    if (AnsiUpperCase(name) == "OPTIONS.DAT") {
      c.Options = std::move(data);
    } else {
      const bool isBitmap = AnsiUpperCase(ExtractFileExt(name)) == ".BMP";
      c.ImageItems.push_back(TskImageItem{std::move(name), isBitmap, std::move(data)});
    }
  }
  // Counted from what was read, so that it always matches ImageItems (a pack holding the options
  // twice would otherwise promise an image that is not there).
  c.ImageCount = static_cast<Integer>(c.ImageItems.size());
  // Without an options text the skin loader would have nothing to read.
  if (!c.Options) throw Exception(kNoOptions);
}

void LoadPackedSkinFile(const AnsiString& fileName, std::unique_ptr<TskSkinConvertor>& convertor, bool freeSource) {
  LoadPackedFile(fileName, convertor, freeSource);
}

void LoadPackedSkinFile(const WideString& fileName, std::unique_ptr<TskSkinConvertor>& convertor, bool freeSource) {
  LoadPackedFile(fileName, convertor, freeSource);
}
