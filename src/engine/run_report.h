// The run report "botmail.txt" in the program folder: a plain-text log that only grows, lines
// ended by CR LF. The crawl thread that found a partner's backlink appends a found block; the
// console appends a block for a partner whose backlink was not found.
#ifndef ZEB_ENGINE_RUN_REPORT_H_
#define ZEB_ENGINE_RUN_REPORT_H_

#include <string>
#include <string_view>

#include "text/lines.h"

namespace zeb {

inline constexpr const char* kRunReportFile = "botmail.txt";

// The seven lines of a found block.
Lines FoundReportBlock(const std::string& partner, const std::string& previous_url,
                       const std::string& new_url);

// Appends the lines, each ended by CR LF, to the report (made when missing) in one write and
// syncs it, so an append costs the block and not the whole report, and a crash or a full disk
// never touches what the report held (at worst the last block is cut short). A report whose
// last line lacks its line end gets one first. Returns an empty text on success, else what
// went wrong.
[[nodiscard]] std::string AppendToRunReport(const std::string& exe_folder, const Lines& block);
// As AppendToRunReport, for blocks already made of lines ended by CR LF (another report's).
[[nodiscard]] std::string AppendTextToRunReport(const std::string& exe_folder,
                                                std::string_view block);

}  // namespace zeb

#endif  // ZEB_ENGINE_RUN_REPORT_H_
