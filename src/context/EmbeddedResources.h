#pragma once
#include <string_view>

namespace quadrell {

// A file of resources/ built into the program, by its path relative to that
// folder ("en.txt"); empty when there is none.
std::string_view GetEmbeddedResource(std::string_view name);

}  // namespace quadrell
