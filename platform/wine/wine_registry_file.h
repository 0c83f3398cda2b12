#pragma once
// One of Wine's registry files (system.reg, user.reg, userdef.reg) as a registry store.
//
// Wine reads these files only when its server starts and rewrites them whole, so the store
// keeps everything the file says and writes it back the way Wine itself would: the header as
// read, keys and values in Wine's order, untouched keys with their own timestamps, links and
// classes kept, implied keys (those with only subkeys) left implicit. An unchanged file read
// and serialized gives the same bytes.
//
// Reading is strict: whatever is not certain (a bad escape, odd hex, a cut-off file, a line of
// unknown form) is reported with its line, left out, and the file is then opened read-only so
// it is never written back with something missing.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/memory_store.h"

namespace ordrex {

class WineRegistryFile : public MemoryStore {
 public:
  // Reads `file`. Throws RegistryError only when it cannot be read at all (missing, not a
  // regular file, unreadable); everything wrong inside it is reported by Problems().
  static std::unique_ptr<WineRegistryFile> Load(const std::filesystem::path& file, Clock& clock);
  // Reads registry text as if it were the content of `file` (nothing is read from disk).
  static std::unique_ptr<WineRegistryFile> Parse(std::string_view text,
                                                 const std::filesystem::path& file, Clock& clock);

  const std::filesystem::path& File() const { return file_; }

  bool FullyUnderstood() const { return problems_.empty(); }
  // "<file>:<line>: <what was expected>", in file order (at most kMaxProblems, then a line
  // that counts the rest).
  std::vector<std::string> Problems() const;
  static constexpr std::size_t kMaxProblems = 100;

  // The lines before the first key, as read ("WINE REGISTRY Version 2", the ";; All keys
  // relative to" line, "#arch=..."), each ended by "\n".
  const std::string& Header() const { return header_; }
  // The branch the file holds, from the ";; All keys relative to" line, unescaped:
  // "REGISTRY\Machine", "REGISTRY\User\S-1-5-21-0-0-0-1000", "REGISTRY\User\.Default";
  // empty when the line is missing.
  const std::string& RelativeTo() const { return relativeTo_; }
  // "win32", "win64", or empty when the file does not say.
  const std::string& Arch() const { return arch_; }

  // Every key below the file's root (implied ones included).
  std::size_t KeyCount() const;

  // The whole file text in Wine's own form.
  std::string Serialize() const;
  // True when something changed since the file was read or last saved.
  bool Changed() const { return changed_; }
  // Writes the file back atomically when it changed; does nothing otherwise. Throws
  // RegistryError (with WriteBlocker()'s text when writes are refused, or the writer's reason);
  // the file on disk is then untouched and the store stays changed.
  void Save(FileWriter& writer);

  // A reason to refuse every write (for example that Wine is running); empty lifts it.
  void SetWriteBlocker(std::string why) { externalBlocker_ = std::move(why); }
  // Non-empty when writes are refused: the file was not fully understood, or a blocker is set.
  std::string WriteBlocker() const override;

 protected:
  void KeyChanged(KeyNode& node) override;

 private:
  friend class WineRegistryReader;
  WineRegistryFile(std::filesystem::path file, Clock& clock);

  struct Problem {
    std::size_t line;
    std::string text;
  };
  void AddProblem(std::size_t line, std::string text);

  std::filesystem::path file_;
  Clock& clock_;
  std::string header_;
  std::string relativeTo_;
  std::string arch_;
  std::vector<Problem> problems_;
  std::size_t problemsLeftOut_ = 0;
  std::string externalBlocker_;
  std::size_t sizeHint_ = 0;  // the size of the file as read or last written
  bool changed_ = false;
};

}  // namespace ordrex
