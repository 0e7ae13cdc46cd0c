#pragma once
// Reading and writing whole files.
#include <optional>
#include <string>
#include <string_view>

namespace quadrell {

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes the file through a temporary file in the same folder that is renamed
// over it once complete, so a failure or a crash never leaves a truncated file
// and an old file stays untouched on failure. On failure returns false and sets
// the reason (from the operating system) when one is asked for.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* reason = nullptr);

// Creates the folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace quadrell
