#include "support/prefix_engine.h"

#include <algorithm>
#include <cstdio>

#include "backup/backup_file.h"
#include "backup/reg_apply.h"
#include "backup/reg_writer.h"
#include "engine/path_checks.h"
#include "engine/registry.h"
#include "platform/text.h"
#include "support/registry_dump.h"

namespace ordrex::testsupport {

PrefixEngine::PrefixEngine(TempPrefix& prefix)
    : target_(prefix.Open()),
      engine_(std::make_unique<TOrdrex>(*target_, clock_)),
      opened_(DumpRoots(*target_, DumpOrder::kSorted)) {}

void PrefixEngine::EnableOnly(std::initializer_list<TCustomOrdrex*> categories) {
  for (TCustomOrdrex* category : engine_->Categories())
    category->Enabled = false;
  for (TCustomOrdrex* category : categories)
    category->Enabled = true;
}

void PrefixEngine::ScanOnly(std::initializer_list<TCustomOrdrex*> categories) {
  EnableOnly(categories);
  RunScan(*engine_);
}

void PrefixEngine::Prepare(std::initializer_list<TCustomOrdrex*> categories) {
  EnableOnly(categories);
  engine_->Clear();
  engine_->ResetStates();
  engine_->Stop(false);
}

TFixingList& PrefixEngine::Problem(TCustomOrdrex& category, RootHandle root, const std::string& key,
                                   const std::string& value, const std::string& data,
                                   const std::string& found, const std::string& missing) {
  const bool missingFile = !found.empty();
  const std::string& path = missing.empty() ? data : missing;
  engine_->AddProblem(category, root, "File not found", key, value, data, missingFile ? path : "",
                      true, missingFile);
  TFixingList& problem = category.Items(category.Count() - 1);
  if (missingFile) {
    engine_->RecordFoundLocation(ExtractFilePath(found), ExtractFileName(found));
    category.LinkErrorFiles();
  }
  return problem;
}

TBackupLines PrefixEngine::Repair(std::initializer_list<TCustomOrdrex*> categories) {
  TBackupLines lines{BackupHeader(true)};
  for (TCustomOrdrex* category : categories)
    category->Repair(lines);
  return lines;
}

::testing::AssertionResult PrefixEngine::RestoredBy(const TBackupLines& lines) {
  const Bytes bytes = EncodeBackupFile(lines);
  ApplyRegFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
               *target_);
  const std::string restored = DumpRoots(*target_, DumpOrder::kSorted);
  if (restored == opened_) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the backup\n"
                                       << Joined(lines) << "gave back\n"
                                       << restored << "instead of\n"
                                       << opened_;
}

namespace {

std::string ValuesOf(TRegistry& reg) {
  std::string out;
  for (const std::string& name : SortedNames(reg.GetValueNames())) {
    out += (out.empty() ? "" : "  ") + (name.empty() ? "@" : name) + "=";
    const TRegDataType kind = reg.GetDataType(name);
    if (kind == rdString || kind == rdExpandString) {
      out += reg.ReadString(name);
    } else if (kind == rdInteger) {
      out += "dword:" + std::to_string(reg.ReadInteger(name));
    } else {
      const RegValue value = *reg.ReadRawValue(name);
      out += value.type == kRegBinary ? "hex:" : "hex(" + std::to_string(value.type) + "):";
      char hex[4];
      for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(hex, sizeof hex, i ? ",%02x" : "%02x", value.data[i]);
        out += hex;
      }
    }
  }
  return out;
}

void TreeOf(TRegistry& reg, const std::string& key, const std::string& relative,
            std::vector<std::string>& lines) {
  if (!reg.OpenKey(key, false)) return;
  const std::string values = ValuesOf(reg);
  const std::vector<std::string> subkeys = SortedNames(reg.GetKeyNames());
  if (relative.empty()) {
    if (!values.empty()) lines.push_back(values);
  } else if (!values.empty() || subkeys.empty()) {
    lines.push_back(relative + (values.empty() ? "" : ": " + values));
  }
  for (const std::string& sub : subkeys)
    TreeOf(reg, key + "\\" + sub, relative.empty() ? sub : relative + "\\" + sub, lines);
}

}  // namespace

std::vector<std::string> PrefixEngine::Tree(RootHandle root, const std::string& key) {
  TRegistry reg(*target_, root);
  if (!reg.KeyExists(key)) return {"(none)"};
  std::vector<std::string> lines;
  TreeOf(reg, key.ends_with('\\') ? key.substr(0, key.size() - 1) : key, "", lines);
  return lines;
}

std::vector<std::string> Problems(const TCustomOrdrex& category, std::string_view under) {
  std::vector<std::string> lines;
  for (const auto& p : category.Problems()) {
    std::string line = RootKeyName(p->RootKey) + p->Key + " | " + p->Value + " | " + p->Data +
                       " | " + p->Reason + " | " + (p->Selected ? "selected" : "unselected") +
                       " | " + (p->MissingFile ? "missing" : "-");
    if (!under.empty() && line.starts_with(under)) line.erase(0, under.size());
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string Joined(const TBackupLines& lines) {
  std::string out;
  for (const std::string& line : lines)
    out += line + "\n";
  return out;
}

KnownLocations KnownOf(TempPrefix& prefix) {
  std::unique_ptr<Target> target = prefix.Open();
  return PathChecks(*target).Known();
}

void RunScan(TOrdrex& engine) {
  engine.Clear();
  engine.Stop(false);
  engine.Scan();
  engine.Stop(true);
}

}  // namespace ordrex::testsupport
