// Real Hungarian sentences for the benchmarks: the translated texts (msgstr) of the machine's
// Hungarian message catalogues (/usr/share/locale/hu/LC_MESSAGES/*.mo). Where there are none, a
// small built-in set of sentences stands in, and RealTextSource() says so.
#pragma once
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace bench {

// The translated strings of one .mo file (both byte orders); none for a file that is not one.
inline void ReadCatalogue(const std::filesystem::path& file, std::vector<std::string>& out) {
  std::ifstream in(file, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.size() < 28) return;
  auto word = [&](std::size_t at, bool swap) -> std::uint32_t {
    std::uint32_t v = 0;
    std::memcpy(&v, data.data() + at, 4);
    return swap ? __builtin_bswap32(v) : v;
  };
  bool swap = false;
  if (word(0, false) != 0x950412deu) {
    if (word(0, true) != 0x950412deu) return;
    swap = true;
  }
  const std::uint32_t count = word(8, swap);
  const std::uint32_t table = word(16, swap);
  for (std::uint32_t k = 1; k < count; ++k) {  // entry 0 is the catalogue's header
    const std::size_t at = table + std::size_t{k} * 8;
    if (at + 8 > data.size()) return;
    const std::uint32_t length = word(at, swap), offset = word(at + 4, swap);
    if (std::size_t{offset} + length > data.size() || length < 8) continue;
    std::string text = data.substr(offset, length);
    for (char& c : text) {
      if (c == '\0' || c == '\n' || c == '\t') c = ' ';  // plural forms are NUL-separated
    }
    out.push_back(std::move(text));
  }
}

inline std::vector<std::string>& Sentences() {
  static std::vector<std::string> sentences = [] {
    std::vector<std::string> s;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/locale/hu/LC_MESSAGES", ec)) {
      if (entry.path().extension() == ".mo") ReadCatalogue(entry.path(), s);
    }
    if (s.size() < 100) {
      s = {"Ma reggel korán keltem, és elmentem futni a parkba.",
           "Nem találom a fájlt, pedig biztosan elmentettem tegnap este.",
           "Szeretem a csendes vasárnapokat, amikor senki sem siet sehová.",
           "A nagymamám receptje szerint sütöttem almás pitét.",
           "Árvíztűrő tükörfúrógép: a mondat minden ékezetes betűt tartalmaz.",
           "Holnap fontos megbeszélésem lesz a munkahelyen, izgulok egy kicsit.",
           "Esett az eső egész nap, ezért otthon maradtam olvasni.",
           "Felhívtam a barátomat, régóta nem beszéltünk már."};
    }
    return s;
  }();
  return sentences;
}

inline const char* RealTextSource() {
  return Sentences().size() > 8 ? "Hungarian message catalogues" : "built-in sentences (no catalogues found)";
}

// count texts of about size bytes each (UTF-8), made of consecutive sentences; the same every run.
inline std::vector<std::string> DiaryTexts(std::size_t count, std::size_t size) {
  const auto& s = Sentences();
  std::vector<std::string> texts;
  texts.reserve(count);
  std::size_t next = 0;
  std::uint32_t step = 7919;
  for (std::size_t k = 0; k < count; ++k) {
    std::string t;
    while (t.size() < size) {
      t += s[next % s.size()];
      t += ' ';
      next += step % 13 + 1;
      step = step * 1103515245u + 12345u;
    }
    t.resize(size);
    // Do not end in the middle of a UTF-8 sequence.
    while (!t.empty() && (static_cast<unsigned char>(t.back()) & 0xC0) == 0x80) t.pop_back();
    if (!t.empty() && static_cast<unsigned char>(t.back()) >= 0xC0) t.pop_back();
    texts.push_back(std::move(t));
  }
  return texts;
}

}  // namespace bench
