#include "console/frontier_handout.h"

#include <algorithm>

namespace zeb {

void FrontierHandout::Reset() {
  {
    std::lock_guard<std::mutex> lock(hot_mutex_);
    HotRecords.clear();
  }
  std::lock_guard<std::mutex> lock(RecordLock);
  CurrentRecNo = -1;
  handed_hot_.clear();
}

void FrontierHandout::PushHotRecord(RecNo rec_no) {
  std::lock_guard<std::mutex> lock(hot_mutex_);
  HotRecords.push_back(rec_no);
}

std::optional<RecNo> FrontierHandout::TakeHotRecord(std::int64_t count) {
  std::lock_guard<std::mutex> hot_lock(hot_mutex_);
  while (!HotRecords.empty()) {
    const RecNo hot = HotRecords.front();
    HotRecords.pop_front();
    // A number outside the table names no row; one the walk has passed was handed out by it.
    if (hot <= CurrentRecNo || hot > count) continue;
    if (handed_hot_.insert(hot).second) return hot;
  }
  return std::nullopt;
}

FrontierHandout::Handout FrontierHandout::NextOpenRecord(WorkTables& view) {
  std::lock_guard<std::mutex> lock(RecordLock);
  if (CurrentRecNo == -1) CurrentRecNo = 0;
  // The count and the first open row after the walk come in one read; a further row is asked
  // for only when that one was handed out already as a hot record.
  RecNo from = CurrentRecNo + 1;
  const WorkTables::OpenAndCount first = view.CountAndNextOpen(from);
  const std::int64_t count = first.count;
  Handout out;
  out.record = TakeHotRecord(count);
  std::optional<RecNo> open = first.open;
  while (!out.record) {
    if (!open) {
      CurrentRecNo = std::max(CurrentRecNo, count);
      break;
    }
    CurrentRecNo = *open;
    if (handed_hot_.erase(*open) == 0) {
      out.record = open;
      break;
    }
    from = *open + 1;
    open = view.NextOpen(from);
  }
  out.Label17 = std::to_string(std::max(count, CurrentRecNo)) + "/" + std::to_string(CurrentRecNo);
  return out;
}

}  // namespace zeb
