// libFuzzer entry point for the PNG reader: any bytes must either load or be refused with
// EInvalidGraphic. A crash, a sanitizer report, a hang, a huge allocation or another exception is a
// finding.
#include <cstddef>
#include <cstdint>

#include "skin/manager/skPNG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x7FFFFFFF) return 0;
  TMemoryStream stream;
  if (size > 0) stream.WriteBuffer(data, static_cast<Integer>(size));
  stream.SetPosition(0);
  try {
    TPNGPixels image = ReadPNG(stream);
    ClearWhite(image.Pixels.data(), image.Pixels.size());
  } catch (const EInvalidGraphic&) {
  }
  stream.SetPosition(0);
  try {
    TPNGImageProperties properties;
    ReadPNGImageProperties(stream, properties);
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
