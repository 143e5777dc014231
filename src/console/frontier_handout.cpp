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
}

void FrontierHandout::PushHotRecord(RecNo rec_no) {
  std::lock_guard<std::mutex> lock(hot_mutex_);
  HotRecords.push_back(rec_no);
}

FrontierHandout::Handout FrontierHandout::NextOpenRecord(WorkTables& view) {
  std::lock_guard<std::mutex> lock(RecordLock);
  if (CurrentRecNo == -1) CurrentRecNo = 0;
  RecNo hot = 0;
  {
    std::lock_guard<std::mutex> hot_lock(hot_mutex_);
    if (!HotRecords.empty()) {
      hot = HotRecords.front();
      HotRecords.pop_front();
    }
  }
  const std::int64_t count = view.RecordCount();
  Handout out;
  if (hot > 0 && hot <= count) {
    CurrentRecNo = hot;
    out.record = hot;
  } else if (std::optional<RecNo> open = view.NextOpen(CurrentRecNo + 1)) {
    CurrentRecNo = *open;
    out.record = open;
  } else {
    CurrentRecNo = std::max(CurrentRecNo, count);
  }
  out.Label17 = std::to_string(std::max(count, CurrentRecNo)) + "/" + std::to_string(CurrentRecNo);
  return out;
}

}  // namespace zeb
