// Finding the prefixes of a home folder for the window's target list, and the target the
// window starts on.

#include "app/session/prefix_discovery.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/session/process_environment.h"
#include "platform/clock.h"
#include "support/fresh_prefix.h"
#include "support/temp_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchFolder;

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}
// The one thing that makes a folder a prefix.
void Prefix(const fs::path& folder) {
  Write(folder / "system.reg", "");
}

TEST(PrefixDiscovery, EveryKindOnceInOrderAndOnlyRealPrefixes) {
  ScratchFolder scratch;
  const fs::path home = scratch.Path() / "home";
  const fs::path steam = home / ".local/share/Steam";
  const fs::path flatpakSteam = home / ".var/app/com.valvesoftware.Steam/.local/share/Steam";
  Prefix(scratch.Path() / "custom");
  Prefix(home / ".wine");
  for (const char* name : {"b", "a"})
    Prefix(home / ".local/share/wineprefixes" / name);
  fs::create_directories(home / ".local/share/wineprefixes/no-registry");
  fs::create_directory_symlink(home / ".wine", home / ".local/share/wineprefixes/alias");
  Prefix(steam / "steamapps/compatdata/570/pfx");
  fs::create_directories(steam / "steamapps/compatdata/20/pfx");
  Prefix(scratch.Path() / "library/steamapps/compatdata/10/pfx");
  Write(steam / "steamapps/libraryfolders.vdf",
        "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.string() +
            "\"\n\t\t\"apps\" { \"570\" \"1\" }\n\t}\n\t\"1\" { \"path\" \"" +
            (scratch.Path() / "library").string() + "\" }\n}\n");
  fs::create_directories(home / ".steam");
  fs::create_directory_symlink(steam, home / ".steam/steam");
  Prefix(flatpakSteam / "steamapps/compatdata/30/pfx");
  Write(flatpakSteam / "steamapps/libraryfolders.vdf", "\"libraryfolders\" { \"0\" { \"pa\xff\x01");
  Prefix(home / "Games/game1");
  Prefix(home / "Games/game2/prefix");
  fs::create_directories(home / "Games/notes");
  Prefix(home / ".local/share/bottles/bottles/Office");
  Prefix(home / ".var/app/com.usebottles.bottles/data/bottles/bottles/Steamy");

  const std::map<std::string, std::string> environment{
      {"HOME", home.string() + "/"}, {"WINEPREFIX", (scratch.Path() / "custom/").string()}};
  std::vector<std::string> labels;
  for (const FoundPrefix& found : DiscoverPrefixes(LookupIn(environment))) {
    EXPECT_TRUE(found.folder.is_absolute()) << found.folder;
    labels.push_back(found.label);
  }
  EXPECT_EQ(labels,
            (std::vector<std::string>{
                (scratch.Path() / "custom").string() + " (WINEPREFIX)",
                "~/.wine (Wine)",
                "~/.local/share/wineprefixes/a (Wine)",
                "~/.local/share/wineprefixes/b (Wine)",
                "~/.steam/steam/steamapps/compatdata/570/pfx (Proton 570)",
                (scratch.Path() / "library/steamapps/compatdata/10/pfx").string() + " (Proton 10)",
                "~/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/"
                "compatdata/30/pfx (Proton 30)",
                "~/Games/game1 (Lutris)",
                "~/Games/game2/prefix (Lutris)",
                "~/.local/share/bottles/bottles/Office (Bottles)",
                "~/.var/app/com.usebottles.bottles/data/bottles/bottles/Steamy (Bottles)",
            }));

  // The list around the current target: a found one is marked where it is, another goes first.
  const auto found = DiscoverPrefixes(LookupIn(environment));
  const TargetChoices atWine =
      ChoicesAround(home / ".local/share/wineprefixes/alias", found, LookupIn(environment));
  EXPECT_EQ(atWine.entries.size(), found.size());
  EXPECT_EQ(atWine.current, 1u);
  const TargetChoices elsewhere =
      ChoicesAround("/srv/prefixes/office", found, LookupIn(environment));
  ASSERT_EQ(elsewhere.entries.size(), found.size() + 1);
  EXPECT_EQ(elsewhere.current, 0u);
  EXPECT_EQ(elsewhere.entries[0].label, "/srv/prefixes/office");
  // Nothing to find without a home folder beyond $WINEPREFIX.
  EXPECT_TRUE(DiscoverPrefixes(LookupIn({})).empty());
}

TEST(PrefixDiscovery, SteamLibraryFileIsReadStrictly) {
  std::string deep = "\"libraryfolders\" {";
  for (int level = 0; level < 1000; ++level)
    deep += " \"0\" {";
  deep += " \"path\" \"/deep\"" + std::string(1001, '}');
  const struct {
    std::string vdf;
    std::vector<fs::path> libraries;
  } rows[] = {
      {"// written by Steam\n\"libraryfolders\" { \"0\" { \"path\" \"/a\" \"apps\" { \"1\" \"2\" "
       "} } \"1\" { \"label\" \"\" \"PATH\" \"/mnt/b\\\\c\\\"d\" } }",
       {"/a", "/mnt/b\\c\"d"}},
      {"\"LibraryFolders\" { \"TimeNextStatsReport\" \"17\" \"1\" \"/old/lib\" }", {"/old/lib"}},
      {"\"libraryfolders\" { \"0\" { \"path\" \"relative/lib\" } }", {}},
      {"\"other\" { \"0\" { \"path\" \"/a\" } }", {}},
      {"\"libraryfolders\" { \"0\" { \"path\" \"/a\" }", {}},
      {"\"libraryfolders\" { \"0\" { \"path\" \"/a\" } } }", {}},
      {"\"libraryfolders\" { \"0\" { \"path\" \"/a", {}},
      {"\"libraryfolders\" { \"0\" { \"path\" } }", {}},
      {"\"libraryfolders\" { \"0\" { \"path\" \"/a\" } } \x01\x02", {}},
      {deep, {}},
      {"\"libraryfolders\" " + std::string(10000, '{'), {}},
      {"", {}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(SteamLibraryFolders(row.vdf), row.libraries) << row.vdf.substr(0, 80);
}

TEST(StartTarget, RequestThenLastTargetThenTheDefault) {
  testsupport::TempPrefix requested, last, fallback;
  for (auto* prefix : {&requested, &last, &fallback})
    prefix->Open();
  const std::map<std::string, std::string> environment{{"WINEPREFIX", fallback.Path().string()}};
  const fs::path gone = last.Path().parent_path() / "gone";
  const struct {
    fs::path request, lastTarget, opened;
  } rows[] = {
      {{}, last.Path(), last.Path()},
      {{}, gone, fallback.Path()},
      {{}, {}, fallback.Path()},
      {requested.Path(), last.Path(), requested.Path()},
  };
  for (const auto& row : rows) {
    const OpenedTarget opened =
        OpenStartTarget({row.request.string(), {}, {}}, row.lastTarget.string(),
                        LookupIn(environment), SystemClock::Instance());
    ASSERT_TRUE(opened.target) << opened.error;
    EXPECT_EQ(opened.target->Location(), row.opened.string()) << row.lastTarget;
  }
  // A folder asked for is never replaced by another.
  const OpenedTarget failed = OpenStartTarget({gone.string(), {}, {}}, last.Path().string(),
                                              LookupIn(environment), SystemClock::Instance());
  EXPECT_FALSE(failed.target);
  EXPECT_EQ(failed.error, "The Wine prefix " + gone.string() + " does not exist.");
}

}  // namespace
}  // namespace ordrex
