#pragma once
// Reading and writing whole files.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quadrell {

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes the file through a temporary file in the same folder that is renamed
// over it once complete, so a failure or a crash never leaves a truncated file
// and an old file stays untouched on failure. On failure returns false and sets
// the reason (from the operating system) when one is asked for.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* reason = nullptr);

// The same for contents produced piece by piece: pieces go to a temporary file
// in the target's folder, and Commit renames it over the target. Without a
// successful Commit the temporary file is removed and the target stays as it was.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::string& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // False once anything failed; later writes are ignored.
  bool Write(std::string_view piece);
  bool Commit(std::string* reason = nullptr);

 private:
  std::string path_;
  std::string temporary_;
  int fd_ = -1;
  int error_ = 0;
};

// Creates the folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace quadrell

namespace quadrell {

// The names of the plain files in the folder (no sub-folders), in no order.
std::vector<std::string> ListFiles(const std::string& folder);
// Removes the file; false when it was not there or could not be removed.
bool RemoveFile(const std::string& path);

}  // namespace quadrell
