#pragma once
// Registry values as Windows stores them: a type number and raw bytes. Strings inside the
// data are UTF-16LE with their terminating NUL, exactly as the registry (and hive files, and
// Wine's registry server) keep them; conversion to the program's UTF-8 text happens only in
// the accessor, so nothing is lost when a value passes through untouched.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ordrex {

using Bytes = std::vector<std::uint8_t>;

enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegResourceList = 8,
  kRegFullResourceDescriptor = 9,
  kRegResourceRequirementsList = 10,
  kRegQword = 11,
};

struct RegValue {
  std::uint32_t type = kRegNone;
  Bytes data;

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// Every registry failure (a refused write, a read of the wrong kind, a damaged file) is
// reported with this one exception type; the message is meant for the user.
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The predefined root keys, held as their 32-bit handle values.
using RootHandle = std::uint32_t;
inline constexpr RootHandle kClassesRoot = 0x80000000u;
inline constexpr RootHandle kCurrentUser = 0x80000001u;
inline constexpr RootHandle kLocalMachine = 0x80000002u;
inline constexpr RootHandle kUsers = 0x80000003u;
inline constexpr RootHandle kPerformanceData = 0x80000004u;
inline constexpr RootHandle kCurrentConfig = 0x80000005u;
inline constexpr RootHandle kDynData = 0x80000006u;

// "HKEY_LOCAL_MACHINE" and so on; empty for any other handle.
std::string RootKeyName(RootHandle root);

}  // namespace ordrex
