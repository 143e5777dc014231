// What changed for a partner between its newest check and the one before, read from its
// ZEBLinkVerdict records: the link lost or found again, moved to another page, stopped counting
// with search engines (or counts again, or for another reason), the partner's site became
// unverifiable or verifiable again.
//
// A check that could not be made says nothing about the link, so an unverifiable check is never
// read as a lost link: after one, the link is compared with the newest check that could be made.
// When the link is found again, its verdict is compared with the last check that found it, so a
// link put back as nofollow is told as such.
//
// Thread safety: pure functions.
#ifndef ZEB_DATA_CHECK_CHANGES_H_
#define ZEB_DATA_CHECK_CHANGES_H_

#include <string>
#include <vector>

#include "data/link_verdicts.h"

namespace zeb {

enum class ChangeKind {
  kLost,             // found before, not found now
  kFoundAgain,       // not found before, found now
  kMoved,            // found on another page
  kStoppedCounting,  // counted before, does not now
  kCountsAgain,      // did not count before, does now
  kReasonChanged,    // did not count and still does not, for another reason
  kUnverifiable,     // could be checked before, not now
  kVerifiableAgain,  // could not be checked before, can now
};

struct CheckChange {
  ChangeKind kind;
  std::string text;  // one line without the partner's name: "lost (was at http://...)"

  // A change a watcher is to be alerted of: the link was lost or stopped counting.
  bool Alarming() const {
    return kind == ChangeKind::kLost || kind == ChangeKind::kStoppedCounting;
  }
  bool operator==(const CheckChange&) const = default;
};

// The changes of the newest of checks (a partner's records, oldest first) against the earlier
// ones; none when there is at most one check or nothing changed.
std::vector<CheckChange> LatestChanges(const std::vector<VerdictRecord>& checks);

}  // namespace zeb

#endif  // ZEB_DATA_CHECK_CHANGES_H_
