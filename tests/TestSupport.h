#pragma once
// Small helpers shared by the tests.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace quadrell::test {

// A fresh folder below the system's temporary folder, removed again at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quadrell-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Feeds every input kept for the fuzz target NAME (tests/fuzz/corpus/NAME/:
// seeds and what it found) to run, which tells whether it went cleanly.
template <typename Run>
void ReplayFuzzCorpus(const std::string& name, Run run) {
  std::filesystem::path folder = std::filesystem::path(QUADRELL_SOURCE_DIR) / "tests/fuzz/corpus" / name;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) << name << "/" << entry.path().filename();
    ++count;
  }
  EXPECT_GT(count, 0) << name;
}

}  // namespace quadrell::test

