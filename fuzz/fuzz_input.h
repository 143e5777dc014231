// Splits one fuzzer input into several text arguments at NUL-free separators, so a single byte
// string can drive functions of more than one argument.
#ifndef ZEB_FUZZ_FUZZ_INPUT_H_
#define ZEB_FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeb::fuzz {

// The input cut at each "\x01" byte into at most `parts` pieces (the last takes the rest).
inline std::vector<std::string> Split(const std::uint8_t* data, std::size_t size,
                                      std::size_t parts) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> out;
  while (out.size() + 1 < parts) {
    std::size_t cut = text.find('\x01');
    if (cut == std::string_view::npos) break;
    out.emplace_back(text.substr(0, cut));
    text.remove_prefix(cut + 1);
  }
  out.emplace_back(text);
  while (out.size() < parts) out.emplace_back();
  return out;
}

}  // namespace zeb::fuzz

#endif  // ZEB_FUZZ_FUZZ_INPUT_H_
