// The ZIP and XML layer on arbitrary bytes: open, inflate every member, parse
// it as a tree and streamed, write it again, and decode it as a picture.
#include "fuzz/FileFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!quadrell::fuzz::RunPackageInput(data, size)) __builtin_trap();
  return 0;
}
