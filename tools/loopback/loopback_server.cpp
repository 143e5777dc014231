#include "loopback_server.h"

#include <httplib.h>

#include <chrono>
#include <stdexcept>
#include <utility>

namespace zeb {

LoopbackServer::LoopbackServer(httplib::Server& server, const std::string& what,
                               std::function<void()> on_stopped)
    : server_(server),
      on_stopped_(std::move(on_stopped)),
      port_(server.bind_to_any_port("127.0.0.1")) {
  if (port_ <= 0) throw std::runtime_error(what + " cannot bind a port");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() does nothing before the server runs, so wait for it (bounded).
  for (int i = 0; i < 500 && !server_.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

LoopbackServer::~LoopbackServer() {
  server_.stop();
  if (on_stopped_) on_stopped_();
  if (thread_.joinable()) thread_.join();
}

}  // namespace zeb
