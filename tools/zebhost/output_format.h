// The listings of zebhost as a table for people or as CSV or JSON for programs (--format
// table|csv|json). A command makes records of typed values under named keys, says which columns
// there are, and lets FormatRecords write them:
//
//   table  the columns' captions, then one line per record, columns padded (PrintTable); a cell
//          is cut to its column's width; null shows as "-", a boolean as "yes" or "no";
//   csv    RFC 4180: the captions as a header record, then one record per line, CR LF line ends,
//          a field quoted when it holds a comma, a quote, CR or LF (quotes doubled); null is an
//          empty field, a boolean "true" or "false"; nothing is cut;
//   json   an array with one object per record, its members the columns' keys in column order:
//          text as a JSON string, integers as numbers, booleans as true/false, null as null. The
//          output is valid UTF-8 whatever bytes the data holds: control characters are escaped
//          and bytes that are not UTF-8 become U+FFFD. One object per line.
//
// Example (a report of checks):
//
//   const std::vector<Column> columns = {
//       {"partner", "Partner"},
//       {"hops", "Hops"},
//       {"backlink", "Backlink", kAddressCellWidth},
//   };
//   std::vector<Record> records;
//   records.push_back(Record()
//                         .Set("partner", Value::Text(p.SiteName))
//                         .Set("hops", found ? Value::Integer(hops) : Value::Null())
//                         .Set("backlink", Value::Text(url)));
//   WriteOutput(args, out, FormatRecords(FormatOf(args), columns, records));
//
// Pure functions but WriteOutput; safe from any thread.
#ifndef ZEBHOST_OUTPUT_FORMAT_H_
#define ZEBHOST_OUTPUT_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "common.h"

namespace zebhost {

enum class OutputFormat { kTable, kCsv, kJson };

// The format that --format (FormatOption()) names; table when it is not given.
OutputFormat FormatOf(const ParsedArgs& args);

// One typed value of a record. (A plain kind and fields rather than a std::variant: GCC 12's
// sanitizer builds take the variant's copies for reads of uninitialised memory.)
class Value {
 public:
  static Value Text(std::string text) { return Value(Kind::kText, std::move(text), 0, false); }
  static Value Integer(std::int64_t number) { return Value(Kind::kInteger, {}, number, false); }
  static Value Boolean(bool yes) { return Value(Kind::kBoolean, {}, 0, yes); }
  static Value Null() { return Value(Kind::kNull, {}, 0, false); }

  bool is_null() const { return kind_ == Kind::kNull; }
  // The value as a table cell, a CSV field or a JSON value (see above).
  std::string TableText() const;
  std::string CsvText() const;
  std::string Json() const;

 private:
  enum class Kind { kNull, kText, kInteger, kBoolean };
  Value(Kind kind, std::string text, std::int64_t number, bool yes)
      : kind_(kind), text_(std::move(text)), number_(number), yes_(yes) {}
  Kind kind_;
  std::string text_;
  std::int64_t number_;
  bool yes_;
};

// Where a column shows: some facts read best joined for people ("http://a/ (2)") and apart for
// programs (start page, start hop).
enum class Shown { kEverywhere, kTableOnly, kDataOnly };

struct Column {
  std::string key;                 // the JSON member name: "start_hop"
  std::string caption;             // the table's and the CSV header's caption: "Start hop"
  std::size_t width = kCellWidth;  // the table cuts cells to this many bytes
  Shown shown = Shown::kEverywhere;
};

// A record's values by key; a key not set is null.
class Record {
 public:
  Record& Set(const std::string& key, Value value);
  const Value& Get(const std::string& key) const;

 private:
  std::map<std::string, Value> values_;
};

// The records in the format (see above), ready to write.
std::string FormatRecords(OutputFormat format, const std::vector<Column>& columns,
                          const std::vector<Record>& records);

// text as a JSON string, quotes included (see above for control characters and bytes that are
// not UTF-8).
std::string JsonString(std::string_view text);

// Writes text to the file that --out (OutOption()) names, or to out without --out. The file is
// written whole or not at all (a temporary file renamed into place); throws UsageError naming the
// file when it cannot be written.
void WriteOutput(const ParsedArgs& args, std::ostream& out, const std::string& text);

}  // namespace zebhost

#endif  // ZEBHOST_OUTPUT_FORMAT_H_
