// The word-list files of the data folder: plain text, one entry per line, read with CR, LF or
// CR LF line ends and taken as they stand.
#ifndef ZEB_DATA_LIST_FILE_H_
#define ZEB_DATA_LIST_FILE_H_

#include <optional>
#include <string>

#include "text/lines.h"

namespace zeb {

// The three word lists of the data folder: the stop words of the keyword density, the words
// that keep a link out of the frontier, and the words that make a link crawled first.
inline constexpr const char* kStopWordsFile = "STFilter.txt";
inline constexpr const char* kURLExceptionsFile = "URLExceptions.txt";
inline constexpr const char* kHotLinkFile = "HotLink.txt";

// The lines of a list file; nullopt when it cannot be read.
std::optional<Lines> ReadListFile(const std::string& file);

// Writes the lines, each ended by CR LF, byte for byte, replacing the file. The new file is
// written beside the old one and renamed over it, so a failed write leaves the old one as it
// was. Returns an empty text on success, else what went wrong.
[[nodiscard]] std::string WriteListFile(const std::string& file, const Lines& lines);

}  // namespace zeb

#endif  // ZEB_DATA_LIST_FILE_H_
