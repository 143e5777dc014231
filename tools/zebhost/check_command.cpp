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
#include "console/parallel_run.h"
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

// Prints the run as it goes: a line per partner (with live progress on a terminal), the
// messages that matter, each partner's nodes when asked, and a result table at the end. One
// partner after another it observes the one controller; side by side it observes them all,
// keeps each partner's messages until its line and shows a live line per running partner.
class CheckPrinter : public zeb::RunObserver, public zeb::ParallelRunObserver {
 public:
  // notes: the node table also says why each node ended early (modern web).
  CheckPrinter(std::ostream& out, zeb::Session& session, const std::string& project,
               std::vector<std::string> partners, bool nodes, bool live, bool analysed, bool notes)
      : out_(out),
        session_(session),
        project_(project),
        partners_(std::move(partners)),
        nodes_(nodes),
        live_(live),
        analysed_(analysed),
        notes_(notes),
        rows_(partners_.size()),
        notes_by_partner_(partners_.size()),
        held_(partners_.size()) {}

  // One partner after another.
  void set_controller(const zeb::RunController* controller) { controller_ = controller; }

  void OnEvent(const zeb::EngineEventArgs& event) override { OnEvent(done_, event); }

  void OnMessage(const std::string& line, zeb::MessageRole role) override {
    // The routine steps of every partner are left out; limits, updates and problems stay.
    if (role == zeb::MessageRole::kRoutine) return;
    ClearLive();
    out_ << "  " << line << '\n' << std::flush;
  }

  void OnDisplayChanged() override {
    if (!live_ || controller_ == nullptr || !controller_->Running() || !Due()) return;
    const zeb::ConsoleDisplay& d = controller_->display();
    if (d.Label24.empty()) return;
    std::string line = "[" + d.Label24 + "] " + ProgressText(*controller_);
    out_ << '\r' << line
         << std::string(live_width_ > line.size() ? live_width_ - line.size() : 0, ' ')
         << std::flush;
    live_width_ = line.size();
  }

  void OnPartnerFinished(const zeb::PartnerOutcome& outcome, zeb::WorkTables& tables) override {
    ClearLive();
    Finish(done_, outcome, tables);
  }

  // Side by side: every call names the partner by its index.
  void OnPartnerStarted(std::size_t index) override {
    live_lines_[index] = Name(index) + ": starting";
    DrawLive();
  }

  void OnMessage(std::size_t index, const std::string& line, zeb::MessageRole role) override {
    if (role == zeb::MessageRole::kRoutine) return;
    if (index < held_.size() && !rows_[index]) {
      held_[index].push_back(line);  // told with the partner's own line
    } else {
      ClearLive();
      out_ << "  " << line << '\n';
      DrawLive();
    }
  }

  void OnEvent(std::size_t index, const zeb::EngineEventArgs& event) override {
    if (nodes_ && notes_ && event.code == zeb::EventCode::kNodeEnded &&
        index < notes_by_partner_.size()) {
      notes_by_partner_[index][event.text] = event.key;
    }
  }

  void OnDisplayChanged(std::size_t index, const zeb::RunController& controller) override {
    if (!live_ || !controller.Running() || !Due()) return;
    live_lines_[index] = Name(index) + ": " + ProgressText(controller);
    DrawLive();
  }

  void OnPartnerFinished(std::size_t index, const zeb::PartnerOutcome& outcome,
                         zeb::WorkTables& tables) override {
    ClearLive();
    live_lines_.erase(index);
    for (const std::string& line : held_[index]) out_ << "  " << line << '\n';
    held_[index].clear();
    Finish(index, outcome, tables);
    DrawLive();
  }

  void PrintResults() {
    ClearLive();
    std::vector<std::vector<std::string>> table = {
        {"Partner", "Result", "Backlink", "Hops", "Link", "External", "Word", "Counts"}};
    for (const std::optional<Row>& r : rows_) {
      if (!r) continue;
      table.push_back(
          {r->partner, r->result, r->backlink, r->hops, r->link, r->external, r->word, r->counts});
    }
    out_ << '\n';
    PrintTable(out_, table, {kCellWidth, kMessageCellWidth, kAddressCellWidth});
  }

 private:
  struct Row {
    std::string partner, result, backlink, hops, link, external, word, counts;
  };

  std::string Name(std::size_t index) const {
    return "[" + std::to_string(index + 1) + "] " +
           (index < partners_.size() ? partners_[index] : std::string());
  }

  static std::string ProgressText(const zeb::RunController& controller) {
    const zeb::ConsoleDisplay& d = controller.display();
    return "checking: nodes " + d.Label17 + ", links " + std::to_string(d.links_found) + ", hop " +
           d.Label28 + ", connections " + std::to_string(controller.busy_slots());
  }

  // Live lines are redrawn at most ten times a second.
  bool Due() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_live_ < std::chrono::milliseconds(100)) return false;
    last_live_ = now;
    return true;
  }

  // The partner's nodes when asked, its line, and its row of the result table.
  void Finish(std::size_t index, const zeb::PartnerOutcome& outcome, zeb::WorkTables& tables) {
    ++done_;
    std::map<std::string, std::string>& notes = notes_by_partner_[index];
    if (nodes_) {
      std::vector<std::vector<std::string>> rows = {{"state", "hop", "URL"}};
      if (notes_) rows.front().push_back("why");
      const std::int64_t count = tables.RecordCount();
      for (zeb::RecNo rec = 1; rec <= count; ++rec) {
        if (std::optional<zeb::FrontierNode> node = tables.Node(rec)) {
          rows.push_back({node->RunState, std::to_string(node->Node), node->URL});
          if (notes_) {
            auto note = notes.find(node->URL);
            const bool ok = node->RunState == zeb::row_state::kOK;
            rows.back().push_back(note == notes.end() || ok ? "" : note->second);
          }
        }
      }
      PrintTable(out_, rows, {kCellWidth, kCellWidth, kAddressCellWidth, kMessageCellWidth});
    }
    notes.clear();
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
    out_ << "[" << index + 1 << "] " << outcome.partner << ": " << row.result
         << (outcome.FoundURL.empty() ? "" : " at " + outcome.FoundURL) << '\n'
         << std::flush;
    if (index >= rows_.size()) rows_.resize(index + 1);
    rows_[index] = row;
  }

  static std::string Result(const zeb::PartnerOutcome& outcome) {
    if (!outcome.storage_failure.empty()) return "Storage failure: " + outcome.storage_failure;
    if (!outcome.FoundURL.empty()) return "found";
    if (outcome.aborted) return "stopped";
    if (!outcome.unverifiable.empty()) return "Unverifiable: " + outcome.unverifiable;
    const std::string& reason = outcome.reason;
    std::size_t colon = reason.find(':');
    return reason.empty() ? "not found" : reason.substr(0, colon);
  }

  // Removes the live line (one partner after another) or lines (side by side) from the screen.
  void ClearLive() {
    if (live_width_ != 0) {
      out_ << '\r' << std::string(live_width_, ' ') << '\r';
      live_width_ = 0;
    }
    if (live_drawn_ != 0) {
      out_ << "\x1b[" << live_drawn_ << "A\x1b[J";  // up to the first live line, clear below
      live_drawn_ = 0;
    }
  }

  void DrawLive() {
    if (!live_) return;
    ClearLive();
    for (const auto& [index, line] : live_lines_) out_ << CutCell(line, kMessageCellWidth) << '\n';
    live_drawn_ = live_lines_.size();
    out_ << std::flush;
  }

  std::ostream& out_;
  zeb::Session& session_;
  std::string project_;
  std::vector<std::string> partners_;
  bool nodes_, live_, analysed_, notes_;
  std::vector<std::optional<Row>> rows_;  // by the partner's index
  // URL -> why its node ended early, by partner.
  std::vector<std::map<std::string, std::string>> notes_by_partner_;
  std::vector<std::vector<std::string>> held_;     // side by side: messages not told yet
  std::map<std::size_t, std::string> live_lines_;  // side by side: one per running partner
  std::size_t live_drawn_ = 0;
  const zeb::RunController* controller_ = nullptr;
  std::size_t done_ = 0;
  std::size_t live_width_ = 0;
  std::chrono::steady_clock::time_point last_live_{};
};

// Prints what changed since each checked partner's previous check, a line each, after a heading;
// nothing when nothing changed. Only partners whose check this run recorded are compared.
// Returns whether a partner was lost or stopped counting.
bool PrintChanges(std::ostream& out, zeb::Session& session,
                  const std::vector<zeb::PartnerOutcome>& outcomes) {
  std::vector<std::string> lines;
  bool alarming = false;
  for (const zeb::PartnerOutcome& outcome : outcomes) {
    if (outcome.verdict.empty()) continue;
    const std::vector<zeb::VerdictRecord> checks =
        zeb::PartnerVerdicts(session, outcome.recorded_project, outcome.partner);
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
  int parallel = 1;
  if (std::optional<std::string> n = a.Value("parallel")) {
    std::optional<std::int32_t> value = zeb::ParseStrictInt(*n);
    if (!value || *value < 1 || *value > zeb::kMaxParallelPartners) {
      throw UsageError("--parallel \"" + *n + "\" is not a whole number from 1 to " +
                       std::to_string(zeb::kMaxParallelPartners));
    }
    parallel = *value;
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
  CheckPrinter printer(out, session, project, partners, a.Flag("nodes"), live,
                       settings.AnalyzeFound, settings.ModernWeb);
  out << "Checking " << partners.size() << (partners.size() == 1 ? " partner" : " partners")
      << " of " << project;
  if (parallel > 1) out << ", up to " << parallel << " at once";
  out << '\n';
  std::vector<zeb::PartnerOutcome> outcomes;
  if (parallel > 1) {
    outcomes = zeb::RunPartnersSideBySide(locations, store.file().string(), settings, options,
                                          project, partners, parallel, &printer);
  } else {
    zeb::RunController controller(locations, store.file().string(), settings, options);
    printer.set_controller(&controller);
    controller.set_observer(&printer);
    controller.HTMLButton2Click(project, partners);
    controller.RunToEnd();
    outcomes = controller.outcomes();
  }
  printer.PrintResults();
  const bool alarming = PrintChanges(out, session, outcomes);
  for (const zeb::PartnerOutcome& outcome : outcomes) {
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
        Option("--parallel", "N",
               "check up to N partners at once (1 to 20), never two of one host; each partner's "
               "results, history and report block are those of a check one after another",
               "1"),
        Flag("--fail-on-change",
             "exit with status 1 when a partner lost your link or the link stopped counting "
             "with search engines (for cron and timers)"),
        Option("--tick-ms", "MS", "the console's timer tick in milliseconds", "2000")},
       Check},
  };
}

}  // namespace zebhost
