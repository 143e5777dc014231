// The three word lists as a crawl thread takes them from the data folder at its start.
#ifndef ZEB_ENGINE_LIST_FILES_H_
#define ZEB_ENGINE_LIST_FILES_H_

#include <string>

#include "text/lines.h"

namespace zeb {

struct EngineLists {
  Lines StopWords;      // "STFilter.txt", lower case; read only when keyword density is on
  Lines URLExceptions;  // "URLExceptions.txt", as they stand; read only when the switch is on
  Lines HotLinks;       // "HotLink.txt"; read only when the switch is on
};

// Each file is read on its own; a missing or unreadable one leaves its list empty. A hot-link
// entry holding the marker "*~*~" stands for the text after its first marker.
EngineLists LoadListFiles(const std::string& data_folder, int kw_density, bool url_exceptions_on,
                          bool hot_link_on);

}  // namespace zeb

#endif  // ZEB_ENGINE_LIST_FILES_H_
