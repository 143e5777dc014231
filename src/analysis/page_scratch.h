// Buffers that the page routines reuse from one page to the next.
//
// A crawl thread keeps one PageScratch for all its pages and passes it to the routines that take
// one (CutToBody, ExtractLinks, AnalyzeKeywordDensity, CountWordPositions). Once the buffers have
// grown to the largest page seen, a page costs no page-sized allocation and no page faults.
// The contents mean nothing between calls; a routine may leave any of them changed.
//
// Memory: about four times the largest page seen stays allocated until the object goes.
//
// Thread safety: one object per thread.
#ifndef ZEB_ANALYSIS_PAGE_SCRATCH_H_
#define ZEB_ANALYSIS_PAGE_SCRATCH_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zeb {

// A distinct word of the keyword density's text: where it is, how often it occurs, its hash,
// the slot of the word table that points at it, and for a word of at most eight bytes those
// bytes (the first in the lowest byte), which compare it without reading the text.
struct DensityWord {
  const char* data = nullptr;
  std::size_t size = 0;
  std::size_t count = 0;
  std::uint64_t hash = 0;
  std::size_t slot = 0;
  std::uint64_t head = 0;
};

struct PageScratch {
  std::string body;                // CutToBody's text, when its body tags have to be renumbered
  std::string text;                // the link scan's text; the density's text; a body without tags
  std::string copy;                // the page without scripts; a body with one tag opened
  std::string stripped;            // that body without tags
  std::string link;                // the link being resolved
  std::vector<DensityWord> words;  // the density's distinct words
  std::vector<std::uint32_t> word_slots;  // open addressing over words: index + 1, 0 when free
};

}  // namespace zeb

#endif  // ZEB_ANALYSIS_PAGE_SCRATCH_H_
