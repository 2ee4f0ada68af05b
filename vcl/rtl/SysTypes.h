// The basic value types of the component layer, shared by the engine and the GUI.
// 8-bit text is Windows-1250 bytes in a std::string; 16-bit text is UTF-16 in a std::u16string
// (wchar_t differs in size between the two trees, char16_t does not).
#pragma once
#include <cstdint>
#include <string>

using AnsiString = std::string;
using WideString = std::u16string;

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using Word = std::uint16_t;
using SmallInt = std::int16_t;
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;
