#include "engine/run_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zeb {

Lines FoundReportBlock(const std::string& partner, const std::string& previous_url,
                       const std::string& new_url) {
  return {
      "",
      "Attempting to locate backlink: ",
      "Found for: " + partner,
      "   ->Previous location " + previous_url + ")",
      "   ->New location " + new_url + ")",
      "   ***Use ZEB Bot Analysis of this new backlink***",
      "   ***to determine if the quality meets your standards.***",
  };
}

std::string AppendToRunReport(const std::string& exe_folder, const Lines& block) {
  std::string text;
  for (const std::string& line : block) text += line + "\r\n";
  return AppendTextToRunReport(exe_folder, text);
}

std::string AppendTextToRunReport(const std::string& exe_folder, std::string_view block) {
  const std::string file = exe_folder + kRunReportFile;
  // The block goes to the end of the file in one write, so an append costs the block, not the
  // whole report, and a crash can at worst cut the last block short: what was there stays.
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return "Cannot write " + file + ": " + std::strerror(errno);
  std::string text;
  // A report whose last line has no line end gets one first, as a whole rewrite would give it.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_size > 0) {
    char last = '\n';
    if (::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n') text = "\r\n";
  }
  text += block;
  std::string problem;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      problem = "Cannot write " + file + ": " + std::strerror(errno);
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (problem.empty() && ::fsync(fd) != 0) {
    problem = "Cannot write " + file + ": " + std::strerror(errno);
  }
  ::close(fd);
  return problem;
}

}  // namespace zeb
