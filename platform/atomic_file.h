#pragma once
// Replacing a file so that a crash or a full disk never leaves it half written: the new
// content goes to a temporary file in the same folder, is flushed to disk, and is renamed over
// the old file, which keeps its permission bits. Readers see the old file or the new one.
//
// Everything that saves user data (registry files, settings, the ignore list, backups) writes
// through a FileWriter, so tests can make a save fail at a chosen point.

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ordrex {

// A file could not be written; the message names the file and the reason, and the old file
// (if any) is unchanged.
class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FileWriter {
 public:
  // Hands the content to `write` piece by piece, so a large file need not be built whole in
  // memory first. An exception thrown here abandons the write.
  using Producer = std::function<void(const std::function<void(std::string_view)>& write)>;

  virtual ~FileWriter() = default;
  // Replaces (or creates) `path` with what `produce` writes. The folder must exist. A symbolic
  // link is followed: the file it points at is replaced and the link stays. Throws
  // FileWriteError (or what `produce` throws); then the old file is untouched and no temporary
  // file is left behind.
  virtual void WriteAtomically(const std::filesystem::path& path, const Producer& produce) = 0;
  // The same with the whole content at hand.
  void WriteAtomically(const std::filesystem::path& path, std::string_view bytes);
};

class AtomicFileWriter : public FileWriter {
 public:
  using FileWriter::WriteAtomically;
  void WriteAtomically(const std::filesystem::path& path, const Producer& produce) override;

 protected:
  enum class Stage {
    kTempCreated,  // the temporary file exists and is empty
    kHalfWritten,  // the first piece of the content is in the temporary file
    kFlushed,      // the whole content is on disk, the old file is still in place
  };
  // Called at each stage; a test writer throws FileWriteError here to fail at that point.
  virtual void Reached(Stage /*stage*/, const std::filesystem::path& /*target*/) {}
};

// The real writer, made to fail on purpose: after `successfulWrites` files were written
// completely, every later write fails at the chosen stage.
class FaultInjectingFileWriter : public AtomicFileWriter {
 public:
  enum class Fault {
    kNone,
    kWhileWriting,  // as if the disk filled up half way
    kBeforeRename,  // written and flushed, but the rename never happens
  };

  void FailAfter(int successfulWrites, Fault fault);
  int Attempts() const { return attempts_; }
  // The files replaced so far, in order.
  const std::vector<std::filesystem::path>& Written() const { return written_; }

  using FileWriter::WriteAtomically;
  void WriteAtomically(const std::filesystem::path& path, const Producer& produce) override;

 protected:
  void Reached(Stage stage, const std::filesystem::path& target) override;

 private:
  int successesLeft_ = -1;  // -1: never fail
  Fault fault_ = Fault::kNone;
  int attempts_ = 0;
  std::vector<std::filesystem::path> written_;
};

}  // namespace ordrex
