#include "data/csv.h"

namespace zeb {
namespace {

// Takes the character at text[i] into a quoted field: a doubled quote stands for one, a lone
// quote closes the field. Returns whether the field is still open.
bool ReadQuoted(std::string_view text, std::size_t& i, int& line, std::string& field) {
  if (text[i] == '"') {
    if (i + 1 < text.size() && text[i + 1] == '"') {
      field += '"';
      i += 2;
      return true;
    }
    ++i;
    return false;
  }
  if (text[i] == '\n') ++line;
  field += text[i];
  ++i;
  return true;
}

}  // namespace

std::vector<CsvRecord> ParseCsv(std::string_view text) {
  std::vector<CsvRecord> records;
  std::size_t i = 0;
  int line = 1;
  while (i < text.size()) {
    CsvRecord record;
    record.line = line;
    std::string field;
    bool record_done = false;
    bool field_quoted = false;
    bool after_quote = false;  // a quoted field has closed; only "," or a line end may follow
    bool quoted = false;       // the record has a quoted field (so "" is no blank line)
    while (!record_done) {
      if (i == text.size()) {
        record.fields.push_back(std::move(field));
        break;
      }
      char c = text[i];
      if (field_quoted) {
        field_quoted = ReadQuoted(text, i, line, field);
        after_quote = !field_quoted;
        if (field_quoted && i == text.size()) {
          throw CsvError(record.line, "a quoted field is not closed");
        }
        continue;
      }
      if (c == ',') {
        record.fields.push_back(std::move(field));
        field.clear();
        after_quote = false;
        ++i;
      } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
        record.fields.push_back(std::move(field));
        i += c == '\r' ? 2 : 1;
        ++line;
        record_done = true;
      } else if (after_quote) {
        throw CsvError(line, "unexpected text after a closing quote");
      } else if (c == '"') {
        if (!field.empty()) throw CsvError(line, "a quote inside an unquoted field");
        field_quoted = true;
        quoted = true;
        ++i;
      } else {
        field += c;
        ++i;
      }
    }
    bool blank = record.fields.size() == 1 && record.fields[0].empty() && !quoted;
    if (!blank) records.push_back(std::move(record));
  }
  return records;
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
  // A lone empty field would make a blank line, which a reader skips.
  if (fields.size() == 1 && fields[0].empty()) {
    out += "\"\"\r\n";
    return;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) out += ',';
    const std::string& field = fields[i];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      out += field;
      continue;
    }
    out += '"';
    for (char c : field) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  out += "\r\n";
}

}  // namespace zeb
