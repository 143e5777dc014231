#include "data/list_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

std::string WriteListFile(const std::string& file, const Lines& lines) {
  const std::string temp = file + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return "Cannot write " + file + ": " + std::strerror(errno);
    for (const std::string& line : lines) {
      out.write(line.data(), static_cast<std::streamsize>(line.size()));
      out.write("\r\n", 2);
    }
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return "Cannot write " + file;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    std::remove(temp.c_str());
    return "Cannot write " + file + ": " + ec.message();
  }
  return {};
}

}  // namespace zeb
