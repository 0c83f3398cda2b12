#include "support/temp_prefix.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "platform/text.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex::testsupport {

namespace fs = std::filesystem;

namespace {

// Wine's escaping of key names and string data; the tests use ASCII only.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string Name(const std::string& name) {
  if (name.empty()) return "@";
  // (Built piece by piece: g++ 12 at -O3 warns wrongly about "\"" + string.)
  std::string quoted(1, '"');
  quoted += Escape(name);
  quoted += '"';
  return quoted;
}

void AppendKey(std::string& file, const std::string& key, const std::vector<RegLine>& values) {
  file += "\n[" + Escape(key) + "] 1700000000\n#time=1da1a2b3c4d5e60\n";
  for (const RegLine& line : values)
    file += line.text + "\n";
}

}  // namespace

RegLine Sz(const std::string& name, const std::string& data) {
  return {Name(name) + "=\"" + Escape(data) + "\""};
}

RegLine ExpandSz(const std::string& name, const std::string& data) {
  return {Name(name) + "=str(2):\"" + Escape(data) + "\""};
}

RegLine Dword(const std::string& name, std::uint32_t data) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", data);
  return {Name(name) + "=dword:" + text};
}

RegLine Binary(const std::string& name, const std::vector<std::uint8_t>& data) {
  std::string hex;
  char byte[4];
  for (const std::uint8_t b : data) {
    std::snprintf(byte, sizeof byte, hex.empty() ? "%02x" : ",%02x", b);
    hex += byte;
  }
  return {Name(name) + "=hex:" + hex};
}

RegLine MultiSz(const std::string& name, const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items)
    joined += Escape(item) + "\\0";
  return {Name(name) + "=str(7):\"" + joined + "\""};
}

TempPrefix::TempPrefix() : path_(scratch_.Path() / "prefix") {
  fs::create_directories(path_ / "dosdevices");
  fs::create_directory_symlink("../drive_c", path_ / "dosdevices" / "c:");
  Folder(R"(C:\windows\system32)");
  Folder(R"(C:\Program Files)");
  Folder(R"(C:\users\tester)");
  Machine(R"(Software\Microsoft\Windows\CurrentVersion)",
          {Sz("ProgramFilesDir", R"(C:\Program Files)")});
  Machine(R"(Software\Microsoft\Windows NT\CurrentVersion)",
          {Sz("CurrentBuildNumber", "7601"), Sz("CurrentVersion", "6.1"),
           Sz("ProductName", "Microsoft Windows 7"), Sz("SystemRoot", R"(C:\windows)")});
  Machine(R"(System\CurrentControlSet\Control\Session Manager\Environment)",
          {ExpandSz("PATH", R"(%SystemRoot%\system32;%SystemRoot%)"),
           ExpandSz("windir", "%SystemRoot%")});
  User("Volatile Environment", {Sz("USERPROFILE", R"(C:\users\tester)")});
}

TempPrefix& TempPrefix::Machine(const std::string& key, const std::vector<RegLine>& values) {
  AppendKey(machine_, key, values);
  return *this;
}

TempPrefix& TempPrefix::User(const std::string& key, const std::vector<RegLine>& values) {
  AppendKey(user_, key, values);
  return *this;
}

fs::path TempPrefix::HostPath(const std::string& windowsPath) const {
  if (!windowsPath.starts_with("C:\\") && !windowsPath.starts_with("c:\\"))
    throw std::invalid_argument("not a path on drive C: " + windowsPath);
  fs::path host = path_ / "drive_c";
  for (const std::string& part : Split(std::string_view(windowsPath).substr(3), '\\'))
    if (!part.empty()) host /= part;
  return host;
}

TempPrefix& TempPrefix::File(const std::string& windowsPath, const Bytes& bytes) {
  WriteAll(HostPath(windowsPath), std::string(bytes.begin(), bytes.end()));
  return *this;
}

TempPrefix& TempPrefix::Folder(const std::string& windowsPath) {
  fs::create_directories(HostPath(windowsPath));
  return *this;
}

TempPrefix& TempPrefix::Link(const std::string& windowsPath, const fs::path& hostTarget) {
  const fs::path host = HostPath(windowsPath);
  fs::create_directories(host.parent_path());
  fs::create_symlink(hostTarget, host);
  return *this;
}

std::unique_ptr<Target> TempPrefix::Open() {
  const auto write = [&](const char* file, const std::string& relativeTo, const std::string& keys) {
    WriteAll(path_ / file, "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\" +
                               relativeTo + "\n\n#arch=win64\n" + keys);
  };
  write("system.reg", "Machine", machine_);
  write("user.reg", "User\\\\S-1-5-21-0-0-0-1000", user_);
  write("userdef.reg", "User\\\\.Default", "");
  return OpenWinePrefix(path_, SystemClock::Instance());
}

}  // namespace ordrex::testsupport
