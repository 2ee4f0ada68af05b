// Sample data for the compression tests and benchmarks, generated from a fixed seed so that both
// build trees see the same bytes: diary-like English and Hungarian prose built word by word with
// inflection (Hungarian in Windows-1250, as the engine stores it), table-like binary records, and
// random (incompressible) bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "vcl/rtl/TextConv.h"

namespace samples {

// A small fixed generator (splitmix64); the standard distributions differ between libraries.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  // Index with a Zipf-like skew: early entries of a list come up more often, as common words do.
  std::size_t Skewed(std::size_t n) {
    const std::size_t a = Below(n), b = Below(n);
    return a < b ? a : b;
  }
  template <class T>
  const T& Pick(const std::vector<T>& v) { return v[Skewed(v.size())]; }

 private:
  std::uint64_t state_;
};

// Word lists: the generators pick words with a skew (common words first) and inflect them, so the
// text has the letter, word and phrase statistics of prose rather than repeated fixed phrases.
inline std::vector<std::string> Words(std::string_view list) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(' ', start);
    if (end == std::string_view::npos) end = list.size();
    if (end > start) words.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

inline std::string Capitalised(std::string s) {
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

inline std::string EnglishSentence(Rng& rng) {
  static const auto subjects = Words(
      "I we she he they you my_sister my_father my_mother the_children Anna Peter our_neighbour the_teacher "
      "my_friend the_doctor grandmother the_old_man the_boss everybody nobody the_baker the_students the_dog");
  static const auto verbs = Words(
      "saw found bought made took gave told asked brought wanted needed liked read wrote cooked cleaned "
      "fixed painted carried opened closed lost forgot remembered visited watched heard met called sent "
      "helped left kept moved planted washed sold borrowed ordered noticed finished started missed chose "
      "built broke caught drew fed hid packed pulled pushed returned shared showed signed tried used");
  static const auto adjectives = Words(
      "old new small big little long short warm cold quiet noisy happy sad red green blue white black "
      "yellow strange lovely heavy empty full fresh broken wooden tired hungry early late beautiful "
      "expensive cheap clever funny dark bright wet dry simple difficult important famous strong gentle");
  static const auto nouns = Words(
      "house garden book letter window door table chair car bicycle train station market shop street "
      "river lake mountain village city school office kitchen bread cheese coffee tea cake apple soup "
      "dinner breakfast lunch picture photograph camera phone computer newspaper story song film ticket "
      "present box bag coat hat shoe glove umbrella key map road bridge tree flower dog cat bird horse "
      "friend neighbour child doctor teacher doctor's_note report meeting holiday weekend morning evening "
      "night winter summer spring autumn rain snow wind sun sky cloud field forest hospital library church");
  static const auto prepositions = Words(
      "in on at near behind under over beside from to into with without for after before during across");
  static const auto adverbs = Words(
      "today yesterday finally suddenly slowly quickly carefully quietly again almost already never often "
      "sometimes usually later soon together alone happily");
  static const auto connectors = Words(
      "and but because so although when while after before until since");
  static const auto determiners = Words("the the the a a my our his her their this that some every");
  auto noun = [&] {
    std::string phrase = rng.Pick(determiners) + " ";
    if (rng.Below(3) == 0) phrase += rng.Pick(adjectives) + " ";
    std::string n = rng.Pick(nouns);
    if (phrase == "a " && std::string_view("aeiou").find(n[0]) != std::string_view::npos) phrase = "an ";
    if (rng.Below(6) == 0 && phrase.rfind("a", 0) != 0) n += "s";
    return phrase + n;
  };
  auto clause = [&] {
    std::string c = rng.Pick(subjects) + " " + rng.Pick(verbs) + " " + noun();
    if (rng.Below(2) == 0) c += " " + rng.Pick(prepositions) + " " + noun();
    if (rng.Below(4) == 0) c += " " + rng.Pick(adverbs);
    return c;
  };
  std::string sentence = rng.Below(4) == 0 ? Capitalised(rng.Pick(adverbs)) + " " + clause() : clause();
  if (rng.Below(3) == 0) sentence += (rng.Below(2) ? ", " : " ") + rng.Pick(connectors) + " " + clause();
  for (char& c : sentence)
    if (c == '_') c = ' ';
  return Capitalised(sentence) + (rng.Below(10) == 0 ? "!" : rng.Below(12) == 0 ? "?" : ".");
}

// Hungarian words carry their vowel harmony ('b' back, 'f' front) after a '/'; suffixes follow it.
struct HuWord {
  std::string stem;
  bool front;
};

inline std::vector<HuWord> HuWords(std::string_view list) {
  std::vector<HuWord> words;
  for (const std::string& w : Words(list)) {
    const std::size_t slash = w.find('/');
    words.push_back({w.substr(0, slash), w.substr(slash + 1) == "f"});
  }
  return words;
}

inline bool EndsInVowel(const std::string& s) {
  static const std::string_view vowels[] = {"a", "e", "i", "o", "u", "á", "é", "í", "ó", "ö", "ő", "ú", "ü", "ű"};
  for (std::string_view v : vowels)
    if (s.size() >= v.size() && s.compare(s.size() - v.size(), v.size(), v) == 0) return true;
  return false;
}

inline std::string HungarianSentence(Rng& rng) {
  static const auto subjects = Words(
      "én mi ő ők te a_nővérem apám anyám a_gyerekek Anna Péter a_szomszédunk a_tanár a_barátom az_orvos "
      "nagymama az_öregember a_főnököm mindenki senki a_pék a_diákok a_kutya Zsófi Gergő");
  static const auto nouns = HuWords(
      "ház/b kert/f könyv/f levél/f ablak/b ajtó/b asztal/b szék/f autó/b bicikli/f vonat/b állomás/b "
      "piac/b bolt/b utca/b folyó/b tó/b hegy/f falu/b város/b iskola/b iroda/b konyha/b kenyér/f sajt/b "
      "kávé/b tea/f sütemény/f alma/b leves/f vacsora/b reggeli/f ebéd/f kép/f fénykép/f telefon/b "
      "számítógép/f újság/b mese/f dal/b film/f jegy/f ajándék/b doboz/b táska/b kabát/b kalap/b cipő/f "
      "kesztyű/f esernyő/f kulcs/b térkép/f út/b híd/b fa/b virág/b macska/b madár/b ló/b barát/b "
      "szomszéd/b gyerek/f orvos/b tanár/b jelentés/f értekezlet/f szabadság/b hétvége/f reggel/f este/f "
      "éjszaka/b tél/f nyár/b tavasz/b ősz/f eső/f hó/b szél/f nap/b ég/f felhő/f mező/f erdő/f kórház/b "
      "könyvtár/b templom/b Balaton/b Győr/f Debrecen/f Szeged/f Budapest/f");
  static const auto verbs = HuWords(
      "lát/b talál/b vesz/f csinál/b hoz/b ad/b mond/b kér/f olvas/b ír/b főz/f takarít/b javít/b fest/f "
      "visz/f nyit/b zár/b elveszít/b elfelejt/f emlékez/f meglátogat/b néz/f hall/b találkoz/b hív/b küld/f "
      "segít/f hagy/b tart/b mos/b elad/b kölcsönöz/f rendel/f észrevesz/f befejez/f kezd/f hiányol/b "
      "választ/b épít/f tör/f rajzol/b etet/f rejt/f csomagol/b húz/b tol/b visszaad/b megoszt/b mutat/b "
      "aláír/b próbál/b használ/b ültet/f");
  static const auto adjectives = Words(
      "régi új kicsi nagy hosszú rövid meleg hideg csendes zajos boldog szomorú piros zöld kék fehér fekete "
      "sárga furcsa kedves nehéz üres tele friss törött fa- fáradt éhes korai késői gyönyörű drága olcsó "
      "okos vicces sötét világos nedves száraz egyszerű nehéz fontos híres erős szelíd magyar");
  static const auto adverbs = Words(
      "ma tegnap végre hirtelen lassan gyorsan óvatosan csendben megint majdnem már soha gyakran néha "
      "általában később hamarosan együtt egyedül boldogan holnap reggel délután este");
  static const auto connectors = Words("és de mert ezért amikor míg miután mielőtt amíg hogy bár");
  struct Case {
    const char* back;
    const char* front;
  };
  static const Case cases[] = {{"ban", "ben"}, {"ba", "be"}, {"ból", "ből"}, {"ra", "re"}, {"ról", "ről"},
                               {"nak", "nek"}, {"nál", "nél"}, {"hoz", "hez"}, {"tól", "től"}, {"on", "en"}};
  static const Case pastEndings[] = {{"tam", "tem"}, {"tunk", "tünk"}, {"ott", "ett"}, {"tak", "tek"},
                                     {"tál", "tél"}};
  static const Case presentEndings[] = {{"ok", "ek"}, {"unk", "ünk"}, {"", ""}, {"nak", "nek"}, {"sz", "sz"}};
  auto pick = [&](const Case& c, bool front) { return std::string(front ? c.front : c.back); };
  auto article = [](const std::string& w) {
    static const std::string_view vowels[] = {"a", "e", "i", "o", "u", "á", "é", "í", "ó", "ö", "ő", "ú", "ü", "ű", "Ö"};
    for (std::string_view v : vowels)
      if (w.compare(0, v.size(), v) == 0) return std::string("az ");
    return std::string("a ");
  };
  // A final a or e lengthens before a suffix (alma, almát).
  auto stemFor = [](std::string stem) {
    if (stem.back() == 'a') stem.replace(stem.size() - 1, 1, "á");
    else if (stem.back() == 'e') stem.replace(stem.size() - 1, 1, "é");
    return stem;
  };
  auto nounPhrase = [&](bool object) {
    const HuWord& n = rng.Pick(nouns);
    std::string word = n.stem;
    if (object) {
      word = EndsInVowel(word) ? stemFor(word) + "t" : word + (n.front ? "et" : "ot");
    } else if (rng.Below(3) != 0) {
      word = stemFor(word) + pick(cases[rng.Skewed(std::size(cases))], n.front);
    }
    std::string phrase;
    if (rng.Below(3) == 0) phrase = rng.Pick(adjectives) + " ";
    if (n.stem[0] < 'A' || n.stem[0] > 'Z') phrase = article(phrase.empty() ? word : phrase) + phrase;
    return phrase + word;
  };
  auto clause = [&] {
    const HuWord& v = rng.Pick(verbs);
    const bool past = rng.Below(3) != 0;
    std::string verb = v.stem + (past ? pick(pastEndings[rng.Skewed(std::size(pastEndings))], v.front)
                                      : pick(presentEndings[rng.Skewed(std::size(presentEndings))], v.front));
    std::string c = rng.Below(2) ? rng.Pick(subjects) + " " : "";
    if (rng.Below(2)) c += nounPhrase(true) + " " + verb;
    else c += verb + " " + nounPhrase(true);
    if (rng.Below(2) == 0) c += " " + nounPhrase(false);
    if (rng.Below(4) == 0) c += " " + rng.Pick(adverbs);
    return c;
  };
  std::string sentence = rng.Below(4) == 0 ? rng.Pick(adverbs) + " " + clause() : clause();
  if (rng.Below(3) == 0) sentence += ", " + rng.Pick(connectors) + " " + clause();
  for (char& c : sentence)
    if (c == '_') c = ' ';
  // Capitalise the first letter, also when it is an accented one (two UTF-8 bytes).
  static const std::pair<std::string_view, std::string_view> accented[] = {
      {"á", "Á"}, {"é", "É"}, {"í", "Í"}, {"ó", "Ó"}, {"ö", "Ö"}, {"ő", "Ő"}, {"ú", "Ú"}, {"ü", "Ü"}, {"ű", "Ű"}};
  for (auto [lower, upper] : accented)
    if (sentence.compare(0, lower.size(), lower) == 0) sentence.replace(0, lower.size(), upper);
  return Capitalised(sentence) + (rng.Below(10) == 0 ? "!" : rng.Below(12) == 0 ? "?" : ".");
}

// Diary entries: a dated heading, then paragraphs of sentences (CR LF line ends).
inline std::string DiaryText(bool hungarian, std::size_t bytes, std::uint64_t seed) {
  static const auto enDays = Words("Monday Tuesday Wednesday Thursday Friday Saturday Sunday");
  static const auto enMonths =
      Words("January February March April May June July August September October November December");
  static const auto huDays = Words("hétfő kedd szerda csütörtök péntek szombat vasárnap");
  static const auto huMonths =
      Words("január február március április május június július augusztus szeptember október november december");
  Rng rng(seed);
  std::string text;
  int day = 1, month = 0, year = 2019, weekday = 1;
  while (text.size() < bytes) {
    if (hungarian)
      text += std::to_string(year) + ". " + huMonths[month] + " " + std::to_string(day) + ". " + huDays[weekday];
    else
      text += enDays[weekday] + ", " + std::to_string(day) + " " + enMonths[month] + " " + std::to_string(year);
    text += "\r\n";
    for (std::size_t p = 1 + rng.Below(3); p > 0; --p) {
      for (std::size_t n = 2 + rng.Below(5); n > 0; --n) text += (hungarian ? HungarianSentence(rng) : EnglishSentence(rng)) + " ";
      text.back() = '\r';
      text += "\n";
    }
    text += "\r\n";
    weekday = (weekday + 1) % 7;
    if (++day > 28) day = 1, month = (month + 1) % 12, year += month == 0;
  }
  return text;
}

inline std::string EnglishText(std::size_t bytes, std::uint64_t seed = 1) {
  std::string text = DiaryText(false, bytes, seed);
  text.resize(bytes);
  return text;
}

// Hungarian text in Windows-1250 (accented letters are single bytes such as 0xF5 for ő).
inline std::string HungarianText(std::size_t bytes, std::uint64_t seed = 2) {
  // The conversion shortens the text (two UTF-8 bytes become one), so generate a little more.
  std::string text = Utf8ToCp1250(DiaryText(true, bytes + bytes / 4 + 64, seed));
  text.resize(bytes);
  return text;
}

// Table-like records: a growing id, a day number, an amount, a flag byte, a short name padded with
// zeros, and now and then a noisy field, in little-endian binary.
inline std::string RecordBinary(std::size_t bytes, std::uint64_t seed = 3) {
  static const char* const kNames[] = {"alma", "körte", "szilva", "barack", "meggy", "dinnye", "szőlő", "eper"};
  Rng rng(seed);
  std::string data;
  std::uint32_t id = 1000;
  std::int32_t day = 45000;
  auto put = [&](std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) data += static_cast<char>(v >> (8 * i));
  };
  while (data.size() < bytes) {
    put(id++, 4);
    day += static_cast<std::int32_t>(rng.Below(3));
    put(static_cast<std::uint32_t>(day), 4);
    put(rng.Below(100000) * 100, 8);
    put(rng.Below(4) == 0 ? 0xFF : 0x00, 1);
    std::string name = Utf8ToCp1250(kNames[rng.Skewed(8)]);
    name.resize(12, '\0');
    data += name;
    if (rng.Below(5) == 0) put(rng.Next(), 8);
  }
  data.resize(bytes);
  return data;
}

inline std::string RandomBytes(std::size_t bytes, std::uint64_t seed = 4) {
  Rng rng(seed);
  std::string data(bytes, '\0');
  for (char& c : data) c = static_cast<char>(rng.Next() >> 56);
  return data;
}

}  // namespace samples
