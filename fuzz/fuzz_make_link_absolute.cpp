#include <cstdlib>

#include "analysis/url_normalisation.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = zeb::fuzz::Split(data, size, 3);
  if (args[0].empty()) return 0;  // callers never pass an empty link
  std::string result = zeb::MakeLinkAbsolute(args[0], args[1], args[2]);
  if (result.empty() || (result[0] != zeb::kInternalLink && result[0] != zeb::kExternalLink)) {
    std::abort();
  }
  zeb::PageHost(args[1]);
  return 0;
}
