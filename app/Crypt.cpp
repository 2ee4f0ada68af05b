#include "app/Crypt.h"

#include "vcl/rtl/NumConv.h"

namespace {

using TRunningKey = std::uint16_t;

TRunningKey StartKey(Integer key) { return static_cast<TRunningKey>(static_cast<std::uint32_t>(key) & 0xFFFF); }

// The key advances with the enciphered byte in both directions, so that deciphering can follow it.
TRunningKey NextKey(TRunningKey key, Byte enciphered) {
  return static_cast<TRunningKey>((static_cast<std::uint32_t>(key) + enciphered) * 52845u + 11719u);
}

Byte KeyByte(TRunningKey key) { return static_cast<Byte>(key >> 8); }

}  // namespace

AnsiString DecipherHexText(std::string_view text, Integer key) {
  const size_t count = text.size() / 2;
  AnsiString result(count, '\0');
  TRunningKey running = StartKey(key);
  for (size_t i = 0; i < count; ++i) {
    AnsiString pair = "$";
    pair.append(text.substr(2 * i, 2));
    const Byte enciphered = static_cast<Byte>(StrToInt(pair));
    result[i] = static_cast<char>(enciphered ^ KeyByte(running));
    running = NextKey(running, enciphered);
  }
  return result;
}

AnsiString EncipherHexText(std::string_view plain, Integer key) {
  AnsiString result;
  result.reserve(plain.size() * 2);
  TRunningKey running = StartKey(key);
  for (char c : plain) {
    const Byte enciphered = static_cast<Byte>(static_cast<Byte>(c) ^ KeyByte(running));
    result += IntToHex(enciphered, 2);
    running = NextKey(running, enciphered);
  }
  return result;
}
