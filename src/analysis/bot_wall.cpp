#include "analysis/bot_wall.h"

#include <algorithm>
#include <array>
#include <string>

#include "text/text_routines.h"

namespace zeb {

bool HasChallengeHeader(const Lines& header_lines) {
  return std::any_of(header_lines.begin(), header_lines.end(), [](const std::string& line) {
    return StartsWithNoCase(line, "cf-mitigated:") &&
           LowerCase(TrimBlanks(std::string_view(line).substr(13))) == "challenge";
  });
}

bool LooksLikeChallengeText(std::string_view page) {
  if (page.size() >= kChallengePageLimit) return false;
  std::string text = LowerCase(ExtractNonHTML(page));
  // Blanks collapsed, so that a phrase split over a line break still reads as one.
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; },
                  ' ');
  text.erase(std::unique(text.begin(), text.end(),
                         [](char a, char b) { return a == ' ' && b == ' '; }),
             text.end());
  const auto has = [&](std::string_view phrase) { return text.find(phrase) != std::string::npos; };
  const bool javascript = has("enable javascript") || has("javascript is disabled") ||
                          has("javascript and cookies") || has("turn on javascript");
  if (javascript && has("cookie")) return true;
  static constexpr std::array<std::string_view, 5> kProofs = {
      "captcha", "verify you are human", "verify that you are human", "are you a robot",
      "checking your browser"};
  return std::any_of(kProofs.begin(), kProofs.end(), has);
}

}  // namespace zeb
