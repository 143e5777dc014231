#include "engine/network_settings.h"

#include <optional>

#include "data/settings_catalog.h"
#include "text/cipher.h"

namespace zeb {
namespace {

// Reads the values of one key with their defaults, noting the bad ones.
class NetworkValues {
 public:
  NetworkValues(const SettingsStore& store, std::vector<std::string>* problems)
      : key_(store.OpenKey(kNetworkKey)), problems_(problems) {}

  std::int32_t Number(const char* name) {
    const SettingDef* def = FindSettingDef(NetworkSettingDefs(), name);
    std::int32_t fallback = *ParseStrictInt(def->default_value);
    if (!key_ || !key_->HasValue(name)) return fallback;
    std::string text = key_->ReadString(name);
    std::optional<std::int32_t> value = ParseStrictInt(text);
    if (!value || *value < def->min || *value > def->max) {
      Note(std::string("Network setting ") + name + " \"" + text +
           "\" is not a whole number from " + std::to_string(def->min) + " to " +
           std::to_string(def->max) + "; using " + def->default_value);
      return fallback;
    }
    return *value;
  }

  bool Switch(const char* name) {
    if (!key_ || !key_->HasValue(name)) {
      return TextToSwitch(FindSettingDef(NetworkSettingDefs(), name)->default_value);
    }
    return TextToSwitch(key_->ReadString(name));
  }

  std::string Text(const char* name) {
    if (!key_ || !key_->HasValue(name)) {
      return FindSettingDef(NetworkSettingDefs(), name)->default_value;
    }
    return key_->ReadString(name);
  }

  void Note(std::string problem) {
    if (problems_ != nullptr) problems_->push_back(std::move(problem));
  }

 private:
  std::optional<SettingsKey> key_;
  std::vector<std::string>* problems_;
};

}  // namespace

HttpOptions LoadNetworkSettings(const SettingsStore& store, const std::string& user_agent,
                                std::int64_t bandwidth_throttle,
                                std::vector<std::string>* problems) {
  NetworkValues values(store, problems);
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

}  // namespace zeb
