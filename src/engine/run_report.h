// The run report "botmail.txt" in the program folder: a plain-text log that only grows, lines
// ended by CR LF. The crawl thread that found a partner's backlink appends a found block; the
// console appends a block for a partner whose backlink was not found.
#ifndef ZEB_ENGINE_RUN_REPORT_H_
#define ZEB_ENGINE_RUN_REPORT_H_

#include <string>

#include "text/lines.h"

namespace zeb {

inline constexpr const char* kRunReportFile = "botmail.txt";

// The seven lines of a found block.
Lines FoundReportBlock(const std::string& partner, const std::string& previous_url,
                       const std::string& new_url);

// Loads the report (when it exists), appends the lines and saves it whole. The new file is
// written beside the old one and renamed over it, so a failed write leaves the old report as it
// was. Returns an empty text on success, else what went wrong.
std::string AppendToRunReport(const std::string& exe_folder, const Lines& block);

}  // namespace zeb

#endif  // ZEB_ENGINE_RUN_REPORT_H_
