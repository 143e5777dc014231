// The block helpers that the page scans rest on: lane order and letter folding.
#include "text/byte_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "text/text_routines.h"

namespace zeb {
namespace {

TEST(ByteBlockTest, BitsAndFirstSetFollowTheByteOrderOfTheText) {
  for (std::size_t lane = 0; lane < block::kSize; ++lane) {
    std::string text(block::kSize, '.');
    text[lane] = '<';
    const block::Mask mask = block::Load(text.data()) == '<';
    EXPECT_EQ(block::Bits(mask), 1u << lane) << lane;
    EXPECT_EQ(block::FirstSet(mask), lane) << lane;
  }
  const std::string none(block::kSize, '.');
  EXPECT_EQ(block::FirstSet(block::Load(none.data()) == '<'), block::kSize);
  EXPECT_FALSE(block::Any(block::Load(none.data()) == '<'));
  const std::string all(block::kSize, '<');
  EXPECT_EQ(block::Bits(block::Load(all.data()) == '<'), 0xFFFFu);
}

TEST(ByteBlockTest, LowerFoldsAsciiLettersOnly) {
  for (int start = 0; start < 256; start += static_cast<int>(block::kSize)) {
    std::string bytes(block::kSize, '\0');
    for (std::size_t k = 0; k < block::kSize; ++k) {
      bytes[k] = static_cast<char>(start + static_cast<int>(k));
    }
    std::string lowered(block::kSize, '\0');
    block::Store(lowered.data(), block::Lower(block::Load(bytes.data())));
    EXPECT_EQ(lowered, LowerCase(bytes)) << "bytes from " << start;
  }
}

TEST(ByteBlockTest, FindMatchesALinearSearch) {
  std::mt19937 random(77);
  for (int round = 0; round < 20000; ++round) {
    // Texts from empty to past the blocks tested inline, the byte sought rare or absent.
    std::string text(random() % 160, 'x');
    for (int k = static_cast<int>(random() % 3); k > 0 && !text.empty(); --k) {
      text[random() % text.size()] = '<';
    }
    const std::size_t from = text.empty() ? 0 : random() % (text.size() + 1);
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* const want = std::find(begin + from, end, '<');
    ASSERT_EQ(block::Find(begin + from, end, '<'), want) << "round " << round << ": " << text;
  }
  const std::string nul_text("ab\0c", 4);
  EXPECT_EQ(block::Find(nul_text.data(), nul_text.data() + 4, '\0'), nul_text.data() + 2);
}

}  // namespace
}  // namespace zeb
