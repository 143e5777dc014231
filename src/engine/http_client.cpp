#include "engine/http_client.h"

#include <curl/curl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "analysis/url_normalisation.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

using Clock = std::chrono::steady_clock;

// State of one transfer, shared with libcurl's callbacks.
struct Transfer {
  CURL* easy = nullptr;
  TransferObserver* observer = nullptr;
  HttpResponse* response = nullptr;
  std::chrono::milliseconds read_timeout{0};
  std::size_t max_body = 0;
  Clock::time_point last_byte = Clock::now();
  std::string stop_reason;
  std::string last_status_line;
  std::size_t last_response_start = 0;  // index in raw_headers where the last response begins
  bool began = false;
  curl_off_t last_read = -1;
  curl_off_t last_write = -1;
};

// Notes a response in the transfer's chain with the address it answers: while its headers
// arrive, libcurl's effective address is the one asked for. Interim 1xx answers are left out.
void NoteResponse(Transfer& t, const std::string& status_line) {
  const std::size_t blank = status_line.find(' ');
  long status = 0;
  if (blank != std::string::npos) {
    for (std::size_t i = blank + 1; i < status_line.size() && i < blank + 4; ++i) {
      if (status_line[i] < '0' || status_line[i] > '9') break;
      status = status * 10 + (status_line[i] - '0');
    }
  }
  if (status >= 100 && status < 200) return;
  char* url = nullptr;
  if (t.easy == nullptr || curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK ||
      url == nullptr) {
    url = const_cast<char*>("");
  }
  t.response->chain.push_back({status, url});
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::size_t bytes = size * count;
  std::string line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  t->last_byte = Clock::now();
  if (line.rfind("HTTP/", 0) == 0) {  // a new response begins (after a redirect or a 100)
    t->last_status_line = line;
    t->last_response_start = t->response->raw_headers.size();
    t->response->content_encoding.clear();
    NoteResponse(*t, line);
  } else if (StartsWithNoCase(line, "content-encoding:")) {
    std::string value = line.substr(17);
    std::size_t first = value.find_first_not_of(" \t");
    std::size_t last = value.find_last_not_of(" \t");
    t->response->content_encoding =
        first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
  }
  if (!line.empty()) t->response->raw_headers.push_back(std::move(line));
  return bytes;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::size_t bytes = size * count;
  t->last_byte = Clock::now();
  std::string_view block(data, bytes);
  if (t->observer != nullptr) {
    std::string reason = t->observer->AcceptBody(t->response->body, block);
    if (!reason.empty()) {
      t->stop_reason = std::move(reason);
      return 0;  // ends the transfer with CURLE_WRITE_ERROR
    }
  }
  if (t->max_body > 0 && t->response->body.size() + bytes > t->max_body) {
    t->response->body.append(block.substr(0, t->max_body - t->response->body.size()));
    t->response->truncated = true;
    return 0;  // enough: the rest is not read
  }
  t->response->body.append(block);
  return bytes;
}

int OnProgress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
               curl_off_t ulnow) {
  (void)ultotal;
  auto* t = static_cast<Transfer*>(user);
  if (t->observer != nullptr) {
    if (!t->began && dltotal > 0) {
      t->began = true;
      t->observer->WorkBegin(dltotal);
    }
    if (dlnow != t->last_read) {
      t->last_read = dlnow;
      t->observer->WorkRead(dlnow);
    }
    if (ulnow != t->last_write && ulnow > 0) {
      t->last_write = ulnow;
      t->observer->WorkWrite(ulnow);
    }
    std::string reason = t->observer->ShouldStop();
    if (!reason.empty()) {
      t->stop_reason = std::move(reason);
      return 1;
    }
  }
  if (t->read_timeout.count() > 0 && Clock::now() - t->last_byte > t->read_timeout) {
    t->stop_reason = "Read timed out";
    return 1;
  }
  return 0;
}

// Whether the address names a port of its own.
bool NamesPort(const std::string& url) {
  std::string host = UrlHost(url);
  std::size_t bracket = host.rfind(']');
  std::size_t colon = host.rfind(':');
  return colon != std::string::npos && (bracket == std::string::npos || colon > bracket);
}

}  // namespace

std::string TlsFailureText(int curl_code, long verify_result) {
  switch (verify_result) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return "certificate not trusted: self-signed";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return "certificate not trusted: unknown issuer";
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "certificate expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "certificate not yet valid";
    case X509_V_ERR_CERT_REVOKED:
      return "certificate revoked";
    case X509_V_ERR_HOSTNAME_MISMATCH:
      return "name mismatch";
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
      // libcurl checks the name itself, before it reads the chain's result, so a name that
      // does not match leaves the result at its starting value.
      if (curl_code == CURLE_PEER_FAILED_VERIFICATION) return "name mismatch";
      return "TLS handshake failed";
    default:
      return "certificate not trusted (" + std::to_string(verify_result) + ")";
  }
}

struct HttpClient::Handle {
  CURL* easy = nullptr;
  ~Handle() {
    if (easy != nullptr) curl_easy_cleanup(easy);
  }
};

void HttpClient::GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpClient::HttpClient(HttpOptions options)
    : options_(std::move(options)), handle_(std::make_unique<Handle>()) {
  GlobalInit();
  handle_->easy = curl_easy_init();
  if (handle_->easy == nullptr) throw HttpError("Cannot create an HTTP client", 0);
}

HttpClient::~HttpClient() = default;
HttpClient::HttpClient(HttpClient&&) noexcept = default;
HttpClient& HttpClient::operator=(HttpClient&&) noexcept = default;

namespace {

struct SlistFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistFree>;

HeaderList RequestHeaders(const HttpOptions& options) {
  curl_slist* headers = nullptr;
  // The original crawl sends it as it stands and never decodes; the modern one leaves it to
  // CURLOPT_ACCEPT_ENCODING.
  if (!options.modern) headers = curl_slist_append(headers, "Accept-Encoding: *");
  if (!options.accept.empty()) {
    headers = curl_slist_append(headers, ("Accept: " + options.accept).c_str());
  }
  if (options.content_length > 0) {
    headers = curl_slist_append(
        headers, ("Content-Length: " + std::to_string(options.content_length)).c_str());
  }
  if (options.range_end > 0) {
    headers = curl_slist_append(headers, ("Range: bytes=" + std::to_string(options.range_start) +
                                          "-" + std::to_string(options.range_end))
                                             .c_str());
  }
  return HeaderList(headers);
}

// The connection's settings: protocol, redirects, cookies, buffers, throttle, port, time-outs
// and proxy.
void ApplyConnectionOptions(CURL* easy, const HttpOptions& options, const std::string& url) {
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, options.follow_redirects ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, options.max_redirects);
  if (options.cookies) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  long version = options.modern ? long{CURL_HTTP_VERSION_2TLS} : long{CURL_HTTP_VERSION_1_1};
  if (options.http10) version = CURL_HTTP_VERSION_1_0;
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, version);
  if (options.recv_buffer > 0) curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, options.recv_buffer);
  if (options.send_buffer > 0) {
    curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, options.send_buffer);
  }
  if (!options.user_agent.empty()) {
    curl_easy_setopt(easy, CURLOPT_USERAGENT, options.user_agent.c_str());
  }
  if (options.max_recv_speed > 0) {
    curl_easy_setopt(easy, CURLOPT_MAX_RECV_SPEED_LARGE,
                     static_cast<curl_off_t>(options.max_recv_speed));
  }
  // The address's own port always wins; the stored port applies to plain http only.
  if (!NamesPort(url) && StartsWithNoCase(url, "http://") && options.port > 0) {
    curl_easy_setopt(easy, CURLOPT_PORT, options.port);
  }
  if (options.read_timeout.count() > 0) {
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.read_timeout.count()));
  }
  if (options.transfer_limit.count() > 0) {
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(options.transfer_limit.count()));
  }
  // An empty proxy text turns off proxies from the environment too.
  curl_easy_setopt(easy, CURLOPT_PROXY, options.proxy_host.c_str());
  if (!options.proxy_host.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXYPORT, options.proxy_port);
    if (!options.proxy_user.empty()) {
      curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, options.proxy_user.c_str());
      curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, options.proxy_password.c_str());
    }
  }
}

// The modern way: decoding, http and https only, verified TLS with the further authorities.
void ApplyModernOptions(CURL* easy, const HttpOptions& options) {
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");  // every encoding libcurl can decode
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options.ca_file.empty()) {
    // CAINFO names one file; the system's authorities stay trusted through their folder.
    curl_easy_setopt(easy, CURLOPT_CAINFO, options.ca_file.c_str());
    static const char* const kSystemFolder = "/etc/ssl/certs";
    std::error_code ec;
    if (std::filesystem::is_directory(kSystemFolder, ec)) {
      curl_easy_setopt(easy, CURLOPT_CAPATH, kSystemFolder);
    }
  }
}

HttpFailure FailureOf(CURLcode rc) {
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return HttpFailure::kNoHost;
    case CURLE_COULDNT_CONNECT:
      return HttpFailure::kRefused;
    case CURLE_OPERATION_TIMEDOUT:
      return HttpFailure::kTimeout;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
      return HttpFailure::kTls;
    default:
      return HttpFailure::kOther;
  }
}

// The modern crawl's short texts for a server that could not be reached: they end up in the
// partner's "Unverifiable: ..." line.
std::string ModernFailureText(CURL* easy, CURLcode rc, HttpFailure failure,
                              const std::string& message) {
  switch (failure) {
    case HttpFailure::kNoHost:
      return "host not found";
    case HttpFailure::kRefused:
      return "connection refused";
    case HttpFailure::kTimeout:
      return "timed out";
    case HttpFailure::kTls: {
      if (rc == CURLE_SSL_CACERT_BADFILE) return "HTTPCAFile cannot be read";
      long verify = 0;
      curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify);
      return TlsFailureText(static_cast<int>(rc), verify);
    }
    default:
      return message;
  }
}

void SetCallbacks(CURL* easy, Transfer* transfer) {
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, transfer);
}

}  // namespace

HttpResponse HttpClient::Get(const std::string& url, TransferObserver* observer) {
  CURL* easy = handle_->easy;
  // Clearing the cookie-file list first: libcurl 7.88's reset forgets to free it.
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
  curl_easy_reset(easy);
  HttpResponse response;
  Transfer transfer;
  transfer.observer = observer;
  transfer.easy = easy;
  transfer.response = &response;
  transfer.read_timeout = options_.read_timeout;
  transfer.max_body = options_.max_body;
  char error[CURL_ERROR_SIZE] = {0};
  last_status_ = 0;
  last_url_ = url;
  last_status_line_.clear();
  last_content_encoding_.clear();

  HeaderList headers = RequestHeaders(options_);
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
  ApplyConnectionOptions(easy, options_, url);
  if (options_.modern) ApplyModernOptions(easy, options_);
  SetCallbacks(easy, &transfer);

  CURLcode rc = curl_easy_perform(easy);
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &last_status_);
  char* effective = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
    last_url_ = effective;
  }
  response.status = last_status_;
  response.effective_url = last_url_;
  response.host = UrlHost(last_url_);
  last_status_line_ = transfer.last_status_line;
  last_content_encoding_ = response.content_encoding;

  last_error_headers_.clear();
  last_error_body_.clear();
  if (!transfer.stop_reason.empty()) {
    const bool timed_out = transfer.stop_reason == "Read timed out";
    throw HttpError(transfer.stop_reason, last_status_,
                    timed_out ? HttpFailure::kTimeout : HttpFailure::kStopped);
  }
  if (rc == CURLE_WRITE_ERROR && response.truncated) rc = CURLE_OK;
  if (rc != CURLE_OK) {
    const HttpFailure failure = FailureOf(rc);
    std::string message = error[0] != '\0' ? error : curl_easy_strerror(rc);
    if (options_.modern) message = ModernFailureText(easy, rc, failure, message);
    throw HttpError(message, last_status_, failure);
  }
  if (last_status_ >= 400) {
    last_error_headers_.assign(response.raw_headers.begin() +
                                   static_cast<std::ptrdiff_t>(std::min(
                                       transfer.last_response_start, response.raw_headers.size())),
                               response.raw_headers.end());
    last_error_body_ = response.body.substr(0, kErrorBodyKept);
    std::string line = transfer.last_status_line;
    throw HttpError(line.empty() ? "HTTP error " + std::to_string(last_status_) : line,
                    last_status_, HttpFailure::kStatus);
  }
  return response;
}

}  // namespace zeb
