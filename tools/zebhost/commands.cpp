#include "commands.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <iostream>
#include <set>
#include <sstream>

#include "bot_command.h"
#include "cli.h"
#include "console/bot_settings.h"
#include "console/run_controller.h"
#include "console/site_information.h"
#include "csv.h"
#include "demo_site.h"
#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/schema.h"
#include "data/settings_catalog.h"
#include "data/settings_store.h"
#include "data/work_tables.h"
#include "text/cipher.h"
#include "text/text_routines.h"

namespace zebhost {
namespace {

namespace fs = std::filesystem;
using zeb::AppTables;
using zeb::PartnerRecord;
using zeb::ProjectScope;

constexpr const char* kUsage =
    "usage: zebhost COMMAND ...\n"
    "  init [--data DIR] [--exe DIR]\n"
    "  project add NAME [--home-page URL] | project list | project remove NAME\n"
    "  partner add --project P --name N --home URL --find TEXT [--start URL --start-hop N]"
    " [--link-text TEXT] [--backlink URL]\n"
    "  partner list --project P | partner remove --project P --name N\n"
    "  partner import --project P FILE.csv\n"
    "  settings list [--network] | settings set NAME VALUE [--network]\n"
    "  check --project P (--partner N ... | --all) [--nodes] [--tick-ms MS]\n"
    "  gather --project P\n"
    "  bot [--project P] [--partner N ...] [--autorun]\n"
    "  demo [--dir DIR] [--sites DIR] [--tick-ms MS]\n";

// Where init puts the folders when neither the store nor the command line names them.
fs::path DefaultBaseFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return fs::path(xdg) / "Quillbex";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return fs::path(home) / ".local" / "share" / "Quillbex";
  }
  return fs::path("Quillbex");
}

std::string FolderText(const fs::path& folder) {
  return zeb::WithTrailingSeparator(fs::absolute(folder).lexically_normal().string());
}

// Names are keys between windows, tables and the tree text: no line breaks or control bytes.
void CheckName(const std::string& name, const std::string& what) {
  if (name.empty()) throw UsageError(what + " must not be empty");
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      throw UsageError(what + " \"" + name + "\" holds a control character");
    }
  }
}

void CheckUrl(const std::string& url, const std::string& what) {
  std::string lower = zeb::LowerCase(url);
  bool http = lower.rfind("http://", 0) == 0 && lower.size() > 7;
  bool https = lower.rfind("https://", 0) == 0 && lower.size() > 8;
  if (!http && !https) {
    throw UsageError(what + " \"" + url + "\" is not an http:// or https:// address");
  }
  for (char c : url) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) {
      throw UsageError(what + " \"" + url + "\" holds a blank or control character");
    }
  }
}

int ParseHop(const std::string& text, const std::string& what) {
  std::optional<std::int32_t> hop = zeb::ParseStrictInt(text);
  if (!hop || *hop < 0) throw UsageError(what + " \"" + text + "\" is not a whole number >= 0");
  return *hop;
}

// Prints rows as left-aligned columns separated by two blanks.
void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    out << line << '\n';
  }
}

zeb::SettingsStore OpenStore() {
  zeb::SettingsStore store(zeb::SettingsStore::DefaultPath());
  if (!fs::exists(store.file())) {
    throw UsageError("there is no settings store at " + store.file().string() +
                     "; run \"zebhost init\" first");
  }
  return store;
}

// The tables of the data folder that the store names.
struct Tables {
  zeb::FileLocations locations;
  zeb::Session session;
  AppTables app;

  explicit Tables(zeb::FileLocations where)
      : locations(std::move(where)), session(Open(locations)), app(session) {}

  static zeb::Session Open(const zeb::FileLocations& locations) {
    try {
      return zeb::OpenDataFolder(locations.DataFolder);
    } catch (const zeb::MissingTableError& e) {
      throw UsageError(e.what());
    }
  }
};

Tables OpenTables() { return Tables(zeb::ReadFileLocations(OpenStore())); }

void RequireProject(AppTables& app, const std::string& project) {
  if (!app.FindProject(project)) throw UsageError("there is no project \"" + project + "\"");
}

void SeedKey(zeb::SettingsStore& store, const char* key_path,
             std::span<const zeb::SettingDef> defs) {
  store.CreateKey(key_path);
  std::optional<zeb::SettingsKey> key = store.OpenKey(key_path);
  if (!key) throw zeb::SettingsError(std::string("Cannot open the new key ") + key_path);
  std::vector<std::pair<std::string, std::string>> missing;
  for (const zeb::SettingDef& def : defs) {
    if (key->HasValue(def.name)) continue;
    std::string value = def.default_value;
    if (def.kind == zeb::SettingKind::kSecret) value = zeb::Encrypt(value, zeb::kProxyPasswordKey);
    missing.emplace_back(def.name, value);
  }
  if (!missing.empty()) key->WriteStrings(missing);
}

int Init(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"data", "exe"}, {});
  a.ExpectPositional(0, "zebhost init [--data DIR] [--exe DIR]");
  zeb::SettingsStore store(zeb::SettingsStore::DefaultPath());
  zeb::FileLocations existing = zeb::ReadFileLocations(store);

  auto choose = [&](const char* option, const std::string& stored, const fs::path& fallback) {
    if (std::optional<std::string> given = a.Value(option)) {
      if (given->empty()) throw UsageError(std::string("--") + option + " needs a folder");
      return FolderText(*given);
    }
    return stored.empty() ? FolderText(fallback) : stored;
  };
  std::string exe = choose("exe", existing.ExeFolder, DefaultBaseFolder());
  std::string data = choose("data", existing.DataFolder, DefaultBaseFolder() / "data");
  for (const std::string& folder : {exe, data}) {
    if (fs::exists(folder) && !fs::is_directory(folder)) {
      throw UsageError(folder + " exists and is not a folder");
    }
  }

  for (const std::string& folder : {exe, data}) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw UsageError("cannot create the folder " + folder + ": " + ec.message());
  }
  zeb::Session session(data + "zeb.sqlite", zeb::OpenMode::kCreateIfMissing);
  zeb::CreateApplicationTables(session);
  zeb::CreateWorkTables(session);

  store.CreateKey(zeb::kFileLocationsKey);
  store.OpenKey(zeb::kFileLocationsKey)->WriteStrings({{"ExeFolder", exe}, {"DataFolder", data}});
  SeedKey(store, zeb::kStartupSettingsKey, zeb::StartupSettingDefs());
  SeedKey(store, zeb::kNetworkKey, zeb::NetworkSettingDefs());

  AppTables app(session);
  out << "Settings store: " << store.file().string() << '\n'
      << "Program folder: " << exe << '\n'
      << "Data folder:    " << data << '\n'
      << "Tables:         " << data << "zeb.sqlite (" << app.ProjectNames().size()
      << " projects)\n"
      << "Next: zebhost project add NAME --home-page URL\n";
  return 0;
}

int Project(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"home-page"}, {});
  const auto& words = a.positional();
  if (words.empty()) throw UsageError("usage: zebhost project add|list|remove ...");
  const std::string& verb = words[0];
  if (verb == "add") {
    a.ExpectPositional(2, "zebhost project add NAME [--home-page URL]");
    zeb::ProjectRecord project;
    project.Name = words[1];
    CheckName(project.Name, "the project name");
    project.YourHomePage = a.Value("home-page").value_or("");
    if (!project.YourHomePage.empty()) CheckUrl(project.YourHomePage, "the home page");
    Tables t = OpenTables();
    if (t.app.FindProject(project.Name)) {
      throw UsageError("the project \"" + project.Name + "\" exists already");
    }
    t.app.AddProject(project);
    out << "Added project " << project.Name << '\n';
    return 0;
  }
  if (a.Value("home-page")) throw UsageError("--home-page belongs to \"project add\"");
  if (verb == "list") {
    a.ExpectPositional(1, "zebhost project list");
    Tables t = OpenTables();
    std::vector<std::vector<std::string>> rows = {{"Project", "Your home page", "Partners"}};
    for (const std::string& name : t.app.ProjectNames()) {
      std::size_t partners = t.app.Partners(name, ProjectScope::kExact).size();
      rows.push_back({name, t.app.FindProject(name)->YourHomePage, std::to_string(partners)});
    }
    if (rows.size() == 1) {
      out << "No projects yet: zebhost project add NAME --home-page URL\n";
    } else {
      PrintTable(out, rows);
    }
    return 0;
  }
  if (verb == "remove") {
    a.ExpectPositional(2, "zebhost project remove NAME");
    Tables t = OpenTables();
    RequireProject(t.app, words[1]);
    t.app.RemoveProject(words[1]);
    out << "Removed project " << words[1] << " with its partners, history and analyses\n";
    return 0;
  }
  throw UsageError("unknown project command \"" + verb + "\" (add, list, remove)");
}

// Checks a partner's fields as both "partner add" and the import take them.
void CheckPartner(const PartnerRecord& p) {
  CheckName(p.SiteName, "the partner name");
  CheckUrl(p.ContactWebSite, "the home page");
  if (!p.BotStart.empty()) CheckUrl(p.BotStart, "the start page");
  if (p.ShortCheck.empty()) throw UsageError("the Find text must not be empty");
  for (char c : p.ShortCheck) {
    if (c == '\r' || c == '\n') throw UsageError("the Find text must be one line");
  }
}

int ImportPartners(Tables& t, const std::string& project, const std::string& file,
                   std::ostream& out) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw UsageError("cannot read " + file);
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::vector<CsvRecord> records;
  try {
    records = ParseCsv(buffer.str());
  } catch (const CsvError& e) {
    throw UsageError(file + ": " + e.what());
  }
  if (records.empty()) throw UsageError(file + " is empty (it needs a header line)");

  std::vector<PartnerRecord> partners;
  std::map<std::string, int> seen;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CsvRecord& r = records[i];
    auto fail = [&](const std::string& why) -> UsageError {
      return UsageError(file + ": line " + std::to_string(r.line) + ": " + why);
    };
    if (r.fields.size() != 5 && r.fields.size() != 6) {
      throw fail("expected 6 fields (name,home page,start page,start hop,find text,link text), "
                 "found " + std::to_string(r.fields.size()));
    }
    PartnerRecord p;
    p.Project = project;
    p.SiteName = r.fields[0];
    p.ContactWebSite = r.fields[1];
    p.BotStart = r.fields[2];
    p.ShortCheck = r.fields[4];
    if (r.fields.size() == 6) p.LongCheck = zeb::SplitLines(r.fields[5]);
    try {
      p.BotBaseHop = r.fields[3].empty() ? 0 : ParseHop(r.fields[3], "the start hop");
      if (p.BotStart.empty() && p.BotBaseHop != 0) {
        throw UsageError("a start hop needs a start page");
      }
      CheckPartner(p);
    } catch (const UsageError& e) {
      throw fail(e.what());
    }
    if (auto it = seen.find(p.SiteName); it != seen.end()) {
      throw fail("the partner \"" + p.SiteName + "\" is also on line " +
                 std::to_string(it->second));
    }
    if (t.app.FindPartner(project, p.SiteName, ProjectScope::kExact)) {
      throw fail("the partner \"" + p.SiteName + "\" exists already in project " + project);
    }
    seen[p.SiteName] = r.line;
    partners.push_back(std::move(p));
  }

  zeb::Transaction transaction(t.session);
  for (const PartnerRecord& p : partners) t.app.AddPartner(p);
  transaction.Commit();
  out << "Imported " << partners.size() << " partners into project " << project << '\n';
  return 0;
}

int Partner(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"project", "name", "home", "find", "start", "start-hop", "link-text",
                     "backlink"}, {});
  const auto& words = a.positional();
  if (words.empty()) throw UsageError("usage: zebhost partner add|list|remove|import ...");
  const std::string& verb = words[0];
  std::string project = a.Required("project");
  if (verb == "add") {
    a.ExpectPositional(1, "zebhost partner add --project P --name N --home URL --find TEXT "
                          "[--start URL --start-hop N] [--link-text TEXT] [--backlink URL]");
    PartnerRecord p;
    p.Project = project;
    p.SiteName = a.Required("name");
    p.ContactWebSite = a.Required("home");
    p.ShortCheck = a.Required("find");
    p.BotStart = a.Value("start").value_or("");
    if (std::optional<std::string> hop = a.Value("start-hop")) {
      if (p.BotStart.empty()) throw UsageError("--start-hop needs --start");
      p.BotBaseHop = ParseHop(*hop, "--start-hop");
    }
    if (std::optional<std::string> link = a.Value("link-text")) p.LongCheck = zeb::SplitLines(*link);
    if (std::optional<std::string> backlink = a.Value("backlink")) {
      CheckUrl(*backlink, "--backlink");
      p.URL = *backlink;
    }
    CheckPartner(p);
    Tables t = OpenTables();
    RequireProject(t.app, project);
    if (t.app.FindPartner(project, p.SiteName, ProjectScope::kExact)) {
      throw UsageError("the partner \"" + p.SiteName + "\" exists already in project " + project);
    }
    t.app.AddPartner(p);
    out << "Added partner " << p.SiteName << " to project " << project << '\n';
    return 0;
  }
  for (const char* option :
       {"name", "home", "find", "start", "start-hop", "link-text", "backlink"}) {
    if (verb != "remove" || std::string(option) != "name") {
      if (a.Value(option)) throw UsageError(std::string("--") + option + " belongs to \"partner add\"");
    }
  }
  if (verb == "list") {
    a.ExpectPositional(1, "zebhost partner list --project P");
    Tables t = OpenTables();
    RequireProject(t.app, project);
    std::vector<PartnerRecord> partners = t.app.Partners(project, ProjectScope::kAllForDefault);
    if (partners.empty()) {
      out << "Project " << project << " has no partners yet: zebhost partner add --project "
          << project << " --name N --home URL --find TEXT\n";
      return 0;
    }
    std::vector<std::vector<std::string>> rows = {
        {"Partner", "Project", "Home page", "Start page (hop)", "Find", "Backlink", "Found"}};
    for (const PartnerRecord& p : partners) {
      std::string start = p.BotStart.empty() ? "-" : p.BotStart + " (" + std::to_string(p.BotBaseHop) + ")";
      rows.push_back({p.SiteName, p.Project, p.ContactWebSite, start, p.ShortCheck,
                      p.URL.empty() ? "-" : p.URL, p.FoundShort ? "yes" : "no"});
    }
    PrintTable(out, rows);
    return 0;
  }
  if (verb == "remove") {
    a.ExpectPositional(1, "zebhost partner remove --project P --name N");
    std::string name = a.Required("name");
    Tables t = OpenTables();
    RequireProject(t.app, project);
    if (!t.app.RemovePartner(project, name)) {
      throw UsageError("there is no partner \"" + name + "\" in project " + project);
    }
    out << "Removed partner " << name << " from project " << project << '\n';
    return 0;
  }
  if (verb == "import") {
    a.ExpectPositional(2, "zebhost partner import --project P FILE.csv");
    Tables t = OpenTables();
    RequireProject(t.app, project);
    return ImportPartners(t, project, words[1], out);
  }
  throw UsageError("unknown partner command \"" + verb + "\" (add, list, remove, import)");
}

int Settings(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {}, {"network"});
  const auto& words = a.positional();
  if (words.empty()) throw UsageError("usage: zebhost settings list | set NAME VALUE [--network]");
  bool network = a.Flag("network");
  const char* key_path = network ? zeb::kNetworkKey : zeb::kStartupSettingsKey;
  std::span<const zeb::SettingDef> defs =
      network ? zeb::NetworkSettingDefs() : zeb::StartupSettingDefs();
  zeb::SettingsStore store = OpenStore();
  std::optional<zeb::SettingsKey> key = store.OpenKey(key_path);
  if (!key) {
    throw UsageError(std::string("the settings key ") + key_path + " is missing; run \"zebhost init\"");
  }
  if (words[0] == "list") {
    a.ExpectPositional(1, "zebhost settings list [--network]");
    std::vector<std::vector<std::string>> rows;
    for (const zeb::SettingDef& def : defs) {
      std::string value = key->ReadString(def.name);
      if (def.kind == zeb::SettingKind::kSecret) value = value.empty() ? "" : "(enciphered)";
      rows.push_back({def.name, key->HasValue(def.name) ? value : "(missing)"});
    }
    PrintTable(out, rows);
    return 0;
  }
  if (words[0] == "set") {
    a.ExpectPositional(3, "zebhost settings set NAME VALUE [--network]");
    const zeb::SettingDef* def = zeb::FindSettingDef(defs, words[1]);
    if (def == nullptr) {
      std::string names;
      for (const zeb::SettingDef& d : defs) names += names.empty() ? d.name : std::string(", ") + d.name;
      throw UsageError("unknown setting \"" + words[1] + "\" (" + names + ")");
    }
    if (std::optional<std::string> why = zeb::ValidateSetting(*def, words[2])) throw UsageError(*why);
    std::string value = words[2];
    if (def->kind == zeb::SettingKind::kSecret) value = zeb::Encrypt(value, zeb::kProxyPasswordKey);
    key->WriteString(def->name, value);
    out << "Set " << def->name << '\n';
    return 0;
  }
  throw UsageError("unknown settings command \"" + words[0] + "\" (list, set)");
}

// An error message on one line: control characters of user text are shown as escapes.
// Prints the run as it goes: a line per partner (with a live progress line on a terminal),
// the messages that matter, each partner's nodes when asked, and a result table at the end.
class CheckPrinter : public zeb::RunObserver {
 public:
  CheckPrinter(std::ostream& out, zeb::Session& session, const std::string& project,
               bool nodes, bool live, bool analysed)
      : out_(out), session_(session), project_(project), nodes_(nodes), live_(live),
        analysed_(analysed) {}

  void set_controller(const zeb::RunController* controller) { controller_ = controller; }

  void OnMessage(const std::string& line) override {
    // The routine steps of every partner are left out; limits, updates and problems stay.
    static const std::set<std::string> kRoutine = {
        "",           "Starting...", "String Found:", "Building tree to backlink",
        "Indexing...", "Analyzing...", "Done"};
    const bool after_found = previous_ == "String Found:";
    previous_ = line;
    if (after_found || kRoutine.count(line) != 0 || line.rfind("Checking: ", 0) == 0) return;
    ClearLive();
    out_ << "  " << line << '\n' << std::flush;
  }

  void OnDisplayChanged() override {
    if (!live_ || controller_ == nullptr || !controller_->Running()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_live_ < std::chrono::milliseconds(100)) return;
    last_live_ = now;
    const zeb::ConsoleDisplay& d = controller_->display();
    if (d.Label24.empty()) return;
    std::string line = "[" + d.Label24 + "] checking: nodes " + d.Label17 + ", links " +
                       d.Label16 + ", hop " + d.Label28 + ", connections " +
                       std::to_string(controller_->busy_slots());
    out_ << '\r' << line << std::string(live_width_ > line.size() ? live_width_ - line.size() : 0, ' ')
         << std::flush;
    live_width_ = line.size();
  }

  void OnPartnerFinished(const zeb::PartnerOutcome& outcome, zeb::WorkTables& tables) override {
    ClearLive();
    ++done_;
    if (nodes_) {
      std::vector<std::vector<std::string>> rows = {{"state", "hop", "URL"}};
      const std::int64_t count = tables.RecordCount();
      for (zeb::RecNo rec = 1; rec <= count; ++rec) {
        if (std::optional<zeb::FrontierNode> node = tables.Node(rec)) {
          rows.push_back({node->RunState, std::to_string(node->Node), node->URL});
        }
      }
      PrintTable(out_, rows);
    }
    Row row{outcome.partner, Result(outcome), "-", "-", "-", "-", "-"};
    if (!outcome.FoundURL.empty()) {
      row.backlink = outcome.FoundURL;
      row.hops = std::to_string(outcome.Hops);
      std::optional<zeb::AnalysisRecord> a =
          AppTables(session_).FindAnalysis(project_, outcome.partner, ProjectScope::kAllForDefault);
      if (analysed_ && a) {
        row.link = std::to_string(a->AllLinkPosition) + "/" + std::to_string(a->AllLinksTotal);
        row.external = std::to_string(a->ExternalLinkPosition) + "/" +
                       std::to_string(a->ExternalLinksTotal);
        row.word = std::to_string(a->WordPosNoTags);
      }
    }
    out_ << "[" << done_ << "] " << outcome.partner << ": " << row.result
         << (outcome.FoundURL.empty() ? "" : " at " + outcome.FoundURL) << '\n' << std::flush;
    rows_.push_back(row);
  }

  void PrintResults() {
    std::vector<std::vector<std::string>> table = {
        {"Partner", "Result", "Backlink", "Hops", "Link", "External", "Word"}};
    for (const Row& r : rows_) {
      table.push_back({r.partner, r.result, r.backlink, r.hops, r.link, r.external, r.word});
    }
    out_ << '\n';
    PrintTable(out_, table);
  }

 private:
  struct Row {
    std::string partner, result, backlink, hops, link, external, word;
  };

  static std::string Result(const zeb::PartnerOutcome& outcome) {
    if (!outcome.FoundURL.empty()) return "found";
    if (outcome.aborted) return "stopped";
    const std::string& reason = outcome.reason;
    std::size_t colon = reason.find(':');
    return reason.empty() ? "not found" : reason.substr(0, colon);
  }

  void ClearLive() {
    if (live_width_ == 0) return;
    out_ << '\r' << std::string(live_width_, ' ') << '\r';
    live_width_ = 0;
  }

  std::ostream& out_;
  zeb::Session& session_;
  std::string project_;
  bool nodes_, live_, analysed_;
  const zeb::RunController* controller_ = nullptr;
  std::string previous_;
  std::vector<Row> rows_;
  int done_ = 0;
  std::size_t live_width_ = 0;
  std::chrono::steady_clock::time_point last_live_{};
};

int Check(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"project", "partner", "tick-ms"}, {"all", "nodes"}, {"partner"});
  a.ExpectPositional(0, "usage: zebhost check --project P (--partner N ... | --all) [--nodes]");
  const std::string project = a.Required("project");
  std::vector<std::string> partners = a.Values("partner");
  if (partners.empty() == !a.Flag("all")) {
    throw UsageError("name the partners to check with --partner, or check them all with --all");
  }
  zeb::RunOptions options;
  if (std::optional<std::string> tick = a.Value("tick-ms")) {
    std::optional<std::int32_t> ms = zeb::ParseStrictInt(*tick);
    if (!ms || *ms < 1) throw UsageError("--tick-ms \"" + *tick + "\" is not a whole number >= 1");
    options.tick = std::chrono::milliseconds(*ms);
  }
  zeb::SettingsStore store = OpenStore();
  zeb::FileLocations locations = zeb::ReadFileLocations(store);
  {
    Tables t(locations);
    RequireProject(t.app, project);
    if (a.Flag("all")) {
      for (const PartnerRecord& p : t.app.Partners(project, ProjectScope::kAllForDefault)) {
        partners.push_back(p.SiteName);
      }
    }
    for (const std::string& name : partners) {
      if (!t.app.FindPartner(project, name, ProjectScope::kAllForDefault)) {
        throw UsageError("there is no partner \"" + name + "\" in project " + project);
      }
    }
  }
  std::vector<std::string> problems;
  zeb::BotSettings settings = zeb::LoadBotSettings(store, locations.DataFolder, &problems);
  for (const std::string& line : problems) out << line << '\n';
  zeb::Session session = zeb::OpenDataFolder(locations.DataFolder);
  const bool live = &out == &std::cout && ::isatty(STDOUT_FILENO) == 1;
  CheckPrinter printer(out, session, project, a.Flag("nodes"), live, settings.AnalyzeFound);
  zeb::RunController controller(locations, store.file().string(), settings, options);
  printer.set_controller(&controller);
  controller.set_observer(&printer);
  out << "Checking " << partners.size() << (partners.size() == 1 ? " partner" : " partners")
      << " of " << project << '\n';
  controller.HTMLButton2Click(project, partners);
  controller.RunToEnd();
  printer.PrintResults();
  return 0;
}

// Gathers the keywords and density of the project's own home page and shows what is stored.
int Gather(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"project"}, {});
  a.ExpectPositional(0, "usage: zebhost gather --project P");
  const std::string project = a.Required("project");
  zeb::SettingsStore store = OpenStore();
  Tables t(zeb::ReadFileLocations(store));
  RequireProject(t.app, project);
  std::vector<std::string> problems;
  zeb::BotSettings settings = zeb::LoadBotSettings(store, t.locations.DataFolder, &problems);
  zeb::GatherOutcome outcome = zeb::GatherSiteInformation(
      t.session, store, t.locations.DataFolder, project, settings.KWDensity,
      [&](const std::string& line) { out << line << '\n'; }, &problems);
  for (const std::string& line : problems) out << line << '\n';
  if (!outcome.dialog_html.empty()) {
    throw UsageError("project " + project + " has no home page; add one with \"zebhost project "
                     "add\" --home-page");
  }
  if (!outcome.stored) throw UsageError("nothing was gathered: " + outcome.status);
  std::optional<zeb::ProjectRecord> record = t.app.FindProject(project);
  out << "Keyword tags:\n";
  for (const std::string& line : record->YourKWTag) out << "  " << line << '\n';
  out << "Keyword density:\n";
  for (const std::string& line : record->YourKWDensity) out << "  " << line << '\n';
  return 0;
}

// A fresh demo folder with its own settings store, three partners on a loopback copy of the
// example sites, and a check of them all.
int Demo(const std::vector<std::string>& args, std::ostream& out) {
  Arguments a(args, {"dir", "sites", "tick-ms"}, {});
  a.ExpectPositional(0, "usage: zebhost demo [--dir DIR] [--sites DIR] [--tick-ms MS]");
  const fs::path dir = fs::absolute(a.Value("dir").value_or("demo-data"));
  const fs::path sites = a.Value("sites").value_or(ZEB_EXAMPLE_SITES);
  const std::string tick = a.Value("tick-ms").value_or("500");
  if (!fs::is_directory(sites / "cats")) {
    throw UsageError("there are no demo sites in " + sites.string() + "; name them with --sites");
  }
  const fs::path marker = dir / ".zebhost-demo";
  std::error_code ec;
  if (fs::exists(dir) && !fs::is_empty(dir, ec) && !fs::exists(marker)) {
    throw UsageError(dir.string() + " holds other files; name an empty folder with --dir");
  }
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
  if (ec) throw UsageError("cannot create the folder " + dir.string() + ": " + ec.message());
  std::ofstream(marker) << "made by zebhost demo\n";
  ::setenv("ZEB_SETTINGS_FILE", (dir / "settings.ini").c_str(), 1);

  DemoSite site(sites);
  auto url = [&](const std::string& host, const std::string& path) {
    return "http://" + host + ":" + std::to_string(site.port()) + path;
  };
  std::ostringstream quiet;
  Init({"--data", (dir / "data").string(), "--exe", (dir / "program").string()}, quiet);
  Project({"add", "My Site", "--home-page", url("mysite.localhost", "/")}, quiet);
  const std::string find = "mysite.localhost";
  auto add = [&](std::vector<std::string> extra) {
    std::vector<std::string> command = {"add", "--project", "My Site", "--find", find};
    command.insert(command.end(), extra.begin(), extra.end());
    Partner(command, quiet);
  };
  // Found on the start page.
  add({"--name", "Rabbit Run", "--home", url("rabbits.localhost", "/")});
  // Found two hops deep; the members' page holds the link too, but robots.txt closes it.
  add({"--name", "Cats Corner", "--home", url("www.cats.localhost", "/index.htm"), "--link-text",
       "<a href=\"http://mysite.localhost/\">My Site</a>"});
  // The backlink moved: the stored address is the old links page.
  add({"--name", "Fish Tank", "--home", url("fish.localhost", "/index.htm"), "--backlink",
       url("fish.localhost", "/old-links.htm")});
  // The link was taken down.
  add({"--name", "Hamster Hut", "--home", url("hamsters.localhost", "/index.htm")});
  // The start page comes compressed.
  add({"--name", "Lizard Lounge", "--home", url("lizards.localhost", "/")});
  // The crawl starts at the links page, one hop below the home page.
  add({"--name", "Dog Days", "--home", url("dogs.localhost", "/"), "--start",
       url("dogs.localhost", "/links/"), "--start-hop", "1"});
  Settings({"set", "ZEBSelConnections", "5"}, quiet);
  Settings({"set", "ZEBAnalyzeFound", "true"}, quiet);
  Settings({"set", "ZEBAutoUpdatePartner", "true"}, quiet);
  out << "Demo sites on 127.0.0.1:" << site.port() << " from " << sites.string() << "\n";
  out << "Partners of \"My Site\":\n";
  Partner({"list", "--project", "My Site"}, out);
  out << "\n";
  int status = Check({"--project", "My Site", "--all", "--tick-ms", tick}, out);
  out << "\nSettings store: " << (dir / "settings.ini").string() << "\n"
      << "Tables:         " << (dir / "data" / "zeb.sqlite").string() << "\n"
      << "Run report:     " << (dir / "program" / "botmail.txt").string() << "\n";
  return status;
}

std::string OneLine(const std::string& message) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  for (char c : message) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (byte < 0x20 || byte == 0x7f) {
      out += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

int RunZebhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  static const std::map<std::string,
                        std::function<int(const std::vector<std::string>&, std::ostream&)>>
      commands = {{"init", Init}, {"project", Project}, {"partner", Partner},
                  {"settings", Settings}, {"check", Check},
                  {"gather", Gather}, {"demo", Demo}, {"bot", Bot}};
  std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    auto it = commands.find(args[0]);
    if (it == commands.end()) throw UsageError("unknown command \"" + args[0] + "\" (zebhost help lists them)");
    return it->second(rest, out);
  } catch (const UsageError& e) {
    err << "zebhost: " << OneLine(e.what()) << '\n';
    return 2;
  } catch (const std::exception& e) {
    err << "zebhost: " << OneLine(e.what()) << '\n';
    return 1;
  }
}

}  // namespace zebhost
