#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchFolder;

std::size_t EntriesIn(const fs::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
    ++count;
  return count;
}

TEST(AtomicFileWriter, ReplacesContentKeepsModeAndLeavesNoTemporaryFile) {
  ScratchFolder folder;
  const fs::path file = folder.Path() / "user.reg";
  std::ofstream(file) << "old content that is longer than the new one\n";
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  AtomicFileWriter writer;
  writer.WriteAtomically(file, std::string_view("new\n"));

  EXPECT_EQ(ReadAll(file), "new\n");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(AtomicFileWriter, CreatesANewFileAndStreamsPieces) {
  ScratchFolder folder;
  const fs::path file = folder.Path() / "new.txt";
  AtomicFileWriter writer;
  writer.WriteAtomically(file, [](const std::function<void(std::string_view)>& write) {
    write("one ");
    write("two");
  });
  EXPECT_EQ(ReadAll(file), "one two");
}

TEST(AtomicFileWriter, ReplacesTheFileALinkPointsAtAndKeepsTheLink) {
  ScratchFolder folder;
  const fs::path real = folder.Path() / "real.reg";
  const fs::path link = folder.Path() / "link.reg";
  std::ofstream(real) << "old";
  fs::create_symlink("real.reg", link);

  AtomicFileWriter writer;
  writer.WriteAtomically(link, std::string_view("new"));

  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadAll(real), "new");
}

TEST(AtomicFileWriter, FailsCleanlyWhenTheFolderIsMissingOrTheTargetIsAFolder) {
  ScratchFolder folder;
  AtomicFileWriter writer;
  EXPECT_THROW(writer.WriteAtomically(folder.Path() / "missing" / "x", std::string_view("a")),
               FileWriteError);
  fs::create_directory(folder.Path() / "dir");
  EXPECT_THROW(writer.WriteAtomically(folder.Path() / "dir", std::string_view("a")),
               FileWriteError);
  EXPECT_TRUE(fs::is_directory(folder.Path() / "dir"));
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(AtomicFileWriter, AnExceptionFromTheProducerLeavesTheOldFile) {
  ScratchFolder folder;
  const fs::path file = folder.Path() / "f";
  std::ofstream(file) << "old";
  AtomicFileWriter writer;
  EXPECT_THROW(writer.WriteAtomically(file,
                                      [](const std::function<void(std::string_view)>& write) {
                                        write("partial");
                                        throw std::runtime_error("producer failed");
                                      }),
               std::runtime_error);
  EXPECT_EQ(ReadAll(file), "old");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

class FaultInjection : public ::testing::TestWithParam<FaultInjectingFileWriter::Fault> {};

TEST_P(FaultInjection, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  ScratchFolder folder;
  const fs::path first = folder.Path() / "a";
  const fs::path second = folder.Path() / "b";
  std::ofstream(first) << "old a";
  std::ofstream(second) << "old b";

  FaultInjectingFileWriter writer;
  writer.FailAfter(1, GetParam());
  writer.WriteAtomically(first, std::string_view("new a"));
  EXPECT_THROW(writer.WriteAtomically(second, std::string_view("new b")), FileWriteError);

  EXPECT_EQ(ReadAll(first), "new a");
  EXPECT_EQ(ReadAll(second), "old b");
  EXPECT_EQ(EntriesIn(folder.Path()), 2u);
  EXPECT_EQ(writer.Attempts(), 2);
  ASSERT_EQ(writer.Written().size(), 1u);
  EXPECT_EQ(writer.Written()[0], first);
}

INSTANTIATE_TEST_SUITE_P(Stages, FaultInjection,
                         ::testing::Values(FaultInjectingFileWriter::Fault::kWhileWriting,
                                           FaultInjectingFileWriter::Fault::kBeforeRename));

}  // namespace
}  // namespace ordrex
