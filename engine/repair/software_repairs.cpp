// Repairs of what installed software leaves behind: empty vendor keys, application paths,
// shared-library counts, programs started at logon, installer folders and uninstall entries.

#include <cstdlib>

#include "engine/repair/repair_helpers.h"
#include "platform/text.h"

namespace ordrex {

namespace {

using repair::RepairPlan;
using repair::RepairScope;
using repair::StepResult;

constexpr const char* kSharedDllsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs\\";
constexpr const char* kRunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr const char* kInstallerFoldersKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders\\";
constexpr const char* kUninstallKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A reference count as a number; text counts are read as decimal, anything else as 0.
std::int64_t CountOf(const TRegistry& reg, std::string_view name) {
  switch (reg.GetDataType(name)) {
    case rdInteger:
      return static_cast<std::uint32_t>(reg.ReadInteger(name));
    case rdString:
    case rdExpandString:
      return std::strtoll(reg.ReadString(name).c_str(), nullptr, 10);
    default:
      return 0;
  }
}

// The count moves to a value named by the found file. A file already counted there keeps its
// own count plus the moved one.
StepResult MoveSharedCount(RepairScope& scope, const TFixingList& problem,
                           const std::string& solution) {
  TRegistry& reg = scope.Reg();
  try {
    if (reg.ValueExists(solution)) {
      if (!repair::BackupValue(reg, solution, scope.Lines())) {
        throw RegistryError("the existing count could not be backed up");
      }
      const std::int64_t sum = CountOf(reg, solution) + CountOf(reg, problem.Value);
      reg.WriteInteger(solution, static_cast<std::int32_t>(sum));
    } else {
      repair::RecordCreatedValue(scope.Lines(), solution);
      switch (reg.GetDataType(problem.Value)) {
        case rdInteger:
          reg.WriteInteger(solution, reg.ReadInteger(problem.Value));
          break;
        case rdString:
          reg.WriteString(solution, reg.ReadString(problem.Value));
          break;
        default:
          reg.WriteInteger(solution, 0);
      }
    }
  } catch (const std::exception&) {
    scope.Fail("Microsoft Shared repair error on " + reg.CurrentPath() + ", Value: " + solution);
    return StepResult::Failed;
  }
  return StepResult::Repaired;
}

}  // namespace

void TOldSoftware::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    return repair::BackupAndDeleteKey(scope, problem.RootKey, problem.Key);
  };
  repair::RunRepair(*this, lines, plan);
}

void TAppPathScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    if (!SameText(problem.Value, "Path")) {
      return repair::CorrectOrDeleteKey(scope, problem, "", problem.Key);
    }
    // A folder missing from the application's own search list: only that folder goes.
    TRegistry& reg = scope.Reg();
    reg.SetRootKey(problem.RootKey);
    if (!reg.OpenKey(problem.Key, false)) return StepResult::Skipped;
    const TRegDataType kind = reg.GetDataType("Path");
    if (kind != rdString && kind != rdExpandString) return StepResult::Skipped;
    scope.Lines().push_back(repair::KeyLine(problem.RootKey, problem.Key));
    const bool kept = repair::BackupValue(reg, "Path", scope.Lines());
    scope.Lines().emplace_back();
    StepResult result = StepResult::Failed;
    if (!kept) {
      scope.Fail("Application Path repair error on " + problem.Key + ", Value: Path, Data: ");
    } else {
      result = repair::EditListValue(scope, "Path", problem.Data, [&](const std::string& edited) {
        return "Application Path repair error on " + problem.Key +
               ", Value: Path, Data: " + edited + " ";
      });
    }
    reg.CloseKey();
    return result;
  };
  repair::RunRepair(*this, lines, plan);
}

void TMicrosoftSharedScan::Repair(TBackupLines& lines) {
  RepairPlan plan = repair::DeleteValuesPlan(kLocalMachine, kSharedDllsKey);
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    TRegistry& reg = scope.Reg();
    if (!reg.HasCurrentKey() || !reg.ValueExists(problem.Value)) return StepResult::Repaired;
    if (!repair::BackupValue(reg, problem.Value, scope.Lines())) {
      scope.Fail("Microsoft Shared repair error on " + reg.CurrentPath() +
                 ", Value: " + problem.Value);
      return StepResult::Failed;
    }
    const std::string* solution = repair::SolutionOf(problem);
    // Without its count in place the old value must stay.
    if (solution != nullptr && MoveSharedCount(scope, problem, *solution) == StepResult::Failed) {
      return StepResult::Failed;
    }
    return repair::BackupAndDeleteOpenValue(scope, problem.Value);
  };
  repair::RunRepair(*this, lines, plan);
}

void TStartupScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.root = kLocalMachine;
  plan.prepare = [](RepairScope& scope) { repair::OpenSection(scope, kLocalMachine, kRunKey); };
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    // Problems of both roots share one run: each change of root starts a new section.
    if (scope.Reg().RootKey() != problem.RootKey) {
      scope.Lines().emplace_back();
      repair::OpenSection(scope, problem.RootKey, kRunKey);
    }
    if (const std::string* solution = repair::SolutionOf(problem)) {
      if (!repair::BackupValue(scope.Reg(), problem.Value, scope.Lines())) {
        scope.Fail("Windows Startup repair error on " + std::string(kRunKey) +
                   ", Value: " + problem.Value);
        return StepResult::Failed;
      }
      return repair::WriteFix(scope, problem.RootKey, kRunKey, problem.Value, problem.TestedPath(),
                              *solution);
    }
    return repair::BackupAndDeleteOpenValue(scope, problem.Value);
  };
  plan.close = repair::CloseSection;
  repair::RunRepair(*this, lines, plan);
}

void TInstaller::Repair(TBackupLines& lines) {
  repair::RunRepair(*this, lines, repair::DeleteValuesPlan(kLocalMachine, kInstallerFoldersKey));
}

void TUninstallScan::Repair(TBackupLines& lines) {
  RepairPlan plan;
  plan.root = kLocalMachine;
  plan.step = [](RepairScope& scope, const TFixingList& problem) {
    return repair::CorrectOrDeleteKey(scope, problem, problem.Value, problem.Key);
  };
  repair::RunRepair(*this, lines, plan);
}

}  // namespace ordrex
