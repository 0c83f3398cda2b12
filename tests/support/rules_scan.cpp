#include "support/rules_scan.h"

#include <filesystem>

namespace ordrex::testsupport {

OpenedPrefix OpenWithOnly(TempPrefix& prefix, std::initializer_list<int> enabled) {
  OpenedPrefix opened;
  opened.target = prefix.Open();
  opened.engine = std::make_unique<TOrdrex>(*opened.target);
  for (TCustomOrdrex* category : opened.engine->Categories()) {
    category->Enabled = false;
    for (int index : enabled) {
      if (category->Index == index) category->Enabled = true;
    }
  }
  return opened;
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

void PutFile(TempPrefix& prefix, const std::string& windowsPath, const ByteVector& bytes) {
  const std::filesystem::path host = prefix.HostPath(windowsPath);
  std::filesystem::create_directories(host.parent_path());
  WriteBytes(host.string(), bytes);
}

std::string Line(const TFixingList& problem) {
  return problem.Key + " | " + problem.Value + " | " + problem.Data + " | " + problem.Reason;
}

std::vector<std::string> Lines(const TCustomOrdrex& category) {
  std::vector<std::string> lines;
  for (const auto& problem : category.Problems())
    lines.push_back(Line(*problem));
  return lines;
}

}  // namespace ordrex::testsupport
