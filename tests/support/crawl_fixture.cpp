#include "support/crawl_fixture.h"

#include <filesystem>

#include "data/schema.h"
#include "data/settings_store.h"
#include "data/sqlite_session.h"
#include "engine/run_report.h"

namespace zeb::testing {

std::vector<EngineEventArgs> RunRecord::Events(EventCode code, const std::string& key) const {
  std::vector<EngineEventArgs> out;
  for (const EngineEventArgs& e : events) {
    if (e.code == code && (key.empty() || e.key == key)) out.push_back(e);
  }
  return out;
}

std::string RunRecord::FinalNotice(const std::string& url) const {
  for (const EngineEventArgs& e : events) {
    if (e.code == EventCode::kNodeEnded && e.text == url) return e.key;
  }
  return "";
}

bool RunRecord::HasMessage(const std::string& line) const {
  for (const std::string& m : messages) {
    if (m == line) return true;
  }
  return false;
}

CrawlFixture::CrawlFixture() {
  std::filesystem::create_directories(dir_ / "data");
  std::filesystem::create_directories(dir_ / "exe");
  locations_.DataFolder = (dir_ / "data").string() + "/";
  locations_.ExeFolder = (dir_ / "exe").string() + "/";
  settings_file_ = (dir_ / "settings.ini").string();
  SettingsStore store(settings_file_);
  store.CreateKey(kNetworkKey);
  Session session(DatabaseFile(locations_), OpenMode::kCreateIfMissing);
  CreateApplicationTables(session);
  CreateWorkTables(session);
  AppTables app(session);
  app.AddProject({kProject, "", {}, {}});
  settings.Connections = 1;
  settings.UserAgent = "ZEB test";
  settings.StopHops = 3;
}

RunOptions CrawlFixture::FastOptions() {
  RunOptions options;
  options.tick = std::chrono::milliseconds(10);
  options.next_partner_delay = std::chrono::milliseconds(5);
  return options;
}

void CrawlFixture::SetNetwork(const std::string& name, const std::string& value) {
  SettingsStore store(settings_file_);
  store.OpenKey(kNetworkKey)->WriteString(name, value);
}

void CrawlFixture::AddPartner(const std::string& name, const std::string& home,
                              const std::string& find, const std::string& start, int start_hop,
                              const Lines& long_check) {
  Session session(DatabaseFile(locations_), OpenMode::kExisting);
  PartnerRecord p;
  p.Project = kProject;
  p.SiteName = name;
  p.ContactWebSite = home;
  p.BotStart = start;
  p.BotBaseHop = start_hop;
  p.ShortCheck = find;
  p.LongCheck = long_check;
  p.URL = "http://old.example/links.htm";
  AppTables(session).AddPartner(p);
}

void CrawlFixture::StoreSettings() {
  SettingsStore store(settings_file_);
  store.CreateKey(kStartupSettingsKey);
  for (std::size_t i = 0; i < kPanelCount; ++i) {
    SaveBotSettingsPanel(store, locations_.DataFolder, settings, static_cast<SettingsPanel>(i));
  }
}

void CrawlFixture::StoreFileLocations() {
  SettingsStore store(settings_file_);
  store.CreateKey(kFileLocationsKey);
  std::optional<SettingsKey> key = store.OpenKey(kFileLocationsKey);
  key->WriteString("ExeFolder", locations_.ExeFolder);
  key->WriteString("DataFolder", locations_.DataFolder);
}

void ServeLinkedPages(LoopbackSite& site, int pages, std::chrono::milliseconds delay) {
  for (int i = 0; i < pages; ++i) {
    Reply reply;
    reply.delay = delay;
    reply.body = "<html><head><title>Page " + std::to_string(i) + "</title></head><body>";
    for (int k = 1; k <= 10; ++k) {
      const int target = (i * 10 + k) % pages;
      reply.body += "<p>Some text about page " + std::to_string(target) + ". <a href=\"/p" +
                    std::to_string(target) + ".htm\">read more</a></p>";
    }
    reply.body += "</body></html>";
    site.Serve("/p" + std::to_string(i) + ".htm", reply);
  }
}

void CrawlFixture::WriteList(const std::string& file, const std::string& text) {
  WriteFile(dir_ / "data" / file, text);
}

namespace {

class Recorder : public RunObserver {
 public:
  Recorder(RunController& controller, RunRecord& record,
           const std::function<void(RunController&, const EngineEventArgs&)>& during)
      : controller_(controller), record_(record), during_(during) {}
  void OnEvent(const EngineEventArgs& event) override {
    record_.events.push_back(event);
    if (during_) during_(controller_, event);
  }
  void OnMessage(const std::string& line, MessageRole) override {
    record_.messages.push_back(line);
  }
  void OnPartnerFinished(const PartnerOutcome&, WorkTables&) override {
    record_.busy_at_finish.push_back(controller_.busy_slots() + controller_.live_threads());
  }

 private:
  RunController& controller_;
  RunRecord& record_;
  const std::function<void(RunController&, const EngineEventArgs&)>& during_;
};

}  // namespace

RunRecord CrawlFixture::Run(
    const std::vector<std::string>& partners,
    const std::function<void(RunController&, const EngineEventArgs&)>& during,
    RunOptions options) {
  RunRecord record;
  RunController controller(locations_, settings_file_, settings, options);
  Recorder recorder(controller, record, during);
  controller.set_observer(&recorder);
  controller.HTMLButton2Click(kProject, partners);
  controller.RunToEnd();
  record.outcomes = controller.outcomes();
  record.peak_threads = controller.peak_threads();
  return record;
}

std::vector<FrontierRow> CrawlFixture::Frontier() {
  Session session(DatabaseFile(locations_), OpenMode::kExisting);
  WorkTables tables(session);
  std::vector<FrontierRow> rows;
  const std::int64_t count = tables.RecordCount();
  for (RecNo rec = 1; rec <= count; ++rec) {
    if (std::optional<FrontierRow> row = tables.Row(rec)) rows.push_back(*row);
  }
  return rows;
}

std::vector<TrackRow> CrawlFixture::Track() {
  Session session(DatabaseFile(locations_), OpenMode::kExisting);
  std::vector<TrackRow> rows;
  QueryRef q = session.Query("SELECT URL, ParentURL, Node FROM URLTrack ORDER BY rowid");
  while (q->Step()) {
    rows.push_back({q->ColumnText(0), q->ColumnText(1), static_cast<int>(q->ColumnInt(2))});
  }
  return rows;
}

std::optional<HostRow> CrawlFixture::HostEntry(const std::string& key) {
  Session session(DatabaseFile(locations_), OpenMode::kExisting);
  return WorkTables(session).FindHost(key);
}

std::optional<FrontierRow> CrawlFixture::RowOf(const std::string& url) {
  for (FrontierRow& row : Frontier()) {
    if (row.URL == url) return row;
  }
  return std::nullopt;
}

std::string CrawlFixture::Report() { return ReadFile(dir_ / "exe" / kRunReportFile); }

}  // namespace zeb::testing
