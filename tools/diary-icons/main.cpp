// Draws the diary's 16 x 16 icons (tool bar, menus) from the pixel art below into .ico files (32-bit
// with alpha, plus the 1-bit mask older code reads): tools/make-diary-icons runs it and writes
// resources/icons/. Each picture is 16 rows of 16 characters; every character names a colour of the
// palette, '.' is transparent.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Icon {
  const char* file;
  std::vector<std::string> rows;
};

struct Rgb {
  std::uint8_t r, g, b;
};

const std::map<char, Rgb> kPalette = {
    {'K', {0x40, 0x40, 0x40}},  // outline
    {'W', {0xFF, 0xFF, 0xFF}},  // paper
    {'S', {0x90, 0x90, 0x90}},  // text lines, grey
    {'s', {0xD8, 0xD8, 0xD8}},  // light grey
    {'R', {0xD0, 0x28, 0x20}},  // red
    {'G', {0x28, 0xA0, 0x30}},  // green
    {'B', {0x28, 0x60, 0xC0}},  // blue
    {'b', {0xA8, 0xD0, 0xF4}},  // glass blue
    {'y', {0xF8, 0xE8, 0xB0}},  // wall yellow
    {'O', {0xB0, 0x70, 0x30}},  // wood brown
};

const std::vector<Icon> kIcons = {
    {"daynew.ico",  // a calendar page with a green plus: a new day
     {"................", "..K..K....K..K..", ".RRKRRRRRRRRKRR.", ".RRRRRRRRRRRRRR.", ".KKKKKKKKKKKKKK.",
      ".KWWWWWWWWWWWWK.", ".KWSWSWSWSWSWWK.", ".KWWWWWWWWWWWWK.", ".KWSWSWSWGGWWWK.", ".KWWWWWWWGGWWWK.",
      ".KWSWSWGGGGGGWK.", ".KWWWWWGGGGGGWK.", ".KWSWSWSWGGWWWK.", ".KWWWWWWWGGWWWK.", ".KKKKKKKKKKKKKK.",
      "................"}},
    {"delete.ico",  // a red cross
     {"................", ".RR..........RR.", ".RRR........RRR.", "..RRR......RRR..", "...RRR....RRR...",
      "....RRR..RRR....", ".....RRRRRR.....", "......RRRR......", "......RRRR......", ".....RRRRRR.....",
      "....RRR..RRR....", "...RRR....RRR...", "..RRR......RRR..", ".RRR........RRR.", ".RR..........RR.",
      "................"}},
    {"save.ico",  // a floppy disk
     {"................", ".KKKKKKKKKKKKK..", ".KBKsssssssKBBK.", ".KBKsssssssKBBK.", ".KBKsssssssKBBK.",
      ".KBKsssssssKBBK.", ".KBBKKKKKKKBBBK.", ".KBBBBBBBBBBBBK.", ".KBBWWWWWWWWBBK.", ".KBBWWWWWWWWBBK.",
      ".KBBWSSSSSSWBBK.", ".KBBWWWWWWWWBBK.", ".KBBWSSSSSSWBBK.", ".KBBWWWWWWWWBBK.", ".KKKKKKKKKKKKKK.",
      "................"}},
    {"find.ico",  // a magnifying glass
     {"................", "....KKKK........", "..KKbbbbKK......", "..KbbWbbbK......", ".KbbWbbbbbK.....",
      ".KbWbbbbbbK.....", ".KbbbbbbbbK.....", ".KbbbbbbbbK.....", "..KbbbbbbK......", "..KKbbbbKKO.....",
      "....KKKK.OOO....", "..........OOO...", "...........OOO..", "............OOO.", ".............OO.",
      "................"}},
    {"home.ico",  // a house
     {"................", ".......KK.......", "......KRRK......", ".....KRRRRK.....", "....KRRRRRRK....",
      "...KRRRRRRRRK...", "..KRRRRRRRRRRK..", ".KKKKKKKKKKKKKK.", "..KyyyyyyyyyyK..", "..KyKKKyyyyyyK..",
      "..KyKbKyyKKKyK..", "..KyKKKyyKOKyK..", "..KyyyyyyKOKyK..", "..KyyyyyyKOKyK..", "..KKKKKKKKKKKK..",
      "................"}},
    {"help.ico",  // a blue disc with a question mark
     {"................", ".....BBBBBB.....", "...BBBBBBBBBB...", "..BBBBWWWWBBBB..", "..BBBWWBBWWBBB..",
      ".BBBBBBBBWWBBBB.", ".BBBBBBBWWBBBBB.", ".BBBBBBWWBBBBBB.", ".BBBBBBWWBBBBBB.", ".BBBBBBBBBBBBBB.",
      "..BBBBBWWBBBBB..", "..BBBBBWWBBBBB..", "...BBBBBBBBBB...", ".....BBBBBB.....", "................",
      "................"}},
    {"exit.ico",  // a door and an arrow leading out
     {"................", "..KKKKKKK.......", "..KOOOOOK.......", "..KOOOOOK...G...", "..KOOOOOK...GG..",
      "..KOOOOOKGGGGGG.", "..KOOOyOKGGGGGGG", "..KOOOOOKGGGGGG.", "..KOOOOOK...GG..", "..KOOOOOK...G...",
      "..KOOOOOK.......", "..KOOOOOK.......", "..KKKKKKK.......", "................", "................",
      "................"}},
    {"cut.ico",  // scissors
     {"................", "...K.......K....", "...KK.....KK....", "....K.....K.....", "....KK...KK.....",
      ".....K...K......", ".....KK.KK......", "......KKK.......", "......RKR.......", ".....R...R......",
      "...RRR...RRR....", "..R...R.R...R...", "..R...R.R...R...", "..R...R.R...R...", "...RRR...RRR....",
      "................"}},
    {"copy.ico",  // two pages
     {"................", ".KKKKKKK........", ".KWWWWWK........", ".KWSSSWK........", ".KWWWWKKKKKKK...",
      ".KWSSSKWWWWWK...", ".KWWWWKWSSSWK...", ".KWSSSKWWWWWK...", ".KWWWWKWSSSWK...", ".KKKKKKWWWWWK...",
      "......KWSSSWK...", "......KWWWWWK...", "......KKKKKKK...", "................", "................",
      "................"}},
    {"paste.ico",  // a clipboard with a page on it
     {"................", ".....KKKKK......", "..OOOKsssKOOO...", "..OOKKKKKKKOO...", "..OOOOOOOOOOO...",
      "..OOOKKKKKKKKK..", "..OOOKWWWWWWWK..", "..OOOKWSSSSSWK..", "..OOOKWWWWWWWK..", "..OOOKWSSSSSWK..",
      "..OOOKWWWWWWWK..", "..OOOKWSSSSSWK..", "..OOOKWWWWWWWK..", "..OOOKKKKKKKKK..", "................",
      "................"}},
    {"selectall.ico",  // lines of text inside a dashed frame
     {"................", ".B.B.B.B.B.B.B..", "................", ".B............B.", "...KKKKKKKKK....",
      ".B............B.", "...KKKKKKK......", ".B............B.", "...KKKKKKKKKK...", ".B............B.",
      "...KKKKK........", ".B............B.", "................", ".B.B.B.B.B.B.B..", "................",
      "................"}},
    {"post.ico",  // a green tick: the edit is finished
     {"................", "................", ".............GG.", "............GGG.", "...........GGG..",
      "..........GGG...", ".GG......GGG....", ".GGG....GGG.....", "..GGG..GGG......", "...GGGGGG.......",
      "....GGGG........", ".....GG.........", "................", "................", "................",
      "................"}},
    {"blank.ico",  // the image lists' places that no control shows
     {"................", "................", "................", "................", "................",
      "................", "................", "................", "................", "................",
      "................", "................", "................", "................", "................",
      "................"}},
    {"diary.ico",  // the program's own icon: a closed blue book with its pages and a red ribbon
     {"................", "...KKKKKKKKKK...", "..KBBBBBBBBBBK..", "..KBBBBBBBBBBK..", "..KBBsssssBBBK..",
      "..KBBsKKKsBBBK..", "..KBBsssssBBBK..", "..KBBBBBBBBBBK..", "..KBBBBBBBBBBK..", "..KBBBBBBBBBBK..",
      "..KBBBBBBBBRBK..", "..KBBBBBBBBRBK..", "..KKKKKKKKKRKK..", "..KWWWWWWWWRWK..", "...KKKKKKKKRKK..",
      "................"}},
};

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// An .ico file with one 16 x 16 image: the XOR part as 32-bit BGRA rows from the bottom up, then the
// AND mask (1 = transparent), each mask row padded to 4 bytes.
std::vector<std::uint8_t> IconFile(const Icon& icon) {
  constexpr int kSize = 16;
  std::vector<std::uint8_t> image;
  Put32(image, 40);
  Put32(image, kSize);
  Put32(image, kSize * 2);  // XOR and AND parts
  Put16(image, 1);
  Put16(image, 32);
  Put32(image, 0);  // BI_RGB
  Put32(image, kSize * kSize * 4 + kSize * 4);
  for (int i = 0; i < 4; ++i) Put32(image, 0);
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; ++x) {
      const char c = icon.rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
      if (c == '.') {
        Put32(image, 0);
        continue;
      }
      const Rgb rgb = kPalette.at(c);
      image.push_back(rgb.b);
      image.push_back(rgb.g);
      image.push_back(rgb.r);
      image.push_back(0xFF);
    }
  }
  for (int y = kSize - 1; y >= 0; --y) {
    unsigned bits = 0;
    for (int x = 0; x < kSize; ++x)
      if (icon.rows[static_cast<size_t>(y)][static_cast<size_t>(x)] == '.') bits |= 0x8000u >> x;
    image.push_back(static_cast<std::uint8_t>(bits >> 8));
    image.push_back(static_cast<std::uint8_t>(bits));
    image.push_back(0);
    image.push_back(0);
  }
  std::vector<std::uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);  // icon
  Put16(file, 1);  // one image
  file.push_back(kSize);
  file.push_back(kSize);
  file.push_back(0);  // no palette
  file.push_back(0);
  Put16(file, 1);   // planes
  Put16(file, 32);  // bits per pixel
  Put32(file, static_cast<std::uint32_t>(image.size()));
  Put32(file, 22);  // the image follows the 6-byte header and the 16-byte entry
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

bool Valid(const Icon& icon) {
  if (icon.rows.size() != 16) return false;
  for (const std::string& row : icon.rows) {
    if (row.size() != 16) return false;
    for (char c : row)
      if (c != '.' && kPalette.count(c) == 0) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  for (const Icon& icon : kIcons) {
    if (!Valid(icon)) {
      std::fprintf(stderr, "%s: not 16 rows of 16 palette characters\n", icon.file);
      return 1;
    }
    const std::vector<std::uint8_t> bytes = IconFile(icon);
    const std::string path = std::string(argv[1]) + "/" + icon.file;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
