#include "output_format.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "data/csv.h"

namespace zebhost {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

bool Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 character at text[i], or the length of its longest
// well-formed beginning (at least 1) with ok = false. Follows the Unicode table of well-formed
// byte sequences: no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8Length(std::string_view text, std::size_t i, bool& ok) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    ok = false;
    return 1;
  }
  std::size_t n = 1;
  for (; n < length; ++n) {
    if (i + n >= text.size()) break;
    const auto byte = static_cast<unsigned char>(text[i + n]);
    const bool fits = n == 1 ? byte >= low && byte <= high : Continuation(byte);
    if (!fits) break;
  }
  ok = n == length;
  return n;
}

std::string Table(const std::vector<Column>& columns, const std::vector<Record>& records) {
  std::vector<std::vector<std::string>> rows(1);
  std::vector<std::size_t> widths;
  for (const Column& c : columns) {
    if (c.shown == Shown::kDataOnly) continue;
    rows[0].push_back(c.caption);
    widths.push_back(c.width);
  }
  for (const Record& r : records) {
    std::vector<std::string>& row = rows.emplace_back();
    for (const Column& c : columns) {
      if (c.shown != Shown::kDataOnly) row.push_back(r.Get(c.key).TableText());
    }
  }
  std::ostringstream out;
  PrintTable(out, rows, widths);
  return out.str();
}

std::string Csv(const std::vector<Column>& columns, const std::vector<Record>& records) {
  std::string out;
  std::vector<std::string> fields;
  for (const Column& c : columns) {
    if (c.shown != Shown::kTableOnly) fields.push_back(c.caption);
  }
  zeb::AppendCsvRecord(out, fields);
  for (const Record& r : records) {
    fields.clear();
    for (const Column& c : columns) {
      if (c.shown != Shown::kTableOnly) fields.push_back(r.Get(c.key).CsvText());
    }
    zeb::AppendCsvRecord(out, fields);
  }
  return out;
}

std::string Json(const std::vector<Column>& columns, const std::vector<Record>& records) {
  if (records.empty()) return "[]\n";
  std::string out = "[\n";
  for (std::size_t i = 0; i < records.size(); ++i) {
    out += "  {";
    bool first = true;
    for (const Column& c : columns) {
      if (c.shown == Shown::kTableOnly) continue;
      out += (first ? "" : ", ") + JsonString(c.key) + ": " + records[i].Get(c.key).Json();
      first = false;
    }
    out += i + 1 < records.size() ? "},\n" : "}\n";
  }
  return out + "]\n";
}

}  // namespace

OutputFormat FormatOf(const ParsedArgs& args) {
  const std::string format = args.Value("format").value_or("table");
  if (format == "csv") return OutputFormat::kCsv;
  if (format == "json") return OutputFormat::kJson;
  if (format == "table") return OutputFormat::kTable;
  throw UsageError("--format \"" + format + "\" is not table, csv or json");
}

std::string Value::TableText() const {
  switch (kind_) {
    case Kind::kText:
      return text_;
    case Kind::kInteger:
      return std::to_string(number_);
    case Kind::kBoolean:
      return yes_ ? "yes" : "no";
    case Kind::kNull:
      break;
  }
  return "-";
}

std::string Value::CsvText() const {
  if (kind_ == Kind::kBoolean) return yes_ ? "true" : "false";
  return is_null() ? std::string() : TableText();
}

std::string Value::Json() const {
  switch (kind_) {
    case Kind::kText:
      return JsonString(text_);
    case Kind::kInteger:
      return std::to_string(number_);
    case Kind::kBoolean:
      return yes_ ? "true" : "false";
    case Kind::kNull:
      break;
  }
  return "null";
}

Record& Record::Set(const std::string& key, Value value) {
  values_.insert_or_assign(key, std::move(value));
  return *this;
}

const Value& Record::Get(const std::string& key) const {
  static const Value kNull = Value::Null();
  auto it = values_.find(key);
  return it == values_.end() ? kNull : it->second;
}

std::string FormatRecords(OutputFormat format, const std::vector<Column>& columns,
                          const std::vector<Record>& records) {
  switch (format) {
    case OutputFormat::kCsv:
      return Csv(columns, records);
    case OutputFormat::kJson:
      return Json(columns, records);
    case OutputFormat::kTable:
      break;
  }
  return Table(columns, records);
}

std::string JsonString(std::string_view text) {
  static const char* const kHex = "0123456789abcdef";
  std::string out = "\"";
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      bool ok = false;
      const std::size_t length = Utf8Length(text, i, ok);
      if (ok) {
        out.append(text.substr(i, length));
      } else {
        out += kReplacement;
      }
      i += length;
      continue;
    }
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          out += std::string("\\u00") + kHex[byte >> 4] + kHex[byte & 15];
        } else {
          out += static_cast<char>(byte);
        }
    }
    ++i;
  }
  return out + "\"";
}

void WriteOutput(const ParsedArgs& args, std::ostream& out, const std::string& text) {
  std::optional<std::string> file = args.Value("out");
  if (!file || *file == "-") {
    out << text;
    return;
  }
  if (file->empty()) throw UsageError("--out needs a file name");
  const std::filesystem::path target(*file);
  const std::filesystem::path temporary =
      target.string() + ".tmp" + std::to_string(static_cast<long>(::getpid()));
  {
    std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
    stream << text;
    stream.close();
    if (!stream) {
      const std::string why = std::strerror(errno);
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw UsageError("cannot write " + *file + ": " + why);
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) {
    const std::string why = error.message();
    std::filesystem::remove(temporary, error);
    throw UsageError("cannot write " + *file + ": " + why);
  }
}

}  // namespace zebhost
