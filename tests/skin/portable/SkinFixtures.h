// Writers for the skin readers' test files: PNG files of any colour type, depth and filter, and packed
// skins, made with zlib so that each test states its image or pack in code.
#pragma once
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>
#include "common/TestData.h"
#include "vcl/rtl/Stream.h"

namespace skintest {

using Bytes = std::string;

inline void PutBE32(Bytes& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>(v >> s & 0xFF);
}
inline void PutLE32(Bytes& out, uint32_t v) {
  for (int s = 0; s <= 24; s += 8) out += static_cast<char>(v >> s & 0xFF);
}

// A zlib stream of data at the given level (0 = stored blocks, whose size is predictable).
inline Bytes Deflate(const Bytes& data, int level = 9) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                      static_cast<uLong>(data.size()), level),
            Z_OK);
  out.resize(size);
  return out;
}

struct PngChunk {
  std::string type;  // four letters, in the case to write
  Bytes data;
  bool badCrc = false;
};

inline Bytes SerializeChunk(const PngChunk& c) {
  Bytes out;
  PutBE32(out, static_cast<uint32_t>(c.data.size()));
  const Bytes typed = c.type + c.data;
  out += typed;
  uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
  PutBE32(out, c.badCrc ? crc ^ 1 : crc);
  return out;
}

inline Bytes PngSignature() { return Bytes("\x89PNG\r\n\x1a\n", 8); }

inline Bytes Serialize(const std::vector<PngChunk>& chunks) {
  Bytes out = PngSignature();
  for (const PngChunk& c : chunks) out += SerializeChunk(c);
  return out;
}

inline Bytes IhdrData(uint32_t w, uint32_t h, int depth, int colorType, int interlace = 0, int compression = 0) {
  Bytes d;
  PutBE32(d, w);
  PutBE32(d, h);
  d += static_cast<char>(depth);
  d += static_cast<char>(colorType);
  d += static_cast<char>(compression);
  d += '\0';  // filter method
  d += static_cast<char>(interlace);
  return d;
}

inline int SamplesOf(int colorType) {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// Samples of pixel (x, y), one per channel, in the image's depth.
using SampleFn = std::function<std::vector<uint32_t>(uint32_t x, uint32_t y)>;

inline int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The filtered scan lines of a PNG (what IDAT inflates to). Rows take the filter types 0..4 in turn,
// starting at firstFilter, so that every filter is exercised.
inline Bytes ImageData(uint32_t w, uint32_t h, int depth, int colorType, bool interlaced, const SampleFn& sample,
                       int firstFilter = 0) {
  struct P {
    uint32_t row, col, rowStep, colStep;
  };
  const std::vector<P> passes = interlaced ? std::vector<P>{{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                                            {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}}
                                           : std::vector<P>{{0, 0, 1, 1}};
  const int samples = SamplesOf(colorType);
  const size_t bpp = std::max<size_t>(1, static_cast<size_t>(depth * samples / 8));
  Bytes out;
  int filter = firstFilter;
  for (const P& p : passes) {
    if (p.col >= w || p.row >= h) continue;
    const uint32_t pw = (w - p.col + p.colStep - 1) / p.colStep;
    const size_t rowBytes = (static_cast<size_t>(pw) * depth * samples + 7) / 8;
    std::vector<uint8_t> prev(rowBytes, 0);
    for (uint32_t y = p.row; y < h; y += p.rowStep) {
      std::vector<uint8_t> raw(rowBytes, 0);
      size_t bit = 0;
      for (uint32_t i = 0; i < pw; ++i) {
        for (uint32_t v : sample(p.col + i * p.colStep, y)) {
          if (depth == 16) {
            raw[bit / 8] = static_cast<uint8_t>(v >> 8);
            raw[bit / 8 + 1] = static_cast<uint8_t>(v);
          } else {
            raw[bit / 8] |= static_cast<uint8_t>(v << (8 - depth - bit % 8));
          }
          bit += depth;
        }
      }
      out += static_cast<char>(filter);
      for (size_t i = 0; i < rowBytes; ++i) {
        const int left = i >= bpp ? raw[i - bpp] : 0, up = prev[i], upLeft = i >= bpp ? prev[i - bpp] : 0;
        const int predictor = filter == 1 ? left : filter == 2 ? up : filter == 3 ? (left + up) / 2
                            : filter == 4 ? Paeth(left, up, upLeft) : 0;
        out += static_cast<char>(raw[i] - predictor);
      }
      prev = raw;
      filter = (filter + 1) % 5;
    }
  }
  return out;
}

// A complete PNG's chunks: IHDR, the extra chunks, IDAT (split into idatPieces chunks), IEND.
inline std::vector<PngChunk> PngChunks(uint32_t w, uint32_t h, int depth, int colorType, bool interlaced,
                                       const SampleFn& sample, std::vector<PngChunk> extra = {}, int idatPieces = 1) {
  std::vector<PngChunk> chunks{{"IHDR", IhdrData(w, h, depth, colorType, interlaced ? 1 : 0)}};
  for (PngChunk& c : extra) chunks.push_back(std::move(c));
  const Bytes z = Deflate(ImageData(w, h, depth, colorType, interlaced, sample));
  const size_t piece = (z.size() + idatPieces - 1) / idatPieces;
  for (size_t at = 0; at < z.size(); at += piece) chunks.push_back({"IDAT", z.substr(at, piece)});
  chunks.push_back({"IEND", {}});
  return chunks;
}

// ---- packed skins ----

struct PackEntry {
  std::string name;
  Bytes data;
  int level = 9;
};

// One entry: its name length, name, unpacked size and zlib stream (a given stream replaces the
// compressed data, a given size the real one).
inline Bytes PackEntryBytes(const std::string& name, const Bytes& data, int level = 9, int64_t sizeOverride = -1) {
  Bytes out;
  PutLE32(out, static_cast<uint32_t>(name.size()));
  out += name;
  PutLE32(out, static_cast<uint32_t>(sizeOverride >= 0 ? sizeOverride : static_cast<int64_t>(data.size())));
  out += Deflate(data, level);
  return out;
}

inline Bytes PackHeader(int32_t count) {
  Bytes out = "CVzf";
  PutLE32(out, static_cast<uint32_t>(count));
  return out;
}

inline Bytes Pack(const std::vector<PackEntry>& entries) {
  Bytes out = PackHeader(static_cast<int32_t>(entries.size()));
  for (const PackEntry& e : entries) out += PackEntryBytes(e.name, e.data, e.level);
  return out;
}

// Bytes from a fixed-seed generator (incompressible test payloads).
inline Bytes Noise(size_t size, uint32_t seed) {
  Bytes out(size, '\0');
  for (char& c : out) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return out;
}

// A checked-in file under tests/data (found as common/TestData.h says, so the program also runs by itself).
inline Bytes ReadDataFile(const std::string& relativePath) {
  const std::string path = TestDataRoot() + "/" + relativePath;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A memory stream holding bytes, positioned at 0.
inline std::unique_ptr<TMemoryStream> StreamOf(const Bytes& bytes) {
  auto m = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) m->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  m->SetPosition(0);
  return m;
}

inline Bytes ContentOf(TMemoryStream& m) { return Bytes(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size())); }

}  // namespace skintest
