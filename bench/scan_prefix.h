#pragma once
// The prefix of the COM and file-association benchmarks: 200,000 class identifiers (a third
// naming missing files, a third present files, a third bare names), 50,000 type libraries,
// 50,000 interfaces and 20,000 file-extension classes, with the files that are present.

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"

namespace ordrex::bench::scan_prefix {

constexpr int kClassIds = 200000;
constexpr int kTypeLibs = 50000;
constexpr int kInterfaces = 50000;
constexpr int kExtensions = 20000;
constexpr int kUserExtensions = 2000;
constexpr int kFolders = 100;  // the present files are spread over this many folders

inline const std::string kClasses = "Software\\Classes\\";

inline std::string Guid(unsigned kind, unsigned n) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", n, kind);
  return text;
}

inline std::string BenchFolder(int n) {
  return "C:\\Program Files\\Bench\\d" + std::to_string(n % kFolders) + "\\";
}

// A third of the class servers are missing, a third present, a third bare names.
inline std::string ServerPath(int n) {
  const std::string name = "lib" + std::to_string(n) + ".dll";
  switch (n % 3) {
    case 0:
      return "C:\\Program Files\\Gone\\" + name;
    case 1:
      return BenchFolder(n) + name;
    default:
      return name;
  }
}

inline void WriteClassIds(RegWriter& reg) {
  for (int n = 0; n < kClassIds; ++n) {
    const std::string key = kClasses + "CLSID\\" + Guid(1, n);
    reg.Key(key);
    reg.Default("Bench class " + std::to_string(n));
    reg.Key(key + "\\InprocServer32");
    reg.Default(ServerPath(n));
    reg.String("ThreadingModel", "Both");
    if (n % 10 == 0) {
      const std::string progId = "Bench.Class" + std::to_string(n);
      reg.Key(key + "\\ProgID");
      reg.Default(progId);
      reg.Key(kClasses + progId + "\\CLSID");
      reg.Default(Guid(1, n));
    }
    if (n % 4 == 0) {
      reg.Key(key + "\\TypeLib");
      reg.Default(Guid(2, n % kTypeLibs));
    }
  }
}

inline void WriteInterfacesAndTypeLibs(RegWriter& reg) {
  for (int n = 0; n < kInterfaces; ++n) {
    const std::string key = kClasses + "Interface\\" + Guid(3, n);
    reg.Key(key);
    reg.Default("IBench" + std::to_string(n));
    reg.Key(key + "\\ProxyStubClsid32");
    reg.Default(Guid(1, n % kClassIds));
    reg.Key(key + "\\TypeLib");
    reg.Default(Guid(2, n % kTypeLibs));
    reg.String("Version", "1.0");
  }
  for (int n = 0; n < kTypeLibs; ++n) {
    // Half of the libraries are gone with their help folder.
    const std::string key = kClasses + "TypeLib\\" + Guid(2, n) + "\\1.0";
    const std::string folder = n % 2 == 0 ? "C:\\Program Files\\Gone\\" : BenchFolder(n);
    reg.Key(key);
    reg.Default("Bench library " + std::to_string(n));
    reg.Key(key + "\\0\\win32");
    reg.Default(folder + "lib" + std::to_string(n) + ".tlb");
    reg.Key(key + "\\FLAGS");
    reg.Default("0");
    reg.Key(key + "\\HELPDIR");
    reg.Default(folder);
  }
}

inline void WriteExtensions(PrefixWriter& prefix) {
  for (int n = 0; n < kExtensions; ++n) {
    // One program in five is gone.
    const std::string name = "bx" + std::to_string(n);
    const std::string program =
        (n % 5 == 0 ? std::string("C:\\Program Files\\Gone\\") : BenchFolder(n)) + "app.exe";
    RegWriter& reg = prefix.machine;
    reg.Key(kClasses + "." + name);
    reg.Default(name + "file");
    reg.Key(kClasses + name + "file");
    reg.Default("Bench document " + std::to_string(n));
    reg.Key(kClasses + name + "file\\DefaultIcon");
    reg.Default(program + ",1");
    reg.Key(kClasses + name + "file\\shell\\open\\command");
    reg.Default("\"" + program + "\" \"%1\"");
  }
  const std::string exts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  for (int n = 0; n < kUserExtensions; ++n) {
    prefix.user.Key(exts + ".ux" + std::to_string(n) + "\\OpenWithList");
    prefix.user.String("MRUList", n % 2 == 0 ? "a" : "");
  }
}

inline void WriteFiles(const fs::path& prefix) {
  const fs::path bench = prefix / "drive_c" / "Program Files" / "Bench";
  // (The name is built piece by piece: g++ 12 at -O3 warns wrongly about "d" + string.)
  auto folder = [&](int n) {
    return bench / std::string(1, 'd').append(std::to_string(n % kFolders));
  };
  for (int d = 0; d < kFolders; ++d) {
    fs::create_directories(folder(d));
    Touch(folder(d) / "app.exe");
  }
  for (int n = 1; n < kClassIds; n += 3)
    Touch(folder(n) / ("lib" + std::to_string(n) + ".dll"));
  for (int n = 1; n < kTypeLibs; n += 2)
    Touch(folder(n) / ("lib" + std::to_string(n) + ".tlb"));
}

// Writes the registry files and the drive into an empty folder.
inline void WriteScanPrefix(const fs::path& folder) {
  {
    PrefixWriter writer(folder);
    WriteClassIds(writer.machine);
    WriteInterfacesAndTypeLibs(writer.machine);
    WriteExtensions(writer);
  }
  WriteFiles(folder);
}

}  // namespace ordrex::bench::scan_prefix
