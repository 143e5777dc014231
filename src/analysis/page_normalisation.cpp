#include "analysis/page_normalisation.h"

#include "text/text_routines.h"

namespace zeb {

std::string StripLeadingLineBreaks(std::string_view page) {
  std::size_t start = page.find_first_not_of("\r\n");
  return start == std::string_view::npos ? std::string() : std::string(page.substr(start));
}

std::string NormalizeForCheck(std::string_view page) {
  const unsigned all = kReplaceAll | kIgnoreCase;
  std::string text = FastAnsiReplace(page, "\r", "", all);
  text = FastAnsiReplace(text, "\n", "", all);
  text = FastAnsiReplace(text, "\t", "", all);
  text = FastAnsiReplace(text, "  ", " ", all);
  text = FastAnsiReplace(text, "%3a", ":", all);
  text = FastAnsiReplace(text, "%2f", "/", all);
  return FastAnsiReplace(text, "%3f", "?", all);
}

std::string DecodeLinkEscapes(std::string_view page) {
  std::string text = FastAnsiReplace(page, "%3D", "=", kReplaceAll | kIgnoreCase);
  return FastAnsiReplace(text, "%26", "&", kReplaceAll);
}

std::string RemoveTagRuns(std::string_view text, UnclosedTag unclosed) {
  // A ">" outside a tag goes only while some "<" is still ahead of it, since the removal stops
  // once no "<" is left.
  const std::size_t last_open = text.rfind('<');
  std::string out;
  out.reserve(text.size());
  std::size_t next_close = text.find('>');
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '<') {
      if (next_close != std::string_view::npos && next_close < i) next_close = text.find('>', i);
      if (next_close != std::string_view::npos) {
        i = next_close;  // the tag, its ">" included
      } else if (unclosed == UnclosedTag::kKeepRest) {
        out.append(text.substr(i));
        break;
      }
      continue;
    }
    if (c == '>' && last_open != std::string_view::npos && i < last_open) continue;
    out += c;
  }
  return out;
}

std::string StripTags(std::string_view text) {
  return RemoveTagRuns(text, UnclosedTag::kDropBracket);
}

}  // namespace zeb
