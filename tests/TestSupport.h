#pragma once
// Small helpers shared by the tests.
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
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

// Runs a shell command; its exit status (-1 when it did not exit) and its
// standard output (with standard error where the command redirects it).
struct CommandResult {
  int status = -1;
  std::string output;
};
inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Runs a Python snippet (the system's python3, with openpyxl) on a file; its
// standard output and error.
inline std::string RunPython(const std::string& script, const std::string& file) {
  TempFolder folder;
  std::string path = folder.File("check.py");
  std::ofstream(path) << script;
  return RunCommand("/usr/bin/python3 " + path + " '" + file + "' 2>&1").output;
}

}  // namespace quadrell::test

