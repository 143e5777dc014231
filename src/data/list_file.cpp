#include "data/list_file.h"

#include <fstream>
#include <sstream>

namespace zeb {

std::optional<Lines> ReadListFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return SplitLines(buffer.str());
}

}  // namespace zeb
