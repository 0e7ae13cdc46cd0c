#include <gtest/gtest.h>

#include "TestSupport.h"
#include "fuzz/FileFuzzHarness.h"

namespace quadrell {
namespace {

// Every input the file fuzzers were seeded with or found runs cleanly.
TEST(FileFuzzRegressionTest, CorporaRunCleanly) {
  test::ReplayFuzzCorpus("csv", fuzz::RunCsvInput);
  test::ReplayFuzzCorpus("package", fuzz::RunPackageInput);
  test::ReplayFuzzCorpus("xlsx", fuzz::RunXlsxInput);
  test::ReplayFuzzCorpus("docx", fuzz::RunDocxInput);
}

}  // namespace
}  // namespace quadrell
