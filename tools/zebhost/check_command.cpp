// zebhost check: runs the bot over partners of a project and prints what it finds.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "command_groups.h"
#include "common.h"
#include "console/bot_settings.h"
#include "console/run_controller.h"
#include "data/app_tables.h"
#include "data/check_changes.h"
#include "data/field_limits.h"
#include "data/file_locations.h"
#include "data/link_verdicts.h"
#include "data/schema.h"
#include "data/settings_catalog.h"
#include "data/settings_store.h"
#include "data/sqlite_session.h"
#include "data/work_tables.h"

namespace zebhost {
namespace {

using zeb::AppTables;
using zeb::PartnerRecord;
using zeb::ProjectScope;

// Prints the run as it goes: a line per partner (with a live progress line on a terminal),
// the messages that matter, each partner's nodes when asked, and a result table at the end.
class CheckPrinter : public zeb::RunObserver {
 public:
  // notes: the node table also says why each node ended early (modern web).
  CheckPrinter(std::ostream& out, zeb::Session& session, const std::string& project, bool nodes,
               bool live, bool analysed, bool notes)
      : out_(out),
        session_(session),
        project_(project),
        nodes_(nodes),
        live_(live),
        analysed_(analysed),
        notes_(notes) {}

  void OnEvent(const zeb::EngineEventArgs& event) override {
    if (nodes_ && notes_ && event.code == zeb::EventCode::kNodeEnded) {
      node_notes_[event.text] = event.key;
    }
  }

  void set_controller(const zeb::RunController* controller) { controller_ = controller; }

  void OnMessage(const std::string& line, zeb::MessageRole role) override {
    // The routine steps of every partner are left out; limits, updates and problems stay.
    if (role == zeb::MessageRole::kRoutine) return;
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
                       std::to_string(d.links_found) + ", hop " + d.Label28 + ", connections " +
                       std::to_string(controller_->busy_slots());
    out_ << '\r' << line
         << std::string(live_width_ > line.size() ? live_width_ - line.size() : 0, ' ')
         << std::flush;
    live_width_ = line.size();
  }

  void OnPartnerFinished(const zeb::PartnerOutcome& outcome, zeb::WorkTables& tables) override {
    ClearLive();
    ++done_;
    if (nodes_) {
      std::vector<std::vector<std::string>> rows = {{"state", "hop", "URL"}};
      if (notes_) rows.front().push_back("why");
      const std::int64_t count = tables.RecordCount();
      for (zeb::RecNo rec = 1; rec <= count; ++rec) {
        if (std::optional<zeb::FrontierNode> node = tables.Node(rec)) {
          rows.push_back({node->RunState, std::to_string(node->Node), node->URL});
          if (notes_) {
            auto note = node_notes_.find(node->URL);
            const bool ok = node->RunState == zeb::row_state::kOK;
            rows.back().push_back(note == node_notes_.end() || ok ? "" : note->second);
          }
        }
      }
      PrintTable(out_, rows, {kCellWidth, kCellWidth, kAddressCellWidth, kMessageCellWidth});
      node_notes_.clear();
    }
    Row row{outcome.partner, Result(outcome), "-", "-", "-", "-", "-", "-"};
    if (!outcome.FoundURL.empty()) {
      row.backlink = outcome.FoundURL;
      row.hops = std::to_string(outcome.Hops);
      std::optional<zeb::AnalysisRecord> a =
          AppTables(session_).FindAnalysis(project_, outcome.partner, ProjectScope::kAllForDefault);
      if (analysed_ && a) {
        row.link = std::to_string(a->AllLinkPosition) + "/" + std::to_string(a->AllLinksTotal);
        row.external =
            std::to_string(a->ExternalLinkPosition) + "/" + std::to_string(a->ExternalLinksTotal);
        row.word = std::to_string(a->WordPosNoTags);
      }
      if (!outcome.verdict.empty()) row.counts = zeb::CountsText(outcome.verdict);
    }
    out_ << "[" << done_ << "] " << outcome.partner << ": " << row.result
         << (outcome.FoundURL.empty() ? "" : " at " + outcome.FoundURL) << '\n'
         << std::flush;
    rows_.push_back(row);
  }

  void PrintResults() {
    std::vector<std::vector<std::string>> table = {
        {"Partner", "Result", "Backlink", "Hops", "Link", "External", "Word", "Counts"}};
    for (const Row& r : rows_) {
      table.push_back(
          {r.partner, r.result, r.backlink, r.hops, r.link, r.external, r.word, r.counts});
    }
    out_ << '\n';
    PrintTable(out_, table, {kCellWidth, kMessageCellWidth, kAddressCellWidth});
  }

 private:
  struct Row {
    std::string partner, result, backlink, hops, link, external, word, counts;
  };

  static std::string Result(const zeb::PartnerOutcome& outcome) {
    if (!outcome.storage_failure.empty()) return "Storage failure: " + outcome.storage_failure;
    if (!outcome.FoundURL.empty()) return "found";
    if (outcome.aborted) return "stopped";
    if (!outcome.unverifiable.empty()) return "Unverifiable: " + outcome.unverifiable;
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
  bool nodes_, live_, analysed_, notes_;
  std::map<std::string, std::string> node_notes_;  // URL -> why its node ended early
  const zeb::RunController* controller_ = nullptr;
  std::vector<Row> rows_;
  int done_ = 0;
  std::size_t live_width_ = 0;
  std::chrono::steady_clock::time_point last_live_{};
};

// Prints what changed since each checked partner's previous check, a line each, after a heading;
// nothing when nothing changed. Only partners whose check this run recorded are compared.
// Returns whether a partner was lost or stopped counting.
bool PrintChanges(std::ostream& out, zeb::Session& session, const std::string& project,
                  const std::vector<zeb::PartnerOutcome>& outcomes) {
  std::vector<std::string> lines;
  bool alarming = false;
  for (const zeb::PartnerOutcome& outcome : outcomes) {
    if (outcome.verdict.empty()) continue;
    // Over "Default" a partner's checks are kept under its own project.
    std::optional<PartnerRecord> partner =
        AppTables(session).FindPartner(project, outcome.partner, ProjectScope::kAllForDefault);
    const std::vector<zeb::VerdictRecord> checks =
        zeb::PartnerVerdicts(session, partner ? partner->Project : project, outcome.partner);
    for (const zeb::CheckChange& change : zeb::LatestChanges(checks)) {
      lines.push_back(outcome.partner + ": " + change.text);
      alarming = alarming || change.Alarming();
    }
  }
  if (lines.empty()) return false;
  out << "\nChanges since the last check:\n";
  for (const std::string& line : lines) out << "  " << line << '\n';
  return alarming;
}

int Check(const ParsedArgs& a, std::ostream& out) {
  const std::string project = a.Required("project");
  std::vector<std::string> partners = a.Values("partner");
  if (partners.empty() == !a.Flag("all")) {
    throw UsageError("name the partners to check with --partner, or check them all with --all");
  }
  zeb::RunOptions options;
  // The pause between partners lets a window show the finished one; without a window the next
  // partner starts at once.
  options.next_partner_delay = std::chrono::milliseconds(0);
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
        throw UsageError("there is no partner " + zeb::QuoteForMessage(name) + " in project " +
                         project);
      }
    }
  }
  std::vector<std::string> problems;
  zeb::BotSettings settings = zeb::LoadBotSettings(store, locations.DataFolder, &problems);
  for (const std::string& line : problems) out << line << '\n';
  zeb::Session session = zeb::OpenDataFolder(locations.DataFolder);
  const bool live = &out == &std::cout && ::isatty(STDOUT_FILENO) == 1;
  CheckPrinter printer(out, session, project, a.Flag("nodes"), live, settings.AnalyzeFound,
                       settings.ModernWeb);
  zeb::RunController controller(locations, store.file().string(), settings, options);
  printer.set_controller(&controller);
  controller.set_observer(&printer);
  out << "Checking " << partners.size() << (partners.size() == 1 ? " partner" : " partners")
      << " of " << project << '\n';
  controller.HTMLButton2Click(project, partners);
  controller.RunToEnd();
  printer.PrintResults();
  const bool alarming = PrintChanges(out, session, project, controller.outcomes());
  for (const zeb::PartnerOutcome& outcome : controller.outcomes()) {
    if (!outcome.storage_failure.empty()) {
      throw std::runtime_error("the check could not be stored: " + outcome.storage_failure);
    }
  }
  // For cron and timers: a lost link or one that stopped counting fails the command.
  return a.Flag("fail-on-change") && alarming ? 1 : 0;
}

}  // namespace

std::vector<CommandSpec> CheckCommands() {
  return {
      {"check",
       "Check partners for your link, without any window",
       "Crawls each partner's site from its start page, one partner after another, with the "
       "stored settings, as the console's Run Checked does, and updates the partners, their "
       "history and analyses and the run report. Prints a line per partner (on a terminal also a "
       "live progress line), the messages that matter, a table of the results with whether each "
       "link counts with search engines, and what changed since each partner's last check.",
       "zebhost check --project \"My Site\" --all --fail-on-change",
       {Required("--project", "P", "the project whose partners to check"),
        Repeatable("--partner", "N", "a partner to check"),
        Flag("--all", "check every partner of the project (instead of --partner)"),
        Flag("--nodes", "also list every page met, with its state and hop"),
        Flag("--fail-on-change",
             "exit with status 1 when a partner lost your link or the link stopped counting "
             "with search engines (for cron and timers)"),
        Option("--tick-ms", "MS", "the console's timer tick in milliseconds", "2000")},
       Check},
  };
}

}  // namespace zebhost
