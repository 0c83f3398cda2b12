#include "platform/wine/wine_profile.h"

#include "platform/registry_profile.h"
#include "platform/text.h"

namespace ordrex {

namespace {

struct NamedVersion {
  std::string_view name;
  OsVersion version;
};

// The versions Wine can be told to report (its "Version" setting).
const NamedVersion kWineVersions[] = {
    {"win11", {2, 10, 0, 22000, "Microsoft Windows 11"}},
    {"win10", {2, 10, 0, 19043, "Microsoft Windows 10"}},
    {"win81", {2, 6, 3, 9600, "Microsoft Windows 8.1"}},
    {"win8", {2, 6, 2, 9200, "Microsoft Windows 8"}},
    {"win2008r2", {2, 6, 1, 7601, "Microsoft Windows Server 2008 R2"}},
    {"win7", {2, 6, 1, 7601, "Microsoft Windows 7"}},
    {"win2008", {2, 6, 0, 6002, "Microsoft Windows Server 2008"}},
    {"vista", {2, 6, 0, 6002, "Microsoft Windows Vista"}},
    {"win2003", {2, 5, 2, 3790, "Microsoft Windows Server 2003"}},
    {"winxp64", {2, 5, 2, 3790, "Microsoft Windows XP"}},
    {"winxp", {2, 5, 1, 2600, "Microsoft Windows XP"}},
    {"win2k", {2, 5, 0, 2195, "Microsoft Windows 2000"}},
    {"nt40", {2, 4, 0, 1381, "Microsoft Windows NT"}},
    {"nt351", {2, 3, 51, 1057, "Microsoft Windows NT"}},
    {"winme", {1, 4, 90, 3000, "Microsoft Windows ME"}},
    {"win98", {1, 4, 10, 2222, "Microsoft Windows 98"}},
    {"win95", {1, 4, 0, 950, "Microsoft Windows 95"}},
};

OsVersion WineVersion(const RegistryStore& machine, const RegistryStore* user) {
  // Wine's own setting decides first, as it does for Wine's version functions.
  for (const RegistryStore* store : {user, &machine}) {
    if (store == nullptr) continue;
    const auto setting = store->QueryValue("Software\\Wine", "Version");
    if (!setting || (setting->type != kRegSz && setting->type != kRegExpandSz)) continue;
    const std::string name = RegDataToString(setting->data);
    for (const auto& named : kWineVersions) {
      if (SameText(named.name, name)) return named.version;
    }
  }
  if (auto version = RegistryWindowsVersion(machine)) return *version;
  // Neither key: what Wine reports by default.
  for (const auto& named : kWineVersions) {
    if (named.name == "win7") return named.version;
  }
  return {};
}

}  // namespace

SystemProfile BuildWineProfile(const RegistryStore& machine, const RegistryStore* user,
                               std::string_view userSid) {
  return BuildRegistryProfile(machine, user, userSid, WineVersion(machine, user));
}

}  // namespace ordrex
