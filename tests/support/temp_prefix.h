#pragma once
// A small Wine prefix written by a test: registry files in Wine's format with the keys a
// program needs to know its Windows folders, plus the keys and files the test adds. Paths and
// key names are written as Windows shows them (single backslashes), escaped here for Wine.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/target.h"
#include "support/fresh_prefix.h"

namespace ordrex::testsupport {

// One value line of a key, in Wine's notation.
struct RegLine {
  std::string text;
};
RegLine Sz(const std::string& name, const std::string& data);
RegLine ExpandSz(const std::string& name, const std::string& data);
RegLine Dword(const std::string& name, std::uint32_t data);
RegLine Binary(const std::string& name, const std::vector<std::uint8_t>& data);
RegLine MultiSz(const std::string& name, const std::vector<std::string>& items);

class TempPrefix {
 public:
  TempPrefix();

  // Keys relative to HKEY_LOCAL_MACHINE (system.reg) or HKEY_CURRENT_USER (user.reg). A key
  // given twice is merged by the reader, as Wine merges it.
  TempPrefix& Machine(const std::string& key, const std::vector<RegLine>& values = {});
  TempPrefix& User(const std::string& key, const std::vector<RegLine>& values = {});

  // A file (empty unless bytes are given) or a folder at a Windows path on drive C
  // ("C:\Apps\app.exe"), with the folders above it; a symbolic link there to a host path.
  TempPrefix& File(const std::string& windowsPath, const Bytes& bytes = {});
  TempPrefix& Folder(const std::string& windowsPath);
  TempPrefix& Link(const std::string& windowsPath, const std::filesystem::path& hostTarget);

  // Writes the registry files and opens the prefix as a target.
  std::unique_ptr<Target> Open();

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path HostPath(const std::string& windowsPath) const;

 private:
  ScratchFolder scratch_;
  std::filesystem::path path_;
  std::string machine_;
  std::string user_;
};

}  // namespace ordrex::testsupport
