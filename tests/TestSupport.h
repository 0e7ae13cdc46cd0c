#pragma once
// Small helpers shared by the tests.
#include <cstdlib>
#include <filesystem>
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

}  // namespace quadrell::test

