#include "console/verdict_record.h"

namespace zeb {

namespace {

// Anchor texts longer than this are cut in the tree node (the record keeps them whole).
constexpr std::size_t kNodeAnchorBytes = 120;

// Cuts text to at most `bytes`, never inside a UTF-8 sequence, and marks the cut.
std::string Cut(const std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + "...";
}

}  // namespace

const VerdictLink* DecidingLink(const LinkVerdict& verdict) {
  const VerdictLink* first_live = nullptr;
  for (const VerdictLink& link : verdict.links) {
    if (!link.live) continue;
    if (link.rel.empty()) return &link;
    if (first_live == nullptr) first_live = &link;
  }
  if (first_live != nullptr) return first_live;
  return verdict.links.empty() ? nullptr : &verdict.links.front();
}

VerdictRecord MakeVerdictRecord(const CheckRecord& check, int hops,
                                const std::optional<LinkVerdict>& verdict,
                                const AnalysisRecord* analysis) {
  VerdictRecord r;
  r.CheckId = check.id;
  r.Project = check.Project;
  r.SiteName = check.SiteName;
  r.CheckedAt = check.CheckedAt;
  r.Result = check.Result;
  r.Reason = check.Reason;
  r.URL = check.URL;
  if (check.Result == kCheckUnverifiable) {
    r.Verdict = kVerdictUnverifiable;
  } else if (check.Result != kCheckFound) {
    r.Verdict = kVerdictNotFound;
  } else {
    r.Hops = hops;
    if (verdict) {
      r.Verdict = verdict->verdict;
      r.Evidence = VerdictEvidenceJson(*verdict);
      if (const VerdictLink* link = DecidingLink(*verdict)) r.AnchorText = link->anchor_text;
    } else {
      // Found, but the page could not be judged (a find on the home page's own pass, say):
      // the verdict is the absence of evidence, never a guess.
      r.Verdict = "unknown";
    }
    if (analysis != nullptr) {
      r.LinkPosition = analysis->AllLinkPosition;
      r.LinksTotal = analysis->AllLinksTotal;
      r.ExternalPosition = analysis->ExternalLinkPosition;
      r.ExternalTotal = analysis->ExternalLinksTotal;
      r.WordPosition = analysis->WordPosNoTags;
    }
  }
  if (r.Evidence.empty()) {
    r.Evidence = "{\"verdict\":\"" + r.Verdict + "\"}";
  }
  return r;
}

std::string VerdictMessage(const std::string& verdict) {
  if (verdict == kVerdictCounts) return "Link counts with search engines";
  return "Link does not count with search engines: " + verdict;
}

std::string VerdictNodeText(const LinkVerdict& verdict) {
  std::string text = "Counts with search engines: ";
  text += verdict.verdict == kVerdictCounts ? std::string("yes") : "no (" + verdict.verdict + ")";
  if (const VerdictLink* link = DecidingLink(verdict); link && !link->anchor_text.empty()) {
    text += "; anchor text \"" + Cut(link->anchor_text, kNodeAnchorBytes) + "\"";
  }
  return text;
}

}  // namespace zeb
