// Keys nested deeper than Windows allows: readers refuse them, walks survive far deeper trees.

#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <functional>

#include "backup/reg_apply.h"
#include "backup/reg_reader.h"
#include "backup/reg_writer.h"
#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

const std::string kV5 = "Windows Registry Editor Version 5.00";

TEST(DeepKeys, EveryReaderRefusesKeysDeeperThanWindowsAllowsNamingTheLine) {
  const auto path = [](std::size_t levels, std::string_view separator) {
    std::string text = "k";
    for (std::size_t i = 1; i < levels; ++i)
      text.append(separator).push_back('k');
    return text;
  };
  // Each reader gets a file whose line 3 names a key `levels` deep and tells what became of
  // it: empty when the key was read, else the message for the user.
  const struct {
    const char* reader;
    std::function<std::string(std::size_t levels)> read;
    const char* line;
  } readers[] = {
      {"Wine registry file",
       [&](std::size_t levels) -> std::string {
         ManualClock clock;
         const auto file = WineRegistryFile::Parse(
             "WINE REGISTRY Version 2\n\n[" + path(levels, "\\\\") + "] 0\n\"v\"=\"x\"\n",
             "user.reg", clock);
         if (!file->FullyUnderstood()) return file->Problems().front();
         return file->KeyExists(path(levels, "\\")) ? "" : "not read";
       },
       "user.reg:3: "},
      {".reg file",
       [&](std::size_t levels) -> std::string {
         try {
           const RegDocument doc = ParseRegFile("REGEDIT4\n\n[HKCU\\" + path(levels, "\\") + "]\n");
           return doc.operations.at(0).path == path(levels, "\\") ? "" : "not read";
         } catch (const RegFileError& error) {
           return std::string(error.what());
         }
       },
       "Line 3: "},
      {"document applied to a store",
       [&](std::size_t levels) -> std::string {
         MemoryTarget target;
         RegDocument doc;
         doc.operations.push_back(
             {RegOperation::Kind::SelectKey, 3, kCurrentUser, path(levels, "\\"), "", {}});
         try {
           ApplyRegDocument(doc, target);
           return target.User().KeyExists(path(levels, "\\")) ? "" : "not read";
         } catch (const RegistryError& error) {
           return std::string(error.what());
         }
       },
       "Line 3: "},
  };
  for (const auto& c : readers) {
    SCOPED_TRACE(c.reader);
    EXPECT_EQ(c.read(kMaxKeyDepth), "");
    const std::string refused = c.read(kMaxKeyDepth + 1);
    EXPECT_NE(refused.find(c.line), std::string::npos) << refused;
    EXPECT_NE(refused.find("513"), std::string::npos) << refused;
    EXPECT_NE(refused.find("512"), std::string::npos) << refused;
  }
}

// Runs `work` on a thread with a 1 MiB stack: a walk whose stack grows with the depth of the
// tree overflows it at any optimisation level; a walk that keeps its own stack does not.
void OnSmallStack(std::function<void()> work) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, std::size_t{1} << 20), 0);
  pthread_t thread;
  const auto run = [](void* argument) -> void* {
    (*static_cast<std::function<void()>*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(DeepKeys, TreesDeeperThanAnyFileAreWrittenCountedAndRefusedWithoutRecursing) {
  // Chains of keys built on the tree itself, as no reader would build them.
  ManualClock clock;
  auto file = WineRegistryFile::Parse("WINE REGISTRY Version 2\n", "system.reg", clock);
  const auto chain = [&](const std::string& top, std::size_t levels) {
    KeyNode* node = &file->Root().GetOrAddChild(top);
    for (std::size_t i = 1; i < levels; ++i)
      node = &node->AppendNewChild("k");
  };
  constexpr std::size_t kDeep = 100000;
  chain("deep", kDeep);
  chain("s", kMaxKeyDepth);

  std::string text;
  std::size_t keys = 0;
  bool deepExported = true;
  TBackupLines deepLines{kV5};
  TBackupLines lines{kV5};
  OnSmallStack([&] {
    text = file->Serialize();
    keys = file->KeyCount();
    {
      StandardRoots roots(*file, nullptr, nullptr, "");
      deepExported = ExportRegistryKey(roots, kLocalMachine, "deep", deepLines);
      ExportRegistryKey(roots, kLocalMachine, "s", lines);
    }
    file.reset();
  });

  // Only the leaves are written, each line naming every level above it.
  EXPECT_EQ(std::count(text.begin(), text.end(), '['), 2);
  std::string deepest = "\n[deep";
  for (std::size_t i = 1; i < kDeep; ++i)
    deepest += "\\\\k";
  EXPECT_NE(text.find(deepest + "] 0\n"), std::string::npos);
  EXPECT_EQ(keys, kDeep + kMaxKeyDepth);
  // No reader would take a backup of the deep key back: none is written. The deepest tree a
  // reader takes is written whole and reads back.
  EXPECT_FALSE(deepExported);
  EXPECT_EQ(deepLines, TBackupLines{kV5});
  std::string backup;
  for (const std::string& line : lines)
    backup += line + "\r\n";
  EXPECT_EQ(ParseRegFile(backup).operations.size(), kMaxKeyDepth);
}

}  // namespace
}  // namespace ordrex
