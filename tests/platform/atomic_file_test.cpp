#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::WriteAll;

std::size_t EntriesIn(const fs::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
    ++count;
  return count;
}

TEST(AtomicFileWriter, ReplacesContentKeepsModeAndLinksAndLeavesNoTemporaryFile) {
  ScratchFolder folder;
  const fs::path file = folder.Path() / "user.reg";
  WriteAll(file, "old content that is longer than the new one\n");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(file, mode);
  AtomicFileWriter writer;
  writer.WriteAtomically(file, std::string_view("new\n"));
  EXPECT_EQ(ReadAll(file), "new\n");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, mode);
  // Through a link the file it points at is replaced; the link stays.
  fs::create_symlink("user.reg", folder.Path() / "link.reg");
  writer.WriteAtomically(folder.Path() / "link.reg", std::string_view("via link"));
  EXPECT_TRUE(fs::is_symlink(folder.Path() / "link.reg"));
  EXPECT_EQ(ReadAll(file), "via link");
  // A new file, written in pieces.
  writer.WriteAtomically(folder.Path() / "new.txt",
                         [](const std::function<void(std::string_view)>& write) {
                           write("one ");
                           write("two");
                         });
  EXPECT_EQ(ReadAll(folder.Path() / "new.txt"), "one two");
  EXPECT_EQ(EntriesIn(folder.Path()), 3u);
}

TEST(AtomicFileWriter, FailsCleanlyAndLeavesTheOldFile) {
  ScratchFolder folder;
  AtomicFileWriter writer;
  EXPECT_THROW(writer.WriteAtomically(folder.Path() / "missing" / "x", std::string_view("a")),
               FileWriteError);
  fs::create_directory(folder.Path() / "dir");
  EXPECT_THROW(writer.WriteAtomically(folder.Path() / "dir", std::string_view("a")),
               FileWriteError);
  EXPECT_TRUE(fs::is_directory(folder.Path() / "dir"));
  // An exception from the producer.
  const fs::path file = folder.Path() / "f";
  WriteAll(file, "old");
  EXPECT_THROW(writer.WriteAtomically(file,
                                      [](const std::function<void(std::string_view)>& write) {
                                        write("partial");
                                        throw std::runtime_error("producer failed");
                                      }),
               std::runtime_error);
  EXPECT_EQ(ReadAll(file), "old");
  EXPECT_EQ(EntriesIn(folder.Path()), 2u);
}

TEST(FaultInjectingFileWriter, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  using Fault = FaultInjectingFileWriter::Fault;
  for (const Fault fault : {Fault::kWhileWriting, Fault::kBeforeRename}) {
    SCOPED_TRACE(static_cast<int>(fault));
    ScratchFolder folder;
    const fs::path first = folder.Path() / "a";
    const fs::path second = folder.Path() / "b";
    WriteAll(first, "old a");
    WriteAll(second, "old b");

    FaultInjectingFileWriter writer;
    writer.FailAfter(1, fault);
    writer.WriteAtomically(first, std::string_view("new a"));
    EXPECT_THROW(writer.WriteAtomically(second, std::string_view("new b")), FileWriteError);

    EXPECT_EQ(ReadAll(first), "new a");
    EXPECT_EQ(ReadAll(second), "old b");
    EXPECT_EQ(EntriesIn(folder.Path()), 2u);
    EXPECT_EQ(writer.Attempts(), 2);
    EXPECT_EQ(writer.Written(), std::vector<fs::path>{first});
  }
}

}  // namespace
}  // namespace ordrex
