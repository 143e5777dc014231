// Fetches one URL over HTTP on its own libcurl easy handle.
//
// Returns the status, the raw response header lines, the body and the address the transfer
// ended on after redirects. An error status (>= 400) or a transport failure throws HttpError,
// whose what() is the text the console shows and whose failure() says what kind it was.
//
// Two ways of talking to a server:
// - the original one (HttpOptions::modern off): "Accept-Encoding: *" is sent literally and a
//   compressed body stays compressed; TLS is libcurl's default.
// - the modern one: libcurl asks for and decodes what it can (gzip, deflate, br, zstd), so the
//   observer and the body see decoded text; http and https only, TLS verified against the
//   system's authorities plus HttpOptions::ca_file, HTTP/2 where the server offers it. TLS
//   failures read as "certificate expired", "name mismatch", ...
//
// The handle keeps its connections and TLS sessions from one Get to the next (keep-alive), so a
// client kept for many pages of a site opens about one connection.
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
  bool modern = false;   // decode, verify TLS, HTTP/2, http and https only (see above)
  std::string ca_file;   // modern: PEM file of further trusted authorities; empty for none
};

// One response of a transfer: the address asked for and the status it was answered with.
struct ResponseHop {
  long status = 0;
  std::string url;

  bool operator==(const ResponseHop&) const = default;
};

struct HttpResponse {
  long status = 0;
  std::string body;
  Lines raw_headers;          // every header line of every response, as received
  std::string content_encoding;  // of the last response
  std::string effective_url;  // the address the transfer ended on
  std::string host;           // its host, with ":port" when the address names one
  bool truncated = false;     // the body was cut at HttpOptions::max_body
  // Every final (non-1xx) response of the transfer in order: the redirects, then the page.
  std::vector<ResponseHop> chain;
};

// What kind of failure ended a transfer.
enum class HttpFailure {
  kStatus,      // the server answered with an error status (>= 400)
  kNoHost,      // the host name could not be resolved
  kRefused,     // no connection could be made
  kTls,         // TLS handshake or certificate failure
  kTimeout,     // no answer within the time-outs
  kStopped,     // the observer ended it (stop, deadline, a body that cannot pass)
  kOther,
};

class HttpError : public std::runtime_error {
 public:
  HttpError(const std::string& message, long status, HttpFailure failure = HttpFailure::kOther)
      : std::runtime_error(message), status_(status), failure_(failure) {}
  long status() const { return status_; }  // the last status seen, 0 when none
  HttpFailure failure() const { return failure_; }
  // Whether the server could not be reached at all (name, connection, TLS, time-out).
  bool unreachable() const {
    return failure_ == HttpFailure::kNoHost || failure_ == HttpFailure::kRefused ||
           failure_ == HttpFailure::kTls || failure_ == HttpFailure::kTimeout;
  }

 private:
  long status_;
  HttpFailure failure_;
};

// A short reason for a TLS failure, from libcurl's result and the certificate check's code:
// "certificate not trusted: self-signed", "certificate expired", "name mismatch", ...
std::string TlsFailureText(int curl_code, long verify_result);

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
  // Options for the next transfers; connections already open stay open for them.
  void set_options(HttpOptions options) { options_ = std::move(options); }
  const HttpOptions& options() const { return options_; }
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
  // After an HttpError with an error status: that response's header lines and the start of
  // its body (at most kErrorBodyKept bytes), for telling a refusal from a bot wall.
  const Lines& last_error_headers() const { return last_error_headers_; }
  const std::string& last_error_body() const { return last_error_body_; }
  static constexpr std::size_t kErrorBodyKept = 64 * 1024;

 private:
  static void GlobalInit();

  struct Handle;
  HttpOptions options_;
  std::unique_ptr<Handle> handle_;
  long last_status_ = 0;
  std::string last_url_;
  std::string last_status_line_;
  std::string last_content_encoding_;
  Lines last_error_headers_;
  std::string last_error_body_;
};

}  // namespace zeb

#endif  // ZEB_ENGINE_HTTP_CLIENT_H_
