// Hands frontier records to the crawl threads: a hot record first (a page whose address holds a
// hot-link word), else the first "open" row after the last record the walk handed out. A hot
// record does not move the walk: the rows between stay to be handed out in their turn, and the
// walk skips the hot records it meets later. A hot record the walk has handed out already is
// not handed out again. At the end of the table the walk waits on the last row, so rows that
// other threads append later are still handed out.
//
// Thread safety: NextOpenRecord runs on the crawl threads, one at a time (RecordLock); pushes of
// hot records may come from any thread at any moment (a lock of their own). Reset is called
// between partners, when no crawl thread runs.
#ifndef ZEB_CONSOLE_FRONTIER_HANDOUT_H_
#define ZEB_CONSOLE_FRONTIER_HANDOUT_H_

#include <cstdint>
#include <deque>
#include <set>
#include <mutex>
#include <optional>
#include <string>

#include "data/work_tables.h"

namespace zeb {

class FrontierHandout {
 public:
  struct Handout {
    std::optional<RecNo> record;  // nullopt: nothing is open now
    std::string Label17;          // the console's "records/handed out" counter
  };

  // A new partner: the walk starts again at the first row and pushed hot records are dropped
  // (their numbers would mean other rows now).
  void Reset();

  // The next record to crawl, from `view`, a connection of the console's own.
  Handout NextOpenRecord(WorkTables& view);

  void PushHotRecord(RecNo rec_no);

 private:
  // The first usable hot record, under RecordLock.
  std::optional<RecNo> TakeHotRecord(std::int64_t count);

  std::mutex RecordLock;    // NextOpenRecord is mutually exclusive
  RecNo CurrentRecNo = -1;  // Guarded by RecordLock: the walk's last record, -1 before any
  std::set<RecNo> handed_hot_;  // Guarded by RecordLock: hot records ahead of the walk, handed out
  std::mutex hot_mutex_;
  std::deque<RecNo> HotRecords;  // Guarded by hot_mutex_
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_FRONTIER_HANDOUT_H_
