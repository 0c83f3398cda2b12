#pragma once
// Hive files for tests. libhivex cannot create a hive, so the test writes the smallest one
// Windows and hivex accept (a base block and one bin holding the root key and its security
// cell) and fills it with hivexregedit, a reader and writer of hives we did not write.

#include <cstdint>
#include <filesystem>
#include <string>

namespace ordrex::testsupport {

inline constexpr const char* kHivexregeditMissing =
    "hivexregedit is not installed (Debian package libwin-hivex-perl)";
inline constexpr const char* kSoftwarePrefix = "HKEY_LOCAL_MACHINE\\SOFTWARE";

bool HivexregeditAvailable();

struct EmptyHiveOptions {
  // Numbers that differ make a hive Windows left with a write unfinished.
  std::uint32_t primarySequence = 1;
  std::uint32_t secondarySequence = 1;
};

// Writes the 8,192-byte hive with nothing but its root key "ROOT" (replacing `file`).
void WriteEmptyHive(const std::filesystem::path& file, const EmptyHiveOptions& options = {});
// Writes a transaction log's base block (a .LOG1/.LOG2 file) with the given sequence numbers.
void WriteTransactionLog(const std::filesystem::path& file, std::uint32_t sequence);
// Sets a hive's sequence numbers in place, with a checksum that matches again.
void SetHiveSequences(const std::filesystem::path& file, std::uint32_t primary,
                      std::uint32_t secondary);

// Merges registry text ("[HKEY_LOCAL_MACHINE\SOFTWARE\Vendor]" lines and values, without the
// "Windows Registry Editor" header) into the hive as `prefix`. Parents must come before their
// keys; non-ASCII text must be given as hex(1): data. Throws std::runtime_error with
// hivexregedit's output when it fails.
void MergeIntoHive(const std::filesystem::path& file, const std::string& regText,
                   const std::string& prefix = kSoftwarePrefix);
// An empty hive at `file`, filled with `regText`.
void MakeHive(const std::filesystem::path& file, const std::string& regText,
              const std::string& prefix = kSoftwarePrefix);
// The hive as hivexregedit --export writes it under `prefix` (every key of the hive).
std::string ExportHive(const std::filesystem::path& file,
                       const std::string& prefix = kSoftwarePrefix);

}  // namespace ordrex::testsupport
