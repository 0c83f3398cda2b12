// Repairs of the registry lists that name operating-system files: drivers and services,
// fonts, help files, the event log's message files and static virtual devices.

#include "engine/path_checks.h"
#include "engine/repair/repair_helpers.h"
#include "platform/text.h"

namespace ordrex {

namespace {

using repair::RepairPlan;
using repair::RepairScope;
using repair::StepResult;

constexpr const char* kInstalledFilesKey = "\\System\\CurrentControlSet\\Control\\InstalledFiles\\";
constexpr const char* kVxdKey = "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\";

// Kernel drivers (type 1) and file-system drivers (type 2) are loaded by the kernel, which
// reads ImagePath in its own path forms.
bool IsKernelOrFileSystemDriver(RegistryRoots& roots, const std::string& serviceKey) {
  TRegistry reg(roots, kLocalMachine);
  if (!reg.OpenKey(serviceKey, false) || reg.GetDataType("Type") != rdInteger) return false;
  const std::int32_t type = reg.ReadInteger("Type");
  return type == 1 || type == 2;
}

StepResult RepairService(RepairScope& scope, const TFixingList& problem) {
  const std::string* solution = repair::SolutionOf(problem);
  if (solution == nullptr) return repair::BackupAndDeleteKey(scope, kLocalMachine, problem.Key);
  const std::string imagePath = repair::DeviceDriverPathForm(
      *solution, scope.Engine().Known().WindowsDir,
      IsKernelOrFileSystemDriver(scope.Engine().GetTarget(), problem.Key));
  return repair::BackupKeyAndFix(scope, kLocalMachine, problem.Key, "ImagePath",
                                 problem.TestedPath(), imagePath);
}

// The folder a help file lies in, as the help key stores it: without the file name and
// without a trailing backslash.
std::string HelpFolderOf(const std::string& file) {
  std::string folder = ExtractFilePath(file);
  if (folder.ends_with("\\")) folder.pop_back();
  return folder;
}

}  // namespace

void TDeviceDriverScan::Repair(TBackupLines& lines) {
  if (!Owner().Known().IsNT) {
    repair::RunRepair(*this, lines, repair::DeleteValuesPlan(kLocalMachine, kInstalledFilesKey));
    return;
  }
  RepairPlan plan;
  plan.root = kLocalMachine;
  plan.step = RepairService;
  repair::RunRepair(*this, lines, plan);
}

void TFontScan::Repair(TBackupLines& lines) {
  const std::string fontsKey = Owner().Known().IsNT
                                   ? "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\"
                                   : "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts\\";
  repair::RunRepair(*this, lines, repair::DeleteValuesPlan(kLocalMachine, fontsKey));
}

void THelpScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.root = kLocalMachine;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    if (const std::string* solution = repair::SolutionOf(problem)) {
      repair::ExportSingleValue(scope, kLocalMachine, problem.Key, problem.Value);
      return repair::WriteFix(scope, kLocalMachine, problem.Key, problem.Value,
                              problem.TestedPath(), HelpFolderOf(*solution));
    }
    return repair::BackupAndDeleteValue(scope, kLocalMachine, problem.Key, problem.Value);
  };
  repair::RunRepair(*this, lines, plan);
}

void TEventLog::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.root = kLocalMachine;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    TRegistry& reg = scope.Reg();
    reg.SetRootKey(kLocalMachine);
    if (!reg.OpenKey(problem.Key, false)) return StepResult::Skipped;
    scope.Lines().push_back(repair::KeyLine(kLocalMachine, problem.Key));
    const bool kept = repair::BackupValue(reg, problem.Value, scope.Lines());
    scope.Lines().emplace_back();
    const auto failure = [&](const std::string& edited) {
      return "System Event Log Repair error on " + problem.Key + ", value: " + problem.Value +
             ", data: " + edited;
    };
    StepResult result = StepResult::Failed;
    if (!kept) {
      scope.Fail(failure(""));
    } else if (const std::string* solution = repair::SolutionOf(problem)) {
      result = repair::WriteFix(scope, kLocalMachine, problem.Key, problem.Value,
                                problem.TestedPath(), *solution);
    } else {
      // Only the missing file leaves the list of message files.
      result = repair::EditListValue(scope, problem.Value, problem.TestedPath(), failure);
    }
    reg.CloseKey();
    return result;
  };
  repair::RunRepair(*this, lines, plan);
}

void TVxDScan::Repair(TBackupLines& lines) {
  if (Owner().Known().IsNT) return;
  RepairPlan plan;
  plan.root = kLocalMachine;
  plan.prepare = [](RepairScope& scope) { scope.Reg().OpenKey(kVxdKey, false); };
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    return repair::CorrectOrDeleteKey(scope, problem, problem.Value, problem.Key);
  };
  repair::RunRepair(*this, lines, plan);
}

}  // namespace ordrex
