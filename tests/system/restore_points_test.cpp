// Restore points of a prefix made by a test: snapshots taken, ended, listed, cleaned from the
// newest down, and applied back byte for byte; a copy that fails part way leaves nothing
// behind, and a damaged snapshot is refused before anything is written.

#include "system/wine_restore_points.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/wine/wineserver.h"
#include "support/fresh_prefix.h"
#include "support/process.h"
#include "support/temp_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::Sz;
using testsupport::TempPrefix;
using testsupport::WriteAll;

constexpr const char* kFiles[] = {"system.reg", "user.reg", "userdef.reg"};

class RestorePointsTest : public ::testing::Test {
 protected:
  RestorePointsTest() {
    prefix_.User("Software\\Test", {Sz("Was", "before")}).Open();
    before_ = Registry();
  }
  std::vector<std::string> Registry() const {
    std::vector<std::string> files;
    for (const char* file : kFiles)
      files.push_back(ReadAll(prefix_.Path() / file));
    return files;
  }
  // A change to the prefix as Wine would make it, in user.reg.
  void ChangeUserFile() {
    std::string text = ReadAll(prefix_.Path() / "user.reg");
    text.replace(text.find("before"), 6, "after!");
    WriteAll(prefix_.Path() / "user.reg", text);
  }
  std::int64_t Begin(WinePrefixRestorePoints& points, const std::string& name) {
    std::int64_t sequence = 0;
    EXPECT_EQ(points.SetRestorePoint(name, sequence), kRestoreSuccess)
        << points.LastFailureReason();
    return sequence;
  }
  std::vector<std::int64_t> Sequences(const WinePrefixRestorePoints& points) const {
    std::vector<std::int64_t> numbers;
    for (const auto& point : points.List())
      numbers.push_back(point.sequence);
    return numbers;
  }

  TempPrefix prefix_;
  ScratchFolder data_;
  ManualClock clock_{std::chrono::system_clock::from_time_t(1710000000)};
  std::vector<std::string> before_;
};

TEST_F(RestorePointsTest, BeginCopiesEndCompletesAndListShowsThem) {
  WinePrefixRestorePoints points(prefix_.Path(), data_.Path(), clock_);
  ASSERT_TRUE(points.SystemRestoreAvailable());
  EXPECT_FALSE(fs::exists(points.Folder()));  // asking made nothing
  // 130 characters, two of them two bytes long, and a line break that must not split the file.
  const std::string name = "é\nfirst " + std::string(120, 'x') + "ü" + "yz";
  const std::int64_t first = Begin(points, name);
  EXPECT_EQ(first, 1);
  const fs::path folder = points.Folder() / "1";
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(ReadAll(folder / kFiles[i]), before_[i]) << kFiles[i];

  auto listed = points.List();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].name, "é first " + std::string(120, 'x'));
  EXPECT_EQ(listed[0].target, prefix_.Path().string());
  EXPECT_EQ(listed[0].time, 1710000000);
  EXPECT_FALSE(listed[0].complete);
  EXPECT_EQ(points.EndRestorePoint(first), kRestoreSuccess);
  EXPECT_TRUE(points.List()[0].complete);
  EXPECT_EQ(points.EndRestorePoint(first), kRestoreInvalidSequence);
  EXPECT_EQ(points.EndRestorePoint(7), kRestoreInvalidSequence);
  EXPECT_EQ(Begin(points, "second"), 2);
  EXPECT_EQ(Sequences(points), (std::vector<std::int64_t>{1, 2}));
  EXPECT_EQ(Registry(), before_);  // only read
}

TEST_F(RestorePointsTest, CleanRemovesThisPrefixsPointsDownToTheFirstFailure) {
  WinePrefixRestorePoints points(prefix_.Path(), data_.Path(), clock_);
  for (int i = 0; i < 4; ++i)
    points.EndRestorePoint(Begin(points, "point"));
  TempPrefix other;
  other.Open();
  WinePrefixRestorePoints others(other.Path(), data_.Path(), clock_);
  others.EndRestorePoint(Begin(others, "another prefix's"));

  fs::remove_all(points.Folder() / "2");  // gone: the count down stops there
  std::int64_t fresh = 0;
  ASSERT_EQ(points.SetRestorePoint("count down from here", fresh), kRestoreSuccess);
  EXPECT_EQ(fresh, 5);
  EXPECT_EQ(points.CancelRestorePoint(fresh), kRestoreSuccess);
  EXPECT_EQ(Sequences(points), std::vector<std::int64_t>{1});
  EXPECT_EQ(Sequences(others), std::vector<std::int64_t>{1});

  // A point that was ended is not cancelled, but the removal below it goes on.
  const std::int64_t ended = Begin(points, "ended");
  points.EndRestorePoint(ended);
  EXPECT_EQ(points.CancelRestorePoint(ended), kRestoreInvalidSequence);
  EXPECT_EQ(Sequences(points), std::vector<std::int64_t>{2});
}

TEST_F(RestorePointsTest, ACopyThatFailsPartWayLeavesNoPoint) {
  // Three registry files, then point.txt: each of the four writes in turn fails.
  for (int writes = 0; writes < 4; ++writes) {
    for (const auto fault : {FaultInjectingFileWriter::Fault::kWhileWriting,
                             FaultInjectingFileWriter::Fault::kBeforeRename}) {
      SCOPED_TRACE(writes);
      ScratchFolder data;
      FaultInjectingFileWriter writer;
      writer.FailAfter(writes, fault);
      FileCopier copier(writer, /*reflink=*/false);
      WinePrefixRestorePoints points(prefix_.Path(), data.Path(), clock_, &copier, &writer);
      std::int64_t sequence = 0;
      EXPECT_EQ(points.SetRestorePoint("fails", sequence), kRestoreInternalError);
      EXPECT_NE(points.LastFailureReason().find("injected failure"), std::string::npos);
      EXPECT_EQ(sequence, 1);
      EXPECT_TRUE(fs::is_empty(points.Folder()));
      EXPECT_EQ(Registry(), before_);
    }
  }
}

TEST_F(RestorePointsTest, NoPointWhereNoneCanBeMade) {
  ScratchFolder notPrefix;
  WinePrefixRestorePoints none(notPrefix.Path(), data_.Path(), clock_);
  std::int64_t sequence = 0;
  EXPECT_FALSE(none.SystemRestoreAvailable());
  EXPECT_EQ(none.SetRestorePoint("x", sequence), kRestoreDisabled);
  // A file where the folder of restore points belongs: it cannot be made.
  WriteAll(RestorePointsRoot(data_.Path()), "in the way");
  WinePrefixRestorePoints points(prefix_.Path(), data_.Path(), clock_);
  EXPECT_FALSE(points.SystemRestoreAvailable());
  EXPECT_EQ(points.SetRestorePoint("x", sequence), kRestoreAccessDenied);
  EXPECT_EQ(sequence, 1);
}

TEST_F(RestorePointsTest, ApplyPutsTheFilesBackAndCanItselfBeUndone) {
  WinePrefixRestorePoints points(prefix_.Path(), data_.Path(), clock_);
  points.EndRestorePoint(Begin(points, "before the change"));
  ChangeUserFile();
  const auto changed = Registry();

  const RestorePointApplied applied = points.Apply(1);
  ASSERT_TRUE(applied.applied) << applied.error;
  EXPECT_EQ(Registry(), before_);
  EXPECT_EQ(applied.undoPoint, 2);
  EXPECT_TRUE(points.List()[1].complete);
  ASSERT_TRUE(points.Apply(applied.undoPoint).applied);
  EXPECT_EQ(Registry(), changed);
  EXPECT_EQ(points.List().size(), 3u);
  EXPECT_FALSE(points.Apply(9).applied);
}

TEST_F(RestorePointsTest, ADamagedPointIsRefusedWithNothingChanged) {
  WinePrefixRestorePoints points(prefix_.Path(), data_.Path(), clock_);
  points.EndRestorePoint(Begin(points, "to be damaged"));
  ChangeUserFile();
  const auto changed = Registry();
  const fs::path copy = points.Folder() / "1";
  const std::string user = ReadAll(copy / "user.reg");
  std::string unknownLine = user;
  unknownLine.replace(unknownLine.find("=\"before\""), 9, "=nonsense");
  const std::string otherBranch = ReadAll(copy / "userdef.reg");
  const struct {
    std::string bytes;
    const char* says;
  } damages[] = {
      {user.substr(0, user.size() / 2), "bytes, not the"},
      {"REGEDIT4\n" + user.substr(9), "no Wine registry file"},
      {unknownLine, "user.reg:"},
      {otherBranch, "not that of user.reg"},
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.says);
    WriteAll(copy / "user.reg", damage.bytes);
    // Recorded with its size, so that only what it holds can give it away.
    if (damage.bytes.size() != user.size() && damage.bytes.size() != user.size() / 2) {
      std::string record = ReadAll(copy / "point.txt");
      const std::string line = "file=user.reg " + std::to_string(user.size());
      record.replace(record.find(line), line.size(),
                     "file=user.reg " + std::to_string(damage.bytes.size()));
      WriteAll(copy / "point.txt", record);
    }
    const RestorePointApplied applied = points.Apply(1);
    EXPECT_FALSE(applied.applied);
    EXPECT_NE(applied.error.find(damage.says), std::string::npos) << applied.error;
    EXPECT_NE(applied.error.find("nothing was changed"), std::string::npos);
    EXPECT_EQ(Registry(), changed);
    EXPECT_EQ(points.List().size(), 1u);  // not even an undo point
  }
}

TEST_F(RestorePointsTest, AnApplyThatFailsPartWayChangesNothing) {
  FaultInjectingFileWriter writer;
  FileCopier copier(writer, /*reflink=*/false);
  WinePrefixRestorePoints points(prefix_.Path(), data_.Path(), clock_, &copier, &writer);
  points.EndRestorePoint(Begin(points, "first"));
  WriteAll(prefix_.Path() / "system.reg", before_[0] + "\n[Software\\\\Later] 1\n");
  ChangeUserFile();
  const auto changed = Registry();
  // The undo point: three copies and point.txt twice; then system.reg, and user.reg fails.
  writer.FailAfter(6, FaultInjectingFileWriter::Fault::kWhileWriting);
  const RestorePointApplied applied = points.Apply(1);
  EXPECT_FALSE(applied.applied);
  EXPECT_NE(applied.error.find("nothing was changed"), std::string::npos) << applied.error;
  EXPECT_EQ(Registry(), changed);
  EXPECT_EQ(std::distance(fs::directory_iterator(prefix_.Path()), fs::directory_iterator()), 5);
}

TEST(RestorePointsFresh, RefusedWhileAWineserverServesThePrefix) {
  const auto fresh = testsupport::FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << testsupport::kWineMissing;
  testsupport::PrefixCopy copy(*fresh, testsupport::PrefixCopyScope::kWithoutSystemFiles);
  ScratchFolder data;
  ManualClock clock;
  WinePrefixRestorePoints points(copy.Path(), data.Path(), clock);
  std::int64_t sequence = 0;
  ASSERT_EQ(points.SetRestorePoint("before Wine", sequence), kRestoreSuccess);
  points.EndRestorePoint(sequence);
  ASSERT_EQ(testsupport::RunProcess({"wineserver", "-p"}, testsupport::WineEnvironment(copy.Path()))
                .exitCode,
            0);
  std::optional<int> pid;
  for (int i = 0; i < 100 && !pid; ++i) {
    pid = FindWineserverPid(copy.Path());
    if (!pid) usleep(100000);
  }
  ASSERT_TRUE(pid);
  EXPECT_EQ(points.SetRestorePoint("while Wine runs", sequence), kRestoreBusy);
  EXPECT_EQ(points.LastFailureReason(), WineRunningMessage(*pid));
  EXPECT_EQ(RestoreFailureText(kRestoreBusy, points.LastFailureReason()), WineRunningMessage(*pid));
  EXPECT_EQ(points.Apply(1).error, WineRunningMessage(*pid));
  EXPECT_EQ(points.List().size(), 1u);
}

}  // namespace
}  // namespace ordrex
