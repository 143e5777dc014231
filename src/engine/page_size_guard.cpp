#include "engine/page_size_guard.h"

#include "text/text_routines.h"

namespace zeb {

bool PageSizeGuard::Add(std::string_view block) {
  // A match automaton for "</html>" that carries over from block to block. The tag holds its
  // "<" only at the front, so after a mismatch a match can only restart at a "<".
  static constexpr std::string_view kTag = "</html>";
  for (char c : block) {
    char folded = FoldCase(c);
    if (folded == kTag[matched_]) {
      if (++matched_ == kTag.size()) {
        ++end_tags_;
        matched_ = 0;
      }
    } else {
      matched_ = folded == '<' ? 1 : 0;
    }
  }
  received_ += block.size();
  if (received_ > kHardPageCap) return false;
  if (limit_ == 0) return true;
  // The trimmed page is at least this long: each tag goes, and so may a tag begun at the end.
  const std::size_t removable = kTag.size() * end_tags_ + matched_;
  return received_ <= removable || received_ - removable <= limit_;
}

}  // namespace zeb
