// The clean-up a fetched page gets before the check-string test and link extraction.
#ifndef ZEB_ANALYSIS_PAGE_NORMALISATION_H_
#define ZEB_ANALYSIS_PAGE_NORMALISATION_H_

#include <string>
#include <string_view>

namespace zeb {

// Removes leading CR and LF characters.
std::string StripLeadingLineBreaks(std::string_view page);

// Before the check-string test: every CR, LF and tab removed; each "  " made one blank in one
// left-to-right pass (three blanks become two); "%3a", "%2f", "%3f" (any case) decoded to ":",
// "/", "?".
std::string NormalizeForCheck(std::string_view page);

// NormalizeForCheck in place, in one pass. Line breaks go anyway, so it also stands for
// NormalizeForCheck(StripLeadingLineBreaks(page)). Returns false when the page held no "%":
// then DecodeLinkEscapesInPlace has nothing to decode and need not read the page again.
bool NormalizeForCheckInPlace(std::string& page);

// Before link extraction: "%3D" (any case) decoded to "=" and "%26" to "&".
std::string DecodeLinkEscapes(std::string_view page);

// DecodeLinkEscapes in place, in one pass.
void DecodeLinkEscapesInPlace(std::string& page);

// What RemoveTagRuns does with a "<" that no ">" follows.
enum class UnclosedTag {
  kDropBracket,  // remove that "<" alone and go on
  kKeepRest,     // stop removing: the rest of the text stays as it is
};

// The text without mark-up runs: while a "<" is left, the first "<" up to the first ">" after
// it is removed, and a ">" before the first "<" is removed alone. A ">" after the last "<" stays.
// One pass, linear in the text.
std::string RemoveTagRuns(std::string_view text, UnclosedTag unclosed);

// RemoveTagRuns with UnclosedTag::kDropBracket: the tag stripping of the long check text.
std::string StripTags(std::string_view text);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_PAGE_NORMALISATION_H_
