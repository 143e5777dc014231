#include "support/loopback_site.h"

#include <httplib.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace zeb::testing {

struct LoopbackSite::Impl {
  httplib::Server server;
  std::thread thread;
  int port = 0;
  mutable std::mutex mutex;
  std::map<std::string, Reply> replies;  // Guarded by mutex
  std::vector<LoggedRequest> log;        // Guarded by mutex
  int in_flight = 0;                     // Guarded by mutex
  int max_in_flight = 0;                 // Guarded by mutex
};


LoopbackSite::LoopbackSite() : impl_(std::make_unique<Impl>()) {
  Impl* impl = impl_.get();
  // Counts a request as being answered while it lives.
  struct InFlight {
    explicit InFlight(Impl* site) : impl(site) {
      std::lock_guard<std::mutex> lock(impl->mutex);
      impl->max_in_flight = std::max(impl->max_in_flight, ++impl->in_flight);
    }
    ~InFlight() {
      std::lock_guard<std::mutex> lock(impl->mutex);
      --impl->in_flight;
    }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;
    Impl* impl;
  };
  impl->server.new_task_queue = [] { return new httplib::ThreadPool(48); };
  impl->server.set_pre_routing_handler([impl](const httplib::Request& req, httplib::Response&) {
    std::lock_guard<std::mutex> lock(impl->mutex);
    impl->log.push_back({req.get_header_value("Host"), req.path,
                         req.get_header_value("User-Agent"), req.get_header_value("Accept"),
                         req.get_header_value("Accept-Encoding")});
    return httplib::Server::HandlerResponse::Unhandled;
  });
  impl->server.Get(".*", [impl](const httplib::Request& req, httplib::Response& res) {
    InFlight counted(impl);
    Reply reply;
    {
      std::lock_guard<std::mutex> lock(impl->mutex);
      auto it = impl->replies.find(req.path);
      if (it == impl->replies.end()) {
        res.status = 404;
        res.set_content("<html><body>Not found</body></html>", "text/html");
        return;
      }
      reply = it->second;
    }
    if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);
    res.status = reply.status;
    for (const auto& [name, value] : reply.headers) res.set_header(name, value);
    if (reply.kind == Reply::Body::kFixed) {
      res.set_content(reply.body, reply.content_type.c_str());
      return;
    }
    const bool endless = reply.kind == Reply::Body::kEndless;
    const auto gap = reply.trickle_gap;
    res.set_chunked_content_provider(
        reply.content_type, [endless, gap](std::size_t, httplib::DataSink& sink) {
          if (endless) {
            static const std::string block(16384, 'x');
            return sink.write(block.data(), block.size());
          }
          std::this_thread::sleep_for(gap);
          return sink.write("x", 1);
        });
  });
  impl->port = impl->server.bind_to_any_port("127.0.0.1");
  if (impl->port <= 0) throw std::runtime_error("the loopback site cannot bind a port");
  impl->thread = std::thread([impl] { impl->server.listen_after_bind(); });
  // stop() does nothing before the server runs, so wait for it (bounded).
  for (int i = 0; i < 500 && !impl->server.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

LoopbackSite::~LoopbackSite() {
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

int LoopbackSite::port() const { return impl_->port; }

std::string LoopbackSite::Url(const std::string& host, const std::string& path) const {
  return "http://" + host + ":" + std::to_string(impl_->port) + path;
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
