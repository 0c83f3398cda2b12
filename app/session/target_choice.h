#pragma once
// Which target a run works on and opening it, shared by the command-line tool and the window so
// both pick the same default and tell the user the same things: a Wine prefix (the folder given,
// else $WINEPREFIX, else ~/.wine) or an offline Windows volume with one of its users.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/target.h"

namespace ordrex {

struct TargetRequest {
  std::string prefix;
  std::string windows;
  std::string user;  // a profile of the Windows volume; empty: the only one, else the latest
};

// Reads one variable of the process environment; nothing when unset or empty.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The prefix folder the request names, made absolute; empty when none is given and there is no
// home folder to look in.
std::filesystem::path PrefixFolder(const TargetRequest& request, const EnvironmentLookup& env);

struct OpenedTarget {
  std::unique_ptr<Target> target;     // null when it could not be opened
  std::vector<std::string> warnings;  // what the user should know about an opened target
  std::string error;                  // why it could not be opened, one sentence
};

OpenedTarget OpenRequestedTarget(const TargetRequest& request, const EnvironmentLookup& env,
                                 Clock& clock);

// The system a backup was recorded from (Target::Kind, Location and UserChoice).
struct RecordedTarget {
  std::string kind;
  std::string location;
  std::string user;
};
// Whether `target` is that system (the same kind, folder and user).
bool IsRecordedTarget(const Target& target, const RecordedTarget& recorded);
// The request that opens it again; nullopt for a kind this build cannot open.
std::optional<TargetRequest> RequestForRecordedTarget(const RecordedTarget& recorded);

// How a folder opens when the user names no kind (a remembered target, a line of the target
// list): as an offline Windows volume when it holds Windows/System32/config and no system.reg,
// else as a Wine prefix.
TargetRequest RequestForFolder(const std::string& folder);

// The target the window starts on: the one requested; without a request the `lastTarget` the
// window worked on when it still opens, else the same default as the command-line tool.
OpenedTarget OpenStartTarget(const TargetRequest& request, const std::string& lastTarget,
                             const EnvironmentLookup& env, Clock& clock);

}  // namespace ordrex
