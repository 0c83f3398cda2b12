#pragma once
// Restore points of a Wine prefix: copies of its registry files (system.reg, user.reg,
// userdef.reg) under the program's data folder, one folder per point:
//
//   <data>/RestorePoints/<prefix name>-<hash of its path>/<sequence>/{*.reg, point.txt}
//
// point.txt says the point's number, name, prefix, time, files with their sizes, and whether it
// was ended. A folder without it is a point whose copy did not finish. Each prefix numbers its
// own points, so removing one prefix's points never touches another's.
//
// Wine keeps the registry in its server's memory while it runs and writes the files only now
// and then, so a copy is refused while a wineserver serves the prefix: the files are then not
// the registry.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "system/file_copier.h"
#include "system/restore_points.h"

namespace ordrex {

struct RestorePointInfo {
  std::int64_t sequence = 0;
  std::string name;
  std::string target;     // the prefix folder
  std::int64_t time = 0;  // seconds since 1970
  bool complete = false;
  struct File {
    std::string name;  // "system.reg", ...
    std::uintmax_t size = 0;
  };
  std::vector<File> files;
};

struct RestorePointApplied {
  bool applied = false;
  std::string error;           // why nothing (or, on a failed write, nothing lasting) changed
  std::int64_t undoPoint = 0;  // the point taken of the registry as it was before
};

// The folder every target's restore points live under.
std::filesystem::path RestorePointsRoot(const std::filesystem::path& dataDir);

class WinePrefixRestorePoints : public RestorePointService {
 public:
  // `copier` and `writer` (for point.txt and for putting files back) default to the real ones;
  // given ones must outlive this object.
  WinePrefixRestorePoints(std::filesystem::path prefix, const std::filesystem::path& dataDir,
                          Clock& clock, FileCopier* copier = nullptr, FileWriter* writer = nullptr);

  bool SystemRestoreAvailable() override;
  RestoreCode SetRestorePoint(std::string_view name, std::int64_t& sequence) override;
  RestoreCode EndRestorePoint(std::int64_t sequence) override;
  std::string LastFailureReason() const override { return reason_; }

  // This prefix's folder of points (it may not exist yet).
  const std::filesystem::path& Folder() const { return folder_; }
  // The points whose copy finished, oldest first.
  std::vector<RestorePointInfo> List() const;
  // Puts the point's registry files back into the prefix (all written in full before any
  // replaces its original, each replaced atomically), after
  // taking a point of the registry as it is now (so this can be undone). Refused, with nothing
  // changed, while Wine runs in the prefix or when a file of the point is damaged (its size is
  // not the one recorded, or it is no Wine registry file of its branch).
  RestorePointApplied Apply(std::int64_t sequence);

 protected:
  RestoreCode CancelPoint(std::int64_t sequence) override;
  RestoreCode RemovePoint(std::int64_t sequence) override;

 private:
  std::filesystem::path PointFolder(std::int64_t sequence) const;
  std::optional<RestorePointInfo> Read(std::int64_t sequence) const;
  void Write(const RestorePointInfo& info);
  std::int64_t NextSequence() const;
  RestoreCode Failed(RestoreCode code, std::string reason);

  std::filesystem::path prefix_;
  std::filesystem::path folder_;
  Clock& clock_;
  AtomicFileWriter ownWriter_;
  FileWriter* writer_;
  FileCopier ownCopier_;
  FileCopier* copier_;
  std::string reason_;
};

}  // namespace ordrex
