#include "data/settings_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "data/file_locations.h"
#include "data/settings_catalog.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

using testing::TempDir;

TEST(SettingsStoreTest, OpeningNeverCreatesAFileOrKey) {
  TempDir dir;
  SettingsStore store(dir / "settings.ini");
  EXPECT_FALSE(store.OpenKey(kNetworkKey).has_value());
  EXPECT_FALSE(std::filesystem::exists(dir / "settings.ini"));

  store.CreateKey(kStartupSettingsKey);
  EXPECT_TRUE(store.OpenKey(kStartupSettingsKey).has_value());
  EXPECT_FALSE(store.OpenKey(kNetworkKey).has_value());
  EXPECT_EQ(store.KeyPaths(), std::vector<std::string>{kStartupSettingsKey});
}

TEST(SettingsStoreTest, MissingValuesReadAsEmptyText) {
  TempDir dir;
  SettingsStore store(dir / "settings.ini");
  store.CreateKey(kNetworkKey);
  SettingsKey key = *store.OpenKey(kNetworkKey);
  EXPECT_EQ(key.ReadString("HTTPReadTimeout"), "");
  EXPECT_FALSE(key.HasValue("HTTPReadTimeout"));
  key.WriteString("HTTPReadTimeout", "");
  EXPECT_TRUE(key.HasValue("HTTPReadTimeout"));
  EXPECT_EQ(store.OpenKey(kNetworkKey)->ReadString("HTTPReadTimeout"), "");
}

TEST(SettingsStoreTest, AnyTextRoundTrips) {
  TempDir dir;
  SettingsStore store(dir / "settings.ini");
  store.CreateKey(kStartupSettingsKey);
  const std::vector<std::pair<std::string, std::string>> values = {
      {"plain", "value"},
      {"blanks", "  around  "},
      {"equals", "a=b=c"},
      {"name=with=equals", "x"},
      {"backslash", "C:\\path\\"},
      {"escape-looking", "\\n is not a line break"},
      {"line breaks", "one\r\ntwo\nthree\r"},
      {"section-like", "[Software\\Quillbex\\Network]"},
      {"binary", std::string("a\0b\xff", 4)},
      {"empty", ""},
  };
  store.OpenKey(kStartupSettingsKey)->WriteStrings(values);
  SettingsKey reread = *store.OpenKey(kStartupSettingsKey);
  for (const auto& [name, value] : values) EXPECT_EQ(reread.ReadString(name), value) << name;
  // The section-like value did not start a key of its own.
  EXPECT_EQ(store.KeyPaths().size(), 1u);
}

TEST(SettingsStoreTest, KeysAreSeparate) {
  TempDir dir;
  SettingsStore store(dir / "settings.ini");
  store.CreateKey(kStartupSettingsKey);
  store.CreateKey(kNetworkKey);
  store.OpenKey(kStartupSettingsKey)->WriteString("HTTPPort", "startup");
  store.OpenKey(kNetworkKey)->WriteString("HTTPPort", "8080");
  EXPECT_EQ(store.OpenKey(kStartupSettingsKey)->ReadString("HTTPPort"), "startup");
  EXPECT_EQ(store.OpenKey(kNetworkKey)->ReadString("HTTPPort"), "8080");
  // CreateKey on an existing key keeps its values.
  store.CreateKey(kNetworkKey);
  EXPECT_EQ(store.OpenKey(kNetworkKey)->ReadString("HTTPPort"), "8080");
}

TEST(SettingsStoreTest, WritingIntoAKeyThatWasRemovedFails) {
  TempDir dir;
  SettingsStore store(dir / "settings.ini");
  store.CreateKey(kNetworkKey);
  SettingsKey key = *store.OpenKey(kNetworkKey);
  testing::WriteFile(dir / "settings.ini", "[Other]\nx=1\n");
  EXPECT_THROW(key.WriteString("HTTPPort", "80"), SettingsError);
  EXPECT_EQ(testing::ReadFile(dir / "settings.ini"), "[Other]\nx=1\n");
  std::filesystem::remove(dir / "settings.ini");
  EXPECT_THROW(key.WriteString("HTTPPort", "80"), SettingsError);
  EXPECT_FALSE(std::filesystem::exists(dir / "settings.ini"));
}

TEST(SettingsStoreTest, HandWrittenFileIsRead) {
  TempDir dir;
  testing::WriteFile(dir / "settings.ini",
                     "junk before any section\r\n"
                     "[Software\\Quillbex\\File Locations]\r\n"
                     "ExeFolder=/opt/zeb/\r\n"
                     "not a value line\r\n"
                     "DataFolder=/var/zeb/data/\r\n");
  SettingsStore store(dir / "settings.ini");
  FileLocations locations = ReadFileLocations(store);
  EXPECT_EQ(locations.ExeFolder, "/opt/zeb/");
  EXPECT_EQ(locations.DataFolder, "/var/zeb/data/");
  EXPECT_EQ(DatabaseFile(locations), "/var/zeb/data/zeb.sqlite");
}

TEST(SettingsStoreTest, MissingFileLocationsReadEmpty) {
  TempDir dir;
  SettingsStore store(dir / "none.ini");
  FileLocations locations = ReadFileLocations(store);
  EXPECT_EQ(locations.ExeFolder, "");
  EXPECT_EQ(locations.DataFolder, "");
  EXPECT_EQ(DatabaseFile(locations), "zeb.sqlite");  // plain concatenation
}

TEST(SettingsStoreTest, DefaultPathFollowsTheEnvironment) {
  const char* saved_file = std::getenv("ZEB_SETTINGS_FILE");
  std::string saved = saved_file != nullptr ? saved_file : "";
  ::setenv("ZEB_SETTINGS_FILE", "/tmp/x/settings.ini", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/tmp/x/settings.ini");
  ::unsetenv("ZEB_SETTINGS_FILE");
  ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/tmp/cfg/Quillbex/settings.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  if (saved_file != nullptr) ::setenv("ZEB_SETTINGS_FILE", saved.c_str(), 1);
}

// Many writers at once, in threads and in separate processes, each with its own values: every
// value of every writer is in the file afterwards.
TEST(SettingsStoreTest, ConcurrentWritersLoseNothing) {
  TempDir dir;
  const std::filesystem::path file = dir / "settings.ini";
  SettingsStore(file).CreateKey(kStartupSettingsKey);
  constexpr int kWriters = 6;
  constexpr int kValuesEach = 25;

  auto write_values = [&](const std::string& prefix) {
    SettingsStore store(file);
    for (int i = 0; i < kValuesEach; ++i) {
      SettingsKey key = *store.OpenKey(kStartupSettingsKey);
      key.WriteString(prefix + std::to_string(i), std::to_string(i));
    }
  };

  std::vector<pid_t> children;
  for (int p = 0; p < kWriters / 2; ++p) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      try {
        write_values("process" + std::to_string(p) + "-");
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(pid);
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kWriters / 2; ++t) {
    threads.emplace_back(write_values, "thread" + std::to_string(t) + "-");
  }
  for (std::thread& t : threads) t.join();
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  SettingsKey key = *SettingsStore(file).OpenKey(kStartupSettingsKey);
  EXPECT_EQ(key.values().size(), static_cast<std::size_t>(kWriters * kValuesEach));
  for (int i = 0; i < kValuesEach; ++i) {
    EXPECT_EQ(key.ReadString("process0-" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(key.ReadString("thread2-" + std::to_string(i)), std::to_string(i));
  }
  // No temporary files are left behind.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 2);  // the store and its lock file
}

TEST(SettingsCatalogTest, StrictIntegers) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {"0", 0},          {"125000", 125000},         {"-1", -1},
      {"+7", 7},         {"2147483647", 2147483647}, {"-2147483648", -2147483648LL},
      {"2147483648", {}}, {"", {}},                  {" 1", {}},
      {"1 ", {}},        {"1.5", {}},                {"0x10", {}},
      {"-", {}},         {"12a", {}},                {"99999999999999999999", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseStrictInt(c.text), c.value) << c.text;
}

TEST(SettingsCatalogTest, SwitchesAreOnOnlyForTrue) {
  for (const char* on : {"true", "True", "TRUE", "tRuE"}) EXPECT_TRUE(TextToSwitch(on)) << on;
  for (const char* off : {"yes", "1", "", "false", " true", "true "}) {
    EXPECT_FALSE(TextToSwitch(off)) << off;
  }
}

TEST(SettingsCatalogTest, ValidationFollowsKindAndRange) {
  const SettingDef* hops = FindSettingDef(StartupSettingDefs(), "ZEBStopHops");
  ASSERT_NE(hops, nullptr);
  EXPECT_FALSE(ValidateSetting(*hops, "-1"));
  EXPECT_TRUE(ValidateSetting(*hops, "-2"));
  const SettingDef* size = FindSettingDef(StartupSettingDefs(), "ZEBIgnoreSize");
  EXPECT_TRUE(ValidateSetting(*size, "4999"));
  EXPECT_FALSE(ValidateSetting(*size, "5000"));
  const SettingDef* connections = FindSettingDef(StartupSettingDefs(), "ZEBSelConnections");
  EXPECT_FALSE(ValidateSetting(*connections, "20"));
  EXPECT_FALSE(ValidateSetting(*connections, ""));
  EXPECT_TRUE(ValidateSetting(*connections, "7"));
  const SettingDef* analyze = FindSettingDef(StartupSettingDefs(), "ZEBAnalyzeBase");
  EXPECT_TRUE(ValidateSetting(*analyze, "yes"));
  EXPECT_EQ(FindSettingDef(NetworkSettingDefs(), "ZEBStopHops"), nullptr);
  // Every default passes its own check.
  for (auto defs : {StartupSettingDefs(), NetworkSettingDefs()}) {
    for (const SettingDef& def : defs) EXPECT_FALSE(ValidateSetting(def, def.default_value)) << def.name;
  }
}

}  // namespace
}  // namespace zeb
