// Single-byte text routines that the crawl, the page analysis and the console use for nearly all
// of their text work.
//
// Conventions, shared by every routine here:
//  - Text is a sequence of bytes (std::string / std::string_view); NUL bytes are ordinary
//    characters.
//  - Positions are 1-based; 0 means "not found".
//  - Letter case is folded for the ASCII letters A-Z/a-z only. Bytes >= 0x80 and all non-letters
//    compare exactly: pages are often UTF-8 today, and folding single bytes of a multi-byte
//    sequence would make unrelated characters match.
//  - Every routine runs in time linear in the length of its text (plus the pattern length).
//
// Thread safety: all functions are pure and may be called from any thread.
#ifndef ZEB_TEXT_TEXT_ROUTINES_H_
#define ZEB_TEXT_TEXT_ROUTINES_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zeb {

// Lower-cases the ASCII letters of one byte; every other byte is returned unchanged.
inline char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Returns a copy of text with the ASCII letters in lower case.
std::string LowerCase(std::string_view text);

// Position of the first occurrence of pattern in text at or after position start, letters
// compared without regard to case. text_length and pattern_length say how much of each view is
// used; values larger than the view are clamped to it. A start position of 0 counts as 1.
// Returns 0 when the pattern is empty, when start lies past the end, or when there is no match.
std::size_t FastPosNoCase(std::string_view text, std::string_view pattern, std::size_t text_length,
                          std::size_t pattern_length, std::size_t start);

// The occurrences of one pattern in one text, letters compared without regard to case, for a
// caller that searches again and again from positions that never move back: the set-up is done
// once. Positions here are 0-based; Find returns std::string_view::npos when there is no
// occurrence at or after from. text and pattern must outlive the finder.
class NoCaseFinder {
 public:
  NoCaseFinder(std::string_view text, std::string_view pattern);
  ~NoCaseFinder();
  NoCaseFinder(const NoCaseFinder&) = delete;
  NoCaseFinder& operator=(const NoCaseFinder&) = delete;

  // from must not be smaller than in the previous call.
  std::size_t Find(std::size_t from);

 private:
  struct State;
  std::size_t text_size_;
  std::size_t pattern_size_;
  std::unique_ptr<State> state_;
};

// Exact (case-sensitive) position of the first occurrence of pattern at or after start, with the
// same conventions as FastPosNoCase.
std::size_t PosExact(std::string_view text, std::string_view pattern, std::size_t start = 1);

// Flags of FastAnsiReplace; combine with |.
enum ReplaceFlags : unsigned {
  kReplaceFirst = 0,
  kReplaceAll = 1u << 0,  // every occurrence, left to right, non-overlapping
  kIgnoreCase = 1u << 1,  // letters compared without regard to case
};

// Returns a copy of text in which old_pattern is replaced by new_pattern: only the first
// occurrence, or with kReplaceAll every occurrence, left to right and non-overlapping; replaced
// text is never searched again. An empty old_pattern replaces nothing.
std::string FastAnsiReplace(std::string_view text, std::string_view old_pattern,
                            std::string_view new_pattern, unsigned flags);

// FastAnsiReplace into out, whose capacity is kept for the next call; out must not share memory
// with text.
void FastAnsiReplace(std::string_view text, std::string_view old_pattern,
                     std::string_view new_pattern, unsigned flags, std::string& out);

// Number of non-overlapping occurrences of pattern in text, counted left to right; 0 for an empty
// pattern.
std::size_t StringCount(std::string_view text, std::string_view pattern, bool case_sensitive);

// The text with every markup tag (from a "<" to the next ">") removed; the text between tags
// keeps its order. A "<" that no ">" follows, and a ">" that no "<" precedes, stay in the text.
std::string ExtractNonHTML(std::string_view text);

// ExtractNonHTML into out, whose capacity is kept for the next call; out must not share memory
// with text.
void ExtractNonHTML(std::string_view text, std::string& out);

// ExtractNonHTML(text) appended to out.
void AppendNonHTML(std::string_view text, std::string& out);

// ExtractNonHTML(text) written to the front of buffer, which is only ever made longer, so that a
// buffer reused from page to page is not cleared again for every page; returns the front that
// holds the result. buffer must not share memory with text.
std::string_view NonHTMLInto(std::string_view text, std::string& buffer);

// ExtractNonHTML a stretch at a time, for a caller that works on what was written while it is
// still in the cache: writes the text from position from on (0, or what an earlier call
// returned) at out until the position reaches until or the end, and returns that position,
// which is never inside a tag; out moves past what was written. Calls that take up each other's
// positions write ExtractNonHTML(text). The first call's out must have room for text.size()
// bytes; out must not share memory with text.
std::size_t WriteNonHTMLUntil(std::string_view text, std::size_t from, std::size_t until,
                              char*& out);

// FastPosNoCase over the whole of both texts, from position 1.
std::size_t PosNoCase(std::string_view text, std::string_view pattern);

// Whether text begins with prefix, ASCII letters compared without regard to case. False for an
// empty prefix. Only the first prefix.size() bytes of text are looked at.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// text without the blanks and tabs at its two ends.
std::string TrimBlanks(std::string_view text);

// True when text contains (exact case) any of the non-empty words.
bool ContainsAnyExact(std::string_view text, const std::vector<std::string>& words);

// StringCount without regard to case.
std::size_t CountOccurrences(std::string_view text, std::string_view pattern);

// Joins a base path and a relative path.
//  - With an empty delimiter the result is base followed by relative, unchanged.
//  - Otherwise base and relative are joined with one delimiter (none is added when base already
//    ends with one); then every run of delimiters collapses into one, a "." segment is dropped,
//    and each ".." segment removes the segment before it (a ".." with nothing before it is
//    dropped). So "http://host/a/" + "../b" gives "http:/host/b": the caller restores the "//"
//    after the scheme.
std::string ProcessPath(std::string_view base, std::string_view relative,
                        std::string_view delimiter);

// ProcessPath's result appended to out (which must not overlap base or relative); the join's
// working buffers are kept per thread, so a call allocates nothing once they have grown.
void AppendProcessedPath(std::string_view base, std::string_view relative,
                         std::string_view delimiter, std::string& out);

}  // namespace zeb

#endif  // ZEB_TEXT_TEXT_ROUTINES_H_
