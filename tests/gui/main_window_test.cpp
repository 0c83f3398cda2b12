// The window's frame and the scan wizard's first pages: one page shown at a time, the toolbar's
// Scan button returning to the wizard's page last seen, the select page's rows and start rule,
// and the scan page during and after a scan.

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/gui/help_page.h"
#include "app/gui/path_elision.h"
#include "app/gui/scan_page.h"
#include "app/gui/select_page.h"
#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

TEST(MainWindowPages, ToolbarShowsOnePageAndScanReturnsToTheLastWorkPage) {
  WindowOnTarget w;
  w.window().show();
  const auto visiblePages = [&] {
    std::vector<std::string> names;
    for (const Page page : {Page::Contact, Page::Options, Page::Restore, Page::Select, Page::Scan,
                            Page::Detail, Page::Ignore}) {
      if (w.window().PageWidget(page)->isVisible()) names.push_back(PageObjectName(page));
    }
    return names;
  };
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"PanelSelect"});
  w.window().ShowPage(Page::Detail);
  w.Click("btnSelectHelp");
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"PanelContact"});
  w.Click("BtnSelectScan");
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"PanelDetail"});
  EXPECT_EQ(w.window().CurrentWorkPage(), Page::Detail);

  // The help page hands the bundled manual to the desktop.
  w.Click("btnSelectHelp");
  w.Click("btnOpenManual");
  EXPECT_EQ(w.dialogs.opened,
            std::vector<std::string>{QUrl::fromLocalFile(ManualPath()).toString().toStdString()});
  EXPECT_TRUE(std::filesystem::is_regular_file(ManualPath().toStdString()));
  EXPECT_FALSE(w.window().windowIcon().isNull());
}

TEST(SelectPage, OneRowPerCategoryTheSystemCanScan) {
  for (const auto& [platformId, rows, vxdShown] :
       {std::tuple{2, 21, false}, std::tuple{1, 22, true}}) {
    WindowOnTarget w(platformId);
    QListWidget* list = w.Find<QListWidget>("lvSelect");
    ASSERT_EQ(list->count(), rows) << platformId;
    EXPECT_EQ(list->item(0)->text().toStdString(), "Windows Registry Scan: Registry Integrity");
    EXPECT_EQ(list->item(3)->text().toStdString(), "Windows Registry Scan: Old Software");
    EXPECT_EQ(list->item(rows - 1)->text().toStdString(), "Windows Shortcut");
    EXPECT_EQ(list->findItems("Windows Registry Scan: Vxd Sections", Qt::MatchExactly).size(),
              vxdShown ? 1 : 0);
  }
}

TEST(SelectPage, MarksAreTheCategoriesSwitchesAndStartNeedsOne) {
  WindowOnTarget w;
  int starts = 0;
  QObject::connect(w.Find<SelectPage>("PanelSelect"), &SelectPage::StartRequested,
                   [&starts] { ++starts; });
  QListWidget* list = w.Find<QListWidget>("lvSelect");
  w.Click("btSelect");
  w.Find<SelectPage>("PanelSelect")->InverseSelection();
  for (int row = 0; row < list->count(); ++row)
    EXPECT_EQ(list->item(row)->checkState(), Qt::Unchecked) << row;
  w.Click("btStart");
  EXPECT_EQ(w.dialogs.errors,
            std::vector<std::string>{"Please Select what test you want to perform."});
  EXPECT_EQ(starts, 0);

  list->item(1)->setCheckState(Qt::Checked);  // what a click on the row's box does
  EXPECT_TRUE(w.engine().ActiveX.Enabled);
  EXPECT_FALSE(w.engine().RegIntegrity.Enabled);
  w.Click("btStart");
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(w.dialogs.errors.size(), 1u);
  w.Click("btDeselect");
  EXPECT_FALSE(w.engine().ActiveX.Enabled);
  EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
}

std::map<std::string, std::string> ProgressRows(WindowOnTarget& w) {
  std::map<std::string, std::string> rows;
  QTreeWidget* list = w.Find<QTreeWidget>("lvProgress");
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = list->topLevelItem(i);
    rows[row->text(0).toStdString()] = (row->text(1) + " " + row->text(2)).toStdString();
  }
  return rows;
}

TEST(ScanPage, AWholeScanOfTheSampleShowsEveryStateAndCountAndLeadsToTheDetails) {
  WindowOnTarget w(kSample);
  w.Click("btStart");
  EXPECT_EQ(w.Text("lblScanning"), "Finished.");
  EXPECT_EQ(w.Text("lblProblemsNum"), "Problems Found: 52");
  const auto rows = ProgressRows(w);
  EXPECT_EQ(rows.size(), 21u);
  EXPECT_EQ(rows.at("Registry Integrity"), "Finished 5");
  EXPECT_EQ(rows.at("File Associate"), "Finished 9");
  EXPECT_EQ(rows.at("Windows Shortcut"), "Finished 1");
  QProgressBar* bar = w.Find<QProgressBar>("BarProgress");
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(w.Find<QPushButton>("BtnNext")->isEnabled());
  EXPECT_TRUE(w.Find<QPushButton>("BtnSelectOptions")->isEnabled());
  QTreeWidget* results = w.Find<QTreeWidget>("lvResult");
  ASSERT_EQ(results->topLevelItemCount(), 21);
  EXPECT_EQ(results->topLevelItem(0)->text(1).toStdString(),
            "Problems in Registry Integrity (5 problems)");
  EXPECT_EQ(results->topLevelItem(0)->text(2).toStdString(),
            w.engine().RegIntegrity.SeverityText());
  w.Click("BtnNext");
  EXPECT_EQ(w.window().CurrentPage(), Page::Detail);
  EXPECT_FALSE(w.Find<QPushButton>("BtnNext")->isEnabled());
}

TEST(ScanPage, StopAtOnceAndAScanThatFindsNothing) {
  WindowOnTarget w(kSample);
  w.window().show();
  bool toolbarOffWhileScanning = false;
  QTimer::singleShot(0, [&] {
    toolbarOffWhileScanning = !w.Find<QPushButton>("BtnSelectScan")->isEnabled();
    w.Click("btnStopScan");
  });
  w.Click("btStart");
  EXPECT_TRUE(toolbarOffWhileScanning);
  EXPECT_EQ(w.Text("lblProgress"), "Scanning Cancelled.");
  QProgressBar* bar = w.Find<QProgressBar>("BarProgress");
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(w.Find<QPushButton>("BtnNext")->isVisible());
  EXPECT_FALSE(w.Find<QPushButton>("btnStopScan")->isVisible());
  EXPECT_EQ(w.engine().EndedEarly, kEndedByUser);

  WindowOnTarget empty;
  empty.Click("btStart");
  EXPECT_EQ(empty.Text("lblProblemsNum"), "Total Problems Found = 0");
  empty.Click("BtnNext");
  EXPECT_EQ(empty.window().CurrentPage(), Page::Result);
  QTreeWidget* results = empty.Find<QTreeWidget>("lvResult");
  ASSERT_EQ(results->topLevelItemCount(), 1);
  EXPECT_EQ(results->topLevelItem(0)->text(1).toStdString(), "No Problems Found.");
  EXPECT_TRUE(empty.Find<QPushButton>("btnRepairAll")->isHidden());
  QPushButton* finish =
      empty.window().PageWidget(Page::Result)->findChild<QPushButton*>("btnNoProblem");
  EXPECT_FALSE(finish->isHidden());
  finish->click();
  EXPECT_EQ(empty.window().CurrentPage(), Page::Select);
}

TEST(ScanPage, LocationsShortenFolderByFolderAndTheBarNeverDividesByZero) {
  const std::string path = R"(C:\Program Files\Vendor\App\file.dll)";
  const struct {
    std::size_t width;
    std::string shown;
  } cases[] = {{100, path},
               {30, R"(C:\...\Vendor\App\file.dll)"},
               {20, R"(C:\...\App\file.dll)"},
               {18, R"(C:\...\file.dll)"},
               {13, R"(\...\file.dll)"},
               {5, "file.dll"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ElidePath(path, [&](const std::string& t) { return t.size() <= c.width; }), c.shown)
        << c.width;
  }
  EXPECT_EQ(ElidePath(R"(HKEY_CLASSES_ROOT\CLSID\{1})",
                      [](const std::string& t) { return t.size() <= 16; }),
            R"(\...\CLSID\{1})");
  EXPECT_EQ(BarPosition(3, 4, 1000), 750);
  EXPECT_EQ(BarPosition(5, 4, 1000), 1000);
  EXPECT_EQ(BarPosition(2'000'000'000, 2'000'000'001, 3840), 3839);
  EXPECT_EQ(BarPosition(250, 0, 1000), 500);  // no total: wraps around
  EXPECT_EQ(BarPosition(7, 0, 0), 0);
}

TEST(MainWindowSettings, TheCategorySwitchesTheUserLeavesAreThereAtTheNextStart) {
  TestHome home;
  const auto start = [&](auto&& use) {
    const std::unique_ptr<UserSettings> settings = home.OpenSettings();
    MemoryTarget target;
    TOrdrex engine(target);
    settings->BindEngine(engine);
    AnsweringDialogs dialogs;
    MainWindow window(engine, dialogs, settings.get());
    use(engine, window);
  };
  start([](TOrdrex&, MainWindow& window) {
    window.show();
    window.findChild<QListWidget*>("lvSelect")->item(1)->setCheckState(Qt::Unchecked);
    window.close();
  });
  start([](TOrdrex& engine, MainWindow& window) {
    EXPECT_FALSE(engine.ActiveX.Enabled);
    EXPECT_TRUE(engine.RegIntegrity.Enabled);
    EXPECT_EQ(window.findChild<QListWidget*>("lvSelect")->item(1)->checkState(), Qt::Unchecked);
  });
  EXPECT_TRUE(home.messages.empty()) << home.messages.front();
}

}  // namespace
}  // namespace ordrex::gui
