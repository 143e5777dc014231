#include "views/sort_keys.h"

namespace zeb {

SortKeys ClickSortColumn(SortKeys keys, int column, bool add_key) {
  auto key = std::find_if(keys.begin(), keys.end(),
                          [column](const SortKey& k) { return k.column == column; });
  if (add_key) {
    if (key != keys.end()) {
      key->descending = !key->descending;
    } else {
      keys.push_back({column, false});
    }
    return keys;
  }
  const bool flip = keys.size() == 1 && key != keys.end();
  return {{column, flip && !key->descending}};
}

}  // namespace zeb
