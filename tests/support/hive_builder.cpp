#include "support/hive_builder.h"

#include <stdexcept>
#include <vector>

#include "platform/memory_store.h"
#include "support/fresh_prefix.h"
#include "support/hive_image.h"
#include "support/process.h"

namespace ordrex::testsupport {

namespace {

namespace fs = std::filesystem;

ProcessResult RunHivexregedit(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"hivexregedit"};
  argv.insert(argv.end(), args.begin(), args.end());
  // Its output is UTF-8 either way; declared so, Perl does not warn about wide characters.
  return RunProcess(argv, {{"PERL_UNICODE", "SO"}});
}

}  // namespace

bool HivexregeditAvailable() {
  return ProgramOnPath("hivexregedit");
}

void WriteEmptyHive(const fs::path& file, const EmptyHiveOptions& options) {
  MemoryStore empty;
  WriteAll(file, HiveImage(empty.Root(), {options.primarySequence, options.secondarySequence}));
}

void WriteTransactionLog(const fs::path& file, std::uint32_t sequence) {
  MemoryStore empty;
  // Only the first sector of a log's base block counts.
  WriteAll(file, HiveImage(empty.Root(), {sequence, sequence, 6}).substr(0, 512));
}

void SetHiveSequences(const fs::path& file, std::uint32_t primary, std::uint32_t secondary) {
  std::string bytes = ReadAll(file);
  if (bytes.size() < 512) throw std::runtime_error(file.string() + ": too short");
  SetSequences(bytes, primary, secondary);
  WriteAll(file, bytes);
}

void MergeIntoHive(const fs::path& file, const std::string& regText, const std::string& prefix) {
  const fs::path regFile = file.string() + ".merge.reg";
  WriteAll(regFile, "Windows Registry Editor Version 5.00\n\n" + regText + "\n");
  const ProcessResult result =
      RunHivexregedit({"--merge", "--prefix", prefix, file.string(), regFile.string()});
  fs::remove(regFile);
  if (result.exitCode != 0) {
    throw std::runtime_error("hivexregedit --merge failed for " + file.string() + ": " +
                             result.output);
  }
}

void MakeHive(const fs::path& file, const std::string& regText, const std::string& prefix) {
  WriteEmptyHive(file);
  if (!regText.empty()) MergeIntoHive(file, regText, prefix);
}

std::string ExportHive(const fs::path& file, const std::string& prefix) {
  const ProcessResult result =
      RunHivexregedit({"--export", "--prefix", prefix, file.string(), "\\"});
  if (result.exitCode != 0) {
    throw std::runtime_error("hivexregedit --export failed for " + file.string() + ": " +
                             result.output);
  }
  return result.output;
}

}  // namespace ordrex::testsupport
