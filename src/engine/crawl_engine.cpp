#include "engine/crawl_engine.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <thread>
#include <vector>

#include "analysis/link_classification.h"
#include "analysis/link_extraction.h"
#include "analysis/page_normalisation.h"
#include "analysis/page_text.h"
#include "analysis/url_normalisation.h"
#include "data/app_tables.h"
#include "data/sqlite_session.h"
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

// Sleeps for `ms`, waking early when the user stops the run.
void ThrottleSleep(int ms, ConsoleLink& console) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until && !console.UserStopped()) {
    auto left = until - std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        left, std::chrono::milliseconds(50)));
  }
}

}  // namespace

std::chrono::milliseconds TransferLimit(std::chrono::milliseconds floor,
                                        std::chrono::milliseconds read_timeout,
                                        int bandwidth_throttle, int max_page_size) {
  std::chrono::milliseconds limit = std::max(floor, 10 * read_timeout);
  if (bandwidth_throttle > 0) {
    const std::int64_t bytes = max_page_size > 0 ? max_page_size
                                                 : static_cast<std::int64_t>(kHardPageCap);
    limit += std::chrono::milliseconds(bytes * 1000 / bandwidth_throttle);
  }
  return limit;
}

// Reports a page transfer to the console and ends it when it can no longer be used: the run
// was stopped, the deadline passed, or the page grew past the size limit. Waits while the run
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
  try {
    session_ = std::make_unique<Session>(DatabaseFile(environment_.locations), OpenMode::kExisting);
    tables_ = std::make_unique<WorkTables>(*session_);
    app_tables_ = std::make_unique<AppTables>(*session_);
    Run();
  } catch (const std::exception& e) {
    console_.AddMessage("Connection " + std::to_string(settings_.Index + 1) +
                        " stopped: " + e.what());
  } catch (...) {
    console_.AddMessage("Connection " + std::to_string(settings_.Index + 1) +
                        " stopped on an unknown error");
  }
  try {
    EndSteps();
  } catch (const std::exception& e) {
    console_.AddMessage("Connection " + std::to_string(settings_.Index + 1) +
                        " could not finish: " + e.what());
  } catch (...) {
  }
  app_tables_.reset();
  tables_.reset();
  session_.reset();
}

void DBWebThreadEngine::Run() {
  UserAgent = console_.ReadUserAgent();
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
  if (tables_) tables_->Flush();
  if (AbortSeen) console_.SendEvent(EngineEventArgs::ThreadNote(event_text::kAbortedDone));
  if (Found) WriteReport();
}

DBWebThreadEngine::PassEnd DBWebThreadEngine::Pass() {
  console_.WaitWhilePaused();
  page_found_ = false;
  // An empty frontier has nothing to hand out: the thread ends instead of spinning.
  if (tables_->RecordCount() == 0) return PassEnd::kLeaveLoop;
  if (!HomePhase && !SelectNextRow()) return PassEnd::kLeaveLoop;
  std::optional<FrontierNode> row = tables_->Node(current_rec_);
  if (!row) return PassEnd::kNext;
  if (settings_.RobotsCheck) {
    RobotsChecker robots(*tables_, [this](const std::string& text) {
      console_.SendEvent(EngineEventArgs::ThreadNote(text));
    });
    if (robots.CheckRobots(row->URL, AbortSeen)) {
      EndNode(*row, "bot-denied", std::nullopt, event_key::kBotDenied);
      return PassEnd::kNext;
    }
  }
  stopped_transfer_ = false;
  if (ProcessNode(*row) == NodeEnd::kEarly) {
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
    tables_->Flush();
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

HttpClient DBWebThreadEngine::ApplyNetworkSettings() {
  std::vector<std::string> problems;
  HttpOptions options = LoadNetworkSettings(SettingsStore(environment_.settings_file), UserAgent,
                                            settings_.BandwidthThrottle, &problems);
  for (const std::string& line : problems) console_.AddMessageOnce(line);
  options.transfer_limit = TransferLimit(environment_.transfer_floor, options.read_timeout,
                                         settings_.BandwidthThrottle, settings_.MaxPageSize);
  return HttpClient(options);
}

void DBWebThreadEngine::HandleWorkBegin(WorkMode mode, std::int64_t maximum) {
  if (mode == WorkMode::kRead) Progress("", event_key::kTotal, maximum);
}

void DBWebThreadEngine::HandleWork(WorkMode mode, std::int64_t count) {
  Progress("", mode == WorkMode::kRead ? event_key::kRead : event_key::kWrite, count);
}

DBWebThreadEngine::NodeEnd DBWebThreadEngine::ProcessNode(const FrontierNode& selected) {
  HttpClient client = ApplyNetworkSettings();
  if (selected.LinkType != "doc") {
    EndNode(selected, "non-htm", std::nullopt, event_key::kNotHTML);
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
  current_rec_ = tables_->AppendFrontier({CurrentURL, "", node, "working", std::nullopt});
  if (IsHotLinkNoCase(CurrentURL)) console_.PushHotRecord(current_rec_);
  return FrontierNode{current_rec_, CurrentURL, "", node, "working", "doc"};
}

std::optional<HttpResponse> DBWebThreadEngine::Fetch(const FrontierNode& row, HttpClient& client) {
  FetchObserver observer(
      *this, settings_.MaxPageSize > 0 ? static_cast<std::size_t>(settings_.MaxPageSize) : 0);
  try {
    return client.Get(CurrentURL, &observer);
  } catch (const HttpError& e) {
    if (observer.too_big()) {
      EndTooBigTransfer(row, client);
    } else {
      stopped_transfer_ = observer.stopped();
      FetchError(row, client, e.what());
    }
    return std::nullopt;
  }
}

// The transfer was cut as soon as the page could no longer pass: the checks run in their usual
// order, so an encoding or an error status still wins over the size.
void DBWebThreadEngine::EndTooBigTransfer(const FrontierNode& row, HttpClient& client) {
  if (!CheckEncoding(row, client.last_content_encoding(), client.last_status())) return;
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
  if (!CheckEncoding(row, response.content_encoding, response.status)) return NodeEnd::kEarly;
  Progress(CurrentURL, event_key::kLinkProcessed, current_rec_);
  if (settings_.ProcessThrottle > 0) ThrottleSleep(settings_.ProcessThrottle, console_);

  std::string page = TrimToHtmlEnd(response.body);
  response.body.clear();
  response.body.shrink_to_fit();
  PageLength = page.size();
  Progress("", event_key::kStringTotal, static_cast<std::int64_t>(PageLength));
  if (!CheckPageSize(row, PageLength, response.status)) return NodeEnd::kEarly;

  RowUpdate working{SetText(FrontierField::RunState, "working"),
                    SetText(FrontierField::ResponseCode, StatusText(response.status))};
  cache_lines_.clear();
  if (settings_.StoreCache) {
    cache_lines_ = SplitLines(page);
    working.push_back(SetLines(FrontierField::Cache, cache_lines_));
  }
  Update(working);

  page = NormalizeForCheck(StripLeadingLineBreaks(page));
  TestCheckStrings(page);

  page = DecodeLinkEscapes(page);
  StoreLinks(page, PageHost(client.last_url()));
  if (!HomePhase) QueueLinks();
  FinishRow(page, response);
  if (!HomePhase) console_.RequestStart();
  if (CurrentURL == ContactWebSite) HomePhase = false;
  return NodeEnd::kComplete;
}

DBWebThreadEngine::NodeEnd DBWebThreadEngine::FetchError(const FrontierNode& row,
                                                         HttpClient& client,
                                                         const std::string& message) {
  Update({SetText(FrontierField::RunState, "Error"),
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
  EndNode(row, kTooBig, status, kTooBig);
  return false;
}

void DBWebThreadEngine::TestCheckStrings(const std::string& page) {
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
    console_.ShowFound(CurrentURL, Found, LongFound);
    console_.SetAbort();
    break;
  }
}

void DBWebThreadEngine::LongCheck(const std::string& page) {
  LongFound = false;
  std::optional<PartnerRecord> partner =
      app_tables_->FindPartner(Project, Partner, ProjectScope::kExact);
  if (!partner) return;
  PreviousURL = partner->URL;
  std::string text;
  for (const std::string& line : partner->LongCheck) text += line;  // line ends removed
  text.erase(std::remove_if(text.begin(), text.end(),
                            [](char c) { return c == '\r' || c == '\n'; }),
             text.end());
  text = LowerCase(StripTags(text));
  LongFound = PosNoCase(page, text) != 0;
}

void DBWebThreadEngine::LookupContactWebSite() {
  std::optional<PartnerRecord> partner =
      app_tables_->FindPartner(Project, Partner, ProjectScope::kExact);
  ContactWebSite = partner ? partner->ContactWebSite : std::string();
}

void DBWebThreadEngine::StoreLinks(const std::string& page, const std::string& page_host) {
  LinkObserver observer(*this);
  PageLinks links = ExtractLinks(page, CurrentURL, page_host, &observer);
  Update({SetLines(FrontierField::AllLinks, links.All),
          SetLines(FrontierField::InternalLinks, links.Internal),
          SetLines(FrontierField::ExternalLinks, links.External),
          SetInt(FrontierField::FileSize, static_cast<std::int64_t>(PageLength))});
}

void DBWebThreadEngine::QueueLinks() {
  std::optional<FrontierRow> current = tables_->Row(current_rec_);
  if (!current) return;
  const std::string parent = current->URL;
  const int node = current->Node;
  if (settings_.MaxHops != -1 && settings_.MaxHops <= node) {
    console_.SetAbort();
    console_.SendEvent(
        EngineEventArgs::Stop(event_key::kMaxNodesReached, settings_.MaxHops, parent, 0));
    return;
  }
  if (current->InternalLinks.empty()) return;

  // The page's rows go in as one transaction, so threads do not queue behind each other for
  // every row; the notices and hot-record pushes follow once the rows are visible to all.
  std::vector<AfterQueueing> after;
  after.reserve(current->InternalLinks.size() * 2);
  {
    Transaction transaction(*session_);
    for (const std::string& link : current->InternalLinks) {
      if (!QueueLink(link, parent, node + 1, after)) break;
    }
    transaction.Commit();
  }
  for (const AfterQueueing& step : after) {
    if (step.hot) console_.PushHotRecord(*step.hot);
    if (step.event) console_.SendEvent(*step.event);
  }
}

bool DBWebThreadEngine::QueueLink(std::string link, const std::string& parent, int hop,
                                  std::vector<AfterQueueing>& after) {
  std::string state;
  if (StartsWithNoCase(link, "https:")) {
    state = "secure";
  } else {
    state = tables_->FindTrack(link) ? "cycled" : "open";
  }
  if (link.size() > kMaxQueuedURLLength) {
    link.resize(kMaxQueuedURLLength);
    if (state == "open") state = "longURL";
  }
  if (settings_.MaxLinks != 0 && tables_->RecordCount() >= settings_.MaxLinks) {
    after.push_back(
        {EngineEventArgs::Stop(event_key::kMaxRecordsReached, settings_.MaxLinks, "", -1), {}});
    return false;
  }
  if (state == "cycled") {
    after.push_back({EngineEventArgs::LinkSkipped(settings_.Index, link, parent, hop), {}});
    return true;
  }
  if (IsURLException(link)) {
    state = "URLExc";
    after.push_back({EngineEventArgs::LinkSkipped(kURLExceptionMark, link, parent, hop), {}});
  }
  std::string type = ClassifyLink(link);
  NewFrontierRow row{link, parent, hop, state,
                     type.empty() ? std::nullopt : std::optional<std::string>(type)};
  std::optional<RecNo> rec = tables_->TryAppendFrontier(row);
  if (rec && IsHotLink(link)) after.push_back({std::nullopt, *rec});
  tables_->TrackURL({link, parent, hop});  // kept when it is there already
  after.push_back({EngineEventArgs::LinkQueued(settings_.Index, link, parent, hop), {}});
  return true;
}

void DBWebThreadEngine::FinishRow(const std::string& page, const HttpResponse& response) {
  RowUpdate update;
  if (page_found_) update.push_back(SetBool(FrontierField::StringsFound, true));
  if ((settings_.AnalyzeBacklink || HomePhase) && (page_found_ || HomePhase)) {
    if (settings_.StoreCache) update.push_back(SetLines(FrontierField::Cache, cache_lines_));
    if (settings_.StoreKeywords) {
      update.push_back(SetLines(FrontierField::STTags, ExtractMetaKeywords(page)));
    }
    if (settings_.StoreTitle) update.push_back(SetLines(FrontierField::TitleTag, ExtractTitle(page)));
    if (settings_.StoreDescription) {
      update.push_back(SetLines(FrontierField::DescriptionTag, ExtractMetaDescription(page)));
    }
    if (settings_.KWDensity > 0) {
      update.push_back(SetLines(FrontierField::STDensity,
                                AnalyzeKeywordDensity(page, settings_.KWDensity,
                                                      StopWords(lists_.StopWords))));
    }
    if (settings_.StoreHeaders) {
      update.push_back(SetLines(FrontierField::RawHeaders, response.raw_headers));
    }
    if (CurrentURL == ContactWebSite) update.push_back(SetBool(FrontierField::StringsFound, true));
  }
  update.push_back(SetText(FrontierField::Host, response.host));
  update.push_back(SetText(FrontierField::RunState, "OK"));
  Update(update);
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
  console_.SendEvent(EngineEventArgs::NodeEnded(settings_.Index, row.URL, key, row.Node));
}

void DBWebThreadEngine::Progress(const std::string& text, const std::string& key,
                                 std::int64_t number2) {
  console_.PostProgress(EngineEventArgs::Progress(settings_.Index, key, text, number2));
}

void DBWebThreadEngine::Update(const RowUpdate& update) { tables_->UpdateRow(current_rec_, update); }

}  // namespace zeb
