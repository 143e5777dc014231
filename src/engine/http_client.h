// Fetches one URL over HTTP on its own libcurl easy handle.
//
// Returns the status, the raw response header lines, the body bytes as received (never
// decoded: "Accept-Encoding: *" is sent literally and a compressed body stays compressed) and
// the address the transfer ended on after redirects. An error status (>= 400) or a transport
// failure throws HttpError, whose what() is the text the console shows.
//
// A transfer also ends early, with HttpError, when the observer says so (stop, deadline, a body
// that can no longer be accepted), when no byte arrived for the read time-out, or when the
// whole transfer took longer than its limit.
//
// Threads: one HttpClient per crawl thread; not thread-safe. The observer is called on the
// transfer's thread. The first client made runs curl_global_init, once per process and safely
// when several threads make their first clients at once. Move-only.
#ifndef ZEB_ENGINE_HTTP_CLIENT_H_
#define ZEB_ENGINE_HTTP_CLIENT_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/lines.h"

namespace zeb {

struct HttpOptions {
  std::chrono::milliseconds read_timeout{30000};  // longest wait for the next byte; 0 = none
  std::chrono::milliseconds transfer_limit{0};    // longest whole transfer; 0 = none
  bool follow_redirects = true;
  long max_redirects = 15;
  bool cookies = true;
  long port = 80;         // used when the address names no port of its own
  bool http10 = false;    // HTTP/1.0 instead of HTTP/1.1
  long recv_buffer = 0;   // receive buffer size in bytes; 0 = libcurl's default
  long send_buffer = 0;   // send buffer size in bytes; 0 = libcurl's default
  std::string accept;     // Accept header; empty sends none
  long content_length = 0;             // Content-Length request header when > 0
  long range_start = 0, range_end = 0; // Range request header when range_end > 0
  std::string user_agent;
  std::int64_t max_recv_speed = 0;     // bytes per second; 0 = no throttle
  // When > 0, a longer body is cut to this many bytes and the transfer ends there, without an
  // error (HttpResponse::truncated tells).
  std::size_t max_body = 0;
  // Proxy: used when proxy_host is not empty, with basic authentication when a user is given.
  std::string proxy_host;
  long proxy_port = 0;
  std::string proxy_user;
  std::string proxy_password;
};

struct HttpResponse {
  long status = 0;
  std::string body;
  Lines raw_headers;          // every header line of every response, as received
  std::string content_encoding;  // of the last response
  std::string effective_url;  // the address the transfer ended on
  std::string host;           // its host, with ":port" when the address names one
  bool truncated = false;     // the body was cut at HttpOptions::max_body
};

class HttpError : public std::runtime_error {
 public:
  HttpError(const std::string& message, long status) : std::runtime_error(message), status_(status) {}
  long status() const { return status_; }  // the last status seen, 0 when none

 private:
  long status_;
};

// What a transfer reports and asks while it runs.
class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  // The expected body size, when the response announced one.
  virtual void WorkBegin(std::int64_t total) { (void)total; }
  // Bytes received and sent so far.
  virtual void WorkRead(std::int64_t count) { (void)count; }
  virtual void WorkWrite(std::int64_t count) { (void)count; }
  // Called between blocks: return a non-empty text to end the transfer with that message.
  // May block (a pause gate) for as long as it likes.
  virtual std::string ShouldStop() { return {}; }
  // Called with each block of body data: return a non-empty text to end the transfer.
  virtual std::string AcceptBody(std::string_view received_so_far, std::string_view block) {
    (void)received_so_far;
    (void)block;
    return {};
  }
};

class HttpClient {
 public:
  explicit HttpClient(HttpOptions options);
  ~HttpClient();
  HttpClient(HttpClient&&) noexcept;
  HttpClient& operator=(HttpClient&&) noexcept;

  // GET of url. Throws HttpError as described above.
  HttpResponse Get(const std::string& url, TransferObserver* observer = nullptr);

  // What the last transfer got, also after an HttpError: status, address ended on, status line
  // and Content-Encoding of the last response.
  long last_status() const { return last_status_; }
  const std::string& last_url() const { return last_url_; }
  const std::string& last_status_line() const { return last_status_line_; }
  const std::string& last_content_encoding() const { return last_content_encoding_; }

 private:
  static void GlobalInit();

  struct Handle;
  HttpOptions options_;
  std::unique_ptr<Handle> handle_;
  long last_status_ = 0;
  std::string last_url_;
  std::string last_status_line_;
  std::string last_content_encoding_;
};

}  // namespace zeb

#endif  // ZEB_ENGINE_HTTP_CLIENT_H_
