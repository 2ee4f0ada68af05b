#include "skin/manager/skPNG.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include "skin/manager/skZLibEx.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Format.h"

namespace {

constexpr Byte kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Chunk types, compared with bit 5 of every letter masked off so that the letter case does not matter.
constexpr Cardinal kCaseMask = 0xDFDFDFDF;
constexpr Cardinal ChunkType(const char (&t)[5]) {
  return static_cast<Cardinal>(static_cast<Byte>(t[0])) << 24 | static_cast<Cardinal>(static_cast<Byte>(t[1])) << 16 |
         static_cast<Cardinal>(static_cast<Byte>(t[2])) << 8 | static_cast<Byte>(t[3]);
}
constexpr Cardinal kIHDR = ChunkType("IHDR");
constexpr Cardinal kPLTE = ChunkType("PLTE");
constexpr Cardinal kIDAT = ChunkType("IDAT");
constexpr Cardinal kIEND = ChunkType("IEND");
constexpr Cardinal kGAMA = ChunkType("GAMA");
constexpr Cardinal kBKGD = ChunkType("BKGD");
constexpr Cardinal kTRNS = ChunkType("TRNS");

constexpr double kDisplayGamma = 2.2;

[[noreturn]] void RaiseGraphic(std::string_view format, std::initializer_list<TVarRec> args = {}) {
  throw EInvalidGraphic(Format(format, args));
}
[[noreturn]] void RaiseInvalidFormat() { RaiseGraphic("Cannot load image. Invalid or unexpected %s image format.", {"PNG"}); }
[[noreturn]] void RaiseCrcError() { RaiseGraphic("Cannot load image. CRC error found in %s file.", {"PNG"}); }
[[noreturn]] void RaiseCompressionError() {
  RaiseGraphic("Cannot load image. Compression error found in %s file.", {"PNG"});
}
[[noreturn]] void RaiseExtraData() { RaiseGraphic("Cannot load image. Extra compressed data found in %s file.", {"PNG"}); }
[[noreturn]] void RaiseInvalidPalette() { RaiseGraphic("Cannot load image. Palette in %s file is invalid.", {"PNG"}); }

Cardinal BigEndian32(const Byte* p) {
  return static_cast<Cardinal>(p[0]) << 24 | static_cast<Cardinal>(p[1]) << 16 | static_cast<Cardinal>(p[2]) << 8 | p[3];
}

// 16-bit samples become 8 bits by value * 255 / 65535, truncated.
Byte Scale16(Cardinal v) { return static_cast<Byte>(v * 255 / 65535); }

// Maps the PNG colour type and depth to a scheme and sample count; false for a combination PNG does
// not define.
bool SchemeOf(Byte colorType, Byte depth, TColorScheme& scheme, Byte& samples) {
  const auto in = [depth](std::initializer_list<Byte> ok) { return std::find(ok.begin(), ok.end(), depth) != ok.end(); };
  switch (colorType) {
    case 0: scheme = csG; samples = 1; return in({1, 2, 4, 8, 16});
    case 2: scheme = csRGB; samples = 3; return in({8, 16});
    case 3: scheme = csIndexed; samples = 1; return in({1, 2, 4, 8});
    case 4: scheme = csGA; samples = 2; return in({8, 16});
    case 6: scheme = csRGBA; samples = 4; return in({8, 16});
    default: scheme = csUnknown; samples = 0; return false;
  }
}

struct ChunkHeader {
  Cardinal length = 0;
  Cardinal type = 0;     // as stored
  Byte typeBytes[4] = {};
  Cardinal Masked() const { return type & kCaseMask; }
  // A chunk whose first letter is upper case is critical: a reader that does not know it must stop.
  bool Critical() const { return (typeBytes[0] & 0x20) == 0; }
};

// Reads chunks from a stream, checking every length against what is left and every CRC.
class ChunkReader {
 public:
  explicit ChunkReader(TStream& stream) : stream_(stream) {}

  void ReadExact(void* buffer, Int64 count) {
    if (count > Left()) RaiseInvalidFormat();
    stream_.ReadBuffer64(buffer, count);
  }
  Int64 Left() { return stream_.Size() - stream_.Position(); }

  ChunkHeader ReadHeader() {
    Byte b[8];
    ReadExact(b, 8);
    ChunkHeader h;
    h.length = BigEndian32(b);
    std::memcpy(h.typeBytes, b + 4, 4);
    h.type = BigEndian32(b + 4);
    // PNG limits a chunk to 2^31 - 1 bytes; the data and its CRC must still be in the stream.
    if (h.length > 0x7FFFFFFF || Int64{h.length} + 4 > Left()) RaiseInvalidFormat();
    return h;
  }

  // The chunk's data, after its CRC (over type and data) has been compared.
  const std::vector<Byte>& ReadData(const ChunkHeader& h) {
    data_.resize(h.length);
    if (h.length > 0) ReadExact(data_.data(), h.length);
    Byte stored[4];
    ReadExact(stored, 4);
    uLong crc = crc32(0, h.typeBytes, 4);
    if (h.length > 0) crc = crc32(crc, data_.data(), h.length);
    if (static_cast<Cardinal>(crc) != BigEndian32(stored)) RaiseCrcError();
    return data_;
  }

 private:
  TStream& stream_;
  std::vector<Byte> data_;
};

// Parses IHDR's 13 bytes; false for a header PNG does not allow in its sizes.
bool ParseHeader(const std::vector<Byte>& d, TPNGImageProperties& p) {
  if (d.size() != 13) return false;
  p.Width = BigEndian32(d.data());
  p.Height = BigEndian32(d.data() + 4);
  p.BitsPerSample = d[8];
  if (!SchemeOf(d[9], d[8], p.ColorScheme, p.SamplesPerPixel)) p.ColorScheme = csUnknown;
  p.BitsPerPixel = static_cast<Byte>(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = d[10];
  p.FilterMethod = d[11];
  p.Interlaced = d[12] == 1;
  p.HasAlpha = p.ColorScheme == csGA || p.ColorScheme == csRGBA;
  return p.Width != 0 && p.Height != 0 && p.Width <= 0x7FFFFFFF && p.Height <= 0x7FFFFFFF && d[12] <= 1;
}

bool ReadProperties(ChunkReader& chunks, TPNGImageProperties& p) {
  Byte signature[8];
  if (chunks.Left() < 8) return false;
  chunks.ReadExact(signature, 8);
  if (std::memcmp(signature, kSignature, 8) != 0) return false;
  if (chunks.Left() < 12) return false;
  const ChunkHeader ihdr = chunks.ReadHeader();
  if (ihdr.Masked() != kIHDR) return false;
  if (!ParseHeader(chunks.ReadData(ihdr), p)) return false;
  for (;;) {
    if (chunks.Left() < 12) return true;
    const ChunkHeader h = chunks.ReadHeader();
    if (h.Masked() == kIEND || h.Masked() == kIDAT) return true;
    const std::vector<Byte>& d = chunks.ReadData(h);
    if (h.Masked() == kGAMA && d.size() == 4) {
      p.FileGamma = BigEndian32(d.data()) / 100000.0;
      return true;
    }
  }
}

// Adam7: the seven passes' first row and column and their steps; a plain image is one pass of steps 1.
struct Pass {
  Cardinal row, col, rowStep, colStep;
};
constexpr Pass kPlain[1] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                            {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};

Cardinal PassExtent(Cardinal size, Cardinal start, Cardinal step) { return start >= size ? 0 : (size - start + step - 1) / step; }

Byte Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<Byte>(a);
  return static_cast<Byte>(pb <= pc ? b : c);
}

// Undoes a row's filter in place against the previous row of the same pass; bpp is the byte distance
// to the corresponding byte of the pixel to the left (at least 1). An unknown filter leaves the row.
void Unfilter(Byte filter, Byte* row, const Byte* prev, size_t size, size_t bpp) {
  switch (filter) {
    case 1:
      for (size_t i = bpp; i < size; ++i) row[i] = static_cast<Byte>(row[i] + row[i - bpp]);
      break;
    case 2:
      for (size_t i = 0; i < size; ++i) row[i] = static_cast<Byte>(row[i] + prev[i]);
      break;
    case 3:
      for (size_t i = 0; i < size; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<Byte>(row[i] + ((left + prev[i]) >> 1));
      }
      break;
    case 4:
      for (size_t i = 0; i < size; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        const int upLeft = i >= bpp ? prev[i - bpp] : 0;
        row[i] = static_cast<Byte>(row[i] + Paeth(left, prev[i], upLeft));
      }
      break;
    default:
      break;
  }
}

Cardinal BigEndian16(const Byte* p) { return static_cast<Cardinal>(p[0]) << 8 | p[1]; }

class PNGDecoder {
 public:
  explicit PNGDecoder(TStream& stream) : stream_(stream), chunks_(stream) {}

  TPNGPixels Run();

 private:
  void ReadPalette(const std::vector<Byte>& d);
  void ReadGamma(const std::vector<Byte>& d);
  void ReadTransparency(const std::vector<Byte>& d);
  ChunkHeader DecodeImage(const ChunkHeader& firstIdat);
  std::vector<Byte> InflateImageData(const ChunkHeader& firstIdat, Int64 expected, ChunkHeader& next);
  void ConvertRow(const Byte* row, Cardinal y, const Pass& pass, Cardinal count);
  Cardinal Sample(const Byte* row, Cardinal index) const;
  Byte Level(Cardinal sample) const;  // a grey sample as an 8-bit level
  Byte Gamma(Byte v) const { return gammaOn_ ? gamma_[v] : v; }
  Byte Channel(Cardinal sample) const { return p_.BitsPerSample == 16 ? Scale16(sample) : static_cast<Byte>(sample); }

  TStream& stream_;
  ChunkReader chunks_;
  TPNGImageProperties p_;
  TPNGPixels image_;
  std::vector<Cardinal> palette_;  // 0x00RRGGBB
  std::vector<Byte> paletteAlpha_;  // from tRNS; entries past its end are opaque
  bool gammaOn_ = false;
  std::array<Byte, 256> gamma_{};
  bool hasTransparentSample_ = false;
  Cardinal transparentSample_[3] = {};  // grey, or R, G, B, in the file's depth
};

TPNGPixels PNGDecoder::Run() {
  const Int64 start = stream_.Position();
  if (!ReadProperties(chunks_, p_)) RaiseInvalidFormat();
  // The header is read once more, and then every chunk in order.
  stream_.SetPosition(start + 8);
  p_.FileGamma = 1.0;
  ParseHeader(chunks_.ReadData(chunks_.ReadHeader()), p_);
  if (p_.Compression != 0)
    RaiseGraphic("Cannot load image. %s not supported for %s files.", {"The compression scheme is", "PNG"});
  if (p_.ColorScheme == csUnknown) RaiseGraphic("Invalid color format in %s file.", {"PNG"});
  if (Int64{p_.Width} * p_.Height > kMaxPNGPixels)
    RaiseGraphic("Cannot load image. The PNG image of %d x %d pixels is larger than %d pixels.",
                 {static_cast<Int64>(p_.Width), static_cast<Int64>(p_.Height), kMaxPNGPixels});

  bool decoded = false;
  ChunkHeader h = chunks_.ReadHeader();
  for (;;) {
    const Cardinal type = h.Masked();
    if (type == kIDAT && !decoded) {
      h = DecodeImage(h);
      decoded = true;
      continue;
    }
    const std::vector<Byte>& d = chunks_.ReadData(h);
    if (type == kIEND) break;
    if (type == kPLTE) {
      ReadPalette(d);
    } else if (type == kGAMA) {
      ReadGamma(d);
    } else if (type == kTRNS) {
      ReadTransparency(d);
    } else if (type == kIHDR) {
      RaiseInvalidFormat();  // a second header
    } else if (type != kBKGD && type != kIDAT && h.Critical()) {
      // (the background colour only pre-fills the bitmap, and decoding writes every pixel; image data
      // after the first run of IDAT chunks is not used)
      RaiseGraphic("Cannot load PNG image. Unexpected but critical chunk detected.");
    }
    h = chunks_.ReadHeader();
  }
  if (!decoded) RaiseInvalidFormat();
  image_.Properties = p_;
  return std::move(image_);
}

void PNGDecoder::ReadPalette(const std::vector<Byte>& d) {
  if (d.empty() || d.size() % 3 != 0 || d.size() > 3 * 256) RaiseInvalidPalette();
  if (p_.ColorScheme != csIndexed) return;  // a suggested palette for other images: not used
  palette_.clear();
  for (size_t i = 0; i < d.size(); i += 3)
    palette_.push_back(static_cast<Cardinal>(d[i]) << 16 | static_cast<Cardinal>(d[i + 1]) << 8 | d[i + 2]);
}

void PNGDecoder::ReadGamma(const std::vector<Byte>& d) {
  if (d.size() != 4) return;
  p_.FileGamma = BigEndian32(d.data()) / 100000.0;
  const double fileGamma = p_.FileGamma > 0 ? p_.FileGamma : 1.0;
  const double exponent = 1.0 / (fileGamma * kDisplayGamma);
  for (int i = 0; i < 256; ++i) gamma_[i] = static_cast<Byte>(std::lround(255.0 * std::pow(i / 255.0, exponent)));
  gammaOn_ = true;
}

void PNGDecoder::ReadTransparency(const std::vector<Byte>& d) {
  const Cardinal mask = p_.BitsPerSample == 16 ? 0xFFFF : (1u << p_.BitsPerSample) - 1;
  switch (p_.ColorScheme) {
    case csG: {
      if (d.size() < 2) return;
      transparentSample_[0] = BigEndian16(d.data()) & mask;
      hasTransparentSample_ = true;
      // The colour value is the 8-bit level the sample shows as, whatever the depth.
      image_.TransparentColor = Level(transparentSample_[0]) * 0x010101u;
      break;
    }
    case csRGB: {
      if (d.size() < 6) return;
      for (int c = 0; c < 3; ++c) transparentSample_[c] = BigEndian16(d.data() + 2 * c) & mask;
      hasTransparentSample_ = true;
      image_.TransparentColor = Cardinal{Channel(transparentSample_[0])} | Cardinal{Channel(transparentSample_[1])} << 8 |
                                Cardinal{Channel(transparentSample_[2])} << 16;
      break;
    }
    case csIndexed:
      paletteAlpha_.assign(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(d.size(), 256)));
      return;
    default:
      return;  // images with an alpha channel need no tRNS
  }
  image_.HasTransparentColor = true;
}

ChunkHeader PNGDecoder::DecodeImage(const ChunkHeader& firstIdat) {
  if (p_.ColorScheme == csIndexed && palette_.empty()) RaiseInvalidPalette();
  const Pass* passes = p_.Interlaced ? kAdam7 : kPlain;
  const int passCount = p_.Interlaced ? 7 : 1;
  Int64 expected = 0;
  for (int i = 0; i < passCount; ++i) {
    const Int64 w = PassExtent(p_.Width, passes[i].col, passes[i].colStep);
    const Int64 h = PassExtent(p_.Height, passes[i].row, passes[i].rowStep);
    if (w == 0 || h == 0) continue;
    expected += h * ((w * p_.BitsPerPixel + 7) / 8 + 1);
  }
  ChunkHeader next;
  std::vector<Byte> raw = InflateImageData(firstIdat, expected, next);

  // Only now, with all the data present, is the bitmap's memory taken.
  image_.Width = static_cast<Integer>(p_.Width);
  image_.Height = static_cast<Integer>(p_.Height);
  image_.Pixels.assign(static_cast<size_t>(p_.Width) * p_.Height, 0);
  const size_t bpp = std::max<size_t>(1, p_.BitsPerPixel / 8);
  Byte* at = raw.data();
  for (int i = 0; i < passCount; ++i) {
    const Pass& pass = passes[i];
    const Cardinal w = PassExtent(p_.Width, pass.col, pass.colStep);
    const Cardinal h = PassExtent(p_.Height, pass.row, pass.rowStep);
    if (w == 0 || h == 0) continue;
    const size_t rowBytes = (static_cast<size_t>(w) * p_.BitsPerPixel + 7) / 8;
    const std::vector<Byte> zeros(rowBytes, 0);  // the row above a pass's first row
    const Byte* prev = zeros.data();
    for (Cardinal r = 0; r < h; ++r) {
      Byte* row = at + 1;
      Unfilter(at[0], row, prev, rowBytes, bpp);
      ConvertRow(row, pass.row + r * pass.rowStep, pass, w);
      prev = row;
      at += rowBytes + 1;
    }
  }
  return next;
}

std::vector<Byte> PNGDecoder::InflateImageData(const ChunkHeader& firstIdat, Int64 expected, ChunkHeader& next) {
  z_stream z;
  try {
    InitInflate(z);
  } catch (const EZLibError&) {
    throw EGraphicCompression("LZ77 decompression error.");
  }
  struct EndInflate {
    z_stream& z;
    ~EndInflate() { inflateEnd(&z); }
  } endInflate{z};

  std::vector<Byte> raw;
  Int64 produced = 0;
  bool ended = false;
  const std::vector<Byte>* input = &chunks_.ReadData(firstIdat);
  z.next_in = const_cast<Bytef*>(input->data());
  z.avail_in = static_cast<uInt>(input->size());
  while (produced < expected && !ended) {
    if (z.avail_in == 0) {
      // The image data goes on in the next chunk when that is IDAT too.
      next = chunks_.ReadHeader();
      if (next.Masked() != kIDAT) RaiseCompressionError();  // the data stops before the image is complete
      input = &chunks_.ReadData(next);
      z.next_in = const_cast<Bytef*>(input->data());
      z.avail_in = static_cast<uInt>(input->size());
      continue;
    }
    // The buffer grows with the output that really comes, up to the size the header promises.
    if (produced == static_cast<Int64>(raw.size()))
      raw.resize(static_cast<size_t>(std::min<Int64>(expected, std::max<Int64>(65536, 2 * produced))));
    z.next_out = raw.data() + produced;
    z.avail_out = static_cast<uInt>(raw.size() - static_cast<size_t>(produced));
    const int result = inflate(&z, Z_NO_FLUSH);
    produced = static_cast<Int64>(raw.size()) - z.avail_out;
    if (result == Z_STREAM_END) {
      ended = true;
    } else if (result != Z_OK) {
      RaiseCompressionError();
    }
  }
  if (produced < expected || (ended && z.avail_in > 0)) RaiseExtraData();
  // The rest of the run (for example the stream's trailer) is read with its CRCs, not inflated.
  for (next = chunks_.ReadHeader(); next.Masked() == kIDAT; next = chunks_.ReadHeader()) chunks_.ReadData(next);
  return raw;
}

Cardinal PNGDecoder::Sample(const Byte* row, Cardinal index) const {
  const Cardinal depth = p_.BitsPerSample;
  if (depth == 8) return row[index];
  if (depth == 16) return BigEndian16(row + 2 * static_cast<size_t>(index));
  const size_t bit = static_cast<size_t>(index) * depth;
  return row[bit >> 3] >> (8 - depth - (bit & 7)) & ((1u << depth) - 1);
}

Byte PNGDecoder::Level(Cardinal sample) const {
  const Cardinal depth = p_.BitsPerSample;
  if (depth == 16) return Scale16(sample);
  if (depth == 8) return static_cast<Byte>(sample);
  return static_cast<Byte>(sample * 255 / ((1u << depth) - 1));
}

void PNGDecoder::ConvertRow(const Byte* row, Cardinal y, const Pass& pass, Cardinal count) {
  Cardinal* out = image_.Pixels.data() + static_cast<size_t>(y) * p_.Width;
  const Cardinal samples = p_.SamplesPerPixel;
  for (Cardinal i = 0; i < count; ++i) {
    Cardinal pixel = 0;
    const auto s = [&](Cardinal c) { return Sample(row, i * samples + c); };
    switch (p_.ColorScheme) {
      case csG: {
        const Cardinal g = s(0);
        const Cardinal alpha = hasTransparentSample_ && g == transparentSample_[0] ? 0 : 255;
        pixel = alpha << 24 | Level(g) * 0x010101u;
        break;
      }
      case csGA:
        pixel = Cardinal{Channel(s(1))} << 24 | Channel(s(0)) * 0x010101u;
        break;
      case csRGB:
      case csRGBA: {
        const Cardinal r = s(0), g = s(1), b = s(2);
        Cardinal alpha = 255;
        if (p_.ColorScheme == csRGBA) {
          alpha = Channel(s(3));
        } else if (hasTransparentSample_ && r == transparentSample_[0] && g == transparentSample_[1] &&
                   b == transparentSample_[2]) {
          alpha = 0;
        }
        pixel = alpha << 24 | Cardinal{Gamma(Channel(r))} << 16 | Cardinal{Gamma(Channel(g))} << 8 | Gamma(Channel(b));
        break;
      }
      case csIndexed: {
        const Cardinal index = s(0);
        if (index < palette_.size()) {
          const Cardinal alpha = index < paletteAlpha_.size() ? paletteAlpha_[index] : 255;
          pixel = alpha << 24 | palette_[index];
        } else {
          pixel = 0xFF000000;  // an index past the palette shows black
        }
        break;
      }
      default:
        break;
    }
    out[pass.col + i * pass.colStep] = pixel;
  }
}

}  // namespace

bool ReadPNGImageProperties(TStream& stream, TPNGImageProperties& properties) {
  ChunkReader chunks(stream);
  properties = TPNGImageProperties{};
  return ReadProperties(chunks, properties);
}

TPNGPixels ReadPNG(TStream& stream) { return PNGDecoder(stream).Run(); }

void ClearWhite(Cardinal* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (pixels[i] == 0x00FFFFFF) pixels[i] = 0;
}
