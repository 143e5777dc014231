#include "data/check_changes.h"

#include <cstddef>

namespace zeb {

namespace {

// The newest record before index `end` that `accept` takes, or null.
template <typename Accept>
const VerdictRecord* NewestBefore(const std::vector<VerdictRecord>& checks, std::size_t end,
                                  Accept accept) {
  for (std::size_t i = end; i-- > 0;) {
    if (accept(checks[i])) return &checks[i];
  }
  return nullptr;
}

void CompareVerdicts(const VerdictRecord& before, const VerdictRecord& now,
                     std::vector<CheckChange>& changes) {
  if (before.Verdict == now.Verdict) return;
  if (before.Counts()) {
    changes.push_back({ChangeKind::kStoppedCounting, "counts -> " + now.Verdict});
  } else if (now.Counts()) {
    changes.push_back({ChangeKind::kCountsAgain, before.Verdict + " -> counts"});
  } else {
    changes.push_back({ChangeKind::kReasonChanged, before.Verdict + " -> " + now.Verdict});
  }
}

}  // namespace

std::vector<CheckChange> LatestChanges(const std::vector<VerdictRecord>& checks) {
  std::vector<CheckChange> changes;
  if (checks.size() < 2) return changes;
  const std::size_t last = checks.size() - 1;
  const VerdictRecord& now = checks[last];
  const VerdictRecord& previous = checks[last - 1];
  if (now.Unverifiable()) {
    if (!previous.Unverifiable()) {
      changes.push_back({ChangeKind::kUnverifiable,
                         "became unverifiable" + (now.Reason.empty() ? "" : ": " + now.Reason)});
    }
    return changes;
  }
  if (previous.Unverifiable())
    changes.push_back({ChangeKind::kVerifiableAgain, "verifiable again"});
  const VerdictRecord* base =
      NewestBefore(checks, last, [](const VerdictRecord& r) { return !r.Unverifiable(); });
  if (base == nullptr) return changes;
  if (base->Found() && !now.Found()) {
    changes.push_back({ChangeKind::kLost, "lost (was at " + base->URL + ")"});
    return changes;
  }
  if (!now.Found()) return changes;
  if (!base->Found()) {
    changes.push_back({ChangeKind::kFoundAgain, "found again at " + now.URL});
    base = NewestBefore(checks, last, [](const VerdictRecord& r) { return r.Found(); });
    if (base == nullptr) return changes;
  } else if (base->URL != now.URL) {
    changes.push_back({ChangeKind::kMoved, "moved from " + base->URL + " to " + now.URL});
  }
  CompareVerdicts(*base, now, changes);
  return changes;
}

}  // namespace zeb
