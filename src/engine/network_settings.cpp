#include "engine/network_settings.h"

#include <algorithm>
#include <optional>

#include "data/settings_catalog.h"
#include "data/settings_reader.h"
#include "engine/page_size_guard.h"
#include "text/cipher.h"

namespace zeb {

HttpOptions LoadNetworkSettings(const SettingsStore& store, const std::string& user_agent,
                                std::int64_t bandwidth_throttle,
                                std::vector<std::string>* problems) {
  SettingsReader values(store, kNetworkKey, NetworkSettingDefs(), "Network setting",
                        SettingsReader::OutOfRange::kDefault, problems);
  HttpOptions options;
  options.read_timeout = std::chrono::milliseconds(values.Number("HTTPReadTimeout"));
  options.follow_redirects = values.Switch("HTTPHandleRedirects");
  options.cookies = values.Switch("HTTPAllowCookies");
  options.port = values.Number("HTTPPort");
  options.http10 = values.Number("HTTPProtocolVersion") == 0;
  options.recv_buffer = values.Number("HTTPRecvBufferSize");
  options.max_redirects = values.Number("HTTPRedirectMaximum");
  options.accept = values.Text("HTTPAccept");
  options.content_length = values.Number("HTTPContentLength");
  options.range_end = values.Number("HTTPContentRangeEnd");
  options.range_start = values.Number("HTTPContentRangeStart");
  options.send_buffer = values.Number("HTTPSendBufferSize");
  if (values.Switch("ProxyAuth")) {
    std::optional<std::string> password =
        Decrypt(values.Text("ProxyPassword"), kProxyPasswordKey);
    if (!password) {
      values.Note("Network setting ProxyPassword cannot be deciphered; using no password");
    }
    options.proxy_password = password.value_or("");
    options.proxy_port = values.Number("ProxyPort");
    options.proxy_host = values.Text("ProxyHost");
    options.proxy_user = values.Text("ProxyUsername");
  }
  options.ca_file = values.Text("HTTPCAFile");
  options.user_agent = user_agent;
  options.max_recv_speed = bandwidth_throttle;
  return options;
}

HttpOptions RobotsClientOptions() {
  HttpOptions options;
  options.port = 80;
  options.read_timeout = std::chrono::milliseconds(10000);
  options.follow_redirects = true;
  options.cookies = true;
  options.accept = "text/html, */*";
  options.user_agent = kFixedUserAgent;
  return options;
}

std::chrono::milliseconds TransferLimit(std::chrono::milliseconds floor,
                                        std::chrono::milliseconds read_timeout,
                                        int bandwidth_throttle, int max_page_size) {
  std::chrono::milliseconds limit = std::max(floor, 10 * read_timeout);
  if (bandwidth_throttle > 0) {
    const std::int64_t bytes =
        max_page_size > 0 ? max_page_size : static_cast<std::int64_t>(kHardPageCap);
    limit += std::chrono::milliseconds(bytes * 1000 / bandwidth_throttle);
  }
  return limit;
}

}  // namespace zeb
