// Decides, while a page is still arriving, whether it can still pass the page-size check.
//
// The check compares the page's length after the end trim with the limit. The end trim removes
// every "</html>" (any letter case) and may put one back, so the trimmed page is at least the
// raw length less 7 per end tag. The guard counts the end tags as the blocks stream in (also one
// split across two blocks) and stops the transfer as soon as even that lower bound exceeds the
// limit, so an endless or huge body never has to be held whole. Whatever the limit, no page is
// read past kHardPageCap.
#ifndef ZEB_ENGINE_PAGE_SIZE_GUARD_H_
#define ZEB_ENGINE_PAGE_SIZE_GUARD_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace zeb {

inline constexpr std::size_t kHardPageCap = std::size_t{256} << 20;

class PageSizeGuard {
 public:
  // limit: the largest trimmed length accepted; 0 reads all pages (up to the hard cap).
  explicit PageSizeGuard(std::size_t limit) : limit_(limit) {}

  // Takes the next block; false once the page can no longer pass (the transfer should stop).
  bool Add(std::string_view block);

  std::size_t limit() const { return limit_; }
  std::size_t received() const { return received_; }
  std::size_t end_tags() const { return end_tags_; }

 private:
  std::size_t limit_;
  std::size_t received_ = 0;
  std::size_t end_tags_ = 0;
  std::size_t matched_ = 0;  // characters of a "</html>" matched at the end of what arrived
};

}  // namespace zeb

#endif  // ZEB_ENGINE_PAGE_SIZE_GUARD_H_
