// Formula text is outside input: typed, pasted and read from files.
#include "fuzz/FormulaFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!quadrell::fuzz::RunFormulaInput(data, size)) __builtin_trap();
  return 0;
}
