#include "engine/crawl_engine.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <exception>
#include <limits>
#include <thread>
#include <vector>

#include "analysis/bot_wall.h"
#include "analysis/link_classification.h"
#include "analysis/link_extraction.h"
#include "analysis/link_verdict.h"
#include "analysis/page_normalisation.h"
#include "analysis/page_text.h"
#include "analysis/robots_rfc.h"
#include "analysis/url_normalisation.h"
#include "analysis/web_address.h"
#include "data/app_tables.h"
#include "data/schema.h"
#include "data/sqlite_session.h"
#include "engine/host_gate.h"
#include "engine/http_client.h"
#include "engine/network_settings.h"
#include "engine/page_size_guard.h"
#include "engine/robots_check.h"
#include "engine/run_report.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kMaxQueuedURLLength = 249;
using event_key::kTooBig;

std::string StatusText(long status) { return std::to_string(status); }

std::optional<SettingsFileStamp> StampOf(const std::string& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return SettingsFileStamp{
      static_cast<std::int64_t>(st.st_mtim.tv_sec), static_cast<std::int64_t>(st.st_mtim.tv_nsec),
      static_cast<std::int64_t>(st.st_size), static_cast<std::uint64_t>(st.st_ino)};
}

// The page's text is no longer needed: its memory goes back at once.
void ReleaseBody(HttpResponse& response) {
  response.body.clear();
  response.body.shrink_to_fit();
}

// Why a start page that failed leaves the link's fate open, short ("403 challenge page"); ""
// when the answer does tell (404 and 410: the page is gone). refusal: the polite-retry verdict
// on a 429 or 503.
std::string UnverifiableReason(const HttpError& e, const HttpClient& client,
                               const std::string& refusal) {
  switch (e.failure()) {
    case HttpFailure::kNoHost:
    case HttpFailure::kRefused:
    case HttpFailure::kTls:
      return e.what();
    case HttpFailure::kTimeout:
      return "timed out";
    case HttpFailure::kStatus:
      break;
    default:
      return {};
  }
  if (!refusal.empty()) return refusal;
  const long status = e.status();
  if (status == 401) return "401 login required";
  if (status == 403) {
    const bool wall = HasChallengeHeader(client.last_error_headers()) ||
                      LooksLikeChallengeText(client.last_error_body());
    return wall ? "403 challenge page" : "403 forbidden";
  }
  if (status >= 500) return StatusText(status) + " server error";
  return {};
}

// Sleeps for `ms`, waking early when the user stops the run.
void ThrottleSleep(int ms, ConsoleLink& console) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until && !console.UserStopped()) {
    auto left = until - std::chrono::steady_clock::now();
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(50)));
  }
}

}  // namespace

// Reports a page transfer to the console and ends it when it can no longer be used: the run
// was stopped, the deadline passed, another thread found the text, or the page grew past the
// size limit. Waits while the run
// is paused.
class DBWebThreadEngine::FetchObserver : public TransferObserver {
 public:
  FetchObserver(DBWebThreadEngine& engine, std::size_t size_limit)
      : engine_(engine), guard_(size_limit) {}

  void WorkBegin(std::int64_t total) override { engine_.HandleWorkBegin(WorkMode::kRead, total); }
  void WorkRead(std::int64_t count) override { engine_.HandleWork(WorkMode::kRead, count); }
  void WorkWrite(std::int64_t count) override { engine_.HandleWork(WorkMode::kWrite, count); }

  std::string ShouldStop() override {
    engine_.console_.WaitWhilePaused();
    if (engine_.console_.UserStopped()) {
      stopped_ = true;
      return "Stopped by the user";
    }
    // Another thread found the text: this page can no longer change the result.
    if (!engine_.Found && engine_.console_.PartnerDecided()) {
      stopped_ = true;
      return "The partner was found";
    }
    if (engine_.DeadlinePassed()) {
      stopped_ = true;
      return "Time expired";
    }
    return {};
  }

  std::string AcceptBody(std::string_view, std::string_view block) override {
    if (guard_.Add(block)) return {};
    too_big_ = true;
    return kTooBig;
  }

  bool too_big() const { return too_big_; }
  bool stopped() const { return stopped_; }
  // A fresh start for the next attempt at the same page.
  void Reset() {
    guard_ = PageSizeGuard(guard_.limit());
    too_big_ = stopped_ = false;
  }

 private:
  DBWebThreadEngine& engine_;
  PageSizeGuard guard_;
  bool too_big_ = false;
  bool stopped_ = false;
};

// Forwards the link scanner's progress as code-6 notices.
class DBWebThreadEngine::LinkObserver : public LinkScanObserver {
 public:
  explicit LinkObserver(DBWebThreadEngine& engine) : engine_(engine) {}
  void StringLeft(std::size_t characters_left) override {
    engine_.Progress("", event_key::kStringLeft, static_cast<std::int64_t>(characters_left));
  }
  void NewLink(const std::string& link) override {
    engine_.Progress(link, event_key::kNewLink, -1);
  }

 private:
  DBWebThreadEngine& engine_;
};

DBWebThreadEngine::DBWebThreadEngine(EngineSettings settings, EngineEnvironment environment,
                                     ConsoleLink& console)
    : settings_(std::move(settings)), environment_(std::move(environment)), console_(console) {}

DBWebThreadEngine::~DBWebThreadEngine() = default;

void DBWebThreadEngine::Execute() {
  // A failure ends the thread with a message; a failure of the storage also stops the partner.
  auto stopped = [this](const std::exception* e, const char* how) {
    const auto* db = dynamic_cast<const DatabaseError*>(e);
    if (db != nullptr && db->IsStorageFailure()) console_.StorageFailed(db->cause());
    console_.AddMessage("Connection " + std::to_string(settings_.Index + 1) + how +
                        (e != nullptr ? std::string(": ") + e->what() : " on an unknown error"));
  };
  try {
    if (environment_.session) {
      session_ = environment_.session;
    } else {
      session_ = std::make_shared<Session>(ReopenRunSession(environment_.locations));
      ConfigureCrawlSession(*session_);
    }
    tables_ = std::make_unique<WorkTables>(*session_);
    app_tables_ = std::make_unique<AppTables>(*session_);
    Run();
  } catch (const std::exception& e) {
    stopped(&e, " stopped");
  } catch (...) {
    stopped(nullptr, " stopped");
  }
  try {
    EndSteps();
  } catch (const std::exception& e) {
    stopped(&e, " could not finish");
  } catch (...) {
  }
  app_tables_.reset();
  tables_.reset();
  session_.reset();
}

void DBWebThreadEngine::FlushTables() {
  if (environment_.flush_session) {
    environment_.flush_session->CheckpointUnlessBusy();
  } else {
    tables_->Flush();
  }
}

void DBWebThreadEngine::Run() {
  UserAgent = console_.ReadUserAgent();
  agent_token_ = RobotsProductToken(UserAgent);
  HomePhase = false;
  FlushCounter = 0;
  lists_ = LoadListFiles(environment_.locations.DataFolder, settings_.KWDensity,
                         settings_.URLExceptionsOn, settings_.HotLinkOn);
  AbortSeen = console_.ReadAbort();
  Project = console_.ReadProject();
  Partner = console_.ReadPartner();
  while (!AbortSeen || HomePhase) {
    const bool home_pass = HomePhase;
    PassEnd end = Pass();
    // One home-page attempt, whatever came of it; then the thread ends as after any find.
    if (home_pass) HomePhase = false;
    if (end == PassEnd::kLeaveLoop) break;
  }
}

void DBWebThreadEngine::EndSteps() {
  if (tables_) FlushTables();
  if (AbortSeen) console_.SendEvent(EngineEventArgs::ThreadNote(event_text::kAbortedDone));
  if (Found) WriteReport();
}

DBWebThreadEngine::PassEnd DBWebThreadEngine::Pass() {
  console_.WaitWhilePaused();
  page_found_ = false;
  // An empty frontier has nothing to hand out: the thread ends instead of spinning. Rows are
  // only appended during a run, so once there are some the table is not asked again.
  if (!frontier_seen_) {
    if (tables_->RecordCount() == 0) return PassEnd::kLeaveLoop;
    frontier_seen_ = true;
  }
  if (!HomePhase && !SelectNextRow()) return PassEnd::kLeaveLoop;
  std::optional<FrontierNode> row = tables_->Node(current_rec_);
  if (!row) return PassEnd::kNext;
  if (settings_.ModernWeb) {
    // One client for the robots request and the page: they share the connection.
    ApplyNetworkSettings();
    if (settings_.RobotsCheck && ModernRobotsEnded(*row)) return PassEnd::kNext;
  } else if (settings_.RobotsCheck) {
    RobotsChecker robots(*tables_, [this](const std::string& text) {
      console_.SendEvent(EngineEventArgs::ThreadNote(text));
    });
    if (robots.CheckRobots(row->URL, AbortSeen)) {
      EndNode(*row, row_state::kBotDenied, std::nullopt, event_key::kBotDenied);
      return PassEnd::kNext;
    }
  }
  stopped_transfer_ = false;
  const NodeEnd node_end = ProcessNode(*row);
  if (!settings_.ModernWeb) client_.reset();  // the original crawl frees it after every node
  if (node_end == NodeEnd::kEarly) {
    if (!stopped_transfer_) return PassEnd::kNext;  // straight back to the loop test
    // A transfer ended by Stop or the deadline: take notice now instead of failing every
    // remaining node the same way.
    AbortSeen = console_.ReadAbort();
    if (!DeadlinePassed()) return PassEnd::kNext;
  }
  if (DeadlinePassed()) {
    console_.SendEvent(EngineEventArgs::Stop(event_key::kTimeExpired, NextRecNo, CurrentURL, -1));
    console_.SetAbort();
    return PassEnd::kLeaveLoop;
  }
  if (++FlushCounter >= 20) {
    FlushTables();
    FlushCounter = 0;
  }
  AbortSeen = console_.ReadAbort();
  return PassEnd::kNext;
}

bool DBWebThreadEngine::SelectNextRow() {
  std::optional<RecNo> rec = console_.NextOpenRecord();
  NextRecNo = rec ? *rec : -1;
  current_rec_ = NextRecNo;
  return rec.has_value();
}

HttpClient& DBWebThreadEngine::ApplyNetworkSettings() {
  // The store is read again only when its file changed since the last node (another time, size
  // or file: it is replaced whole when saved), so an edit still reaches the next node.
  const std::optional<SettingsFileStamp> stamp = StampOf(environment_.settings_file);
  if (!stamp || !network_stamp_ || *stamp != *network_stamp_) {
    std::vector<std::string> problems;
    network_options_ = LoadNetworkSettings(SettingsStore(environment_.settings_file), UserAgent,
                                           settings_.BandwidthThrottle, &problems);
    for (const std::string& line : problems) console_.AddMessageOnce(line);
    network_stamp_ = stamp;
  }
  HttpOptions options = network_options_;
  options.transfer_limit = TransferLimit(environment_.transfer_floor, options.read_timeout,
                                         settings_.BandwidthThrottle, settings_.MaxPageSize);
  options.modern = settings_.ModernWeb;
  if (settings_.ModernWeb && client_) {
    client_->set_options(std::move(options));
  } else {
    client_ = std::make_unique<HttpClient>(std::move(options));
  }
  return *client_;
}

void DBWebThreadEngine::HandleWorkBegin(WorkMode mode, std::int64_t maximum) {
  if (mode == WorkMode::kRead) Progress("", event_key::kTotal, maximum);
}

void DBWebThreadEngine::HandleWork(WorkMode mode, std::int64_t count) {
  Progress("", mode == WorkMode::kRead ? event_key::kRead : event_key::kWrite, count);
}

DBWebThreadEngine::NodeEnd DBWebThreadEngine::ProcessNode(const FrontierNode& selected) {
  HttpClient& client = settings_.ModernWeb ? *client_ : ApplyNetworkSettings();
  if (selected.LinkType != "doc") {
    EndNode(selected, row_state::kNotHTML, std::nullopt, event_key::kNotHTML);
    return NodeEnd::kEarly;
  }
  FrontierNode row = selected;
  if (!HomePhase) {
    CurrentURL = row.URL;
  } else {
    row = AppendHomeRow(row.Node);
  }
  Progress("", event_key::kNewNode, row.Node);
  std::optional<HttpResponse> response = Fetch(row, client);
  if (!response) return NodeEnd::kEarly;
  return ProcessPage(row, client, *response);
}

FrontierNode DBWebThreadEngine::AppendHomeRow(int node) {
  LookupContactWebSite();
  CurrentURL = ContactWebSite;
  current_rec_ = tables_->AppendFrontier({CurrentURL, "", node, row_state::kWorking, std::nullopt});
  if (IsHotLinkNoCase(CurrentURL)) console_.PushHotRecord(current_rec_);
  return FrontierNode{current_rec_, CurrentURL, "", node, row_state::kWorking, "doc"};
}

std::optional<HttpResponse> DBWebThreadEngine::Fetch(const FrontierNode& row, HttpClient& client) {
  FetchObserver observer(
      *this, settings_.MaxPageSize > 0 ? static_cast<std::size_t>(settings_.MaxPageSize) : 0);
  std::string refusal;  // modern web: why a 429 or 503 was not asked again
  try {
    if (settings_.ModernWeb) return GetPolitely(client, observer, refusal);
    return client.Get(CurrentURL, &observer);
  } catch (const HttpError& e) {
    if (observer.too_big()) {
      EndTooBigTransfer(row, client);
    } else {
      stopped_transfer_ = observer.stopped() || e.failure() == HttpFailure::kStopped;
      FetchError(row, client, refusal.empty() ? e.what() : refusal);
      if (settings_.ModernWeb && !stopped_transfer_) {
        StartPageUnverifiable(row, UnverifiableReason(e, client, refusal));
      } else if (!stopped_transfer_ && IsStartPage(row)) {
        // The partner ends not found: the messages say why its start page gave nothing.
        console_.AddMessage("The start page could not be read: " + std::string(e.what()));
      }
    }
    return std::nullopt;
  }
}

bool DBWebThreadEngine::GiveUpWaiting() const { return console_.UserStopped() || DeadlinePassed(); }

HttpResponse DBWebThreadEngine::GetPolitely(HttpClient& client, FetchObserver& observer,
                                            std::string& refusal) {
  const std::string host = GateKey(CurrentURL);
  HostGate* gate = environment_.gate.get();
  for (int attempt = 0;; ++attempt) {
    if (gate != nullptr && !gate->WaitFor(host, [this] { return GiveUpWaiting(); })) {
      throw HttpError("Stopped while the host asked to wait", 0, HttpFailure::kStopped);
    }
    observer.Reset();
    try {
      return client.Get(CurrentURL, &observer);
    } catch (const HttpError& e) {
      const long status = e.status();
      if (e.failure() != HttpFailure::kStatus || (status != 429 && status != 503)) throw;
      const std::string code = std::to_string(status);
      if (attempt > 0) {
        refusal = code + " again after a retry";
        throw;
      }
      std::optional<std::string> header = RetryAfterHeader(client.last_error_headers());
      std::optional<std::chrono::seconds> wait =
          header ? ParseRetryAfter(*header, std::time(nullptr)) : std::nullopt;
      if (!wait) {
        refusal = code + (status == 429 ? " too many requests" : " service unavailable");
        throw;
      }
      // The deadline is asked only of a short wait, which fits AddSecs' seconds.
      if (*wait > kLongestPoliteWait ||
          (settings_.Deadline != DateTime{} &&
           AddSecs(Now(), static_cast<int>(wait->count())) > settings_.Deadline)) {
        refusal = code + ", retry after " + std::to_string(wait->count()) + " s";
        throw;
      }
      // The other threads leave the host alone meanwhile; this one asks again after the wait.
      const auto until = HostGate::Clock::now() + *wait;
      if (gate != nullptr) gate->HoldUntil(host, until);
      while (HostGate::Clock::now() < until) {
        if (GiveUpWaiting()) {
          throw HttpError("Stopped while the host asked to wait", status, HttpFailure::kStopped);
        }
        std::this_thread::sleep_for(std::min<HostGate::Clock::duration>(
            until - HostGate::Clock::now(), std::chrono::milliseconds(50)));
      }
    }
  }
}

bool DBWebThreadEngine::ModernRobotsEnded(const FrontierNode& row) {
  RobotsChecker robots(*tables_, [this](const std::string& text) {
    console_.SendEvent(EngineEventArgs::ThreadNote(text));
  });
  robots.UseKnownHosts(known_hosts_);
  const RobotsVerdict verdict =
      robots.CheckModern(row.URL, AbortSeen, *client_, agent_token_, environment_.gate.get(),
                         [this] { return GiveUpWaiting(); });
  switch (verdict.kind) {
    case RobotsVerdict::Kind::kAllowed:
      return false;
    case RobotsVerdict::Kind::kDenied:
      EndNode(row, row_state::kBotDenied, std::nullopt, event_key::kBotDenied);
      StartPageUnverifiable(row, verdict.reason == kRobotsClosedText
                                     ? std::string("robots.txt closes the start page")
                                     : verdict.reason);
      return true;
    case RobotsVerdict::Kind::kUnreachable:
      // The host is not there for robots.txt: the page would fail the same way, so the node
      // ends with that cause, not with a robots verdict.
      EndNode(row, row_state::kError, 0, verdict.reason);
      tables_->TrackURL({row.URL, row.ParentURL, row.Node});
      StartPageUnverifiable(row, verdict.reason);
      return true;
  }
  return false;
}

bool DBWebThreadEngine::KeepServedAddress(const FrontierNode& row, const HttpResponse& response) {
  if (HomePhase || response.effective_url.empty()) return true;
  const std::string served = NormaliseWebAddress(response.effective_url);
  if (served == NormaliseWebAddress(CurrentURL)) return true;
  const std::string stored = served.substr(0, kMaxQueuedURLLength);
  if (tables_->IsTracked(stored, OtherSchemeTwin(stored))) {
    EndNode(row, row_state::kCycled, response.status, event_key::kCycled);
    return false;
  }
  Update({SetText(FrontierField::URL, stored)});
  tables_->TrackURL({stored, row.ParentURL, row.Node});
  CurrentURL = stored;
  return true;
}

bool DBWebThreadEngine::IsStartPage(const FrontierNode& row) const {
  return !HomePhase && row.rec_no == 1;
}

bool DBWebThreadEngine::IsCheckedStartPage(const FrontierNode& row) const {
  return settings_.ModernWeb && IsStartPage(row);
}

void DBWebThreadEngine::StartPageUnverifiable(const FrontierNode& row, const std::string& reason) {
  if (IsCheckedStartPage(row) && !reason.empty()) console_.StartPageUnverifiable(reason);
}

// The transfer was cut as soon as the page could no longer pass: the checks run in their usual
// order, so an encoding or an error status still wins over the size.
void DBWebThreadEngine::EndTooBigTransfer(const FrontierNode& row, HttpClient& client) {
  // The modern crawl decodes: the size was counted on the decoded text.
  if (!settings_.ModernWeb &&
      !CheckEncoding(row, client.last_content_encoding(), client.last_status())) {
    return;
  }
  if (client.last_status() < 400) {
    CheckPageSize(row, std::numeric_limits<std::size_t>::max(), client.last_status());
    return;
  }
  const std::string& line = client.last_status_line();
  FetchError(row, client, line.empty() ? "HTTP error " + StatusText(client.last_status()) : line);
}

DBWebThreadEngine::NodeEnd DBWebThreadEngine::ProcessPage(const FrontierNode& row,
                                                          HttpClient& client,
                                                          HttpResponse& response) {
  if (settings_.ModernWeb) {
    // libcurl decoded the body already; an encoding it cannot decode failed the transfer.
    if (!KeepServedAddress(row, response)) return NodeEnd::kEarly;
  } else if (!CheckEncoding(row, response.content_encoding, response.status)) {
    return NodeEnd::kEarly;
  }
  Progress(CurrentURL, event_key::kLinkProcessed, current_rec_);
  if (settings_.ProcessThrottle > 0) ThrottleSleep(settings_.ProcessThrottle, console_);

  // The page's text goes into the thread's own buffer, kept from page to page. The lines as
  // the Cache memo stores them are joined in the same pass; the row is written once, when the
  // page is done (FinishedRow): its status and Cache go with its links and final state.
  std::string& page = page_;
  cache_text_.clear();
  if (settings_.StoreCache) {
    TrimToHtmlEnd(response.body, page, cache_text_);
  } else {
    TrimToHtmlEnd(response.body, page);
  }
  // The modern crawl keeps the page as served until the find test: a found page's verdict is
  // read from it.
  if (!settings_.ModernWeb) ReleaseBody(response);
  PageLength = page.size();
  Progress("", event_key::kStringTotal, static_cast<std::int64_t>(PageLength));
  if (!CheckPageSize(row, PageLength, response.status)) return NodeEnd::kEarly;

  // Leading line breaks go with the others.
  const bool escapes = NormalizeForCheckInPlace(page);
  TestCheckStrings(page, settings_.ModernWeb ? &response : nullptr);
  ReleaseBody(response);

  if (escapes) DecodeLinkEscapesInPlace(page);
  const std::size_t internal_links = StoreLinks(page, PageHost(client.last_url()));
  // A start page that is a bot wall says nothing about the link: the partner is unverifiable.
  if (IsCheckedStartPage(row) &&
      (HasChallengeHeader(response.raw_headers) ||
       (internal_links == 0 && PageLength < kChallengePageLimit && LooksLikeChallengeText(page)))) {
    StartPageUnverifiable(row, "challenge page");
  }
  // The page's new rows and its own finished row go in as one transaction; the notices and
  // hot-record pushes follow once they are visible to all threads.
  const bool queue = !HomePhase && HopsLeft(row);
  const RowUpdate finished = FinishedRow(page, response);
  std::vector<AfterQueueing>& after = after_queueing_;
  after.clear();
  {
    Transaction transaction(*session_);
    if (queue) QueueLinks(row, after);
    Update(finished);
    transaction.Commit();
  }
  for (AfterQueueing& step : after) {  // the notices are moved out: after is refilled next page
    if (step.hot) console_.PushHotRecord(*step.hot);
    if (step.event) console_.PostEvent(std::move(*step.event));
  }
  if (!HomePhase) console_.RequestStart();
  if (CurrentURL == ContactWebSite) HomePhase = false;
  return NodeEnd::kComplete;
}

DBWebThreadEngine::NodeEnd DBWebThreadEngine::FetchError(const FrontierNode& row,
                                                         HttpClient& client,
                                                         const std::string& message) {
  Update({SetText(FrontierField::RunState, row_state::kError),
          SetText(FrontierField::ResponseCode, StatusText(client.last_status()))});
  tables_->TrackURL({CurrentURL, row.ParentURL, row.Node});  // kept when it is there already
  NoticeNodeEnded(row, message);
  return NodeEnd::kEarly;
}

bool DBWebThreadEngine::CheckEncoding(const FrontierNode& row, const std::string& encoding,
                                      long status) {
  if (encoding.empty()) return true;
  EndNode(row, encoding, status, encoding);
  return false;
}

bool DBWebThreadEngine::CheckPageSize(const FrontierNode& row, std::size_t length, long status) {
  if (settings_.MaxPageSize <= 0 || static_cast<std::size_t>(settings_.MaxPageSize) >= length) {
    return true;
  }
  EndNode(row, row_state::kTooBig, status, kTooBig);
  return false;
}

void DBWebThreadEngine::TestCheckStrings(const std::string& page, const HttpResponse* served) {
  for (const std::string& check : settings_.FindList) {
    Found = false;
    if (PosNoCase(page, check) == 0) continue;
    page_found_ = true;
    HomePhase = settings_.AnalyzeHomePage;
    console_.SendEvent(EngineEventArgs::StringFound(NextRecNo, CurrentURL, check));
    if (settings_.SendFoundStop) {
      console_.SendEvent(EngineEventArgs::Stop(event_key::kStringFound, NextRecNo, check, -1));
    }
    Found = true;
    LongCheck(page);
    if (served != nullptr) ReportVerdict(check, *served);
    console_.ShowFound(CurrentURL, Found, LongFound);
    console_.SetAbort();
    break;
  }
}

void DBWebThreadEngine::ReportVerdict(const std::string& check, const HttpResponse& served) {
  LinkVerdictInput in;
  in.body = served.body;
  in.header_lines = served.raw_headers;
  in.final_url = served.effective_url.empty() ? CurrentURL : served.effective_url;
  in.find_text = check;
  in.status = static_cast<int>(served.status);
  for (std::size_t i = 0; i + 1 < served.chain.size(); ++i) {
    in.redirects.push_back(StatusText(served.chain[i].status) + " " + served.chain[i].url);
  }
  in.robots_closed = ClosedToGooglebot(std::string(in.final_url));
  console_.ShowVerdict(CurrentURL, ComputeLinkVerdict(in));
}

bool DBWebThreadEngine::ClosedToGooglebot(const std::string& url) {
  std::optional<HostRow> host = tables_->FindHost(RobotsOrigin(url));
  if (!host || !host->BotFound || host->RobotFull.empty()) return false;
  std::string file;
  for (const std::string& line : host->RobotFull) file.append(line).push_back('\n');
  return !RobotsAllowsUrl(file, "Googlebot", url);
}

void DBWebThreadEngine::LongCheck(const std::string& page) {
  LongFound = false;
  std::optional<PartnerRecord> partner =
      app_tables_->FindPartner(Project, Partner, ProjectScope::kExact);
  if (!partner) return;
  PreviousURL = partner->URL;
  std::string text;
  for (const std::string& line : partner->LongCheck) text += line;  // line ends removed
  text.erase(
      std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
      text.end());
  text = LowerCase(StripTags(text));
  LongFound = PosNoCase(page, text) != 0;
}

void DBWebThreadEngine::LookupContactWebSite() {
  std::optional<PartnerRecord> partner =
      app_tables_->FindPartner(Project, Partner, ProjectScope::kExact);
  ContactWebSite = partner ? partner->ContactWebSite : std::string();
}

std::size_t DBWebThreadEngine::StoreLinks(const std::string& page, const std::string& page_host) {
  LinkObserver observer(*this);
  // Kept for the queueing and written with the row's final update: one write of the row less.
  // The lists are refilled over the previous page's strings, which keeps their memory.
  ExtractLinks(page, CurrentURL, page_host, &observer,
               settings_.ModernWeb ? LinkRules::kBrowser : LinkRules::kOriginal, page_scratch_,
               page_links_);
  return page_links_.Internal.size();
}

bool DBWebThreadEngine::HopsLeft(const FrontierNode& row) {
  if (settings_.MaxHops == -1 || settings_.MaxHops > row.Node) return true;
  console_.SetAbort();
  console_.SendEvent(
      EngineEventArgs::Stop(event_key::kMaxNodesReached, settings_.MaxHops, CurrentURL, 0));
  return false;
}

void DBWebThreadEngine::QueueLinks(const FrontierNode& row, std::vector<AfterQueueing>& after) {
  // The row's address as stored (a redirected page's row took the address it was served from).
  const std::string parent = CurrentURL;
  const int node = row.Node;
  for (const std::string& link : page_links_.Internal) {
    if (!QueueLink(link, parent, node + 1, after)) break;
  }
}

bool DBWebThreadEngine::QueueLink(std::string link, const std::string& parent, int hop,
                                  std::vector<AfterQueueing>& after) {
  std::string state;
  if (settings_.ModernWeb) {
    // https is a page like http; an address seen under the other scheme is the same page;
    // mailto:, javascript: and the like are recorded and never fetched.
    // The twin is empty exactly when the link is no http(s) address: one reading for both.
    const std::string twin = OtherSchemeTwin(link);
    if (twin.empty()) {
      state = row_state::kNotHTML;
    } else {
      state = tables_->IsTracked(link, twin) ? row_state::kCycled : row_state::kOpen;
    }
  } else if (StartsWithNoCase(link, "https:")) {
    state = row_state::kSecure;
  } else {
    state = tables_->FindTrack(link) ? row_state::kCycled : row_state::kOpen;
  }
  if (link.size() > kMaxQueuedURLLength) {
    link.resize(kMaxQueuedURLLength);
    if (state == row_state::kOpen) state = row_state::kLongURL;
  }
  if (settings_.MaxLinks != 0 && tables_->RecordCount() >= settings_.MaxLinks) {
    after.push_back(
        {EngineEventArgs::Stop(event_key::kMaxRecordsReached, settings_.MaxLinks, "", -1), {}});
    return false;
  }
  if (state == row_state::kCycled) {
    after.push_back({EngineEventArgs::LinkSkipped(settings_.Index, link, parent, hop), {}});
    return true;
  }
  if (IsURLException(link)) {
    state = row_state::kURLException;
    after.push_back({EngineEventArgs::LinkSkipped(kURLExceptionMark, link, parent, hop), {}});
  }
  std::string type = ClassifyLink(link);
  if (settings_.ModernWeb && type == "https") type.clear();  // a page like any other
  NewFrontierRow row{link, parent, hop, state,
                     type.empty() ? std::nullopt : std::optional<std::string>(type)};
  std::optional<RecNo> rec = tables_->TryAppendFrontier(row);
  if (rec && IsHotLink(link)) after.push_back({std::nullopt, *rec});
  tables_->TrackURL({link, parent, hop});  // kept when it is there already
  after.push_back({EngineEventArgs::LinkQueued(settings_.Index, link, parent, hop), {}});
  return true;
}

RowUpdate DBWebThreadEngine::FinishedRow(const std::string& page, const HttpResponse& response) {
  RowUpdate update{SetText(FrontierField::ResponseCode, StatusText(response.status)),
                   SetLines(FrontierField::AllLinks, page_links_.All),
                   SetLines(FrontierField::InternalLinks, page_links_.Internal),
                   SetLines(FrontierField::ExternalLinks, page_links_.External),
                   SetInt(FrontierField::FileSize, static_cast<std::int64_t>(PageLength))};
  if (page_found_) update.push_back(SetBool(FrontierField::StringsFound, true));
  if ((settings_.AnalyzeBacklink || HomePhase) && (page_found_ || HomePhase)) {
    if (settings_.StoreKeywords) {
      update.push_back(SetLines(FrontierField::STTags, ExtractMetaKeywords(page)));
    }
    if (settings_.StoreTitle)
      update.push_back(SetLines(FrontierField::TitleTag, ExtractTitle(page)));
    if (settings_.StoreDescription) {
      update.push_back(SetLines(FrontierField::DescriptionTag, ExtractMetaDescription(page)));
    }
    if (settings_.KWDensity > 0) {
      update.push_back(SetLines(FrontierField::STDensity,
                                AnalyzeKeywordDensity(page, settings_.KWDensity,
                                                      StopWords(lists_.StopWords), page_scratch_)));
    }
    if (settings_.StoreHeaders) {
      update.push_back(SetLines(FrontierField::RawHeaders, response.raw_headers));
    }
    if (CurrentURL == ContactWebSite) update.push_back(SetBool(FrontierField::StringsFound, true));
  }
  if (settings_.StoreCache) update.push_back(SetText(FrontierField::Cache, cache_text_));
  update.push_back(SetText(FrontierField::Host, response.host));
  update.push_back(SetText(FrontierField::RunState, row_state::kOK));
  return update;
}

void DBWebThreadEngine::WriteReport() {
  std::string problem = AppendToRunReport(environment_.locations.ExeFolder,
                                          FoundReportBlock(Partner, PreviousURL, CurrentURL));
  if (!problem.empty()) console_.AddMessage(problem);
  console_.SendEvent(EngineEventArgs::ThreadNote(event_text::kDone));
}

bool DBWebThreadEngine::IsURLException(const std::string& link) const {
  return settings_.URLExceptionsOn && ContainsAnyExact(link, lists_.URLExceptions);
}

bool DBWebThreadEngine::IsHotLink(const std::string& link) const {
  return ContainsAnyExact(link, lists_.HotLinks);
}

bool DBWebThreadEngine::IsHotLinkNoCase(const std::string& url) const {
  return std::any_of(lists_.HotLinks.begin(), lists_.HotLinks.end(),
                     [&](const std::string& word) { return PosNoCase(url, word) != 0; });
}

bool DBWebThreadEngine::DeadlinePassed() const {
  return settings_.Deadline != DateTime{} && settings_.Deadline < Now();
}

void DBWebThreadEngine::EndNode(const FrontierNode& row, const std::string& state,
                                std::optional<long> status, const std::string& key) {
  RowUpdate update{SetText(FrontierField::RunState, state)};
  if (status) update.push_back(SetText(FrontierField::ResponseCode, StatusText(*status)));
  Update(update);
  NoticeNodeEnded(row, key);
}

void DBWebThreadEngine::NoticeNodeEnded(const FrontierNode& row, const std::string& key) {
  console_.PostEvent(EngineEventArgs::NodeEnded(settings_.Index, row.URL, key, row.Node));
}

void DBWebThreadEngine::Progress(std::string text, std::string key, std::int64_t number2) {
  console_.PostProgress(
      EngineEventArgs::Progress(settings_.Index, std::move(key), std::move(text), number2));
}

void DBWebThreadEngine::Update(const RowUpdate& update) {
  tables_->UpdateRow(current_rec_, update);
}

}  // namespace zeb
