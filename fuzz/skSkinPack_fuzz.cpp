// libFuzzer entry point for packed skins: any bytes must either unpack or be refused with an
// exception of the component layer (the not-packed and no-options messages, a stream read error, a
// zlib data error). A crash, a sanitizer report, a hang or a huge allocation is a finding.
#include <cstddef>
#include <cstdint>

#include "skin/manager/skSkinPack.h"
#include "vcl/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x7FFFFFFF) return 0;
  std::unique_ptr<TskSkinConvertor> convertor(New<TskSkinConvertor>());
  convertor->PackedData = std::make_unique<TMemoryStream>();
  if (size > 0) convertor->PackedData->WriteBuffer(data, static_cast<Integer>(size));
  try {
    ParsePackedSkin(convertor);
    if (convertor && convertor->ImageCount != static_cast<Integer>(convertor->ImageItems.size())) __builtin_trap();
  } catch (const Exception&) {
  }
  return 0;
}
