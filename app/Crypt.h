// The hex-text cipher that keeps short texts (the home-page address) out of the program as plain
// text: every byte is XORed with the high byte of a 16-bit running key, and the key advances with the
// enciphered byte. Enciphered texts are written as two hexadecimal digits per byte.
#pragma once
#include <string_view>
#include "vcl/rtl/SysTypes.h"

// Deciphers pairs of hexadecimal digits (either case) with the low 16 bits of key; a last unpaired
// digit is ignored. A pair that is not hexadecimal raises EConvertError.
AnsiString DecipherHexText(std::string_view text, Integer key);

// The inverse, for whoever prepares a stored text: upper-case hexadecimal, two digits per byte.
AnsiString EncipherHexText(std::string_view plain, Integer key);
