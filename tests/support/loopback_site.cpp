#include "support/loopback_site.h"

#include <httplib.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>

#include "loopback_server.h"

namespace zeb::testing {

struct LoopbackSite::Impl {
  httplib::Server server;
  mutable std::mutex mutex;
  std::map<std::string, Reply> replies;  // Guarded by mutex
  std::vector<LoggedRequest> log;        // Guarded by mutex
  int in_flight = 0;                     // Guarded by mutex
  int max_in_flight = 0;                 // Guarded by mutex
  std::mutex stop_mutex;
  std::condition_variable stop_signal;  // Notified when stopping turns true
  bool stopping = false;                // Guarded by stop_mutex
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
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back({req.get_header_value("Host"), req.path, req.get_header_value("User-Agent"),
                   req.get_header_value("Accept"), req.get_header_value("Accept-Encoding")});
  }

  std::optional<Reply> Find(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = replies.find(path);
    if (it == replies.end()) return std::nullopt;
    return it->second;
  }

  void Answer(const httplib::Request& req, httplib::Response& res);
  void AnswerEndlessly(const Reply& reply, httplib::Response& res);
};

namespace {

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

void LoopbackSite::Impl::Answer(const httplib::Request& req, httplib::Response& res) {
  InFlight counted(mutex, in_flight, max_in_flight);
  std::optional<Reply> reply = Find(req.path);
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
  if (reply->kind == Reply::Body::kFixed) {
    res.set_content(reply->body, reply->content_type.c_str());
  } else {
    AnswerEndlessly(*reply, res);
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

LoopbackSite::LoopbackSite() : impl_(std::make_unique<Impl>()) {
  Impl* impl = impl_.get();
  impl->server.new_task_queue = [] { return new httplib::ThreadPool(48); };
  impl->server.set_pre_routing_handler([impl](const httplib::Request& req, httplib::Response&) {
    impl->Log(req);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  impl->server.Get(".*", [impl](const httplib::Request& req, httplib::Response& res) {
    impl->Answer(req, res);
  });
  impl->running.emplace(impl->server, "the loopback site");
}

// Wakes the answers waiting out a delay or a trickle gap first, so that the stop is immediate.
LoopbackSite::~LoopbackSite() {
  {
    std::lock_guard<std::mutex> lock(impl_->stop_mutex);
    impl_->stopping = true;
  }
  impl_->stop_signal.notify_all();
  impl_->running.reset();
}

int LoopbackSite::port() const { return impl_->running->port(); }

std::string LoopbackSite::Url(const std::string& host, const std::string& path) const {
  return "http://" + host + ":" + std::to_string(port()) + path;
}

void LoopbackSite::Serve(const std::string& path, Reply reply) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->replies[path] = std::move(reply);
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

}  // namespace zeb::testing
