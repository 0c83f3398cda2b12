// The built `ordrex-cli scan --json` on a copy of the bundled sample image finds every problem
// planted there for the COM registration, file association, context menu and Open-With
// categories, with the exact texts of the contract, and nothing else in those categories.
// (Wine reading the sample is checked in wine_peer_test.)

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/cli/json_writer.h"
#include "support/fresh_prefix.h"
#include "support/process.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using cli::JsonQuote;
using ::testing::HasSubstr;

const fs::path kSample = fs::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";

struct Planted {
  const char* category;
  const char* root;
  std::string key;
  const char* value;
  const char* data;
  const char* reason;
  bool selected;
  bool missingFile;
};

std::string ProblemObject(const Planted& p) {
  return std::string("{\"category\": ") + JsonQuote(p.category) +
         ", \"root\": " + JsonQuote(p.root) + ", \"key\": " + JsonQuote(p.key) +
         ", \"value\": " + JsonQuote(p.value) + ", \"data\": " + JsonQuote(p.data) +
         ", \"reason\": " + JsonQuote(p.reason) +
         ", \"selected\": " + (p.selected ? "true" : "false") +
         ", \"missingFile\": " + (p.missingFile ? "true" : "false") + "}";
}

const std::string kGuid = "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F";
const char* const kHkcr = "HKEY_CLASSES_ROOT";
const char* const kHklm = "HKEY_LOCAL_MACHINE";
const char* const kHkcu = "HKEY_CURRENT_USER";
const char* const kViewerExe = R"(C:\Program Files\Removed Viewer\viewer.exe)";
const std::string kFileExts = R"(\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)";

const std::vector<Planted>& PlantedProblems() {
  static const std::vector<Planted> planted = {
      {"Registry Integrity", kHkcr, R"(\CLSID\)" + kGuid + R"(11}\InprocServer32)", "",
       R"(C:\Program Files\Removed Viewer\viewer.dll)", "File not found", true, true},
      {"Registry Integrity", kHkcr, R"(\CLSID\)" + kGuid + R"(11}\ProgID)", "",
       "RemovedViewer.Component.1", "Missing ID", true, false},
      {"Registry Integrity", kHkcr, R"(\CLSID\)" + kGuid + R"(11}\TypeLib)", "",
       "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F19}", "Missing ID", true, false},
      // In the Windows folder: reported, not selected.
      {"Registry Integrity", kHkcr, R"(\CLSID\)" + kGuid + R"(12}\LocalServer32)", "",
       R"(C:\windows\system32\oldtoolbar.exe)", "File not found", false, true},
      {"Registry Integrity", kHkcr, R"(\CLSID\)" + kGuid + R"(12}\ProgID)", "", "", "Empty", true,
       false},
      {"ActiveX/COM", kHkcr, R"(\TypeLib\)" + kGuid + R"(15}\1.0\HELPDIR)", "",
       R"(C:\Program Files\Removed Viewer\Help)", "Path not found", true, false},
      {"ActiveX/COM", kHkcr, R"(\TypeLib\)" + kGuid + R"(15}\1.0\0\win32)", "",
       R"(C:\Program Files\Removed Viewer\viewer.dll)", "File not found", true, true},
      {"Interface", kHkcr, R"(\Interface\)" + kGuid + R"(13}\ProxyStubClsid32)", "",
       "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F1A}", "Missing ID", true, false},
      {"Interface", kHkcr, R"(\Interface\)" + kGuid + R"(13}\TypeLib)", "",
       "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F19}", "Missing ID", true, false},
      {"Interface", kHkcr, R"(\Interface\)" + kGuid + R"(14}\ProxyStubClsid)", "", "", "Empty",
       true, false},
      {"Open With Application", kHkcr, R"(\Applications\blankapp.exe)", "", "", "Empty", true,
       false},
      {"Open With Application", kHkcr, R"(\Applications\oldedit.exe\shell)", "", "", "Data empty",
       true, false},
      {"Open With Application", kHkcr, R"(\Applications\viewer.exe\shell\open\command)", "",
       kViewerExe, "File not found", true, true},
      {"Open With Application", kHklm, R"(\SOFTWARE\Classes\Applications\blankapp.exe)", "", "",
       "Empty", true, false},
      {"Open With Application", kHklm, R"(\SOFTWARE\Classes\Applications\oldedit.exe\shell)", "",
       "", "Data empty", true, false},
      {"Open With Application", kHklm,
       R"(\SOFTWARE\Classes\Applications\viewer.exe\shell\open\command)", "", kViewerExe,
       "File not found", true, true},
      {"File Associations", kHkcr, R"(\.rvw)", "", "RemovedViewer.Document", "Not associated", true,
       false},
      {"File Associations", kHkcr, R"(\.smpl)", "", "", "Data empty", true, false},
      {"File Associations", kHkcr, R"(\viewerdoc\shell\open\command)", "", kViewerExe,
       "File not found", true, true},
      {"File Associations", kHkcr, R"(\viewerdoc\DefaultIcon)", "", kViewerExe, "File not found",
       true, true},
      {"File Associations", kHkcu, kFileExts + ".rvd", "", "", "Not associated", true, false},
      {"File Associations", kHkcu, kFileExts + R"(.rvx\OpenWithProgids)", "RemovedViewer.Document",
       "", "Not associated", true, false},
      {"File Associations", kHklm, R"(\SOFTWARE\Classes\.smpl)", "", "", "Data empty", true, false},
      {"File Associations", kHklm, R"(\SOFTWARE\Classes\viewerdoc\shell\open\command)", "",
       kViewerExe, "File not found", true, true},
      {"File Associations", kHklm, R"(\SOFTWARE\Classes\viewerdoc\DefaultIcon)", "", kViewerExe,
       "File not found", true, true},
      {"Context Menu", kHkcr, R"(\samplefolder\shellex\ContextMenuHandlers)", "", "", "Empty", true,
       false},
      {"Context Menu", kHkcr, R"(\viewerdoc\shellex\ContextMenuHandlers\RemovedShellExt)", "",
       "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F17}", "ID not found", true, false},
      {"Context Menu", kHkcr, R"(\viewerdoc\shellex\ContextMenuHandlers\)" + kGuid + "16}", "",
       "Removed Viewer Menu", "ID not found", true, false},
  };
  return planted;
}

TEST(ScanSampleImage, JsonShowsEveryPlantedComAndShellProblem) {
  testsupport::PrefixCopy copy(kSample);
  const auto result = testsupport::RunProcess(
      {ORDREX_CLI_PATH, "scan", "--json", "--prefix", copy.Path().string()});
  ASSERT_EQ(result.exitCode, 1) << result.output;
  const std::string& json = result.output;
  EXPECT_THAT(json, ::testing::StartsWith("{\"target\": " + JsonQuote(copy.Path().string()) +
                                          ", \"categories\": ["));

  std::map<std::string, int> perCategory;
  for (const Planted& p : PlantedProblems()) {
    EXPECT_THAT(json, HasSubstr(ProblemObject(p)));
    ++perCategory[p.category];
  }
  // Nothing else in these categories, and each walked to its end.
  const std::pair<int, const char*> categories[] = {
      {1, "Registry Integrity"},    {2, "ActiveX/COM"},       {3, "Interface"},
      {6, "Open With Application"}, {8, "File Associations"}, {19, "Context Menu"}};
  for (const auto& [index, title] : categories) {
    EXPECT_THAT(json, HasSubstr("{\"index\": " + std::to_string(index) + ", \"title\": " +
                                JsonQuote(title) + ", \"state\": \"Finished\", \"count\": " +
                                std::to_string(perCategory[title]) + "}"));
  }
  EXPECT_THAT(json, HasSubstr("\"endedEarly\": null}"));
}

}  // namespace
}  // namespace ordrex
