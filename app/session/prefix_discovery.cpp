#include "app/session/prefix_discovery.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <system_error>

#include "platform/text.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

// A libraryfolders.vdf holds a few lines per library; anything far larger is not one.
constexpr std::uintmax_t kMaxVdfBytes = 1 << 20;
constexpr int kMaxVdfDepth = 16;
constexpr std::size_t kMaxLibraries = 64;
// A folder of prefixes with more entries than this is not listed further.
constexpr std::size_t kMaxFolderEntries = 4096;

// Absolute, without "." and ".." parts and without a trailing separator.
fs::path Tidy(const fs::path& folder) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(folder, ec);
  fs::path normal = (ec ? folder : absolute).lexically_normal();
  if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path()) {
    normal = normal.parent_path();
  }
  return normal;
}

// Two names of one folder (links, "..", a trailing "/") compare equal this way.
fs::path Resolved(const fs::path& folder) {
  std::error_code ec;
  const fs::path real = fs::canonical(folder, ec);
  return ec ? Tidy(folder) : real;
}

// The folders inside `folder` (links to folders included), sorted by name; none when it
// cannot be read.
std::vector<fs::path> SortedSubfolders(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator() && found.size() < kMaxFolderEntries;
       it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    return a.filename().string() < b.filename().string();
  });
  return found;
}

std::string ReadSmallFile(const fs::path& file) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec || size > kMaxVdfBytes) return "";
  std::ifstream in(file, std::ios::binary);
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(size));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

struct VdfToken {
  enum Kind { kString, kOpen, kClose } kind;
  std::string text;
};

// Quoted strings (with Steam's backslash escapes), braces and // comments; false for anything
// else.
bool TokenizeVdf(std::string_view text, std::vector<VdfToken>& tokens) {
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++at;
    } else if (c == '/' && at + 1 < text.size() && text[at + 1] == '/') {
      const std::size_t end = text.find('\n', at);
      at = end == std::string_view::npos ? text.size() : end;
    } else if (c == '{' || c == '}') {
      tokens.push_back({c == '{' ? VdfToken::kOpen : VdfToken::kClose, {}});
      ++at;
    } else if (c == '"') {
      std::string value;
      for (++at;; ++at) {
        if (at >= text.size()) return false;
        char d = text[at];
        if (d == '"') break;
        if (d == '\\') {
          if (++at >= text.size()) return false;
          d = text[at] == 'n' ? '\n' : text[at] == 't' ? '\t' : text[at];
        }
        value += d;
      }
      ++at;
      tokens.push_back({VdfToken::kString, std::move(value)});
    } else {
      return false;
    }
  }
  return true;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

class Discovery {
 public:
  explicit Discovery(const EnvironmentLookup& env) : env_(env) {}

  std::vector<FoundPrefix> Run() {
    if (auto wine = env_("WINEPREFIX")) Add(Tidy(*wine), "WINEPREFIX");
    const auto homeText = env_("HOME");
    if (!homeText) return std::move(found_);
    const fs::path home = Tidy(*homeText);
    Add(home / ".wine", "Wine");
    for (const fs::path& folder : SortedSubfolders(home / ".local/share/wineprefixes"))
      Add(folder, "Wine");
    for (const char* steam : {".steam/steam", ".local/share/Steam",
                              ".var/app/com.valvesoftware.Steam/.local/share/Steam"})
      AddSteam(home / steam);
    for (const fs::path& game : SortedSubfolders(home / "Games")) {
      Add(game, "Lutris");
      Add(game / "prefix", "Lutris");
    }
    for (const char* bottles :
         {".local/share/bottles/bottles", ".var/app/com.usebottles.bottles/data/bottles/bottles"}) {
      for (const fs::path& bottle : SortedSubfolders(home / bottles))
        Add(bottle, "Bottles");
    }
    return std::move(found_);
  }

 private:
  void Add(const fs::path& folder, const std::string& kind) {
    if (!IsWinePrefix(folder)) return;
    if (!seen_.insert(Resolved(folder)).second) return;
    found_.push_back({folder, ShortFolderName(folder, env_) + " (" + kind + ")"});
  }

  // The Steam folder is a library itself; libraryfolders.vdf names the others (and usually
  // the Steam folder again).
  void AddSteam(const fs::path& steam) {
    std::vector<fs::path> libraries{steam};
    for (const fs::path& library :
         SteamLibraryFolders(ReadSmallFile(steam / "steamapps/libraryfolders.vdf")))
      libraries.push_back(library);
    for (const fs::path& library : libraries) {
      if (!seenLibraries_.insert(Resolved(library)).second) continue;
      for (const fs::path& app : SortedSubfolders(library / "steamapps/compatdata"))
        Add(app / "pfx", "Proton " + app.filename().string());
    }
  }

  const EnvironmentLookup& env_;
  std::vector<FoundPrefix> found_;
  std::set<fs::path> seen_;
  std::set<fs::path> seenLibraries_;
};

}  // namespace

std::vector<fs::path> SteamLibraryFolders(std::string_view vdf) {
  std::vector<VdfToken> tokens;
  if (vdf.size() > kMaxVdfBytes || !TokenizeVdf(vdf, tokens)) return {};
  // The file is one object named "libraryfolders": either { "1" "/path" ... } (older Steam)
  // or { "0" { "path" "/path" ... } ... }.
  std::vector<fs::path> libraries;
  std::vector<std::string> names;  // the objects the parser is inside, outermost first
  for (std::size_t at = 0; at < tokens.size();) {
    if (tokens[at].kind == VdfToken::kClose) {
      if (names.empty()) return {};
      names.pop_back();
      ++at;
      continue;
    }
    if (tokens[at].kind != VdfToken::kString || at + 1 >= tokens.size()) return {};
    const std::string& key = tokens[at].text;
    const VdfToken& value = tokens[at + 1];
    at += 2;
    if (value.kind == VdfToken::kOpen) {
      if (names.empty() && !SameText(key, "libraryfolders")) return {};
      if (names.size() >= kMaxVdfDepth) return {};
      names.push_back(key);
      continue;
    }
    if (value.kind != VdfToken::kString) return {};
    const bool listed =
        (names.size() == 2 && SameText(key, "path")) || (names.size() == 1 && AllDigits(key));
    const fs::path folder(value.text);
    if (listed && folder.is_absolute() && libraries.size() < kMaxLibraries)
      libraries.push_back(folder.lexically_normal());
  }
  if (!names.empty()) return {};
  return libraries;
}

std::string ShortFolderName(const fs::path& folder, const EnvironmentLookup& env) {
  const fs::path tidy = Tidy(folder);
  if (const auto homeText = env("HOME")) {
    const fs::path home = Tidy(*homeText);
    const fs::path inside = tidy.lexically_relative(home);
    if (home != home.root_path() && !inside.empty() && *inside.begin() != "..") {
      return inside == "." ? "~" : "~/" + inside.string();
    }
  }
  return tidy.string();
}

std::vector<FoundPrefix> DiscoverPrefixes(const EnvironmentLookup& env) {
  return Discovery(env).Run();
}

TargetChoices ChoicesAround(const fs::path& current, std::vector<FoundPrefix> found,
                            const EnvironmentLookup& env) {
  TargetChoices choices;
  const fs::path wanted = Resolved(current);
  const auto hit = std::find_if(found.begin(), found.end(), [&wanted](const FoundPrefix& entry) {
    return Resolved(entry.folder) == wanted;
  });
  if (hit != found.end()) {
    choices.current = static_cast<std::size_t>(hit - found.begin());
  } else {
    found.insert(found.begin(), {current, ShortFolderName(current, env)});
  }
  choices.entries = std::move(found);
  return choices;
}

}  // namespace ordrex
