// The DOCX import on arbitrary bytes, and the export of whatever it loaded.
#include "fuzz/FileFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!quadrell::fuzz::RunDocxInput(data, size)) __builtin_trap();
  return 0;
}
