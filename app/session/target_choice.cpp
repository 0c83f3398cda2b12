#include "app/session/target_choice.h"

#include "platform/text.h"
#include "platform/windows/volume_layout.h"
#include "platform/windows/windows_volume_target.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex {

namespace fs = std::filesystem;

fs::path PrefixFolder(const TargetRequest& request, const EnvironmentLookup& env) {
  fs::path folder;
  if (!request.prefix.empty()) {
    folder = request.prefix;
  } else if (auto wine = env("WINEPREFIX")) {
    folder = *wine;
  } else if (auto home = env("HOME")) {
    folder = fs::path(*home) / ".wine";
  } else {
    return {};
  }
  std::error_code ec;
  fs::path absolute = fs::absolute(folder, ec);
  return (ec ? folder : absolute).lexically_normal();
}

OpenedTarget OpenRequestedTarget(const TargetRequest& request, const EnvironmentLookup& env,
                                 Clock& clock) {
  OpenedTarget opened;
  if (!request.user.empty() && request.windows.empty()) {
    opened.error = "a user (--user) is chosen only on an offline Windows volume (--windows DIR)";
    return opened;
  }
  fs::path folder = request.windows.empty() ? PrefixFolder(request, env)
                                            : NormalizedPrefixFolder(request.windows);
  if (folder.empty()) {
    opened.error = "no Wine prefix given: use --prefix DIR or set WINEPREFIX";
    return opened;
  }
  // "dir/" and "dir" are the same prefix; show it without the trailing separator.
  if (!folder.has_filename() && folder.has_parent_path() && folder != folder.root_path()) {
    folder = folder.parent_path();
  }
  try {
    if (!request.windows.empty()) {
      opened.target = OpenWindowsVolume(folder, request.user, clock);
    } else {
      opened.target = OpenWinePrefix(folder, clock);
    }
    opened.warnings = opened.target->Warnings();
  } catch (const TargetError& e) {
    opened.error = e.what();
  } catch (const RegistryError& e) {
    opened.error = e.what();
  }
  return opened;
}

bool IsRecordedTarget(const Target& target, const RecordedTarget& recorded) {
  return target.Kind() == recorded.kind &&
         NormalizedPrefixFolder(target.Location()) == NormalizedPrefixFolder(recorded.location) &&
         SameText(target.UserChoice(), recorded.user);
}

std::optional<TargetRequest> RequestForRecordedTarget(const RecordedTarget& recorded) {
  TargetRequest request;
  if (recorded.kind == kWinePrefixKind) {
    request.prefix = recorded.location;
  } else if (recorded.kind == kWindowsVolumeKind) {
    request.windows = recorded.location;
    request.user = recorded.user;
  } else {
    return std::nullopt;
  }
  return request;
}

TargetRequest RequestForFolder(const std::string& folder) {
  TargetRequest request;
  if (!IsWinePrefix(folder) && FindOnVolume(folder, {"Windows", "System32", "config"})) {
    request.windows = folder;
  } else {
    request.prefix = folder;
  }
  return request;
}

OpenedTarget OpenStartTarget(const TargetRequest& request, const std::string& lastTarget,
                             const EnvironmentLookup& env, Clock& clock) {
  if (request.prefix.empty() && request.windows.empty() && !lastTarget.empty()) {
    // A prefix removed since is no error: the user did not ask for it this time.
    OpenedTarget last = OpenRequestedTarget(RequestForFolder(lastTarget), env, clock);
    if (last.target) return last;
  }
  return OpenRequestedTarget(request, env, clock);
}

}  // namespace ordrex
