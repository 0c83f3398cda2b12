#include "engine/rules/rule_support.h"

#include "platform/text.h"

namespace ordrex::rules {

bool ForEachName(TOrdrex& engine, TCustomOrdrex& category, TRegistry& reg, std::string_view path,
                 NameKind kind, const std::function<void(const std::string& name)>& visit) {
  const bool keys = kind == NameKind::Subkeys;
  const std::vector<std::string> names = engine.EnumKey(category, reg, path, keys);
  const int count = static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string& name = names[static_cast<std::size_t>(i)];
    const std::string location = keys ? std::string(path) + name : ValueLocation(path, name);
    if (engine.StepProgress(i, count, reg.RootKey(), location)) return false;
    visit(name);
  }
  return true;
}

std::string ValueLocation(std::string_view key, std::string_view name) {
  std::string text(key);
  text += ": ";
  text += name;
  return text;
}

void AddPartProblem(TOrdrex& engine, TCustomOrdrex& category, RootHandle root,
                    const std::string& reason, const std::string& key, const std::string& value,
                    const std::string& data, const std::string& missingPath, bool selected) {
  const int before = category.Count();
  engine.AddProblem(category, root, reason, key, value, data, missingPath, selected, true);
  // Nothing was added when the ignore list matched.
  if (category.Count() > before) category.Items(category.Count() - 1).MissingPath = missingPath;
}

bool IsSingleCharName(std::string_view name) {
  if (name.empty()) return false;
  std::size_t pos = 0;
  DecodeUtf8(name, pos);
  return pos == name.size();
}

bool StartsWithDrive(std::string_view text) {
  return text.size() >= 3 && text[1] == ':' && text[2] == '\\';
}

}  // namespace ordrex::rules
