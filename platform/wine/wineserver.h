#pragma once
// Whether a wineserver serves a prefix right now. Wine keeps the registry in the server's
// memory while it runs and writes it back every 30 seconds and at exit, so anything we write to
// the files meanwhile would be overwritten: writes must be refused while one runs.
//
// The server's folder is named after the device and inode of the prefix folder
// ("server-<dev hex>-<inode hex>") and lives under $TMPDIR/<name in PREFIX/wineserver>/ on
// Debian and under /tmp/.wine-<uid>/ upstream. A live server holds a POSIX write lock on the
// file "lock" there; a leftover socket file proves nothing.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ordrex {

// The server folders where a wineserver for `prefix` would hold its lock, in the order they
// are checked; empty when the prefix folder does not exist.
std::vector<std::filesystem::path> WineserverFolders(const std::filesystem::path& prefix);

// The pid of the wineserver serving `prefix`, or nullopt when none runs. Never creates or
// changes anything.
std::optional<int> FindWineserverPid(const std::filesystem::path& prefix);

// "Wine is running in this prefix (wineserver pid N). Close its programs or run
// 'wineserver -k', then try again."
std::string WineRunningMessage(int pid);

}  // namespace ordrex
