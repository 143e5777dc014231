// Serves an httplib server on 127.0.0.1, at a port of its own choosing, on a thread of its own
// until the object goes. httplib is only named here: the callers include it in their .cpp files.
#ifndef ZEB_LOOPBACK_LOOPBACK_SERVER_H_
#define ZEB_LOOPBACK_LOOPBACK_SERVER_H_

#include <functional>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace zeb {

class LoopbackServer {
 public:
  // Binds server (an httplib::Server, or an httplib::SSLServer), whose handlers are set already,
  // and starts listening. Throws std::runtime_error ("<what> cannot bind a port") when no port
  // can be had. on_stopped, when given, runs when the server has stopped listening and before
  // the wait for its connections: the place to end the ones that would keep the wait long, such
  // as kept-alive connections, which httplib holds open until their keep-alive timeout.
  LoopbackServer(httplib::Server& server, const std::string& what,
                 std::function<void()> on_stopped = nullptr);
  // Stops listening, runs on_stopped and waits for the thread, and so for the answers still
  // being written.
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }

 private:
  httplib::Server& server_;
  std::function<void()> on_stopped_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace zeb

#endif  // ZEB_LOOPBACK_LOOPBACK_SERVER_H_
