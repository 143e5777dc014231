// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#ifndef ZEB_TESTS_SUPPORT_TEMP_DIR_H_
#define ZEB_TESTS_SUPPORT_TEMP_DIR_H_

#include <filesystem>
#include <string>

namespace zeb::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as the tables expect it: absolute, ending with "/".
  std::string folder() const { return path_.string() + "/"; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes text to a file, byte for byte.
void WriteFile(const std::filesystem::path& file, const std::string& text);
// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

}  // namespace zeb::testing

#endif  // ZEB_TESTS_SUPPORT_TEMP_DIR_H_
