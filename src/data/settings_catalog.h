// The values of the "Startup Settings" and "Network" keys: names, kinds, defaults and ranges.
//
// "Startup Settings" defaults are the console's form defaults; "Network" defaults are working
// values for a direct connection. The host tool seeds the store with them, and readers fall back
// to them where a stored value is missing.
#ifndef ZEB_DATA_SETTINGS_CATALOG_H_
#define ZEB_DATA_SETTINGS_CATALOG_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zeb {

enum class SettingKind {
  kSwitch,  // "true" or "false"
  kNumber,  // decimal text of a signed 32-bit integer, within [min, max]
  kText,    // free text
  kChoice,  // one of a fixed list of texts (or empty for "no selection")
  kSecret,  // text stored enciphered (the proxy password)
};

struct SettingDef {
  const char* name;
  SettingKind kind;
  const char* default_value;
  std::int64_t min = 0;
  std::int64_t max = 0;
  // What zebhost init writes into a store that has no value yet, when it differs from the
  // default a missing value reads as (a switch new stores get on, old stores keep off).
  const char* seed_value = nullptr;
};

inline constexpr std::string_view kDefaultUserAgent =
    "ZEB Bot (http://www.quillbex.example/zebbot/)";

// The default of "ZEBIgnoreSize": the largest page, in bytes, a crawl accepts. The catalog's
// default text is made from it, so the settings and the crawl start from the same number.
inline constexpr int kDefaultIgnoreSize = 125000;

// The largest value the console's number boxes take (and the catalog's upper bound for them).
inline constexpr int kMaxSpin = 999999999;

std::span<const SettingDef> StartupSettingDefs();
std::span<const SettingDef> NetworkSettingDefs();

// The definition of a value of one of the two keys, if it has one.
const SettingDef* FindSettingDef(std::span<const SettingDef> defs, std::string_view name);

// Strict decimal conversion of a signed 32-bit integer: optional sign, digits only, nothing else
// (no blanks). nullopt for anything else.
std::optional<std::int32_t> ParseStrictInt(std::string_view text);

// The switch meaning of a stored text: on exactly for "true" in any letter case.
bool TextToSwitch(std::string_view text);
const char* SwitchToText(bool on);

// Checks a text for a definition. nullopt when it fits; otherwise a message saying why not.
std::optional<std::string> ValidateSetting(const SettingDef& def, std::string_view value);

// The items of the "Connections" list, and the same as text for messages ("1, 5, 10, 15, 20").
std::span<const char* const> ConnectionChoices();
std::string ConnectionChoicesText();

}  // namespace zeb

#endif  // ZEB_DATA_SETTINGS_CATALOG_H_
