// One crawl thread's work: DBWebThreadEngine takes open nodes of the frontier through the
// console, checks them against robots.txt, downloads the page, tests it for the partner's Find
// text, stores its links and analysis fields and queues its internal links one hop further,
// until the frontier is exhausted, the run is stopped, the deadline passes or a thread found the
// text. After a find with home-page analysis on, the finding thread also fetches and analyses
// the partner's home page (exactly once, whatever comes of it). At its end a finding thread
// appends a block to the run report.
//
// Failures on a node become the node's final state and a code-7 event; the crawl goes on. An
// unexpected failure (the database, say) ends the thread, with a line in the run messages;
// Execute never throws.
//
// Threads: one object per crawl thread; Execute runs on that thread and opens its own database
// connection. The object meets the others only in the work tables and through the ConsoleLink.
#ifndef ZEB_ENGINE_CRAWL_ENGINE_H_
#define ZEB_ENGINE_CRAWL_ENGINE_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/link_extraction.h"
#include "analysis/page_scratch.h"
#include "data/file_locations.h"
#include "data/settings_catalog.h"
#include "data/settings_store.h"
#include "data/work_tables.h"
#include "engine/console_link.h"
#include "engine/list_files.h"
#include "engine/network_settings.h"
#include "engine/robots_check.h"
#include "text/date_time.h"
#include "text/lines.h"

namespace zeb {

class AppTables;
class HostGate;
class HttpClient;
class HttpError;
struct HttpResponse;
class Session;

// What the console hands a crawl thread. The console's fixed choices are the only behaviour
// there is: pages are cut to their body, internal links are queued, external ones are not, and
// links met before are skipped.
struct EngineSettings {
  int Index = 0;        // connection slot, 0-based
  DateTime Deadline{};  // end of the partner's time; DateTime{} for no limit
  int MaxHops = -1;     // hop setting + 1; -1 for no limit
  bool AnalyzeBacklink = false;
  bool AnalyzeHomePage = false;
  int MaxLinks = 0;  // frontier rows at which queueing stops; 0 for no limit
  bool RobotsCheck = true;
  bool SendFoundStop = true;
  Lines FindList;                        // the check strings; the console passes the Find text
  int BandwidthThrottle = 0;             // bytes per second; 0 = none
  int ProcessThrottle = 0;               // pause after each fetched page, ms; 0 = none
  int MaxPageSize = kDefaultIgnoreSize;  // largest trimmed page accepted; 0 reads all pages
  bool URLExceptionsOn = false;
  bool HotLinkOn = false;
  bool StoreKeywords = false;
  int KWDensity = 0;  // > 0 also switches the density analysis on
  bool StoreTitle = false;
  bool StoreDescription = false;
  bool StoreCache = false;
  bool StoreHeaders = false;
  // The modern web: https fetched like http, pages decoded, links resolved as browsers do,
  // robots.txt as RFC 9309 reads it, one kept connection per thread, polite retries, and a
  // start page that cannot be checked reported as such.
  bool ModernWeb = false;
};

// Where a thread finds its folders, database and network settings.
// What tells whether a file changed: its modification time, size and file number.
struct SettingsFileStamp {
  std::int64_t seconds = 0, nanoseconds = 0, size = 0;
  std::uint64_t inode = 0;
  bool operator==(const SettingsFileStamp&) const = default;
};

struct EngineEnvironment {
  FileLocations locations;
  std::string settings_file;  // the settings store, re-read for every node
  // The shortest whole-transfer limit of a page fetch (see TransferLimit in network_settings.h).
  std::chrono::milliseconds transfer_floor = kTransferFloor;
  // The run's hosts that asked to be left alone for a while (modern web); shared by the
  // partner's crawl threads. May be null: nobody waits.
  std::shared_ptr<HostGate> gate;
  // The run's connection, shared by the partner's crawl threads (one warm page cache, no lock
  // hand-over between connections), and a second one for the flushes, which would otherwise
  // hold the shared one while the log is written back. Null: each thread opens its own.
  std::shared_ptr<Session> session;
  std::shared_ptr<Session> flush_session;
};

class DBWebThreadEngine {
 public:
  DBWebThreadEngine(EngineSettings settings, EngineEnvironment environment, ConsoleLink& console);
  ~DBWebThreadEngine();
  DBWebThreadEngine(const DBWebThreadEngine&) = delete;
  DBWebThreadEngine& operator=(const DBWebThreadEngine&) = delete;

  // The thread body. Never throws.
  void Execute();

  int Index() const { return settings_.Index; }

 private:
  class FetchObserver;
  class LinkObserver;
  enum class PassEnd { kNext, kLeaveLoop };
  enum class NodeEnd { kEarly, kComplete };

  void Run();
  void EndSteps();
  // Writes the log back into the tables' file (the flush every 20 passes and at the end).
  void FlushTables();
  PassEnd Pass();
  // The node's fetch and everything after it, for the row current_rec_: kComplete when the
  // node ran to its end (the pass goes on to the deadline test), kEarly when it ended with a
  // final state of its own. Throws only on the failures that end the thread.
  NodeEnd ProcessNode(const FrontierNode& row);
  // Home-page pass: appends the partner's home page as a row of its own and makes it current.
  FrontierNode AppendHomeRow(int node);
  // The page, or nullopt when the transfer failed and the node has its final state.
  std::optional<HttpResponse> Fetch(const FrontierNode& row, HttpClient& client);
  // Modern web: one GET, waiting first while the host is held; a 429 or 503 that asks for at
  // most kLongestPoliteWait (and leaves time before the deadline) is asked once more after the
  // wait, while the other threads leave the host alone.
  HttpResponse GetPolitely(HttpClient& client, FetchObserver& observer, std::string& refusal);
  bool GiveUpWaiting() const;
  // Modern web: robots.txt for the row; true when it ended the node.
  bool ModernRobotsEnded(const FrontierNode& row);
  // Modern web: a page served from another address than the row's (after redirects) is kept
  // under the address it was served from; false when that address is a page of the crawl
  // already (the node then ends as "cycled").
  bool KeepServedAddress(const FrontierNode& row, const HttpResponse& response);
  // Whether row is the partner's start page (the seeded first row, not the home-page pass).
  bool IsStartPage(const FrontierNode& row) const;
  // Modern web: the start page, the one page whose failure leaves the partner unverifiable.
  bool IsCheckedStartPage(const FrontierNode& row) const;
  // Modern web: the partner's start page could not be checked, for `reason`.
  void StartPageUnverifiable(const FrontierNode& row, const std::string& reason);
  void EndTooBigTransfer(const FrontierNode& row, HttpClient& client);
  // The fetched page: encoding and size checks, the find test, links, analysis fields.
  NodeEnd ProcessPage(const FrontierNode& row, HttpClient& client, HttpResponse& response);
  NodeEnd FetchError(const FrontierNode& row, HttpClient& client, const std::string& message);
  bool SelectNextRow();
  // The node's HTTP client: the stored network values (read afresh), the user agent, the
  // bandwidth throttle and the whole-transfer limit. The original crawl makes a client for
  // every node; the modern one gives the thread's kept client the node's options, so its
  // connections and TLS sessions carry over from node to node.
  HttpClient& ApplyNetworkSettings();
  enum class WorkMode { kRead, kWrite };
  // The transfer notices: the size announced at the start, and each block moved.
  void HandleWorkBegin(WorkMode mode, std::int64_t maximum);
  void HandleWork(WorkMode mode, std::int64_t count);
  bool CheckEncoding(const FrontierNode& row, const std::string& encoding, long status);
  bool CheckPageSize(const FrontierNode& row, std::size_t length, long status);
  // served: the response as served (modern web: the found page's verdict is worked out from
  // it); null when the page is tested without it.
  void TestCheckStrings(const std::string& page, const HttpResponse* served = nullptr);
  // Modern web: tells the console what a search engine would make of the user's link on the
  // found page, from the response in hand (no second fetch).
  void ReportVerdict(const std::string& check, const HttpResponse& served);
  // Whether the page's robots.txt, as cached for the run, closes it to Googlebot.
  bool ClosedToGooglebot(const std::string& url);
  void LongCheck(const std::string& page);
  // Stores the page's links; returns how many internal ones it has.
  std::size_t StoreLinks(const std::string& page, const std::string& page_host);
  // What QueueLinks tells the console once the page's rows are committed.
  struct AfterQueueing {
    std::optional<EngineEventArgs> event;
    std::optional<RecNo> hot;
  };
  // False, with the stop sent, when the row is as deep as the hop limit lets a crawl go.
  bool HopsLeft(const FrontierNode& row);
  // Appends the page's internal links as new rows, within the page's transaction.
  void QueueLinks(const FrontierNode& row, std::vector<AfterQueueing>& after);
  // One internal link of the page, queued at `hop`; false when the links limit stops queueing.
  bool QueueLink(std::string link, const std::string& parent, int hop,
                 std::vector<AfterQueueing>& after);
  // The page's final state, links and stored fields: the row's one write of the page.
  RowUpdate FinishedRow(const std::string& page, const HttpResponse& response);
  void WriteReport();
  void LookupContactWebSite();
  bool IsURLException(const std::string& link) const;
  bool IsHotLink(const std::string& link) const;
  bool IsHotLinkNoCase(const std::string& url) const;
  bool DeadlinePassed() const;
  // A node's final state other than "OK": the row's state (and status code) and the code-7
  // notice with `key`.
  void EndNode(const FrontierNode& row, const std::string& state, std::optional<long> status,
               const std::string& key);
  void NoticeNodeEnded(const FrontierNode& row, const std::string& key);
  void Progress(std::string text, std::string key, std::int64_t number2);
  void Update(const RowUpdate& update);

  EngineSettings settings_;
  EngineEnvironment environment_;
  ConsoleLink& console_;

  std::shared_ptr<Session> session_;
  std::unique_ptr<WorkTables> tables_;
  std::unique_ptr<AppTables> app_tables_;
  EngineLists lists_;

  bool AbortSeen = false;  // this thread's copy of AbortRequested, re-read at safe points
  bool HomePhase = false;
  int FlushCounter = 0;
  RecNo NextRecNo = -1;
  RecNo current_rec_ = -1;  // the row being processed (the home-page row in its pass)
  std::string CurrentURL;
  std::size_t PageLength = 0;
  bool Found = false;
  bool LongFound = false;
  bool page_found_ = false;
  std::string Project, Partner, ContactWebSite, PreviousURL, UserAgent;
  // The page's text and its Cache field, and the page routines' working memory: kept from page
  // to page, so that a page costs no allocation once the thread has met one as large.
  std::string page_;
  std::string cache_text_;
  PageScratch page_scratch_;
  PageLinks page_links_;           // the page's links, from StoreLinks to the row's write
  bool frontier_seen_ = false;     // the frontier had rows once: it stays non-empty
  KnownHosts known_hosts_;         // modern web: the Host rows this thread has read
  std::vector<AfterQueueing> after_queueing_;  // the page's notices, kept for the next page
  bool stopped_transfer_ = false;  // the last transfer was ended by Stop or the deadline
  // The network settings as last read from the store, and the file's stamp then.
  std::optional<SettingsFileStamp> network_stamp_;
  HttpOptions network_options_;
  std::unique_ptr<HttpClient> client_;  // the node's client (modern web: kept for the thread)
  std::string agent_token_;             // modern web: our product token for robots.txt
};

}  // namespace zeb

#endif  // ZEB_ENGINE_CRAWL_ENGINE_H_
