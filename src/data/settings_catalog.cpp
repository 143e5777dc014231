#include "data/settings_catalog.h"

#include <array>
#include <limits>

#include "text/text_routines.h"

namespace zeb {
namespace {

// The decimal text of a number that is not negative, for a default kept as a number.
constexpr std::array<char, 12> DecimalText(int value) {
  std::array<char, 12> digits{};
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  std::array<char, 12> text{};
  for (std::size_t i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
  return text;
}

static_assert(kDefaultIgnoreSize >= 0);
constexpr std::array<char, 12> kDefaultIgnoreSizeText = DecimalText(kDefaultIgnoreSize);

constexpr std::array<const char* const, 5> kConnectionChoices = {"1", "5", "10", "15", "20"};

constexpr std::array<SettingDef, 15> kStartupDefs = {{
    {"ZEBAnalyzeBase", SettingKind::kSwitch, "false"},
    {"ZEBAnalyzeFound", SettingKind::kSwitch, "false"},
    {"ZEBAutoUpdatePartner", SettingKind::kSwitch, "false"},
    {"ZEBUserAgent", SettingKind::kText, kDefaultUserAgent.data()},
    {"ZEBSelConnections", SettingKind::kChoice, ""},
    {"ZEBThrottleBand", SettingKind::kNumber, "0", 0, kMaxSpin},
    {"ZEBThrottleProc", SettingKind::kNumber, "0", 0, kMaxSpin},
    {"ZEBIgnoreSize", SettingKind::kNumber, kDefaultIgnoreSizeText.data(), 5000, kMaxSpin},
    {"ZEBStopHops", SettingKind::kNumber, "3", -1, kMaxSpin},
    {"ZEBStopLinks", SettingKind::kNumber, "0", 0, kMaxSpin},
    {"ZEBStopTime", SettingKind::kNumber, "0", 0, kMaxSpin},
    {"KWDensity", SettingKind::kNumber, "0", 0, kMaxSpin},
    {"URLExceptions", SettingKind::kSwitch, "false"},
    {"HotLink", SettingKind::kSwitch, "false"},
    // https, compressed pages, robots.txt as browsers and search engines read it, polite
    // retries and "could not check" told apart from "not found". Off reads as the original crawl.
    {"ZEBModernWeb", SettingKind::kSwitch, "false", 0, 0, "true"},
}};

constexpr std::int64_t kMaxInt = std::numeric_limits<std::int32_t>::max();

constexpr std::array<SettingDef, 18> kNetworkDefs = {{
    {"HTTPReadTimeout", SettingKind::kNumber, "30000", 0, kMaxInt},
    {"HTTPHandleRedirects", SettingKind::kSwitch, "true"},
    {"HTTPAllowCookies", SettingKind::kSwitch, "true"},
    {"HTTPPort", SettingKind::kNumber, "80", 0, 65535},
    {"HTTPProtocolVersion", SettingKind::kNumber, "1", 0, kMaxInt},
    {"HTTPRecvBufferSize", SettingKind::kNumber, "32768", 0, kMaxInt},
    {"HTTPRedirectMaximum", SettingKind::kNumber, "15", 0, kMaxInt},
    {"HTTPAccept", SettingKind::kText, "text/html, */*"},
    {"HTTPContentLength", SettingKind::kNumber, "0", 0, kMaxInt},
    {"HTTPContentRangeEnd", SettingKind::kNumber, "0", 0, kMaxInt},
    {"HTTPContentRangeStart", SettingKind::kNumber, "0", 0, kMaxInt},
    {"HTTPSendBufferSize", SettingKind::kNumber, "32768", 0, kMaxInt},
    {"ProxyAuth", SettingKind::kSwitch, "false"},
    {"ProxyPassword", SettingKind::kSecret, ""},
    {"ProxyPort", SettingKind::kNumber, "0", 0, 65535},
    {"ProxyHost", SettingKind::kText, ""},
    {"ProxyUsername", SettingKind::kText, ""},
    // A PEM file of further certificate authorities trusted besides the system's (modern web).
    {"HTTPCAFile", SettingKind::kText, ""},
}};

}  // namespace

std::span<const SettingDef> StartupSettingDefs() { return kStartupDefs; }
std::span<const SettingDef> NetworkSettingDefs() { return kNetworkDefs; }
std::span<const char* const> ConnectionChoices() { return kConnectionChoices; }

const SettingDef* FindSettingDef(std::span<const SettingDef> defs, std::string_view name) {
  for (const SettingDef& def : defs) {
    if (name == def.name) return &def;
  }
  return nullptr;
}

std::optional<std::int32_t> ParseStrictInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

bool TextToSwitch(std::string_view text) { return LowerCase(text) == "true"; }

const char* SwitchToText(bool on) { return on ? "true" : "false"; }

std::string ConnectionChoicesText() {
  std::string choices;
  for (const char* choice : ConnectionChoices()) {
    choices += choices.empty() ? choice : std::string(", ") + choice;
  }
  return choices;
}

std::optional<std::string> ValidateSetting(const SettingDef& def, std::string_view value) {
  switch (def.kind) {
    case SettingKind::kSwitch:
      if (value != "true" && value != "false") {
        return std::string(def.name) + " takes true or false";
      }
      return std::nullopt;
    case SettingKind::kNumber: {
      std::optional<std::int32_t> n = ParseStrictInt(value);
      if (!n || *n < def.min || *n > def.max) {
        return std::string(def.name) + " takes a whole number from " + std::to_string(def.min) +
               " to " + std::to_string(def.max);
      }
      return std::nullopt;
    }
    case SettingKind::kChoice: {
      if (value.empty()) return std::nullopt;
      for (const char* choice : ConnectionChoices()) {
        if (value == choice) return std::nullopt;
      }
      return std::string(def.name) + " takes one of " + ConnectionChoicesText();
    }
    case SettingKind::kText:
    case SettingKind::kSecret:
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace zeb
