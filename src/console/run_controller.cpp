#include "console/run_controller.h"

#include <algorithm>

#include "console/backlink_analysis.h"
#include "console/partner_update.h"
#include "console/verdict_record.h"
#include "data/app_tables.h"
#include "data/check_history.h"
#include "data/link_verdicts.h"
#include "data/schema.h"
#include "engine/host_gate.h"

namespace zeb {

RunController::RunController(FileLocations locations, std::string settings_file,
                             BotSettings settings, RunOptions options)
    : locations_(std::move(locations)),
      settings_file_(std::move(settings_file)),
      settings_(std::move(settings)),
      options_(options) {}

RunController::~RunController() {
  // Threads still running need the owner thread for their calls: stop them and serve them
  // until every one has ended.
  if (busy_slots() > 0) {
    user_stopped_ = true;
    AbortRequested = true;
    SetPaused(false);
    while (busy_slots() > 0) {
      dispatcher_.RunUntil(Dispatcher::Clock::now() + std::chrono::milliseconds(20));
    }
  }
  dispatcher_.RunPending();
  JoinFinishedThreads();
}

int RunController::Connections() const {
  // A stored count outside the list leaves no selection; the run then uses one connection.
  int n = settings_.Connections.value_or(1);
  return std::clamp(n, 1, kMaxConnections);
}

int RunController::busy_slots() const {
  return static_cast<int>(std::count(SlotBusy.begin(), SlotBusy.end(), true));
}

void RunController::Changed() {
  if (observer_) observer_->OnDisplayChanged();
}

void RunController::Memo(const std::string& line, MessageRole role) {
  display_.Memo1.push_back(line);
  if (observer_) observer_->OnMessage(line, role);
}

void RunController::SetControlsEnabled(bool on) {
  display_.stop_enabled = !on;
  display_.pause_enabled = !on;
  Changed();
}

void RunController::HTMLButton2Click(const std::string& project,
                                     const std::vector<std::string>& partners) {
  project_ = project;
  partners_ = partners;
  partner_pos_ = 0;
  outcomes_.clear();
  session_ = std::make_unique<Session>(OpenRunSession(locations_));
  // The crawl threads share one connection, which NextOpenRecord (run on those threads) reads
  // through too; it is not the console's own.
  view_session_ = std::make_shared<Session>(ReopenRunSession(locations_));
  ConfigureCrawlSession(*view_session_);
  flush_session_ = std::make_shared<Session>(ReopenRunSession(locations_));
  tables_ = std::make_unique<WorkTables>(*view_session_);

  FoundURL.clear();
  running_ = true;
  Aborted = false;
  user_stopped_ = false;
  display_.paused = false;
  SetPaused(false);
  display_.ResetPartnerCounters();
  SetControlsEnabled(false);
  PartnerIndex = 1;
  display_.Label24 = "1/" + std::to_string(partners_.size());
  if (partners_.size() > 1) {
    display_.lock_tree = true;
    display_.lock_tree_enabled = false;
  }
  display_.Memo1.clear();
  ++display_.memo_generation;
  Memo("Starting...", MessageRole::kRoutine);
  display_.HTMLTreeview1.clear();
  ++display_.tree_serial;
  display_.tree_selection.Clear();
  if (partners_.empty()) {
    running_ = false;
    SetControlsEnabled(true);
    if (observer_) observer_->OnRunFinished();
    return;
  }
  ShowPartner(partners_[0]);
  StartPartnerRun();
}

void RunController::StartPartnerRun() {
  AbortRequested = false;
  MaxHopsReached = TimeExpired = MaxRecordsReached = false;
  FoundURL.clear();
  verdicts_.clear();
  found_short_ = found_long_ = false;
  find_reported_ = false;
  unverifiable_.clear();
  storage_failure_.clear();
  decided_ = false;
  gate_ = std::make_shared<HostGate>();
  handout_.Reset();
  SetControlsEnabled(false);
  try {
    SeedRun();
  } catch (const std::exception& e) {
    if (!IsStorageFailure(e)) throw;
    FinishPartner();  // no thread was started: the partner ends here
    return;
  }
  StartPending = true;
  start_requested_ = false;  // a request of the last partner's threads is not this one's
  SlotBusy.fill(false);
  ReadTotal.fill(0);
  StringTotal.fill(0);
  Deadline = settings_.StopTime != 0 ? AddSecs(Now(), settings_.StopTime) : DateTime{};
  LastLimitMessage.clear();
  timer1_on_ = !display_.paused;
  timer1_due_ = Dispatcher::Clock::now() + options_.tick;
  // The first thread starts with the partner, not at the first tick.
  Timer1Timer();
}

void RunController::SeedRun() {
  std::string start = display_.Label35;
  if (!start.empty() && start.back() == '/') start.pop_back();
  WorkTables(*session_).EmptyAll();
  AppTables app(*session_);
  PreviousBacklink.clear();
  StartHop = 0;
  if (std::optional<PartnerRecord> record =
          app.FindPartner(project_, partner_, ProjectScope::kAllForDefault)) {
    PreviousBacklink = record->URL;
    if (!record->BotStart.empty()) {
      start = record->BotStart;
      StartHop = record->BotBaseHop;
    }
  }
  WorkTables seed(*session_);
  seed.AppendFrontier({start, "", StartHop, row_state::kOpen, std::string("doc")});
  seed.TrackURL({display_.Label35, "", StartHop});
  Memo("", MessageRole::kRoutine);
  Memo("Checking: " + display_.Label35, MessageRole::kRoutine);
}

EngineSettings RunController::ThreadSettings(int slot) const {
  EngineSettings s;
  s.Index = slot;
  s.Deadline = Deadline;
  // "Stop at N hops" lets the crawl queue links up to hop N; -1 means no limit.
  s.MaxHops = settings_.StopHops == -1 ? -1 : settings_.StopHops + 1;
  s.AnalyzeBacklink = settings_.AnalyzeFound;
  s.AnalyzeHomePage = settings_.AnalyzeBase;
  s.MaxLinks = settings_.StopLinks;
  s.RobotsCheck = true;
  s.SendFoundStop = true;
  s.FindList = {display_.Label33};
  s.BandwidthThrottle = settings_.ThrottleBand;
  s.ProcessThrottle = settings_.ThrottleProc;
  s.MaxPageSize = settings_.IgnoreSize;
  s.URLExceptionsOn = settings_.URLExceptions;
  s.HotLinkOn = settings_.HotLink;
  const bool analysis = settings_.AnalyzeFound || settings_.AnalyzeBase;
  s.StoreKeywords = s.StoreTitle = s.StoreDescription = s.StoreCache = s.StoreHeaders = analysis;
  s.KWDensity = analysis ? settings_.KWDensity : 0;
  s.ModernWeb = settings_.ModernWeb;
  return s;
}

void RunController::StartThread(int slot) {
  if (Threads[slot].joinable()) Threads[slot].join();  // it has ended: its slot was freed
  auto engine = std::make_unique<DBWebThreadEngine>(
      ThreadSettings(slot),
      EngineEnvironment{locations_, settings_file_, options_.transfer_floor, gate_,
                        view_session_, flush_session_},
      *this);
  ++live_threads_;
  Threads[slot] = std::thread([this, engine = std::move(engine)]() mutable {
    engine->Execute();
    const int index = engine->Index();
    engine.reset();
    dispatcher_.Call([this, index] { SlotFinished(index); });
    --live_threads_;
  });
  peak_threads_ = std::max(peak_threads_, busy_slots());
}

void RunController::JoinFinishedThreads() {
  for (std::thread& thread : Threads) {
    if (thread.joinable()) thread.join();
  }
}

void RunController::Timer1Timer() {
  if (AbortRequested) {
    display_.stop_enabled = false;
    display_.pause_enabled = false;
  }
  const int connections = Connections();
  if (start_requested_.exchange(false)) StartPending = true;
  if (StartPending && !AbortRequested) {
    for (int i = 0; i < connections; ++i) {
      if (!SlotBusy[i]) {
        SlotBusy[i] = true;
        StartThread(i);
        break;
      }
    }
    StartPending = false;
  } else if (busy_slots() == 0) {
    FinishPartner();
  }
  Changed();
}

// No thread is left: the partner's outcome, its analysis unless the user stopped, and Timer2
// towards the next partner.
void RunController::FinishPartner() {
  EngineEvent(EngineEventArgs::ThreadNote(event_text::kCompleted));
  timer1_on_ = false;
  JoinFinishedThreads();
  PartnerOutcome outcome{.partner = partner_,
                         .start_url = display_.Label35,
                         .FoundURL = FoundURL,
                         .found_short = found_short_,
                         .found_long = found_long_,
                         .TimeExpired = TimeExpired,
                         .MaxHopsReached = MaxHopsReached,
                         .MaxRecordsReached = MaxRecordsReached,
                         .aborted = Aborted,
                         .Hops = 0,
                         .reason = {},
                         .unverifiable = FoundURL.empty() ? unverifiable_ : std::string(),
                         .storage_failure = {},
                         .verdict = {},
                         .anchor_text = {},
                         .recorded_project = {}};
  outcomes_.push_back(outcome);
  last_hops_ = 0;
  last_reason_.clear();
  if (!storage_failure_.empty()) {
    FinishWithStorageFailure(outcome);
  } else if (!Aborted) {
    // A table error here costs this partner's analysis, not the rest of the run.
    try {
      AnalyzeRun();
    } catch (const std::exception& e) {
      Memo("The analysis of " + partner_ + " failed: " + e.what());
      if (IsStorageFailure(e)) FinishWithStorageFailure(outcome);
    }
  }
  if (outcome.storage_failure.empty()) {
    outcome.Hops = last_hops_;
    outcome.reason = last_reason_;
  }
  outcomes_.back() = outcome;
  if (settings_.ModernWeb && !Aborted && outcome.storage_failure.empty()) {
    RecordCheck(outcome);
    outcomes_.back() = outcome;
  }
  if (observer_) observer_->OnPartnerFinished(outcome, *tables_);
  timer2_on_ = true;
  timer2_due_ = Dispatcher::Clock::now() + options_.next_partner_delay;
  dispatcher_.Wake();
}

void RunController::Timer2Timer() {
  timer2_on_ = false;
  ++partner_pos_;
  const bool more = partner_pos_ < partners_.size();
  if (more) ShowPartner(partners_[partner_pos_]);
  if (Aborted) Memo("Aborted");
  if (!more || Aborted) {
    running_ = false;
    SetControlsEnabled(true);
    display_.paused = false;  // a pause made between partners ends with the run
    SetPaused(false);
    if (options_.AutoRun) display_.close_requested = true;
    tables_.reset();
    view_session_.reset();
    flush_session_.reset();
    session_.reset();
    if (observer_) observer_->OnRunFinished();
  } else {
    ++PartnerIndex;
    display_.ResetPartnerCounters();
    display_.Label24 = std::to_string(PartnerIndex) + "/" + std::to_string(partners_.size());
    StartPartnerRun();
  }
  Aborted = false;
}

void RunController::RunToEnd() {
  while (running_) {
    const std::optional<Dispatcher::Clock::time_point> due = ServeDue();
    if (!running_) break;
    dispatcher_.RunUntil(due.value_or(Dispatcher::Clock::now() + std::chrono::hours(1)));
  }
}

std::optional<Dispatcher::Clock::time_point> RunController::ServeDue() {
  dispatcher_.RunPending();
  const auto now = Dispatcher::Clock::now();
  if (timer1_on_ && now >= timer1_due_) {
    timer1_due_ = now + options_.tick;
    Timer1Timer();
  }
  if (timer2_on_ && Dispatcher::Clock::now() >= timer2_due_) Timer2Timer();
  std::optional<Dispatcher::Clock::time_point> next;
  if (timer1_on_) next = timer1_due_;
  if (timer2_on_) next = next ? std::min(*next, timer2_due_) : timer2_due_;
  return next;
}

void RunController::RequestStop() {
  dispatcher_.Post([this] { HTMLButton3Click(); });
}

void RunController::RequestPause() {
  dispatcher_.Post([this] { HTMLButton15Click(); });
}

void RunController::SetPaused(bool paused) {
  {
    std::lock_guard<std::mutex> lock(pause_mutex_);
    paused_ = paused;
  }
  pause_cv_.notify_all();
}

void RunController::HTMLButton15Click() {
  if (!running_) return;
  const bool pause = !display_.paused;
  display_.paused = pause;
  if (pause) {
    timer1_on_ = false;
  } else if (!timer2_on_) {
    timer1_on_ = true;
    timer1_due_ = Dispatcher::Clock::now() + options_.tick;
  }
  dispatcher_.Wake();  // the timers changed: RunToEnd takes them up again
  SetPaused(pause);
  Memo(pause ? "Paused" : "Resumed");
  Changed();
}

void RunController::HTMLButton3Click() {
  if (!running_) return;
  Memo("", MessageRole::kRoutine);
  Memo("Aborting...");
  if (display_.paused) HTMLButton15Click();
  Aborted = true;
  user_stopped_ = true;
  AbortRequested = true;
  Changed();
}

void RunController::WaitWhilePaused() {
  std::unique_lock<std::mutex> lock(pause_mutex_);
  if (!paused_) return;
  ++held_threads_;
  pause_cv_.wait(lock, [this] { return !paused_; });
  --held_threads_;
}

int RunController::held_threads() const {
  std::lock_guard<std::mutex> lock(pause_mutex_);
  return held_threads_;
}

std::optional<RecNo> RunController::NextOpenRecord() {
  FrontierHandout::Handout handout = handout_.NextOpenRecord(*tables_);
  dispatcher_.PostQuietly([this, label = std::move(handout.Label17)] {
    display_.Label17 = label;
    Changed();
  });
  return handout.record;
}

std::string RunController::ReadOnOwner(const std::string& value) {
  std::string copy;
  dispatcher_.Call([&] { copy = value; });
  return copy;
}

std::string RunController::ReadProject() { return ReadOnOwner(project_); }
std::string RunController::ReadPartner() { return ReadOnOwner(partner_); }
std::string RunController::ReadUserAgent() { return ReadOnOwner(settings_.UserAgent); }

void RunController::SetAbort() {
  AbortRequested = true;
  dispatcher_.Call([this] { Changed(); });
}

void RunController::RequestStart() { start_requested_ = true; }

void RunController::PushHotRecord(RecNo rec_no) { handout_.PushHotRecord(rec_no); }

void RunController::ShowFound(const std::string& url, bool found, bool long_found) {
  decided_ = true;
  dispatcher_.Call([&] {
    display_.stop_enabled = false;
    FoundURL = url;
    found_short_ = found;
    found_long_ = long_found;
    UpdatePartner(found, long_found);
    Changed();
  });
}

void RunController::ShowVerdict(const std::string& url, const LinkVerdict& verdict) {
  dispatcher_.Call([&] { verdicts_.emplace_back(url, verdict); });
}

const LinkVerdict* RunController::FoundVerdict() const {
  for (auto it = verdicts_.rbegin(); it != verdicts_.rend(); ++it) {
    if (it->first == FoundURL) return &it->second;
  }
  return nullptr;
}

void RunController::SendEvent(const EngineEventArgs& event) {
  dispatcher_.Call([&] { EngineEvent(event); });
}

void RunController::PostProgress(EngineEventArgs event) {
  if (options_.post_progress) {
    dispatcher_.PostQuietly([this, event = std::move(event)] { EngineEvent(event); });
  } else {
    SendEvent(event);
  }
}

void RunController::AddMessage(const std::string& line) {
  dispatcher_.Call([&] { Memo(line); });
}

void RunController::AddMessageOnce(const std::string& line) {
  dispatcher_.Call([&] {
    if (std::find(display_.Memo1.begin(), display_.Memo1.end(), line) == display_.Memo1.end()) {
      Memo(line);
    }
  });
}

void RunController::StartPageUnverifiable(const std::string& reason) {
  dispatcher_.Call([&] {
    if (!unverifiable_.empty()) return;  // the first cause is the one to name
    unverifiable_ = reason;
    Memo("Could not check the start page: " + reason);
  });
}

void RunController::StorageFailed(const std::string& what) {
  dispatcher_.Call([&] { NoteStorageFailure(what); });
}

void RunController::NoteStorageFailure(const std::string& what) {
  if (!storage_failure_.empty()) return;  // the first failure is the one to name
  storage_failure_ = what;
  AbortRequested = true;  // the other threads end after the node in hand
  Memo("Storage failure: " + what + "; nothing of " + partner_ + " is stored");
  Changed();
}

bool RunController::IsStorageFailure(const std::exception& e) {
  const auto* db = dynamic_cast<const DatabaseError*>(&e);
  if (db == nullptr || !db->IsStorageFailure()) return false;
  NoteStorageFailure(db->cause());
  return true;
}

// The partner ends as "could not check": not found, not lost, nothing written but the report
// block; the stored partner, its analysis and its history keep what they had.
void RunController::FinishWithStorageFailure(PartnerOutcome& outcome) {
  outcome.FoundURL.clear();
  outcome.found_short = outcome.found_long = false;
  outcome.unverifiable.clear();
  outcome.storage_failure = storage_failure_;
  outcome.reason = "Storage failure: " + storage_failure_;
  AnalysisOutcome out = CouldNotCheck(PartnerAnalysisInputs(), display_.Label35, outcome.reason);
  if (!out.report_problem.empty()) Memo(out.report_problem);
  for (TreeNode& node : out.roots) display_.HTMLTreeview1.push_back(std::move(node));
  ++display_.tree_serial;
  Changed();
}

void RunController::RecordCheck(PartnerOutcome& outcome) {
  CheckRecord record;
  record.Project = project_;
  // A check run over "Default" is kept under the partner's own project, where its listings,
  // report and next check look for it.
  try {
    if (std::optional<PartnerRecord> p = AppTables(*session_).FindPartner(
            project_, outcome.partner, ProjectScope::kAllForDefault)) {
      record.Project = p->Project;
    }
  } catch (const std::exception&) {
    // Read again below, where a failure is recorded.
  }
  record.SiteName = outcome.partner;
  record.CheckedAt = Now();
  if (!outcome.FoundURL.empty()) {
    record.Result = kCheckFound;
    record.URL = outcome.FoundURL;
  } else if (!outcome.unverifiable.empty()) {
    record.Result = kCheckUnverifiable;
    record.Reason = outcome.unverifiable;
  } else {
    record.Result = kCheckNotFound;
    record.Reason = outcome.reason;
    record.Lost = true;
  }
  try {
    std::optional<LinkVerdict> verdict;
    if (const LinkVerdict* found = FoundVerdict(); found && record.Result == kCheckFound) {
      verdict = *found;
    }
    // The positions are this check's only when its analysis filled the record.
    std::optional<AnalysisRecord> analysis;
    if (record.Result == kCheckFound && (settings_.AnalyzeFound || settings_.AnalyzeBase)) {
      analysis = AppTables(*session_).FindAnalysis(project_, outcome.partner,
                                                   ProjectScope::kAllForDefault);
    }
    Transaction transaction(*session_);
    record.id = AppendCheck(*session_, record);
    const VerdictRecord row =
        MakeVerdictRecord(record, outcome.Hops, verdict, analysis ? &*analysis : nullptr);
    AppendVerdict(*session_, row);
    transaction.Commit();
    outcome.verdict = row.Verdict;
    outcome.anchor_text = row.AnchorText;
    outcome.recorded_project = record.Project;
  } catch (const std::exception& e) {
    Memo("Cannot record the check of " + outcome.partner + ": " + e.what());
    IsStorageFailure(e);
  }
}

void RunController::UpdatePartner(bool found_short, bool found_long) {
  AppTables app(*session_);
  PartnerUpdateContext context{
      settings_.AutoUpdatePartner, project_, partner_, display_.Label33, FoundURL, Now()};
  try {
    for (const std::string& line : zeb::UpdatePartner(app, context, found_short, found_long)) {
      Memo(line);
    }
  } catch (const std::exception& e) {
    Memo("Cannot update the partner " + partner_ + ": " + e.what());
    IsStorageFailure(e);
  }
}

AnalysisInputs RunController::PartnerAnalysisInputs() const {
  AnalysisInputs in;
  in.FoundURL = FoundURL;
  in.FindText = display_.Label33;
  in.partner = partner_;
  in.project = project_;
  in.AnalyzeBacklink = settings_.AnalyzeFound;
  in.AnalyzeHomePage = settings_.AnalyzeBase;
  in.TimeExpired = TimeExpired;
  in.MaxHopsReached = MaxHopsReached;
  in.MaxRecordsReached = MaxRecordsReached;
  in.StartHop = StartHop;
  in.PreviousBacklink = PreviousBacklink;
  in.ExeFolder = locations_.ExeFolder;
  in.today = Now();
  if (FoundURL.empty()) in.Unverifiable = unverifiable_;
  return in;
}

void RunController::AnalyzeRun() {
  const AnalysisInputs in = PartnerAnalysisInputs();
  AnalysisOutcome out = zeb::AnalyzeRun(
      *session_, in, [this](const std::string& line) { Memo(line, MessageRole::kRoutine); });
  // Not found: the partner update runs with both flags clear (it writes nothing then, but
  // keeps to the one path every update takes).
  if (!out.found) UpdatePartner(false, false);
  if (!out.report_problem.empty()) Memo(out.report_problem);
  last_reason_ = out.reason;
  if (out.found) {
    last_hops_ = out.Hops;
    display_.Label28 = std::to_string(out.Hops);
    // What search engines make of the link: a notice, and a plain-text node under the partner.
    if (const LinkVerdict* verdict = FoundVerdict(); verdict && !out.roots.empty()) {
      Memo(VerdictMessage(verdict->verdict));
      out.roots.front().children.push_back({VerdictNodeText(*verdict), {}});
    }
  }
  for (TreeNode& node : out.roots) display_.HTMLTreeview1.push_back(std::move(node));
  ++display_.tree_serial;
  display_.lock_tree = true;
  display_.lock_tree_enabled = true;
  Changed();
}

void RunController::SlotFinished(int slot) {
  if (slot < 0 || slot >= kMaxConnections) return;
  SlotBusy[slot] = false;
  display_.bars[slot] = 0;
  // The partner's last thread has ended: every record was taken and no thread is left to add
  // any, so a thread started for a pending request would find nothing. The partner ends at once
  // (Timer1 falls due now) instead of at the next tick.
  if (timer1_on_ && busy_slots() == 0) {
    StartPending = false;
    start_requested_ = false;
    timer1_due_ = Dispatcher::Clock::now();
    dispatcher_.Wake();
  }
  Changed();
}

}  // namespace zeb
