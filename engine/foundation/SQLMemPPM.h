// The engine's PPM compressor, compression algorithm 3: prediction by partial matching with
// information inheritance (variant G of the PPMd family) driving a carry-less range coder over whole
// memory buffers. A coded buffer is a 4-byte parameter word followed by the range coder's output.
#pragma once
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/SysTypes.h"

// Damaged coded input, an output that does not fit its room, or parameters out of range.
QN_DECLARE_EXCEPTION(EPPMError, Exception);

constexpr Integer PPMMaxOrder = 16;       // model orders 1..16
constexpr Integer PPMMaxMemoryMB = 256;   // model memory 1..256 MB
constexpr Cardinal PPMVariantG = 6;       // the variant letter G counted from A

// The parameter word: bits 0-3 order - 1, bits 4-11 memory MB - 1, bits 12-15 the variant (6), the
// rest 0. Order 16 with 100 MB gives 0x0000663F. An order or size out of range raises ERangeError.
Cardinal PPMParameterWord(Integer order, Integer memoryMB);

// What one call did to its model (diagnostics for tests and benchmarks).
struct TPPMModelStats {
  Integer restarts = 0;  // the model memory ran out and the model started afresh
  Integer repairs = 0;   // the model met a shape its invariants rule out and started afresh
};

// Codes inSize bytes with a model of the given order and memory into outBuf, which has room for
// outCapacity bytes; returns the bytes written (parameter word included), or 0 when the model
// memory cannot be had. Raises EPPMError when the coded data would not fit: the coder never writes
// past outCapacity.
Integer PPMCompress(const void* inBuf, Integer inSize, void* outBuf, Integer outCapacity, Integer order,
                    Integer memoryMB, TPPMModelStats* stats = nullptr);

// Decodes a coded buffer into outBuf (room for outCapacity bytes) and returns the bytes produced;
// 0 when the parameter word names another variant or the model memory cannot be had. Damaged input
// raises EPPMError: more output than outCapacity, coded data that ends early, or a code value no
// encoder can produce. The decoder never writes past outCapacity and stops after at most
// outCapacity + 1 symbols.
Integer PPMDecompress(const void* inBuf, Integer inSize, void* outBuf, Integer outCapacity,
                      TPPMModelStats* stats = nullptr);
