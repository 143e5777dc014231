#include "analysis/link_classification.h"

#include "text/text_routines.h"

namespace zeb {
namespace {

struct TypeRule {
  std::string_view contains;
  std::string_view type;
};

// Tested in this order; the first rule whose text the address contains decides. The page
// extensions come first so that a page whose query names a file still counts as a page.
constexpr TypeRule kTypeRules[] = {
    {".htm", ""},       {".html", ""},         {".cgi", ""},          {".jsp", ""},
    {".asp", ""},       {".cfm", ""},          {"mailto:", "email"},  {".gif", "image"},
    {".jpg", "image"},  {".jpeg", "image"},    {".bmp", "image"},     {".wmv", "movie"},
    {".mov", "movie"},  {".mpg", "movie"},     {".mpeg", "movie"},    {".wav", "sound"},
    {".midi", "sound"}, {".mp3", "sound"},     {".exe", "exe"},       {".pdf", "pdf"},
    {".txt", "text"},   {".rtf", "rich text"}, {"ftp:", "ftp"},       {"https:", "https"},
    {"news:", "news"},  {"telnet:", "telnet"}, {"gopher:", "gopher"},
};

}  // namespace

std::string ClassifyLink(std::string_view url) {
  for (const TypeRule& rule : kTypeRules) {
    if (PosNoCase(url, rule.contains) != 0) return std::string(rule.type);
  }
  return std::string();
}

}  // namespace zeb
