// Delimited text from anywhere: CSV and TSV reading must neither crash nor
// hang, and what is written must read back to the same cells.
#include "fuzz/FileFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!quadrell::fuzz::RunCsvInput(data, size)) __builtin_trap();
  return 0;
}
