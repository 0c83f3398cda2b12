#pragma once
// One Windows hive file (SOFTWARE, SYSTEM, NTUSER.DAT, UsrClass.dat ...) as a registry store,
// read and written through libhivex.
//
// The whole hive is read into the key tree when it opens: scans look up every key many times,
// and the tree answers those far faster than walking cells would. Values keep their type and
// bytes exactly as stored. Every change goes both to the tree and to libhivex's own copy of the
// hive, which keeps it in memory until CommitTo writes the new hive; nothing reaches the file
// on disk before that.
//
// A hive is untrusted input: a damaged file is refused with a TargetError naming it, and a hive
// that Windows left with unreplayed transactions (see DirtyReason) is read as it was last
// flushed and never written.
//
// What libhivex cannot write safely is refused with a RegistryError instead: a change to a key
// that holds (or would hold) a value of more than 16,344 bytes, since libhivex writes all of a
// key's values again and each as one cell, which Windows reads as garbage past that size; and
// a change below a key whose name libhivex cannot convert (the store reads such names itself).
// Keys created here are listed last until the hive is opened again (the hive keeps its lists
// sorted).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/memory_store.h"
#include "platform/target_error.h"

namespace ordrex {

// What a hive's base block (its first 4,096 bytes) says.
struct HiveHeader {
  // Windows raises the primary number before it writes the hive and the secondary one after;
  // numbers that differ mean a write never finished.
  std::uint32_t primarySequence = 0, secondarySequence = 0;
  std::int64_t lastWritten = 0;  // Windows FILETIME (100 ns ticks since 1601)
  std::uint32_t majorVersion = 0, minorVersion = 0;
  std::uint32_t fileType = 0;  // 0: a hive; 1, 2, 6: a transaction log
  std::uint32_t rootCell = 0;  // offset of the root key, relative to the first hive bin
  std::uint32_t binsSize = 0;  // bytes of hive bins after the base block

  bool SequencesMatch() const { return primarySequence == secondarySequence; }
};

// Reads a hive's (or a transaction log's) base block strictly: the "regf" signature, the
// version, the sizes against the file's own size, and the checksum. Throws TargetError naming
// the file ("<path>: not a registry hive file" or "<path>: damaged hive: ...").
HiveHeader ReadHiveHeader(const std::filesystem::path& file);

// Why the hive (whose base block says `header`) must not be written; empty when it may. A hive
// is dirty when its sequence numbers differ or when a .LOG1/.LOG2 file beside it (any case)
// has a valid base block with a sequence number newer than the hive's.
std::string HiveDirtyReason(const std::filesystem::path& file, const HiveHeader& header);

class HiveStore : public MemoryStore {
 public:
  ~HiveStore() override;

  // Opens a hive file. Throws TargetError naming the file ("<path>: not a registry hive file" /
  // "<path>: damaged ...") for a truncated, corrupt or unreadable hive. `writable` false: every
  // write is refused with WriteBlocker()'s reason.
  static std::unique_ptr<HiveStore> Open(const std::filesystem::path& file, bool writable);

  const std::filesystem::path& File() const { return file_; }
  const HiveHeader& Header() const { return header_; }
  // The name the hive gives its root key (often "ROOT" or a "CMI-CreateHive{...}" name).
  const std::string& RootName() const { return rootName_; }

  // Why this hive must not be written: its sequence numbers differ, or a .LOG1/.LOG2 file beside
  // it holds newer transactions that only Windows can replay (writing would lose them). Empty
  // when it may be written. WriteBlocker() includes it.
  std::string DirtyReason() const { return dirtyReason_; }
  // The warning a scan of a dirty hive shows ("<file> was not shut down cleanly: it is shown as
  // last flushed ..."); empty for a clean hive.
  std::string DirtyWarning() const;

  // A further reason to refuse every write (the volume is mounted read-only, Windows is
  // hibernated ...); empty lifts it.
  void SetWriteBlocker(std::string why) { externalBlocker_ = std::move(why); }
  // Non-empty when writes are refused: opened read-only, dirty, or a blocker is set.
  std::string WriteBlocker() const override;

  // True when something changed since the hive was opened or last saved.
  bool Changed() const { return changed_; }
  // Writes the changed hive to `file` (a temporary file in the hive's folder) and flushes it to
  // disk; the caller then renames it over the hive, after the backup, and calls MarkSaved. The
  // hive file itself is not touched. Throws RegistryError naming the file (then `file` is
  // removed and the store stays changed).
  void CommitTo(const std::filesystem::path& file);
  // Called after the committed file replaced the hive: the store is unchanged from now on, and
  // Header() describes the new file.
  void MarkSaved();

  void CreateKey(std::string_view path) override;
  bool DeleteKey(std::string_view path) override;
  void SetValue(std::string_view path, std::string_view name, RegValue value) override;
  bool DeleteValue(std::string_view path, std::string_view name) override;

 protected:
  void KeyChanged(KeyNode& node) override;

 private:
  struct Hivex;
  HiveStore(std::filesystem::path file, bool writable);
  // Reads every key and value into the tree. Throws TargetError for a damaged hive.
  void Load();
  // libhivex's handle of the tree's key (the key must be in the hive).
  std::size_t HiveNodeOf(const KeyNode& key) const;
  // Throws RegistryError when changing the value `changed` of `key` (to `newSize` bytes) would
  // write a value in a form Windows cannot read.
  void CheckValuesWritable(const KeyNode& key, std::string_view changed, std::size_t newSize) const;

  std::filesystem::path file_;
  bool writable_;
  HiveHeader header_;
  std::string rootName_;
  std::string dirtyReason_;
  std::string externalBlocker_;
  std::unique_ptr<Hivex> hivex_;
  bool changed_ = false;
};

}  // namespace ordrex
