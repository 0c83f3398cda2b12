#include "platform/registry_types.h"

namespace ordrex {

std::string RootKeyName(RootHandle root) {
  switch (root) {
    case kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kCurrentUser:
      return "HKEY_CURRENT_USER";
    case kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kUsers:
      return "HKEY_USERS";
    case kPerformanceData:
      return "HKEY_PERFORMANCE_DATA";
    case kCurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    case kDynData:
      return "HKEY_DYN_DATA";
    default:
      return {};
  }
}

}  // namespace ordrex
