#include "platform/target.h"

namespace ordrex {

StandardRoots::StandardRoots(RegistryStore& machine, RegistryStore* user,
                             RegistryStore* userDefault, std::string userSid)
    : machine_(machine),
      user_(user),
      classes_(user, "Software\\Classes", machine, "Software\\Classes"),
      currentConfig_(machine, "System\\CurrentControlSet\\Hardware Profiles\\Current") {
  if (userDefault != nullptr) users_.Mount(".DEFAULT", *userDefault);
  if (user != nullptr) users_.Mount(std::move(userSid), *user);
}

RegistryStore* StandardRoots::Root(RootHandle root) {
  switch (root) {
    case kLocalMachine:
      return &machine_;
    case kCurrentUser:
      return user_;
    case kUsers:
      return &users_;
    case kClassesRoot:
      return &classes_;
    case kCurrentConfig:
      return &currentConfig_;
    default:
      return nullptr;
  }
}

MemoryTarget::MemoryTarget() : roots_(machine_, &user_, &userDefault_, "S-1-5-21-0-0-0-1000") {
  profile_.windowsDir = "C:\\windows";
  profile_.systemDir = "C:\\windows\\system32";
}

}  // namespace ordrex
