#pragma once
// The licence texts the about dialog shows, built into the program: its own
// first, then those of the libraries it links and the icon set it embeds.
#include <string_view>
#include <vector>

namespace quadrell {

struct LicenceText {
  const char* name;    // the tab's label
  const char* source;  // where the text was taken from when the program was built
  std::string_view text;
};

const std::vector<LicenceText>& Licences();

}  // namespace quadrell
