#include "data/settings_reader.h"

#include <algorithm>

#include "text/text_routines.h"

namespace zeb {

SettingsReader::SettingsReader(const SettingsStore& store, const char* key_path,
                               std::span<const SettingDef> defs, const char* label,
                               OutOfRange out_of_range, std::vector<std::string>* problems)
    : key_(store.OpenKey(key_path)),
      defs_(defs),
      label_(label),
      out_of_range_(out_of_range),
      problems_(problems) {}

const SettingDef& SettingsReader::Def(const char* name) const {
  // Every name the program reads is in its catalog.
  return *FindSettingDef(defs_, name);
}

std::optional<std::string> SettingsReader::Stored(const char* name) const {
  if (!key_ || !key_->HasValue(name)) return std::nullopt;
  return key_->ReadString(name);
}

bool SettingsReader::Switch(const char* name) {
  const std::string text = Stored(name).value_or(Def(name).default_value);
  const std::string lower = LowerCase(text);
  if (lower != "true" && lower != "false") {
    Note(std::string(label_) + " " + name + " \"" + text + "\" is not true or false; using false");
  }
  return lower == "true";
}

std::string SettingsReader::Text(const char* name) const {
  return Stored(name).value_or(Def(name).default_value);
}

std::int32_t SettingsReader::Number(const char* name) {
  const SettingDef& def = Def(name);
  const std::int32_t fallback = *ParseStrictInt(def.default_value);
  std::optional<std::string> text = Stored(name);
  if (!text) return fallback;
  std::optional<std::int32_t> value = ParseStrictInt(*text);
  const bool in_range = value && *value >= def.min && *value <= def.max;
  if (out_of_range_ == OutOfRange::kDefault && !in_range) {
    Note(std::string(label_) + " " + name + " \"" + *text + "\" is not a whole number from " +
         std::to_string(def.min) + " to " + std::to_string(def.max) + "; using " +
         def.default_value);
    return fallback;
  }
  if (!value) {
    Note(std::string(label_) + " " + name + " \"" + *text + "\" is not a whole number; using " +
         def.default_value);
    return fallback;
  }
  if (in_range) return *value;
  const auto clamped =
      static_cast<std::int32_t>(std::clamp<std::int64_t>(*value, def.min, def.max));
  Note(std::string(label_) + " " + name + " " + *text + " is outside " + std::to_string(def.min) +
       " to " + std::to_string(def.max) + "; using " + std::to_string(clamped));
  return clamped;
}

void SettingsReader::Note(std::string problem) {
  if (problems_ != nullptr) problems_->push_back(std::move(problem));
}

}  // namespace zeb
