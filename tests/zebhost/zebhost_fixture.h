// The zebhost test fixture: a settings store and data folder of its own in a temporary folder,
// and helpers that run a command line in-process as RunZebhost does for main().
#ifndef ZEB_TESTS_ZEBHOST_ZEBHOST_FIXTURE_H_
#define ZEB_TESTS_ZEBHOST_ZEBHOST_FIXTURE_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/schema.h"
#include "data/settings_store.h"
#include "data/sqlite_session.h"
#include "support/temp_dir.h"

namespace zebhost {

struct Result {
  int status;
  std::string out;
  std::string err;
};

// Runs a shell command line and returns what it printed on stdout.
inline std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

class ZebhostTest : public ::testing::Test {
 protected:
  ZebhostTest() {
    ::setenv("ZEB_SETTINGS_FILE", (dir_ / "settings.ini").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir_ / "share").c_str(), 1);
  }
  ~ZebhostTest() override {
    ::unsetenv("ZEB_SETTINGS_FILE");
    ::unsetenv("XDG_DATA_HOME");
  }

  Result Run(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    int status = RunZebhost(args, out, err);
    return {status, out.str(), err.str()};
  }

  // Runs a command that must succeed.
  std::string Ok(std::vector<std::string> args) {
    Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }

  // Runs a command that must fail with status 2 and a one-line message holding `needle`.
  void Fails(std::vector<std::string> args, const std::string& needle) {
    Result r = Run(args);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_EQ(r.err.rfind("zebhost: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(needle), std::string::npos) << r.err;
  }

  void Init() {
    Ok({"init", "--data", (dir_ / "data").string(), "--exe", (dir_ / "exe").string()});
  }

  zeb::SettingsStore Store() { return zeb::SettingsStore(dir_ / "settings.ini"); }

  // The number of partners stored in a project, read straight from the tables.
  std::size_t PartnerCount(const std::string& project) {
    zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
    zeb::AppTables app(session);
    return app.Partners(project, zeb::ProjectScope::kExact).size();
  }

  zeb::testing::TempDir dir_;
};

}  // namespace zebhost

#endif  // ZEB_TESTS_ZEBHOST_ZEBHOST_FIXTURE_H_
