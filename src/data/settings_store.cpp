#include "data/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zeb {
namespace {

// The parsed file: sections in file order, each with its values in file order.
struct Section {
  std::string path;
  std::vector<std::pair<std::string, std::string>> values;
};
using Document = std::vector<Section>;

std::string Escape(const std::string& text, bool is_name) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '=':
        if (is_name) {
          out += "\\e";
        } else {
          out += c;
        }
        break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char next = text[++i];
    switch (next) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 'e': out += '='; break;
      default: out += next;  // "\\" and anything unknown stand for the character itself
    }
  }
  return out;
}

// Position of the first "=" that is not part of an escape.
std::size_t FindSeparator(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '=') {
      return i;
    }
  }
  return std::string::npos;
}

Document Parse(const std::string& content) {
  Document doc;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      doc.push_back(Section{line.substr(1, line.size() - 2), {}});
      continue;
    }
    std::size_t sep = FindSeparator(line);
    if (sep == std::string::npos || doc.empty()) continue;
    doc.back().values.emplace_back(Unescape(line.substr(0, sep)), Unescape(line.substr(sep + 1)));
  }
  return doc;
}

std::string Serialize(const Document& doc) {
  std::string out;
  for (const Section& s : doc) {
    out += '[' + s.path + "]\n";
    for (const auto& [name, value] : s.values) {
      out += Escape(name, true) + '=' + Escape(value, false) + '\n';
    }
    out += '\n';
  }
  return out;
}

// Reads the whole file; nullopt when it does not exist or cannot be read.
std::optional<std::string> ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return buffer.str();
}

Section* FindSection(Document& doc, const std::string& path) {
  for (Section& s : doc) {
    if (s.path == path) return &s;
  }
  return nullptr;
}

std::map<std::string, std::string> ToMap(const Section& s) {
  std::map<std::string, std::string> values;
  for (const auto& [name, value] : s.values) values[name] = value;  // the last one wins
  return values;
}

void SetValue(Section& s, const std::string& name, const std::string& value) {
  for (auto& entry : s.values) {
    if (entry.first == name) {
      entry.second = value;
      return;
    }
  }
  s.values.emplace_back(name, value);
}

std::string ErrnoText(const std::string& what, const std::filesystem::path& file) {
  return what + " " + file.string() + ": " + std::strerror(errno);
}

// Holds an exclusive flock on "<file>.lock" for its lifetime.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& file) {
    std::filesystem::path lock_path = file;
    lock_path += ".lock";
    fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) throw SettingsError(ErrnoText("Cannot open the lock file", lock_path));
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        throw SettingsError(ErrnoText("Cannot lock", lock_path));
      }
    }
  }
  ~FileLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

// Writes content to a temporary file beside file, flushes it to disk and renames it over file.
void ReplaceFile(const std::filesystem::path& file, const std::string& content) {
  std::string temp = file.string() + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) throw SettingsError(ErrnoText("Cannot create a temporary file beside", file));
  std::size_t written = 0;
  while (written < content.size()) {
    ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string message = ErrnoText("Cannot write", temp);
      ::close(fd);
      ::unlink(temp.c_str());
      throw SettingsError(message);
    }
    written += static_cast<std::size_t>(n);
  }
  ::fchmod(fd, 0644);
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    std::string message = ErrnoText("Cannot write", temp);
    ::unlink(temp.c_str());
    throw SettingsError(message);
  }
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    std::string message = ErrnoText("Cannot replace", file);
    ::unlink(temp.c_str());
    throw SettingsError(message);
  }
}

}  // namespace

std::filesystem::path SettingsStore::DefaultPath() {
  if (const char* file = std::getenv("ZEB_SETTINGS_FILE"); file != nullptr && *file != '\0') {
    return file;
  }
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = ".config";
  }
  return base / "Quillbex" / "settings.ini";
}

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<SettingsKey> SettingsStore::OpenKey(const std::string& key_path) const {
  std::optional<std::string> content = ReadFile(file_);
  if (!content) return std::nullopt;
  Document doc = Parse(*content);
  Section* section = FindSection(doc, key_path);
  if (section == nullptr) return std::nullopt;
  return SettingsKey(file_, key_path, ToMap(*section));
}

void SettingsStore::CreateKey(const std::string& key_path) {
  std::error_code ec;
  if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ec);
  if (ec) {
    throw SettingsError("Cannot create the folder " + file_.parent_path().string() + ": " +
                        ec.message());
  }
  FileLock lock(file_);
  Document doc = Parse(ReadFile(file_).value_or(""));
  if (FindSection(doc, key_path) != nullptr) return;
  doc.push_back(Section{key_path, {}});
  ReplaceFile(file_, Serialize(doc));
}

std::vector<std::string> SettingsStore::KeyPaths() const {
  std::vector<std::string> paths;
  for (const Section& s : Parse(ReadFile(file_).value_or(""))) paths.push_back(s.path);
  return paths;
}

std::string SettingsKey::ReadString(const std::string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::string() : it->second;
}

bool SettingsKey::HasValue(const std::string& name) const { return values_.count(name) != 0; }

void SettingsKey::WriteString(const std::string& name, const std::string& value) {
  WriteStrings({{name, value}});
}

void SettingsKey::WriteStrings(const std::vector<std::pair<std::string, std::string>>& values) {
  if (!std::filesystem::exists(file_)) {
    throw SettingsError("The settings file " + file_.string() + " no longer exists");
  }
  FileLock lock(file_);
  std::optional<std::string> content = ReadFile(file_);
  if (!content) throw SettingsError("Cannot read the settings file " + file_.string());
  Document doc = Parse(*content);
  Section* section = FindSection(doc, path_);
  if (section == nullptr) {
    throw SettingsError("The settings key " + path_ + " does not exist in " + file_.string());
  }
  for (const auto& [name, value] : values) SetValue(*section, name, value);
  ReplaceFile(file_, Serialize(doc));
  for (const auto& [name, value] : values) values_[name] = value;
}

}  // namespace zeb
