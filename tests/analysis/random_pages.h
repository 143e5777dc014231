// Generated tag soup for comparing the page routines with their literal references: random
// sequences of the fragments that the routines look for, so that overlaps, unbalanced brackets,
// repeated body tags, NULs and odd letter case are frequent.
#ifndef ZEB_TESTS_ANALYSIS_RANDOM_PAGES_H_
#define ZEB_TESTS_ANALYSIS_RANDOM_PAGES_H_

#include <random>
#include <string>
#include <vector>

namespace zeb::testing {

class RandomPages {
 public:
  explicit RandomPages(unsigned seed) : rng_(seed) {}

  // A page of up to max_pieces fragments.
  std::string Page(int max_pieces = 40) {
    static const std::vector<std::string> kPieces = {"<body>",
                                                     "<BODY bgcolor=x>",
                                                     "</body>",
                                                     "</BoDy",
                                                     "<bod0",
                                                     "</bod-1",
                                                     "</bod1",
                                                     "<body",
                                                     "href",
                                                     "HREF",
                                                     "href ",
                                                     " href= ",
                                                     "=",
                                                     "'",
                                                     "\"",
                                                     ">",
                                                     "<",
                                                     "#",
                                                     " ",
                                                     "  ",
                                                     "   ",
                                                     "a",
                                                     "Bb",
                                                     "x.htm",
                                                     "/",
                                                     "../",
                                                     "?p=1",
                                                     "&amp;",
                                                     "<script>",
                                                     "</script>",
                                                     "<SCRIPT",
                                                     "</SCRIPT",
                                                     "<<",
                                                     ">>",
                                                     std::string(1, '\0'),
                                                     "<title>",
                                                     "</title>",
                                                     "&nbsp;",
                                                     ",",
                                                     ".",
                                                     "\r\n",
                                                     "\n",
                                                     "\t",
                                                     "www.",
                                                     "http://",
                                                     "site.test",
                                                     "other.test",
                                                     "mysite",
                                                     "MySite",
                                                     "<a href=\"",
                                                     "\">",
                                                     "<a href='",
                                                     "'>",
                                                     "mailto:x",
                                                     "%3a",
                                                     "%2F",
                                                     "</html>",
                                                     "</HTML>"};
    std::uniform_int_distribution<int> count(0, max_pieces);
    std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
    std::string page;
    for (int i = count(rng_); i > 0; --i) page += kPieces[pick(rng_)];
    return page;
  }

  // A few characters from a small alphabet (search texts, stop words).
  std::string Word(int max_length = 4) {
    static const std::string kAlphabet = "aAbB<>. /";
    std::uniform_int_distribution<int> length(0, max_length);
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string word;
    for (int i = length(rng_); i > 0; --i) word += kAlphabet[pick(rng_)];
    return word;
  }

  // Up to max_length characters drawn from the alphabet (addresses, paths).
  std::string Text(const std::string& alphabet, std::size_t max_length) {
    std::uniform_int_distribution<std::size_t> length(0, max_length);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length(rng_), ' ');
    for (char& c : text) c = alphabet[pick(rng_)];
    return text;
  }

  int Number(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  std::mt19937 rng_;
};

}  // namespace zeb::testing

#endif  // ZEB_TESTS_ANALYSIS_RANDOM_PAGES_H_
