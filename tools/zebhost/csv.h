// A small RFC 4180 reader for the partner import: fields separated by ",", optionally quoted
// with '"' (a doubled quote inside stands for one; quoted fields may hold commas and line ends).
#ifndef ZEBHOST_CSV_H_
#define ZEBHOST_CSV_H_

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zebhost {

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

// Parses the whole text. Blank lines are skipped. Accepts LF and CR LF line ends.
std::vector<CsvRecord> ParseCsv(std::string_view text);

}  // namespace zebhost

#endif  // ZEBHOST_CSV_H_
