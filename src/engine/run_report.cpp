#include "engine/run_report.h"

#include <filesystem>

#include "data/list_file.h"

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
  const std::string file = exe_folder + kRunReportFile;
  Lines lines;
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    std::optional<Lines> old = ReadListFile(file);
    if (!old) return "Cannot read the run report " + file;
    lines = std::move(*old);
  }
  lines.insert(lines.end(), block.begin(), block.end());

  return WriteListFile(file, lines);
}

}  // namespace zeb
