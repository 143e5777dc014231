// Memo fields and list files hold lines of text. In the tables a memo is its lines joined with
// CR LF between them; reading accepts CR, LF or CR LF line ends.
#ifndef ZEB_TEXT_LINES_H_
#define ZEB_TEXT_LINES_H_

#include <string>
#include <string_view>
#include <vector>

namespace zeb {

using Lines = std::vector<std::string>;

// Splits text at CR LF, CR or LF. A line end at the very end does not start another line, so
// "a\r\n" and "a" both give one line; the empty text gives no lines.
Lines SplitLines(std::string_view text);

// The lines with CR LF between them (not after the last).
std::string JoinLines(const Lines& lines);

// JoinLines(SplitLines(text)) without the lines: every line end becomes CR LF, and one at the
// very end goes. Written into out, whose capacity is kept for the next call; out must not share
// memory with text.
void JoinSplitLines(std::string_view text, std::string& out);

// JoinSplitLines over a text that grows at its end while it is joined (a page being copied), so
// that each stretch is joined while it is still in the cache. out is emptied first.
class LineJoiner {
 public:
  LineJoiner(std::string& out, std::size_t expected_size);
  // Joins the bytes in front of until; the text must hold at least one byte after until (whether
  // a CR stands alone depends on the byte after it). The text's front never changes between calls.
  void Advance(std::string_view text, std::size_t until);
  // The whole text is there: joins the rest, with the end of the text as its end.
  void Finish(std::string_view text);

 private:
  std::string& out_;
  std::size_t copied_ = 0;  // the text in front of this is in out_
  std::size_t next_ = 0;    // the bytes in front of this are joined
};

}  // namespace zeb

#endif  // ZEB_TEXT_LINES_H_
