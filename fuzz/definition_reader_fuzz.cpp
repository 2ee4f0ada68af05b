// The form-definition parser over arbitrary text: it either builds a tree or raises EDefinitionError,
// never crashes, hangs or leaks.
#include "fuzz/FuzzInput.h"
#include "vcl/rtl/DefinitionText.h"
#include "vcl/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  try {
    const auto root = ParseDefinition(in.RestText());
    FUZZ_CHECK(root != nullptr);
  } catch (const EDefinitionError&) {
  }
  return 0;
}
