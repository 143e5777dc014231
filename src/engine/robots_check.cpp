#include "engine/robots_check.h"

#include "analysis/robots.h"
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

bool RobotsChecker::CheckRobots(const std::string& url, bool abort_seen) {
  const std::string key = RobotsHostKey(url);
  if (std::optional<HostRow> cached = tables_.FindHost(key)) {
    return cached->BotFound && RobotsDenies(url, cached->RobotText);
  }
  if (abort_seen) return false;

  HttpOptions options = RobotsClientOptions();
  options.max_body = kMaxRobotsBytes;
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
  Lines file = SplitLines(response.body);
  Lines entries = ParseRobots(file, response.host);
  bool denied = RobotsDenies(url, entries);
  tables_.InsertHost({key, true, entries, file});
  return denied;
}

}  // namespace zeb
