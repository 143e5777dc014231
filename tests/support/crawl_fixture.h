// A complete place for a crawl to run in: a data folder with the tables, a program folder, a
// settings store, a partner project and a loopback site, plus a headless run of the controller
// that records what the console was told.
#ifndef ZEB_TESTS_SUPPORT_CRAWL_FIXTURE_H_
#define ZEB_TESTS_SUPPORT_CRAWL_FIXTURE_H_

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "console/bot_settings.h"
#include "console/run_controller.h"
#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/work_tables.h"
#include "engine/console_link.h"
#include "support/loopback_site.h"
#include "support/temp_dir.h"

namespace zeb::testing {

inline constexpr const char* kProject = "P";
// The host name the fixture's partners are reached by, unless a test names another.
inline constexpr const char* kPartnerHost = "partner.localhost";

// Serves `pages` pages /p0.htm ... on site, each linking to ten others, all reachable from
// /p0.htm; no page holds a Find text, so the whole site is crawled.
void ServeLinkedPages(LoopbackSite& site, int pages, std::chrono::milliseconds delay);

// What a run told the console, in order.
struct RunRecord {
  std::vector<EngineEventArgs> events;
  std::vector<std::string> messages;
  std::vector<PartnerOutcome> outcomes;
  int peak_threads = 0;
  // Crawl threads still alive when each partner was declared finished.
  std::vector<int> busy_at_finish;

  // The events of one code (and key, when given).
  std::vector<EngineEventArgs> Events(EventCode code, const std::string& key = "") const;
  // The key of the code-7 event for url, or "" when there was none.
  std::string FinalNotice(const std::string& url) const;
  bool HasMessage(const std::string& line) const;
};

class CrawlFixture {
 public:
  CrawlFixture();

  LoopbackSite& site() { return site_; }
  // The address of path on the site under the partner host name "partner.localhost".
  std::string Url(const std::string& path) const { return site_.Url(kPartnerHost, path); }
  // The address of path under another host name; the order of LoopbackSite::Url.
  std::string Url(const std::string& host, const std::string& path) const {
    return site_.Url(host, path);
  }
  const FileLocations& locations() const { return locations_; }
  const std::string& settings_file() const { return settings_file_; }

  // A "Network" value of the store.
  void SetNetwork(const std::string& name, const std::string& value);
  // Adds a partner of the project "P".
  void AddPartner(const std::string& name, const std::string& home, const std::string& find,
                  const std::string& start = "", int start_hop = 0, const Lines& long_check = {});
  // Stores `settings` in the settings file, as the console's Save buttons would, and the file
  // locations, as zebhost init would: for the window and zebhost, which read them there.
  void StoreSettings();
  void StoreFileLocations();
  // Writes a word-list file of the data folder.
  void WriteList(const std::string& file, const std::string& text);

  // Runs the partners with `settings`; `during` is called on the controller's thread with each
  // event after the controller handled it.
  RunRecord Run(const std::vector<std::string>& partners,
                const std::function<void(RunController&, const EngineEventArgs&)>& during = {},
                RunOptions options = FastOptions());

  static RunOptions FastOptions();
  // ServeLinkedPages on the fixture's site.
  void ServeLinkedSite(int pages, std::chrono::milliseconds delay) {
    ServeLinkedPages(site_, pages, delay);
  }

  // The work tables as the run left them.
  std::vector<FrontierRow> Frontier();
  std::vector<TrackRow> Track();
  std::optional<HostRow> HostEntry(const std::string& key);
  // The frontier row of an address (exact text), or nullopt.
  std::optional<FrontierRow> RowOf(const std::string& url);
  std::string Report();

  BotSettings settings;

 private:
  TempDir dir_;
  LoopbackSite site_;
  FileLocations locations_;
  std::string settings_file_;
};

}  // namespace zeb::testing

#endif  // ZEB_TESTS_SUPPORT_CRAWL_FIXTURE_H_
