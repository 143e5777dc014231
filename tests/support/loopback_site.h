// A scripted web site on 127.0.0.1 for tests: pages, status codes, headers, redirects, delays,
// and endless or trickling bodies, with a log of every request. Any "*.localhost" host name
// reaches it through libcurl, so one server can stand for several sites:
// Url("cats.localhost", "/a.htm") is "http://cats.localhost:PORT/a.htm".
//
// The server listens on a port of its own choosing, answers up to 48 requests at once on a pool
// of its own and stops when the object goes, at once: a delay or a body still being sent is cut
// short. httplib stays inside loopback_site.cpp.
#ifndef ZEB_TESTS_SUPPORT_LOOPBACK_SITE_H_
#define ZEB_TESTS_SUPPORT_LOOPBACK_SITE_H_

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zeb::testing {

struct Reply {
  enum class Body { kFixed, kEndless, kTrickle };
  int status = 200;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string content_type = "text/html";
  std::chrono::milliseconds delay{0};  // before the answer (a 503 if the site goes first)
  Body kind = Body::kFixed;
  std::chrono::milliseconds trickle_gap{200};  // kTrickle: one byte per gap
};

struct LoggedRequest {
  std::string host;  // the Host header
  std::string path;
  std::string user_agent;
  std::string accept;
  std::string accept_encoding;
};

class LoopbackSite {
 public:
  LoopbackSite();
  ~LoopbackSite();
  LoopbackSite(const LoopbackSite&) = delete;
  LoopbackSite& operator=(const LoopbackSite&) = delete;

  int port() const;
  std::string Url(const std::string& host, const std::string& path) const;

  // Answers GET of path (for every host name) with reply; a later call for the same path wins.
  void Serve(const std::string& path, Reply reply);
  // A page with status 200.
  void Page(const std::string& path, std::string html);
  // A redirect to location (301).
  void Redirect(const std::string& path, const std::string& location);

  std::vector<LoggedRequest> Requests() const;
  int CountRequests(const std::string& path) const;
  // The most requests that were being answered at the same moment.
  int MaxConcurrent() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zeb::testing

#endif  // ZEB_TESTS_SUPPORT_LOOPBACK_SITE_H_
