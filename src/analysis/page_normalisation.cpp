#include "analysis/page_normalisation.h"

#include <cstring>

#include "text/byte_block.h"
#include "text/text_routines.h"

namespace zeb {

std::string StripLeadingLineBreaks(std::string_view page) {
  std::size_t start = page.find_first_not_of("\r\n");
  return start == std::string_view::npos ? std::string() : std::string(page.substr(start));
}

std::string NormalizeForCheck(std::string_view page) {
  std::string text(page);
  NormalizeForCheckInPlace(text);
  return text;
}

namespace {

// "%3a", "%2f" and "%3f" (any case) decoded to ":", "/" and "?" in place, left to right. They
// neither overlap each other nor can a decoded ":", "/" or "?" complete another one, so one
// pass does what three replacements in a row do.
void DecodeCheckEscapes(std::string& page) {
  const std::size_t first = page.find('%');
  if (first == std::string::npos) return;
  char* const text = page.data();
  const std::size_t n = page.size();
  std::size_t w = first;
  std::size_t r = first;
  while (r < n) {
    if (text[r] == '%' && r + 2 < n) {
      const char digit = text[r + 1];
      const char letter = FoldCase(text[r + 2]);
      char decoded = '\0';
      if (digit == '3' && letter == 'a') decoded = ':';
      if (digit == '2' && letter == 'f') decoded = '/';
      if (digit == '3' && letter == 'f') decoded = '?';
      if (decoded != '\0') {
        text[w++] = decoded;
        r += 3;
        continue;
      }
    }
    text[w++] = text[r++];
  }
  page.resize(w);
}

}  // namespace

// The steps as separate replacements are: CR, LF and tab removed; "  " made " " left to right;
// then the escapes decoded. Removing a line break can only join blanks, which the blank step
// sees joined anyway, and a run of k blanks becomes ceil(k/2) blanks, so the first two steps
// are one pass that drops every second blank of a run. Nothing is written ahead of what has
// been read, so the text is rewritten in place. Blocks without a line break, tab or blank pair
// are copied whole.
bool NormalizeForCheckInPlace(std::string& page) {
  char* const text = page.data();
  const std::size_t n = page.size();
  std::size_t w = 0;
  std::size_t r = 0;
  bool blank_open = false;  // the last character kept is a blank whose partner would go
  // Whether the page holds a "%", noted on the way, so that a page without escapes is not
  // searched for one again.
  block::Mask percent_lanes = {};
  bool percent = false;
  while (r < n) {
    if (n - r > block::kSize) {  // the block and the byte after it
      const block::Bytes bytes = block::Load(text + r);
      const block::Bytes next = block::Load(text + r + 1);
      percent_lanes |= bytes == '%';
      const block::Mask skipped =
          (bytes == '\r') | (bytes == '\n') | (bytes == '\t') | ((bytes == ' ') & (next == ' '));
      std::size_t clean = block::FirstSet(skipped);
      if (blank_open && text[r] == ' ') clean = 0;
      if (clean == block::kSize || r - w >= block::kSize) {
        // Only bytes already read are overwritten: w <= r when the whole block is kept, else
        // the block ends before r. Bytes past the kept ones are written again later.
        block::Store(text + w, bytes);
      } else {
        std::memmove(text + w, text + r, clean);
      }
      if (clean > 0) {
        w += clean;
        r += clean;
        blank_open = text[w - 1] == ' ';
        continue;
      }
    }
    const char c = text[r++];
    if (c == '\r' || c == '\n' || c == '\t') {
      // The rest of a run of line breaks and tabs goes too; they leave the blank state as it is.
      while (r < n && (text[r] == '\r' || text[r] == '\n' || text[r] == '\t')) ++r;
      continue;
    }
    if (c == ' ') {
      if (!blank_open) text[w++] = c;
      blank_open = !blank_open;
      continue;
    }
    percent = percent || c == '%';
    text[w++] = c;
    blank_open = false;
  }
  page.resize(w);
  if (!percent && !block::Any(percent_lanes)) return false;
  DecodeCheckEscapes(page);
  return true;
}

std::string DecodeLinkEscapes(std::string_view page) {
  std::string text(page);
  DecodeLinkEscapesInPlace(text);
  return text;
}

// "%3D" (any case) and "%26" cannot overlap, nor can a decoded "=" or "&" complete another, so
// one left-to-right pass decodes both.
void DecodeLinkEscapesInPlace(std::string& page) {
  const std::size_t first = page.find('%');
  if (first == std::string::npos) return;
  char* const text = page.data();
  const std::size_t n = page.size();
  std::size_t w = first;
  std::size_t r = first;
  while (r < n) {
    if (text[r] == '%' && r + 2 < n) {
      const char a = text[r + 1];
      const char b = text[r + 2];
      if (a == '3' && (b == 'D' || b == 'd')) {
        text[w++] = '=';
        r += 3;
        continue;
      }
      if (a == '2' && b == '6') {
        text[w++] = '&';
        r += 3;
        continue;
      }
    }
    text[w++] = text[r++];
  }
  page.resize(w);
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
