#include "engine/robots_check.h"

#include "analysis/robots.h"
#include "analysis/robots_rfc.h"
#include "analysis/url_normalisation.h"
#include "analysis/web_address.h"
#include "engine/host_gate.h"
#include "engine/http_client.h"
#include "engine/network_settings.h"
#include "text/text_routines.h"

namespace zeb {

std::string DocumentName(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  std::size_t scheme = path.find("://");
  std::size_t path_start = path.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  if (path_start == std::string::npos) return std::string();
  return path.substr(path.rfind('/') + 1);
}

namespace {

// robots.txt is read in whole lines up to kMaxRobotsBytes. The request asks for one byte more,
// so that a line the limit cuts is seen and dropped rather than read as a shorter rule
// ("Disallow: /privat" cut to "Disallow: /p" would close every page under /p).
static_assert(kMaxRobotsBytes == kRobotsParsedBytes);
std::string WholeLines(const HttpResponse& response) {
  return std::string(RobotsWholeLines(response.body));
}

}  // namespace

bool RobotsChecker::CheckRobots(const std::string& url, bool abort_seen) {
  const std::string key = RobotsHostKey(url);
  if (std::optional<HostRow> cached = tables_.FindHost(key)) {
    return cached->BotFound && RobotsDenies(url, cached->RobotText);
  }
  if (abort_seen) return false;

  HttpOptions options = RobotsClientOptions();
  options.max_body = kMaxRobotsBytes + 1;
  HttpResponse response;
  bool fetched = false;
  try {
    response = HttpClient(options).Get("http://" + key + "/robots.txt");
    fetched = LowerCase(DocumentName(response.effective_url)) == "robots.txt";
  } catch (const HttpError&) {
    fetched = false;
  }
  if (!fetched) {
    tables_.InsertHost({key, false, {}, {}});  // a row stored meanwhile by another thread stays
    if (notice_) notice_("No robot found for " + key);
    return false;
  }
  Lines file = SplitLines(WholeLines(response));
  Lines entries = ParseRobots(file, response.host);
  bool denied = RobotsDenies(url, entries);
  tables_.InsertHost({key, true, entries, file});
  return denied;
}

namespace {

// How a modern Host row records a file that could not be used: its first RobotText line.
constexpr std::string_view kDeniedMark = "denied:";
constexpr std::string_view kUnreachableMark = "unreachable:";

RobotsVerdict VerdictOf(const HostRow& row, const std::string& url) {
  if (!row.BotFound) return {};
  if (!row.RobotText.empty()) {
    const std::string& first = row.RobotText.front();
    if (first.starts_with(kDeniedMark)) {
      return {RobotsVerdict::Kind::kDenied, first.substr(kDeniedMark.size())};
    }
    if (first.starts_with(kUnreachableMark)) {
      return {RobotsVerdict::Kind::kUnreachable, first.substr(kUnreachableMark.size())};
    }
  }
  if (RobotsAllowed(RobotsRulesFromLines(row.RobotText), RobotsPathOf(url))) return {};
  return {RobotsVerdict::Kind::kDenied, kRobotsClosedText};
}

// Restores a client's options when the robots request is done, whatever way it ends.
class OptionsRestorer {
 public:
  explicit OptionsRestorer(HttpClient& client) : client_(client), saved_(client.options()) {}
  ~OptionsRestorer() { client_.set_options(saved_); }
  OptionsRestorer(const OptionsRestorer&) = delete;
  OptionsRestorer& operator=(const OptionsRestorer&) = delete;
  const HttpOptions& saved() const { return saved_; }

 private:
  HttpClient& client_;
  HttpOptions saved_;
};

}  // namespace

RobotsVerdict RobotsChecker::CheckModern(const std::string& url, bool abort_seen,
                                         HttpClient& client, const std::string& agent,
                                         HostGate* gate, const std::function<bool()>& give_up) {
  const std::string key = RobotsOrigin(url);
  if (key.empty()) return {};  // not a web address: nothing to ask
  if (known_ != nullptr) {
    if (auto it = known_->find(key); it != known_->end()) return VerdictOf(it->second, url);
  }
  if (std::optional<HostRow> cached = StoredHost(key)) return VerdictOf(*cached, url);
  if (abort_seen) return {};

  const std::string file_url = RobotsFileUrl(url);
  if (gate != nullptr && !gate->WaitFor(GateKey(file_url), give_up)) return {};
  OptionsRestorer restore(client);
  HttpOptions options = restore.saved();
  options.modern = true;
  options.follow_redirects = true;
  options.max_redirects = 5;  // as RFC 9309 asks at least
  options.max_body = kMaxRobotsBytes + 1;
  options.accept = "text/plain, */*";
  options.content_length = 0;
  options.range_start = options.range_end = 0;
  client.set_options(options);

  HostRow row{key, false, {}, {}};
  try {
    const std::string body = WholeLines(client.Get(file_url));
    Lines file = SplitLines(body);
    row.BotFound = true;
    row.RobotText = RobotsRulesToLines(RobotsRulesFor(body, agent));
    row.RobotFull = std::move(file);
  } catch (const HttpError& e) {
    if (e.failure() == HttpFailure::kStopped) return {};  // stopped: nothing learnt, nothing kept
    if (e.unreachable()) {
      row.BotFound = true;
      row.RobotText = {std::string(kUnreachableMark) + e.what()};
    } else if (e.failure() == HttpFailure::kStatus && e.status() >= 500) {
      row.BotFound = true;
      row.RobotText = {std::string(kDeniedMark) + "robots.txt answered " +
                       std::to_string(e.status())};
    }
    // Any other failure (4xx, too many redirects, ...) counts as no file: all allowed.
  }
  if (!row.BotFound && notice_) notice_("No robot found for " + key);
  tables_.InsertHost(row);  // a row stored meanwhile by another thread stays
  if (std::optional<HostRow> stored = StoredHost(key)) return VerdictOf(*stored, url);
  return VerdictOf(row, url);
}

std::optional<HostRow> RobotsChecker::StoredHost(const std::string& key) {
  std::optional<HostRow> row = tables_.FindHost(key);
  if (row && known_ != nullptr) known_->emplace(key, *row);
  return row;
}

}  // namespace zeb
