#include "analysis/literal_reference.h"

#include <algorithm>

#include "analysis/page_text.h"
#include "analysis/url_normalisation.h"
#include "text/text_routines.h"

namespace zeb::literal {
namespace {

const unsigned kFirst = kIgnoreCase;
const unsigned kEvery = kReplaceAll | kIgnoreCase;

// 1-based exact position, 0 when absent.
std::size_t Pos(const std::string& pattern, const std::string& text) {
  std::size_t p = text.find(pattern);
  return p == std::string::npos ? 0 : p + 1;
}

// Delete(text, index, count) with a 1-based index.
void Delete(std::string& text, std::size_t index, std::size_t count) {
  if (index < 1 || index > text.size()) return;
  text.erase(index - 1, count);
}

}  // namespace

std::string NormalizeForCheck(std::string text) {
  for (const char* gone : {"\r", "\n", "\t"}) text = FastAnsiReplace(text, gone, "", kEvery);
  text = FastAnsiReplace(text, "  ", " ", kEvery);
  text = FastAnsiReplace(text, "%3a", ":", kEvery);
  text = FastAnsiReplace(text, "%2f", "/", kEvery);
  return FastAnsiReplace(text, "%3f", "?", kEvery);
}

std::string DecodeLinkEscapes(std::string text) {
  text = FastAnsiReplace(text, "%3D", "=", kEvery);
  return FastAnsiReplace(text, "%26", "&", kReplaceAll);
}

std::string CutToBody(std::string text) {
  int n = 0;
  while (PosNoCase(text, "<body") != 0) {
    text = FastAnsiReplace(text, "<body", "<bod" + std::to_string(n++), kFirst);
  }
  text = FastAnsiReplace(text, "<bod0", "<body", kFirst);
  n = 0;
  while (PosNoCase(text, "</body") != 0) {
    text = FastAnsiReplace(text, "</body", "</bod" + std::to_string(n++), kFirst);
  }
  text = FastAnsiReplace(text, "</bod" + std::to_string(n - 1), "</body", kFirst);
  std::size_t b = PosNoCase(text, "<body");
  if (b != 0) Delete(text, 1, b - 1);
  std::size_t e = PosNoCase(text, "</body");
  if (e != 0) Delete(text, e + 7, text.size());
  return text;
}

std::string StripTags(std::string text) {
  while (Pos("<", text) != 0) {
    std::size_t p = Pos("<", text);
    std::size_t q = Pos(">", text);
    if (q >= p) {
      Delete(text, p, q - p + 1);
    } else {
      Delete(text, q != 0 ? q : p, 1);
    }
  }
  return text;
}

std::string RemoveScripts(std::string text) {
  std::size_t s = PosNoCase(text, "<script");
  while (s != 0) {
    std::size_t e = PosNoCase(text, "</script");
    if (e == 0) break;
    if (s > e) {
      Delete(text, e, 1);
    } else {
      Delete(text, s, e - s + 1);
    }
    s = PosNoCase(text, "<script");
  }
  return text;
}

std::string RemoveTags(std::string text) {
  std::size_t s = Pos("<", text);
  while (s != 0) {
    std::size_t e = Pos(">", text);
    if (e == 0) break;
    if (s > e) {
      Delete(text, e, 1);
    } else {
      Delete(text, s, e - s + 1);
    }
    s = Pos("<", text);
  }
  return text;
}

Lines AnalyzeKeywordDensity(std::string text, int threshold, const Lines& stop_words) {
  text = RemoveScripts(text);
  text = LowerCase(text);
  text = RemoveTags(text);
  text = FastAnsiReplace(text, "&nbsp;", "", kEvery);
  text = FastAnsiReplace(text, " ", "\r", kEvery);
  Lines words;
  for (const std::string& word : SplitLines(text)) {
    if (word.empty()) continue;
    bool stop = false;
    for (const std::string& s : stop_words) stop = stop || LowerCase(s) == LowerCase(word);
    if (!stop) words.push_back(word);
  }
  const std::size_t total = words.size();
  Lines sorted;
  while (!words.empty()) {
    std::string w = words.front();
    words.erase(words.begin());
    std::size_t count = 1;
    for (std::size_t i = 0; i < words.size();) {
      if (words[i] == w) {
        words.erase(words.begin() + static_cast<long>(i));
        ++count;
      } else {
        ++i;
      }
    }
    if (static_cast<long long>(count) >= threshold) {
      std::string line = w + " ~ " + std::to_string(count) + " ~ " + FormatShare(count, total) + "%";
      sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), line), line);
    }
  }
  return sorted;
}

std::size_t CountWords(std::string text, bool with_tags, const std::string& search) {
  text = CutToBody(text);
  if (!with_tags && !search.empty()) {
    std::size_t p = PosNoCase(text, search);
    if (p != 0) {
      // Back from the character in front of the search text to the nearest "<" or ">".
      std::size_t k = p - 1;
      while (k >= 1 && text[k - 1] != '<' && text[k - 1] != '>') --k;
      if (k >= 1 && text[k - 1] == '<') {
        std::size_t close = 0;
        for (std::size_t j = k + 1; j <= text.size(); ++j) {
          if (text[j - 1] == '>') {
            close = j;
            break;
          }
        }
        if (close != 0) Delete(text, close, 1);
        Delete(text, k, 1);
      }
    }
    text = ExtractNonHTML(text);
  } else if (!with_tags) {
    text = ExtractNonHTML(text);
  }
  if (!search.empty()) {
    std::size_t p = PosNoCase(text, search);
    text = text.substr(0, std::min(text.size(), p + search.size()));
  }
  std::size_t words = 0;
  bool in_word = false;
  for (char c : text) {
    bool part = std::string(" ,.\r\n<>").find(c) == std::string::npos;
    if (part && !in_word) ++words;
    in_word = part;
  }
  return words;
}

ExtractedLinks ExtractLinks(std::string text, const std::string& page_url,
                            const std::string& page_host) {
  ExtractedLinks out;
  Lines all;
  text = CutToBody(text);
  text = FastAnsiReplace(text, "  ", " ", kEvery);
  text = FastAnsiReplace(text, "\"", "'", kEvery);
  std::size_t pos = PosNoCase(text, "href");
  if (pos + 4 <= text.size() && pos + 4 >= 1 && text[pos + 3] == ' ') Delete(text, pos + 4, 1);
  while (pos != 0) {
    out.string_left.push_back(text.size());
    Delete(text, 1, pos + 3);
    if (text.empty()) break;
    Delete(text, 1, Pos("=", text));
    if (text.empty()) break;
    std::size_t q = Pos("'", text);
    if (q <= 2) Delete(text, 1, q);
    if (text.empty()) break;
    std::size_t cut = 1000000000;
    for (const char* d : {"'", ">", " ", "#"}) {
      std::size_t p = Pos(d, text);
      if (p != 0) cut = std::min(cut, p);
    }
    std::string link = text.substr(0, cut - 1);
    if (link.empty()) {
      pos = PosNoCase(text, "href");
      continue;
    }
    std::string absolute = MakeLinkAbsolute(link, page_url, page_host);
    absolute = FastAnsiReplace(absolute, "amp;", "", kEvery);
    all.push_back(absolute);
    pos = PosNoCase(text, "href");
    if (pos != 0 && pos + 4 <= text.size() && text[pos + 3] == ' ') Delete(text, pos + 4, 1);
  }
  for (std::string& link : all) {
    if (link.rfind("0", 0) == 0) {
      link.erase(0, 1);
      out.internal.push_back(link);
    } else {
      link.erase(0, 1);
      out.external.push_back(link);
    }
  }
  out.all = all;
  for (Lines* list : {&out.internal, &out.external}) {
    for (std::string& link : *list) {
      if (PosNoCase(link, "http") == 0) link.insert(0, "http://");
    }
  }
  return out;
}

}  // namespace zeb::literal
