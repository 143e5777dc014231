// The grids' sort: what a sequence of clicks on column titles makes of the sort keys, and rows
// sorted by several keys with ties kept in their order.
#include "views/sort_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace zeb {
namespace {

struct Click {
  int column;
  bool shift;
};

std::string Describe(const SortKeys& keys) {
  std::string text;
  for (const SortKey& key : keys) {
    text += std::to_string(key.column) + (key.descending ? "v " : "^ ");
  }
  return text;
}

TEST(SortKeysTest, ClicksMakeTheKeys) {
  struct Case {
    const char* name;
    std::vector<Click> clicks;
    SortKeys keys;
  };
  const Case cases[] = {
      {"a click sorts rising", {{2, false}}, {{2, false}}},
      {"a second click falls", {{2, false}, {2, false}}, {{2, true}}},
      {"a third click rises again", {{2, false}, {2, false}, {2, false}}, {{2, false}}},
      {"another column replaces, rising", {{2, false}, {2, false}, {3, false}}, {{3, false}}},
      {"shift appends rising", {{2, false}, {2, false}, {0, true}}, {{2, true}, {0, false}}},
      {"shift on the first key flips it", {{2, false}, {0, true}, {2, true}},
       {{2, true}, {0, false}}},
      {"shift on the second key flips it", {{2, false}, {0, true}, {0, true}, {0, true}},
       {{2, false}, {0, false}}},
      {"three levels", {{1, false}, {2, true}, {3, true}}, {{1, false}, {2, false}, {3, false}}},
      {"a plain click on one of several keys keeps it alone, rising",
       {{2, false}, {0, true}, {0, true}, {0, false}}, {{0, false}}},
      {"a plain click on the first of several keys", {{2, false}, {0, true}, {2, false}},
       {{2, false}}},
      {"shift with no keys starts the list", {{4, true}}, {{4, false}}},
      {"shift on the only key flips it", {{4, false}, {4, true}}, {{4, true}}},
  };
  for (const Case& c : cases) {
    SortKeys keys;
    for (const Click& click : c.clicks) keys = ClickSortColumn(keys, click.column, click.shift);
    EXPECT_EQ(keys, c.keys) << c.name << ": " << Describe(keys);
  }
}

struct Row {
  std::string name;
  int group;
  int size;
};

int CompareRow(const Row& a, const Row& b, int column) {
  switch (column) {
    case 0:
      return a.name.compare(b.name);
    case 1:
      return a.group - b.group;
    default:
      return a.size - b.size;
  }
}

std::string Names(const std::vector<Row>& rows) {
  std::string names;
  for (const Row& row : rows) names += row.name;
  return names;
}

TEST(SortKeysTest, RowsSortByEveryKeyInTurnAndTiesKeepTheirOrder) {
  const std::vector<Row> rows = {{"d", 2, 1}, {"a", 1, 3}, {"e", 2, 3}, {"b", 1, 1},
                                 {"c", 2, 1}, {"f", 1, 3}};
  struct Case {
    SortKeys keys;
    const char* order;
  };
  const Case cases[] = {
      {{}, "daebcf"},                              // no key: as read
      {{{0, false}}, "abcdef"},
      {{{0, true}}, "fedcba"},
      {{{1, false}}, "abfdec"},                    // ties in their order
      {{{1, true}}, "decabf"},
      {{{1, false}, {2, false}}, "bafdce"},
      {{{1, false}, {2, true}}, "afbedc"},
      {{{2, true}, {1, false}}, "afebdc"},
      {{{2, false}, {0, true}, {1, false}}, "dcbfea"},
  };
  for (const Case& c : cases) {
    std::vector<Row> sorted = rows;
    SortByKeys(sorted, c.keys, CompareRow);
    EXPECT_EQ(Names(sorted), c.order) << Describe(c.keys);
  }
}

TEST(SortKeysTest, SortingAgainByTheSameKeysChangesNothing) {
  std::vector<Row> rows;
  for (int i = 0; i < 200; ++i) rows.push_back({std::to_string(i), i % 3, i % 7});
  const SortKeys keys = {{1, true}, {2, false}};
  SortByKeys(rows, keys, CompareRow);
  const std::string once = Names(rows);
  SortByKeys(rows, keys, CompareRow);
  EXPECT_EQ(Names(rows), once);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const Row& a = rows[i - 1];
    const Row& b = rows[i];
    ASSERT_TRUE(a.group > b.group || (a.group == b.group && a.size <= b.size)) << i;
    // Equal under both keys: in the order they were made.
    if (a.group == b.group && a.size == b.size) {
      EXPECT_LT(std::stoi(a.name), std::stoi(b.name));
    }
  }
}

}  // namespace
}  // namespace zeb
