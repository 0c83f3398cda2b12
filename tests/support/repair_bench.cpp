#include "support/repair_bench.h"

#include "backup/backup_file.h"
#include "backup/reg_apply.h"
#include "backup/reg_writer.h"
#include "engine/path_checks.h"
#include "engine/registry.h"

namespace ordrex::testsupport {

void RepairBench::Open() {
  target_ = prefix.Open();
  engine_ = std::make_unique<TOrdrex>(*target_, clock_);
}

TFixingList& RepairBench::Problem(TCustomOrdrex& category, RootHandle root, const std::string& key,
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

TBackupLines RepairBench::Repair(TCustomOrdrex& category) {
  TBackupLines lines{BackupHeader(true)};
  category.Repair(lines);
  return lines;
}

void RepairBench::ApplyBackup(const TBackupLines& lines) {
  const Bytes bytes = EncodeBackupFile(lines);
  ApplyRegFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
               *target_);
}

bool RepairBench::HasKey(RootHandle root, const std::string& key) {
  TRegistry reg(*target_, root);
  return reg.KeyExists(key);
}

std::optional<RegValue> RepairBench::Raw(RootHandle root, const std::string& key,
                                         const std::string& name) {
  TRegistry reg(*target_, root);
  if (!reg.OpenKey(key, false)) return std::nullopt;
  return reg.ReadRawValue(name);
}

bool RepairBench::HasValue(RootHandle root, const std::string& key, const std::string& name) {
  return Raw(root, key, name).has_value();
}

std::optional<std::string> RepairBench::Text(RootHandle root, const std::string& key,
                                             const std::string& name) {
  TRegistry reg(*target_, root);
  if (!reg.OpenKey(key, false)) return std::nullopt;
  const TRegDataType kind = reg.GetDataType(name);
  if (!reg.ValueExists(name) || (kind != rdString && kind != rdExpandString)) return std::nullopt;
  return reg.ReadString(name);
}

std::string Joined(const TBackupLines& lines) {
  std::string out;
  for (const std::string& line : lines)
    out += line + "\n";
  return out;
}

}  // namespace ordrex::testsupport
