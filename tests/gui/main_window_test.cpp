// The window's frame: one page shown at a time, found by its name, and the toolbar's Scan button
// returning to the wizard's page last seen.

#include <gtest/gtest.h>

#include <QPushButton>

#include "app/gui/main_window.h"

namespace ordrex::gui {
namespace {

class AnsweringDialogs : public GuiDialogs {
 public:
  void ShowError(QWidget*, const QString& text) override { errors.push_back(text); }
  bool Confirm(QWidget*, const QString&) override { return true; }
  std::optional<QString> PickFolder(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::vector<QString> errors;
};

TEST(MainWindowPages, ToolbarShowsOnePageAndScanReturnsToTheLastWorkPage) {
  AnsweringDialogs dialogs;
  MainWindow window(dialogs);
  window.show();
  const auto visiblePages = [&] {
    std::vector<std::string> names;
    for (const Page page : {Page::Contact, Page::Options, Page::Restore, Page::Select, Page::Scan,
                            Page::Detail, Page::Ignore}) {
      if (window.PageWidget(page)->isVisible()) names.push_back(PageObjectName(page));
    }
    return names;
  };
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"PanelSelect"});
  window.ShowPage(Page::Detail);
  window.findChild<QPushButton*>("btnSelectHelp")->click();
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"PanelContact"});
  window.findChild<QPushButton*>("BtnSelectScan")->click();
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"PanelDetail"});
  EXPECT_EQ(window.CurrentWorkPage(), Page::Detail);
  EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace ordrex::gui
