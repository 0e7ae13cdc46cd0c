#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "fuzz/FormulaFuzzHarness.h"

namespace quadrell {
namespace {

// Every input the formula fuzzer was seeded with or found runs cleanly.
TEST(FormulaFuzzRegressionTest, CorpusRunsCleanly) {
  std::filesystem::path folder = std::filesystem::path(QUADRELL_SOURCE_DIR) / "tests/fuzz/corpus/formula";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(fuzz::RunFormulaInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
        << entry.path().filename();
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace quadrell
