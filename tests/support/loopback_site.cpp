#include "support/loopback_site.h"

#include <brotli/encode.h>
#include <httplib.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

#include "loopback_server.h"

namespace zeb::testing {
namespace {

// Runs every connection on a thread of its own, starting threads as needed. httplib holds a
// thread for as long as a connection stays open, so with a fixed pool the kept-alive idle
// connections of a few clients would keep a new connection waiting for their keep-alive timeout.
class GrowingPool : public httplib::TaskQueue {
 public:
  GrowingPool() = default;
  ~GrowingPool() override { shutdown(); }
  GrowingPool(const GrowingPool&) = delete;
  GrowingPool& operator=(const GrowingPool&) = delete;

  // Called by the listening thread only, like shutdown.
  void enqueue(std::function<void()> fn) override {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(fn));
    if (jobs_.size() > idle_ && threads_.size() < kMaxThreads) {
      threads_.emplace_back([this] { Work(); });
    }
    wake_.notify_one();
  }

  // Lets the threads finish the jobs they have and the ones queued, and waits for them.
  void shutdown() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  static constexpr std::size_t kMaxThreads = 1024;  // beyond it connections wait their turn

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ++idle_;
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      --idle_;
      if (jobs_.empty()) return;
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;  // Guarded by mutex_
  std::size_t idle_ = 0;                    // Guarded by mutex_: threads waiting for a job
  bool stopping_ = false;                   // Guarded by mutex_
  std::vector<std::thread> threads_;        // Touched by the listening thread only
};

// The sockets of the connections being served, so that a stop can end them, and the TLS
// handshakes done. A socket is added before its connection waits for anything and removed
// before it is closed, so a socket in the book is always the connection's own.
class ConnectionBook {
 public:
  void Add(int socket) {
    std::lock_guard<std::mutex> lock(mutex_);
    sockets_.insert(socket);
  }
  void Remove(int socket) {
    std::lock_guard<std::mutex> lock(mutex_);
    sockets_.erase(socket);
  }
  // Shuts every connection down: its worker, waiting for a request or in the middle of one,
  // sees the connection end at once.
  void EndAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int socket : sockets_) ::shutdown(socket, SHUT_RDWR);
  }

  void CountHandshake(bool resumed) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++handshakes_;
    resumed_ += resumed ? 1 : 0;
  }
  int handshakes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return handshakes_;
  }
  int resumed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return resumed_;
  }

 private:
  mutable std::mutex mutex_;
  std::set<int> sockets_;  // Guarded by mutex_
  int handshakes_ = 0;     // Guarded by mutex_
  int resumed_ = 0;        // Guarded by mutex_
};

// A plain connection's socket as httplib reads and writes it, with poll for the timeouts and a
// small read buffer (httplib reads the request line and headers a byte at a time).
class SocketStream : public httplib::Stream {
 public:
  SocketStream(int socket, std::chrono::microseconds read_timeout,
               std::chrono::microseconds write_timeout)
      : socket_(socket), read_timeout_(read_timeout), write_timeout_(write_timeout) {}

  bool is_readable() const override { return begin_ < end_ || Ready(POLLIN, read_timeout_); }
  bool is_writable() const override { return Ready(POLLOUT, write_timeout_); }

  ssize_t read(char* ptr, std::size_t size) override {
    if (begin_ == end_) {
      if (!Ready(POLLIN, read_timeout_)) return -1;
      ssize_t got;
      do {
        got = ::recv(socket_, buffer_.data(), buffer_.size(), 0);
      } while (got < 0 && errno == EINTR);
      if (got <= 0) return got;
      begin_ = 0;
      end_ = static_cast<std::size_t>(got);
    }
    const std::size_t n = std::min(size, end_ - begin_);
    std::memcpy(ptr, buffer_.data() + begin_, n);
    begin_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, std::size_t size) override {
    if (!is_writable()) return -1;
    ssize_t sent;
    do {
      sent = ::send(socket_, ptr, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    Address(true, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    Address(false, ip, port);
  }
  socket_t socket() const override { return socket_; }

  // True when a request begins within timeout (or bytes of one are buffered already); false on
  // the timeout. The connection's end counts as a beginning: reading it then fails.
  bool WaitForRequest(std::chrono::seconds timeout) const {
    return begin_ < end_ || Ready(POLLIN, timeout);
  }

 private:
  bool Ready(short events, std::chrono::microseconds timeout) const {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    pollfd entry{socket_, events, 0};
    int result;
    do {
      result = ::poll(&entry, 1, static_cast<int>(std::clamp<decltype(ms)>(ms, 0, INT_MAX)));
    } while (result < 0 && errno == EINTR);
    return result > 0;
  }

  void Address(bool peer, std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t size = sizeof(address);
    auto* any = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? ::getpeername(socket_, any, &size) : ::getsockname(socket_, any, &size)) != 0) {
      return;
    }
    std::array<char, NI_MAXHOST> host{};
    if (::getnameinfo(any, size, host.data(), host.size(), nullptr, 0, NI_NUMERICHOST) == 0) {
      ip = host.data();
    }
    if (address.ss_family == AF_INET) {
      port = ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    } else if (address.ss_family == AF_INET6) {
      port = ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    }
  }

  int socket_;
  std::chrono::microseconds read_timeout_;
  std::chrono::microseconds write_timeout_;
  std::array<char, 4096> buffer_{};
  std::size_t begin_ = 0;  // the buffered bytes not read yet are [begin_, end_)
  std::size_t end_ = 0;
};

// httplib's plain server, serving each connection the way httplib does but with its socket in
// the book: httplib's own loop keeps a kept-alive connection waiting for a next request until the
// keep-alive timeout, stop or not, and tells no one its socket.
class PlainServer : public httplib::Server {
 public:
  explicit PlainServer(ConnectionBook& book) : book_(book) {}

 private:
  bool process_and_close_socket(socket_t socket) override {
    book_.Add(socket);
    using std::chrono::microseconds;
    using std::chrono::seconds;
    SocketStream stream(socket, seconds(read_timeout_sec_) + microseconds(read_timeout_usec_),
                        seconds(write_timeout_sec_) + microseconds(write_timeout_usec_));
    bool ok = false;
    for (std::size_t left = keep_alive_max_count_;
         left > 0 && svr_sock_ != INVALID_SOCKET &&
         stream.WaitForRequest(seconds(keep_alive_timeout_sec_));
         --left) {
      bool connection_closed = false;
      ok = process_request(stream, left == 1, connection_closed, nullptr);
      if (!ok || connection_closed) break;
    }
    book_.Remove(socket);
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return ok;
  }

  ConnectionBook& book_;
};

// What a TLS connection keeps in its SSL object for the site: the book it is in, its socket,
// and whether its handshake was counted. Made when its handshake starts, gone with the SSL
// object, which httplib frees before it closes the socket.
struct TlsConnection {
  ConnectionBook* book;
  int socket;
  bool counted = false;
};

void ForgetTlsConnection(void*, void* data, CRYPTO_EX_DATA*, int, long, void*) {
  auto* connection = static_cast<TlsConnection*>(data);
  if (connection == nullptr) return;  // an SSL object of no site, a client's say
  if (connection->socket >= 0) connection->book->Remove(connection->socket);
  delete connection;
}

// Where an SSL_CTX keeps its site's book, and where an SSL object keeps its TlsConnection.
int BookIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}
int ConnectionIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, &ForgetTlsConnection);
  return index;
}

// Books a connection when its handshake starts and counts it once when the handshake is done:
// a renegotiation (TLS 1.2) or a post-handshake exchange such as a key update (TLS 1.3)
// reports "start" and "done" again.
void OnTlsInfo(const SSL* ssl, int where, int) {
  if ((where & (SSL_CB_HANDSHAKE_START | SSL_CB_HANDSHAKE_DONE)) == 0) return;
  SSL* mutable_ssl = const_cast<SSL*>(ssl);
  auto* connection = static_cast<TlsConnection*>(SSL_get_ex_data(ssl, ConnectionIndex()));
  if (connection == nullptr) {
    auto* book =
        static_cast<ConnectionBook*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), BookIndex()));
    if (book == nullptr) return;
    connection = new TlsConnection{book, SSL_get_fd(ssl)};
    if (SSL_set_ex_data(mutable_ssl, ConnectionIndex(), connection) != 1) {
      delete connection;
      return;
    }
    if (connection->socket >= 0) book->Add(connection->socket);
  }
  if ((where & SSL_CB_HANDSHAKE_DONE) != 0 && !connection->counted) {
    connection->counted = true;
    connection->book->CountHandshake(SSL_session_reused(ssl) == 1);
  }
}

bool SetUpTls(SSL_CTX& ctx, const TlsIdentity& identity, ConnectionBook& book) {
  const bool loaded =
      SSL_CTX_use_certificate_chain_file(&ctx, identity.cert_file.c_str()) == 1 &&
      SSL_CTX_use_PrivateKey_file(&ctx, identity.key_file.c_str(), SSL_FILETYPE_PEM) == 1 &&
      SSL_CTX_check_private_key(&ctx) == 1 && ConnectionIndex() >= 0 &&
      SSL_CTX_set_ex_data(&ctx, BookIndex(), &book) == 1;
  if (!loaded) {
    ERR_clear_error();
    return false;
  }
  SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
  SSL_CTX_set_info_callback(&ctx, &OnTlsInfo);
  return true;
}

// Compresses in slices, so that a body meant to inflate hugely needs no output buffer its size.
std::string ZlibCompress(const std::string& body, int window_bits) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, window_bits, 9, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("zlib cannot start compressing");
  }
  std::string out;
  std::string slice(1 << 16, '\0');
  std::size_t fed = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    if (stream.avail_in == 0 && fed < body.size()) {
      const std::size_t n = std::min<std::size_t>(body.size() - fed, 1 << 30);  // avail_in: 32 bits
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + fed));
      stream.avail_in = static_cast<uInt>(n);
      fed += n;
    }
    stream.next_out = reinterpret_cast<Bytef*>(slice.data());
    stream.avail_out = static_cast<uInt>(slice.size());
    result = deflate(&stream, fed == body.size() ? Z_FINISH : Z_NO_FLUSH);
    out.append(slice.data(), slice.size() - stream.avail_out);
  }
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("zlib cannot compress the body");
  return out;
}

std::string BrotliCompress(const std::string& body) {
  std::size_t size = BrotliEncoderMaxCompressedSize(body.size());
  std::string out(size, '\0');
  // Quality 9 of 11: close to the best ratio at a fraction of the time.
  if (size == 0 || !BrotliEncoderCompress(9, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, body.size(),
                                          reinterpret_cast<const std::uint8_t*>(body.data()), &size,
                                          reinterpret_cast<std::uint8_t*>(out.data()))) {
    throw std::runtime_error("brotli cannot compress the body");
  }
  out.resize(size);
  return out;
}

bool NamesContentEncoding(const std::vector<std::pair<std::string, std::string>>& headers) {
  static const std::string kName = "content-encoding";
  return std::any_of(headers.begin(), headers.end(), [](const auto& header) {
    return std::equal(
        header.first.begin(), header.first.end(), kName.begin(), kName.end(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
  });
}

// Sends body byte for byte: httplib compresses a body given by set_content when the request
// accepts it, but leaves one from a provider of known length alone.
void SendAsIs(std::string body, const std::string& content_type, httplib::Response& res) {
  if (body.empty()) {
    res.set_content("", content_type.c_str());
    return;
  }
  auto bytes = std::make_shared<const std::string>(std::move(body));
  res.set_content_provider(
      bytes->size(), content_type,
      [bytes](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        return sink.write(bytes->data() + offset, length);
      });
}

// Counts a request as being answered while it lives.
class InFlight {
 public:
  InFlight(std::mutex& mutex, int& in_flight, int& max_in_flight)
      : mutex_(mutex), in_flight_(in_flight) {
    std::lock_guard<std::mutex> lock(mutex_);
    max_in_flight = std::max(max_in_flight, ++in_flight_);
  }
  ~InFlight() {
    std::lock_guard<std::mutex> lock(mutex_);
    --in_flight_;
  }
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;

 private:
  std::mutex& mutex_;
  int& in_flight_;
};

}  // namespace

struct LoopbackSite::Impl {
  ConnectionBook connections;               // Outlives the server, whose connections it holds
  std::unique_ptr<httplib::Server> server;  // a PlainServer or an httplib::SSLServer
  bool tls = false;
  mutable std::mutex mutex;
  // The replies of a path, in the order they are given out, and how many were.
  struct Script {
    std::vector<Reply> replies;  // bodies compressed already; never empty
    std::size_t served = 0;
  };
  std::map<std::string, Script> scripts;  // Guarded by mutex
  std::vector<LoggedRequest> log;         // Guarded by mutex
  int in_flight = 0;                      // Guarded by mutex
  int max_in_flight = 0;                  // Guarded by mutex
  std::mutex stop_mutex;
  std::condition_variable stop_signal;    // Notified when stopping turns true
  bool stopping = false;                  // Guarded by stop_mutex
  std::optional<LoopbackServer> running;  // Started once the handlers are set; stops first

  // Waits out `time` unless the site stops first; false when it stops.
  bool Wait(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(stop_mutex);
    return !stop_signal.wait_for(lock, time, [this] { return stopping; });
  }

  bool Stopping() {
    std::lock_guard<std::mutex> lock(stop_mutex);
    return stopping;
  }

  void Log(const httplib::Request& req) {
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back({req.get_header_value("Host"), req.path, req.get_header_value("User-Agent"),
                   req.get_header_value("Accept"), req.get_header_value("Accept-Encoding"), now});
  }

  // The reply due for the next request of path: the script's next one, or its last.
  std::optional<Reply> Next(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = scripts.find(path);
    if (it == scripts.end()) return std::nullopt;
    Script& script = it->second;
    const std::size_t index = std::min(script.served, script.replies.size() - 1);
    ++script.served;
    return script.replies[index];
  }

  // Sets the handlers and starts serving.
  void Start();
  void Answer(const httplib::Request& req, httplib::Response& res);
  void AnswerEndlessly(const Reply& reply, httplib::Response& res);
};

void LoopbackSite::Impl::Answer(const httplib::Request& req, httplib::Response& res) {
  InFlight counted(mutex, in_flight, max_in_flight);
  std::optional<Reply> reply = Next(req.path);
  if (!reply) {
    res.status = 404;
    res.set_content("<html><body>Not found</body></html>", "text/html");
    return;
  }
  // A delay cut short by the site's end is answered as a server going away.
  if (reply->delay.count() > 0 && !Wait(reply->delay)) {
    res.status = 503;
    return;
  }
  res.status = reply->status;
  for (const auto& [name, value] : reply->headers) res.set_header(name, value);
  if (reply->kind != Reply::Body::kFixed) {
    AnswerEndlessly(*reply, res);
    return;
  }
  if (!reply->encoding.empty()) res.set_header("Content-Encoding", reply->encoding);
  if (reply->encoding.empty() && !NamesContentEncoding(reply->headers)) {
    res.set_content(reply->body, reply->content_type.c_str());
  } else {
    SendAsIs(std::move(reply->body), reply->content_type, res);
  }
}

// A body that does not end by itself; it ends when the client goes or the site stops.
void LoopbackSite::Impl::AnswerEndlessly(const Reply& reply, httplib::Response& res) {
  const bool endless = reply.kind == Reply::Body::kEndless;
  const auto gap = reply.trickle_gap;
  res.set_chunked_content_provider(
      reply.content_type, [this, endless, gap](std::size_t, httplib::DataSink& sink) {
        if (endless) {
          static const std::string block(16384, 'x');
          return !Stopping() && sink.write(block.data(), block.size());
        }
        return Wait(gap) && sink.write("x", 1);
      });
}

void LoopbackSite::Impl::Start() {
  server->new_task_queue = [] { return new GrowingPool(); };
  server->set_keep_alive_max_count(10000);
  server->set_keep_alive_timeout(30);
  // httplib writes the head and the body of an answer apart: with Nagle's algorithm the body of
  // every answer but a connection's first would wait for the client's delayed ACK (40 ms).
  server->set_tcp_nodelay(true);
  server->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    Log(req);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server->Get(".*",
              [this](const httplib::Request& req, httplib::Response& res) { Answer(req, res); });
  running.emplace(*server, tls ? "the https loopback site" : "the loopback site",
                  [this] { connections.EndAll(); });
}

LoopbackSite::LoopbackSite() : impl_(std::make_unique<Impl>()) {
  impl_->server = std::make_unique<PlainServer>(impl_->connections);
  impl_->Start();
}

LoopbackSite::LoopbackSite(const TlsIdentity& tls) : impl_(std::make_unique<Impl>()) {
  Impl* impl = impl_.get();
  impl->tls = true;
  impl->server = std::make_unique<httplib::SSLServer>(
      [impl, &tls](SSL_CTX& ctx) { return SetUpTls(ctx, tls, impl->connections); });
  if (!impl->server->is_valid()) {
    throw std::runtime_error("the https loopback site cannot use " + tls.cert_file + " with " +
                             tls.key_file);
  }
  impl->Start();
}

// Wakes the answers waiting out a delay or a trickle gap first, so that the stop is immediate;
// the kept-alive connections are ended once the server stopped listening.
LoopbackSite::~LoopbackSite() {
  {
    std::lock_guard<std::mutex> lock(impl_->stop_mutex);
    impl_->stopping = true;
  }
  impl_->stop_signal.notify_all();
  impl_->running.reset();
}

int LoopbackSite::port() const { return impl_->running->port(); }

std::string LoopbackSite::scheme() const { return impl_->tls ? "https" : "http"; }

std::string LoopbackSite::Url(const std::string& host, const std::string& path) const {
  if (path.empty() || path.front() != '/' || host.find('/') != std::string::npos) {
    throw std::invalid_argument("Url(host, path) given host \"" + host + "\" and path \"" +
                                path + "\"");
  }
  return scheme() + "://" + host + ":" + std::to_string(port()) + path;
}

void LoopbackSite::Serve(const std::string& path, Reply reply) {
  std::vector<Reply> replies;
  replies.push_back(std::move(reply));
  ServeSequence(path, std::move(replies));
}

void LoopbackSite::ServeSequence(const std::string& path, std::vector<Reply> replies) {
  for (Reply& reply : replies) {
    if (reply.encoding.empty()) continue;
    if (reply.kind != Reply::Body::kFixed) {
      throw std::invalid_argument("the loopback site compresses fixed bodies only");
    }
    reply.body = Compress(reply.body, reply.encoding);
  }
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (replies.empty()) {
    impl_->scripts.erase(path);
  } else {
    impl_->scripts[path] = {std::move(replies), 0};
  }
}

void LoopbackSite::Page(const std::string& path, std::string html) {
  Reply reply;
  reply.body = std::move(html);
  Serve(path, std::move(reply));
}

void LoopbackSite::Redirect(const std::string& path, const std::string& location) {
  Reply reply;
  reply.status = 301;
  reply.headers.emplace_back("Location", location);
  Serve(path, std::move(reply));
}

std::vector<LoggedRequest> LoopbackSite::Requests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->log;
}

int LoopbackSite::MaxConcurrent() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->max_in_flight;
}

int LoopbackSite::CountRequests(const std::string& path) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  int n = 0;
  for (const LoggedRequest& r : impl_->log) n += r.path == path ? 1 : 0;
  return n;
}

int LoopbackSite::Handshakes() const { return impl_->connections.handshakes(); }

int LoopbackSite::ResumedHandshakes() const { return impl_->connections.resumed(); }

std::string Compress(const std::string& body, const std::string& encoding) {
  if (encoding.empty()) return body;
  if (encoding == "gzip") return ZlibCompress(body, MAX_WBITS + 16);
  if (encoding == "deflate") return ZlibCompress(body, MAX_WBITS);
  if (encoding == "br") return BrotliCompress(body);
  throw std::invalid_argument("no such content encoding: " + encoding);
}

}  // namespace zeb::testing
