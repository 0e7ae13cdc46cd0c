#include <gtest/gtest.h>

#include "TestSupport.h"
#include "fuzz/FormulaFuzzHarness.h"

namespace quadrell {
namespace {

// Every input the formula fuzzer was seeded with or found runs cleanly.
TEST(FormulaFuzzRegressionTest, CorpusRunsCleanly) { test::ReplayFuzzCorpus("formula", fuzz::RunFormulaInput); }

}  // namespace
}  // namespace quadrell
