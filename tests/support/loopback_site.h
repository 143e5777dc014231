// A scripted web site on 127.0.0.1 for tests: pages, status codes, headers, redirects, delays,
// compressed, endless or trickling bodies, with a log of every request. Any "*.localhost" host
// name reaches it through libcurl, so one server can stand for several sites:
// Url("cats.localhost", "/a.htm") is "http://cats.localhost:PORT/a.htm".
//
// The site speaks plain http, or https when made with a TlsIdentity (see test_certificates.h for
// a CA and identities to use); it then counts the TLS handshakes it completed. Connections are
// kept alive for 30 s and up to 10000 requests, so a client that keeps its connection reuses it.
//
// The server listens on a port of its own choosing, answers every connection on a thread of its
// own (a pool that grows as needed) and stops when the object goes, at once: a delay or a body
// still being sent is cut short and kept-alive connections are closed. httplib stays inside
// loopback_site.cpp.
//
// Thread safety: Serve, ServeSequence, Page, Redirect and the queries may be called from any
// thread while the site answers.
#ifndef ZEB_TESTS_SUPPORT_LOOPBACK_SITE_H_
#define ZEB_TESTS_SUPPORT_LOOPBACK_SITE_H_

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "loopback_pki.h"

namespace zeb::testing {

using zeb::TlsIdentity;

struct Reply {
  enum class Body { kFixed, kEndless, kTrickle };
  int status = 200;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string content_type = "text/html";
  std::chrono::milliseconds delay{0};  // before the answer (a 503 if the site goes first)
  Body kind = Body::kFixed;
  std::chrono::milliseconds trickle_gap{200};  // kTrickle: one byte per gap
  // kFixed only: "gzip", "deflate" (the zlib format, as browsers and libcurl mean it) or "br"
  // sends body compressed so, with that Content-Encoding, whatever the request accepts.
  // With "" a body goes out as it is when headers name a Content-Encoding (so ready-made
  // compressed bytes stay untouched); otherwise the server compresses a text, JSON or XML body
  // by itself for a request that accepts br or gzip, as many real servers do.
  std::string encoding;
};

struct LoggedRequest {
  std::string host;  // the Host header
  std::string path;
  std::string user_agent;
  std::string accept;
  std::string accept_encoding;
  std::chrono::steady_clock::time_point at;  // when the request had arrived (headers read)
};

class LoopbackSite {
 public:
  // A http site. Throws std::runtime_error when no port can be had.
  LoopbackSite();
  // A https site presenting tls. Throws std::runtime_error when the files do not load or the key
  // does not fit the certificate, or no port can be had.
  explicit LoopbackSite(const TlsIdentity& tls);
  ~LoopbackSite();
  LoopbackSite(const LoopbackSite&) = delete;
  LoopbackSite& operator=(const LoopbackSite&) = delete;

  int port() const;
  // "http" or "https".
  std::string scheme() const;
  // "<scheme>://host:PORT" followed by path. Throws std::invalid_argument unless path starts
  // with "/" and host holds no "/", so that swapped arguments fail loudly.
  std::string Url(const std::string& host, const std::string& path) const;

  // Answers GET of path (for every host name) with reply; a later call for the same path wins.
  // Throws std::invalid_argument for an encoding other than "", "gzip", "deflate" and "br", or
  // an encoding with an endless or trickling body.
  void Serve(const std::string& path, Reply reply);
  // Answers the n-th GET of path from now on with the n-th reply, and every one after the last
  // with the last (a 429, then the page, say); no replies leave path unserved (404). Throws
  // as Serve does.
  void ServeSequence(const std::string& path, std::vector<Reply> replies);
  // A page with status 200.
  void Page(const std::string& path, std::string html);
  // A redirect to location (301).
  void Redirect(const std::string& path, const std::string& location);

  std::vector<LoggedRequest> Requests() const;
  int CountRequests(const std::string& path) const;
  // The most requests that were being answered at the same moment.
  int MaxConcurrent() const;

  // The TLS handshakes completed, one per connection, resumed sessions included; 0 for http.
  int Handshakes() const;
  // Of those, the ones that resumed an earlier session.
  int ResumedHandshakes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// body compressed as encoding says ("gzip", "deflate" or "br"; "" gives body as it is), for a
// reply that sends ready-made compressed bytes with a Content-Encoding header of its own.
// Throws std::invalid_argument for another encoding.
std::string Compress(const std::string& body, const std::string& encoding);

}  // namespace zeb::testing

#endif  // ZEB_TESTS_SUPPORT_LOOPBACK_SITE_H_
