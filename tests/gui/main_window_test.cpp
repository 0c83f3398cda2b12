// The window driven by its controls' names: one page shown at a time, the toolbar's Scan button
// returning to the wizard's page last seen, and the select page's rows and start rule.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "app/gui/main_window.h"
#include "app/gui/select_page.h"

namespace ordrex::gui {
namespace {

class AnsweringDialogs : public GuiDialogs {
 public:
  void ShowError(QWidget*, const QString& text) override { errors.push_back(text.toStdString()); }
  bool Confirm(QWidget*, const QString&) override { return true; }
  std::optional<QString> PickFolder(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::vector<std::string> errors;
};

// The engine reads the Windows family when it is made, so the profile is set first.
struct WindowOnTarget {
  explicit WindowOnTarget(int platformId = 2) {
    target.MutableProfile().version.platformId = platformId;
    enginePtr = std::make_unique<TOrdrex>(target);
    windowPtr = std::make_unique<MainWindow>(*enginePtr, dialogs);
  }
  MemoryTarget target;
  AnsweringDialogs dialogs;
  std::unique_ptr<TOrdrex> enginePtr;
  std::unique_ptr<MainWindow> windowPtr;
  TOrdrex& engine() { return *enginePtr; }
  MainWindow& window() { return *windowPtr; }

  template <typename T>
  T* Find(const char* name) {
    T* child = window().findChild<T*>(name);
    if (child == nullptr) ADD_FAILURE() << "no control " << name;
    return child;
  }
  void Click(const char* name) { Find<QPushButton>(name)->click(); }
};

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

}  // namespace
}  // namespace ordrex::gui
