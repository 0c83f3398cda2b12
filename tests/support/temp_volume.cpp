#include "support/temp_volume.h"

#include "platform/text.h"
#include "support/hive_builder.h"

namespace ordrex::testsupport {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSoftware = R"([HKEY_LOCAL_MACHINE\SOFTWARE\Classes]
[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\AnnFile]
@="Ann's file"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"CurrentVersion"="6.3"
"CurrentMajorVersionNumber"=dword:0000000a
"CurrentMinorVersionNumber"=dword:00000000
"CurrentBuildNumber"="19045"
"ProductName"="Windows 10 Pro"
"SystemRoot"="C:\\Windows"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList]
"ProfilesDirectory"="C:\\Users"
"ProgramData"="C:\\ProgramData"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-18]
"ProfileImagePath"="C:\\Windows\\system32\\config\\systemprofile"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-7-8-9-1001]
"ProfileImagePath"="C:\\Users\\ann"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion]
"ProgramFilesDir"="C:\\Program Files"
"CommonFilesDir"="C:\\Program Files\\Common Files"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run]
"Gone"="C:\\Program Files\\Gone\\gone.exe"
"Here"="C:\\Program Files\\App\\app.exe"
"OtherDisk"="D:\\Games\\game.exe"
"Share"="\\\\server\\share\\tool.exe"
)";

constexpr const char* kSystem = R"([HKEY_LOCAL_MACHINE\SYSTEM\Select]
"Current"=dword:00000002
"Default"=dword:00000002
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001]
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\ComputerName]
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Control\ComputerName\ComputerName]
"ComputerName"="DECOY"
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002]
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control]
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\ComputerName]
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\ComputerName\ComputerName]
"ComputerName"="OFFICE-PC"
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\Session Manager]
[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Control\Session Manager\Environment]
"OS"="Windows_NT"
)";

std::string UserText(const std::string& name) {
  return R"([HKEY_CURRENT_USER\Software]
[HKEY_CURRENT_USER\Software\Microsoft]
[HKEY_CURRENT_USER\Software\Microsoft\Windows]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"UserGone"="C:\\Users\\)" +
         name + R"(\\gone.exe"
"UserHere"="C:\\Windows\\notepad.exe"
[HKEY_CURRENT_USER\Environment]
"TEMP"="C:\\Users\\)" +
         name + R"(\\AppData\\Local\\Temp"
)";
}

constexpr const char* kClassesPrefix = "HKEY_CURRENT_USER\\Software\\Classes";

std::string ClassesText() {
  const std::string key =
      std::string("[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\") + kPlantedClsid;
  return "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID]\n" + key + "]\n@=\"Planted\"\n" + key +
         "\\InprocServer32]\n@=\"C:\\\\Program Files\\\\Gone\\\\gone.dll\"\n"
         "[HKEY_CURRENT_USER\\Software\\Classes\\.ann]\n@=\"AnnFile\"\n";
}

// hivexregedit wants an empty line before each key.
std::string Reg(const std::string& text) {
  return ReplaceAllText(text, "\n[", "\n\n[");
}

}  // namespace

TempVolume::TempVolume() : path_(scratch_.Path() / "win") {
  fs::create_directories(Config());
  MakeHive(Software(), Reg(kSoftware), "HKEY_LOCAL_MACHINE\\SOFTWARE");
  MakeHive(System(), Reg(kSystem), "HKEY_LOCAL_MACHINE\\SYSTEM");
  MakeHive(Config() / "DEFAULT", "[HKEY_USERS\\.DEFAULT\\Environment]\n", "HKEY_USERS\\.DEFAULT");
  WriteAll(path_ / "Windows" / "notepad.exe", "MZ");
  WriteAll(path_ / "Program Files" / "App" / "app.exe", "MZ");
  fs::create_directories(path_ / "Users" / "Public");
  fs::create_directories(path_ / "Users" / "Default");
  WriteEmptyHive(path_ / "Users" / "Default" / "NTUSER.DAT");
  fs::create_directories(UserHive().parent_path());
  fs::create_directories(ClassesHive().parent_path());
  MakeHive(UserHive(), Reg(UserText("ann")), "HKEY_CURRENT_USER");
  MakeHive(ClassesHive(), Reg(ClassesText()), kClassesPrefix);
}

fs::path TempVolume::Config() const {
  return path_ / "Windows" / "System32" / "config";
}

fs::path TempVolume::UserHive(const std::string& user) const {
  return path_ / "Users" / user / "NTUSER.DAT";
}

fs::path TempVolume::ClassesHive(const std::string& user) const {
  return path_ / "Users" / user / "AppData" / "Local" / "Microsoft" / "Windows" / "UsrClass.dat";
}

void TempVolume::AddUser(const std::string& name, const std::string& sid) {
  fs::create_directories(ClassesHive(name).parent_path());
  MakeHive(UserHive(name), Reg(UserText(name)), "HKEY_CURRENT_USER");
  MakeHive(ClassesHive(name), "", kClassesPrefix);
  MergeIntoHive(
      Software(),
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid +
          "]\n\"ProfileImagePath\"=\"C:\\\\Users\\\\" + name + "\"\n",
      "HKEY_LOCAL_MACHINE\\SOFTWARE");
}

std::string TempVolume::ExportAll() const {
  return ExportHive(Software(), "HKEY_LOCAL_MACHINE\\SOFTWARE") +
         ExportHive(System(), "HKEY_LOCAL_MACHINE\\SYSTEM") +
         ExportHive(Config() / "DEFAULT", "HKEY_USERS\\.DEFAULT") +
         ExportHive(UserHive(), "HKEY_CURRENT_USER") + ExportHive(ClassesHive(), kClassesPrefix);
}

}  // namespace ordrex::testsupport
