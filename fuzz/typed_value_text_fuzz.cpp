// The typed value's text conversions: text (8-bit or wide) converted into every engine data type and
// back, and the value so made converted to text again. Unconvertible text raises; nothing crashes,
// leaks or reads outside a value, and a value's text converts back into the same value for the
// integer types.
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemVariant.h"
#include "fuzz/FuzzInput.h"
#include "vcl/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitializeEngineFoundation();
  return 0;
}

// Byte 0: the target type (1..24); byte 1: whether the text is wide (bit 0). The rest: the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const Integer type = 1 + in.Byte() % 24;
  const bool wide = in.Flag();
  TSQLMemVariant text;
  if (wide) {
    WideString w(in.RestSize() / 2, u'\0');
    for (std::size_t i = 0; i < w.size(); ++i) w[i] = static_cast<char16_t>(in.Rest()[2 * i] | in.Rest()[2 * i + 1] << 8);
    text.SetAsWideString(w);
  } else {
    text.SetAsString(AnsiString(in.RestText()));
  }
  try {
    TSQLMemVariant value;
    value.Assign(text, true);
    value.ConvertTo(type);
    const AnsiString back = value.GetAsString();
    (void)value.GetAsWideString();
    if (IsIntegerDataType(type) && !value.IsNull()) {
      TSQLMemVariant again;
      again.SetAsString(back);
      again.ConvertTo(type);
      FUZZ_CHECK(again.GetAsLargeInt() == value.GetAsLargeInt());
    }
  } catch (const Exception&) {
  }
  return 0;
}
