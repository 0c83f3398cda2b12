// The details page after a scan of the sample: node texts, note rows, check boxes that are the
// problems' Selected flags, and the header's sorting rules.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QListWidget>
#include <QTreeWidget>

#include "app/gui/detail_page.h"
#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

class DetailPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // MRU Files left out of the scan.
    w_.Find<QListWidget>("lvSelect")
        ->findItems("Windows Registry Scan: MRU Files", Qt::MatchExactly)
        .front()
        ->setCheckState(Qt::Unchecked);
    w_.Click("btStart");
    w_.Click("BtnNext");
    tree_ = w_.Find<QTreeWidget>("tvDetail");
    list_ = w_.Find<QTreeWidget>("lvDetail");
  }
  void Choose(const char* nodeText) {
    const auto found = tree_->findItems(nodeText, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1) << nodeText;
    tree_->setCurrentItem(found.front());
  }
  std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
      texts.push_back(list_->topLevelItem(i)->text(column).toStdString());
    return texts;
  }

  WindowOnTarget w_{kSample};
  QTreeWidget* tree_ = nullptr;
  QTreeWidget* list_ = nullptr;
};

TEST_F(DetailPageTest, NodesNameTheirCountsAndNotesStandInForProblems) {
  EXPECT_EQ(w_.window().CurrentPage(), Page::Detail);
  Choose("Windows Problems");
  EXPECT_EQ(Column(1), std::vector<std::string>{"48 Problems Found."});
  Choose("MRU Files Problems (Skipped)");
  EXPECT_EQ(Column(1), std::vector<std::string>{"Skipped during test."});
  Choose("Windows Startup Problems (2)");
  EXPECT_EQ(Column(2), (std::vector<std::string>{"OldToolUpdater", "OldToolTray"}));
  Choose("Registry Integrity Problems (5)");
  EXPECT_EQ(list_->topLevelItem(0)->text(1).toStdString(),
            R"(HKEY_CLASSES_ROOT\CLSID\{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F11}\InprocServer32)");
  EXPECT_EQ(Column(2)[0], "(Default)");
  EXPECT_EQ(Column(5)[1], "Missing ID");
  EXPECT_EQ(Column(4)[0], w_.engine().RegIntegrity.SeverityText());
  EXPECT_EQ(list_->topLevelItem(3)->checkState(0), Qt::Unchecked);  // in the Windows folder
}

TEST_F(DetailPageTest, AnUntickedRowStaysUntickedAndItsProblemUnselected) {
  Choose("Registry Integrity Problems (5)");
  list_->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_FALSE(w_.engine().RegIntegrity.Items(0).Selected);
  Choose("ActiveX/COM Problems (2)");
  Choose("Registry Integrity Problems (5)");
  EXPECT_EQ(list_->topLevelItem(0)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(list_->topLevelItem(1)->checkState(0), Qt::Checked);
}

TEST_F(DetailPageTest, FirstClickSortsDescendingThenFlipsAndAnotherColumnKeepsTheDirection) {
  Choose("Registry Integrity Problems (5)");
  QHeaderView* header = list_->header();
  emit header->sectionClicked(5);
  EXPECT_EQ(Column(5), (std::vector<std::string>{"Missing ID", "Missing ID", "File not found",
                                                 "File not found", "Empty"}));
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  emit header->sectionClicked(5);
  EXPECT_EQ(Column(5).front(), "Empty");
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  emit header->sectionClicked(3);
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  EXPECT_EQ(Column(3).front(), "");
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  // A single row, or the picture column, ignores clicks.
  Choose("Windows Problems");
  emit header->sectionClicked(1);
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  EXPECT_LT(CompareListTexts("abc", "ABD"), 0);
  EXPECT_EQ(CompareListTexts("abc", "ABC"), 0);
  EXPECT_LT(CompareListTexts("ab", "abc"), 0);
  EXPECT_GT(CompareListTexts("_", "Z"), 0);  // other characters by code
}

}  // namespace
}  // namespace ordrex::gui
