#include "support/drive_fixture.h"

#include <fstream>
#include <stdexcept>

#include "engine/registry.h"

namespace ordrex::testsupport {

namespace fs = std::filesystem;

DriveFixture::DriveFixture() : prefix_(scratch_.Path() / "prefix") {
  fs::create_directories(prefix_ / "drive_c" / "windows" / "system32");
  fs::create_directories(prefix_ / "dosdevices");
  fs::create_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
  files_ = std::make_unique<PrefixFileSystem>(prefix_);
  target_.SetFiles(*files_);
  SystemProfile& profile = Profile();
  profile.windowsDir = "C:\\windows";
  profile.systemDir = "C:\\windows\\system32";
}

fs::path DriveFixture::HostPath(const std::string& windowsPath) const {
  if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') ||
      windowsPath.compare(1, 2, ":\\") != 0) {
    throw std::invalid_argument("not a path on drive C: " + windowsPath);
  }
  fs::path host = prefix_ / "drive_c";
  std::string rest = windowsPath.substr(3);
  for (std::size_t start = 0; start <= rest.size();) {
    const std::size_t end = rest.find('\\', start);
    const std::string part = rest.substr(start, end == std::string::npos ? end : end - start);
    if (!part.empty()) host /= part;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return host;
}

DriveFixture& DriveFixture::File(const std::string& windowsPath) {
  const fs::path host = HostPath(windowsPath);
  fs::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary).put('x');
  files_->DropCache();
  return *this;
}

DriveFixture& DriveFixture::Folder(const std::string& windowsPath) {
  fs::create_directories(HostPath(windowsPath));
  files_->DropCache();
  return *this;
}

DriveFixture& DriveFixture::Link(const std::string& windowsPath, const fs::path& hostTarget) {
  const fs::path host = HostPath(windowsPath);
  fs::create_directories(host.parent_path());
  fs::create_symlink(hostTarget, host);
  files_->DropCache();
  return *this;
}

void DriveFixture::CreateKey(RootHandle root, const std::string& key) {
  TRegistry reg(target_, root);
  if (!reg.OpenKey(key, true)) throw std::runtime_error("cannot create key " + key);
}

void DriveFixture::SetString(RootHandle root, const std::string& key, const std::string& name,
                             const std::string& data) {
  TRegistry reg(target_, root);
  if (!reg.OpenKey(key, true)) throw std::runtime_error("cannot create key " + key);
  reg.WriteString(name, data);
}

void DriveFixture::SetExpandString(RootHandle root, const std::string& key, const std::string& name,
                                   const std::string& data) {
  TRegistry reg(target_, root);
  if (!reg.OpenKey(key, true)) throw std::runtime_error("cannot create key " + key);
  reg.WriteExpandString(name, data);
}

void DriveFixture::SetDword(RootHandle root, const std::string& key, const std::string& name,
                            std::uint32_t data) {
  TRegistry reg(target_, root);
  if (!reg.OpenKey(key, true)) throw std::runtime_error("cannot create key " + key);
  reg.WriteInteger(name, static_cast<std::int32_t>(data));
}

}  // namespace ordrex::testsupport
