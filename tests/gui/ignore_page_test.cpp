// The ignore list page and its entry dialog: add, edit, replace instead of adding twice, delete
// by check boxes, what the dialog refuses, the saved file, and ignoring a problem from the
// details page.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTreeWidget>

#include "gui/window_fixture.h"
#include "platform/registry_types.h"

namespace ordrex::gui {
namespace {

// What a user types and ticks in the entry dialog before pressing OK.
struct Input {
  QString text;
  int scope = kIgnoreKey;
  bool caseSensitive = false;
};

void Enter(QDialog& dialog, const Input& input) {
  dialog.findChild<QLineEdit*>("eIgnore")->setText(input.text);
  for (const auto& [box, bit] : {std::pair{"cbKey", kIgnoreKey}, std::pair{"cbValue", kIgnoreValue},
                                 std::pair{"cbData", kIgnoreData}})
    dialog.findChild<QCheckBox*>(box)->setChecked((input.scope & bit) != 0);
  dialog.findChild<QCheckBox*>("cbCase")->setChecked(input.caseSensitive);
  dialog.findChild<QPushButton*>("btnOK")->click();
}

std::string RowText(const TIgnoreRec& e) {
  const auto yn = [](bool flag) { return flag ? "Yes" : "No"; };
  return e.Name + "|" + yn(e.Key) + yn(e.Value) + yn(e.Data) + yn(e.CaseSensitive);
}

class IgnorePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w_.window().ShowOptionsSubPage(4);
    list_ = w_.Find<QTreeWidget>("lvIgnore");
  }
  // Presses the button with the dialog answered by `input`.
  void Press(const char* button, const Input& input) {
    w_.dialogs.fillDialog = [input](QDialog& dialog) { Enter(dialog, input); };
    w_.Click(button);
  }
  std::vector<std::string> Shown() {
    std::vector<std::string> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = list_->topLevelItem(i);
      rows.push_back(
          (row->text(0) + "|" + row->text(1) + row->text(2) + row->text(3) + row->text(4))
              .toStdString());
    }
    return rows;
  }
  // The list as the next start of the program reads it.
  std::vector<std::string> Saved() {
    std::vector<std::string> rows;
    for (const TIgnoreRec& entry : w_.home.OpenSettings()->Ignore().Rows())
      rows.push_back(RowText(entry));
    return rows;
  }
  void Check(std::initializer_list<int> rows) {
    for (int row : rows)
      list_->topLevelItem(row)->setCheckState(0, Qt::Checked);
  }

  WindowOnTarget w_;
  QTreeWidget* list_ = nullptr;
};

TEST_F(IgnorePageTest, AddEditAndAnExistingTextReplacedOnlyWhenTheUserAgrees) {
  Press("btIgnAdd", {" Tool.exe ", kIgnoreValue | kIgnoreData});
  Press("btIgnAdd", {R"(\CLSID\X)", kIgnoreKey, true});
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Tool.exe|NoYesYesNo", R"(\CLSID\X|YesNoNoYes)"}));
  EXPECT_EQ(Saved(), Shown());

  // Edit opens on the highlighted row; without one nothing opens.
  const int before = w_.dialogs.modalDialogs;
  w_.Click("btIgnEdit");
  EXPECT_EQ(w_.dialogs.modalDialogs, before);
  list_->setCurrentItem(list_->topLevelItem(0));
  w_.dialogs.fillDialog = [](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QLineEdit*>("eIgnore")->text(), "Tool.exe");
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("cbData")->isChecked());
    Enter(dialog, {"Tool2.exe", kIgnoreKey});
  };
  w_.Click("btIgnEdit");
  EXPECT_EQ(Shown()[0], "Tool2.exe|YesNoNoNo");

  // The same text in other letters matches the entry that ignores case: declining keeps the
  // dialog open with the input, agreeing changes that entry instead of adding another.
  w_.dialogs.answers = {false, true};
  w_.dialogs.fillDialog = [](QDialog& dialog) {
    Enter(dialog, {"TOOL2.EXE", kIgnoreData});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("eIgnore")->text(), "TOOL2.EXE");
    dialog.findChild<QPushButton*>("btnOK")->click();
  };
  w_.Click("btIgnAdd");
  EXPECT_EQ(w_.dialogs.questions,
            (std::vector<std::string>{"Replace TOOL2.EXE entry?", "Replace TOOL2.EXE entry?"}));
  // A case-sensitive entry does not match other letters: this one is added.
  Press("btIgnAdd", {R"(\clsid\x)", kIgnoreKey});
  EXPECT_EQ(w_.dialogs.questions.size(), 2u);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"TOOL2.EXE|NoNoYesNo", R"(\CLSID\X|YesNoNoYes)",
                                               R"(\clsid\x|YesNoNoNo)"}));
  EXPECT_EQ(Saved(), Shown());

  w_.Click("btIgnBack");
  EXPECT_EQ(w_.window().CurrentPage(), Page::Options);
  EXPECT_EQ(w_.window().OptionsSubPage(), 0);
}

TEST_F(IgnorePageTest, DeleteNeedsCheckedRowsAndAYes) {
  for (const char* text : {"a", "b", "c"})
    Press("btIgnAdd", {text});
  w_.Click("btIgnDel");
  EXPECT_EQ(w_.dialogs.errors,
            std::vector<std::string>{"Hint: Select items using checkbox first."});
  EXPECT_TRUE(w_.dialogs.questions.empty());
  Check({0, 2});
  w_.dialogs.answers = {false};
  w_.Click("btIgnDel");
  EXPECT_EQ(w_.dialogs.questions, std::vector<std::string>{"Delete entries?"});
  EXPECT_EQ(Shown().size(), 3u);
  w_.Click("btIgnDel");
  EXPECT_EQ(Shown(), std::vector<std::string>{"b|YesNoNoNo"});
  EXPECT_EQ(list_->topLevelItem(0)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(Saved(), Shown());
}

TEST_F(IgnorePageTest, TheDialogStaysOpenForTextItCannotTake) {
  const struct {
    Input input;
    std::string error;
  } cases[] = {
      {{"  "}, ""},
      {{"Tool.exe", 0}, ""},
      {{"two\nlines"},
       "This text cannot be ignored: it holds a line break (an entry is one line "
       "of text)."},
      {{QString("be") + QChar(7) + "ll"},
       "This text cannot be ignored: it holds the control character "
       "U+0007 (an entry is one line of text)."},
  };
  for (const auto& c : cases) {
    w_.dialogs.errors.clear();
    bool accepted = true;
    w_.dialogs.fillDialog = [&](QDialog& dialog) {
      Enter(dialog, c.input);
      accepted = dialog.result() == QDialog::Accepted;
    };
    w_.Click("btIgnAdd");
    EXPECT_FALSE(accepted) << c.input.text.toStdString();
    EXPECT_EQ(w_.dialogs.errors,
              c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error});
  }
  EXPECT_TRUE(Shown().empty());
  EXPECT_FALSE(std::filesystem::exists(w_.settings->Paths().IgnoreFile()));
}

TEST(IgnorePage, AListWhoseFileCannotBeReadIsNotChanged) {
  TestHome home;
  std::filesystem::create_directories(home.OpenSettings()->Paths().IgnoreFile());  // unreadable
  const std::unique_ptr<UserSettings> settings = home.OpenSettings();
  MemoryTarget target;
  TOrdrex engine(target);
  AnsweringDialogs dialogs;
  MainWindow window(engine, dialogs, settings.get());
  EXPECT_NE(window.findChild<QLabel*>("lbIgnoreLocked"), nullptr);
  home.messages.clear();
  window.findChild<QPushButton*>("btIgnAdd")->click();
  EXPECT_EQ(dialogs.modalDialogs, 0);
  ASSERT_EQ(home.messages.size(), 1u);
  EXPECT_NE(home.messages[0].find("could not be read, so it is not replaced"), std::string::npos);
}

TEST(IgnorePage, IgnoringAProblemRowHidesItFromTheNextScan) {
  WindowOnTarget w(kSample);
  w.Click("btStart");
  w.Click("BtnNext");
  auto* tree = w.Find<QTreeWidget>("tvDetail");
  auto* list = w.Find<QTreeWidget>("lvDetail");
  auto* ignoreKey = w.Find<QAction>("actIgnoreKey");
  tree->setCurrentItem(tree->findItems("Windows Problems", Qt::MatchExactly).front());
  list->setCurrentItem(list->topLevelItem(0));
  EXPECT_FALSE(ignoreKey->isEnabled());  // a note row
  tree->setCurrentItem(
      tree->findItems("Registry Integrity Problems (5)", Qt::MatchExactly | Qt::MatchRecursive)
          .front());
  list->setCurrentItem(list->topLevelItem(0));
  // The scan compares the key path below its root.
  const std::string key = w.engine().RegIntegrity.Items(0).Key;
  EXPECT_EQ(RootKeyName(w.engine().RegIntegrity.Items(0).RootKey) + key,
            list->topLevelItem(0)->text(1).toStdString());
  w.dialogs.fillDialog = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QLineEdit*>("eIgnore")->text().toStdString(), key);
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("cbKey")->isChecked());
    EXPECT_FALSE(dialog.findChild<QCheckBox*>("cbValue")->isChecked());
    dialog.findChild<QPushButton*>("btnOK")->click();
  };
  ignoreKey->trigger();
  EXPECT_EQ(w.settings->Ignore().RowCount(), 1);
  w.window().ShowPage(Page::Select);
  w.Click("btStart");
  EXPECT_EQ(w.engine().RegIntegrity.Count(), 4);
}

}  // namespace
}  // namespace ordrex::gui
