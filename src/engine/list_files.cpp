#include "engine/list_files.h"

#include "data/list_file.h"
#include "text/text_routines.h"

namespace zeb {

EngineLists LoadListFiles(const std::string& data_folder, int kw_density, bool url_exceptions_on,
                          bool hot_link_on) {
  EngineLists lists;
  if (kw_density > 0) {
    lists.StopWords = ReadListFile(data_folder + kStopWordsFile).value_or(Lines{});
    for (std::string& word : lists.StopWords) word = LowerCase(word);
  }
  if (url_exceptions_on) {
    lists.URLExceptions = ReadListFile(data_folder + kURLExceptionsFile).value_or(Lines{});
  }
  if (hot_link_on) {
    lists.HotLinks = ReadListFile(data_folder + kHotLinkFile).value_or(Lines{});
    for (std::string& entry : lists.HotLinks) {
      if (std::size_t marker = entry.find("*~*~"); marker != std::string::npos) {
        entry.erase(0, marker + 4);
      }
    }
  }
  return lists;
}

}  // namespace zeb
