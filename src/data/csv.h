// CSV as RFC 4180 has it, for the partner import and export and zebhost's listings: fields
// separated by ",", optionally quoted with '"' (a doubled quote inside stands for one; quoted
// fields may hold commas and line ends). Pure functions: safe from any thread.
#ifndef ZEB_DATA_CSV_H_
#define ZEB_DATA_CSV_H_

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zeb {

struct CsvRecord {
  int line = 0;  // line of the file on which the record starts (1-based)
  std::vector<std::string> fields;
};

// A malformed file; line() is where the fault was found.
class CsvError : public std::runtime_error {
 public:
  CsvError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// Parses the whole text. Blank lines are skipped (a line of "" is a record of one empty field).
// Accepts LF and CR LF line ends.
std::vector<CsvRecord> ParseCsv(std::string_view text);

// Appends one record to out, ended by CR LF. A field holding a comma, a quote, CR or LF is
// quoted, its quotes doubled; others are written as they are. A
// record of one empty field is written as "" (a blank line would be skipped).
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields);

}  // namespace zeb

#endif  // ZEB_DATA_CSV_H_
