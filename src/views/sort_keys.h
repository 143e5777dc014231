// The grids' multi-key sort, shared by the position analysis view and the keyword comparative
// view: what a click on a column title does to the list of sort keys, and a stable sort of rows
// by that list given how two rows compare in one column.
//
// A click without the add-key modifier (Shift) on the only key flips its direction; on any other
// column it makes that column the only key, rising. A click with the modifier on a column that
// is a key flips that key; on a new column it appends it, rising.
//
// Plain values and functions; no shared state.
#ifndef ZEB_VIEWS_SORT_KEYS_H_
#define ZEB_VIEWS_SORT_KEYS_H_

#include <algorithm>
#include <vector>

namespace zeb {

struct SortKey {
  int column;
  bool descending;
  bool operator==(const SortKey&) const = default;
};
using SortKeys = std::vector<SortKey>;  // the first key first

// The keys after a click on `column`, with the add-key modifier when add_key.
SortKeys ClickSortColumn(SortKeys keys, int column, bool add_key);

// Sorts rows by the keys, keeping the order of rows that are equal under all of them.
// compare(a, b, column) is negative, 0 or positive as a comes before, with or after b rising.
template <typename Row, typename Compare>
void SortByKeys(std::vector<Row>& rows, const SortKeys& keys, Compare compare) {
  std::stable_sort(rows.begin(), rows.end(), [&keys, &compare](const Row& a, const Row& b) {
    for (const SortKey& key : keys) {
      const int c = compare(a, b, key.column);
      if (c != 0) return key.descending ? c > 0 : c < 0;
    }
    return false;
  });
}

}  // namespace zeb

#endif  // ZEB_VIEWS_SORT_KEYS_H_
