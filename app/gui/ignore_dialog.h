#pragma once
// The dialog that adds or changes one ignore entry: its text, what the text is compared with
// (key path, value name, data) and whether letter case matters. OK changes the list itself;
// closing the dialog changes nothing.

#include <QDialog>

#include "app/gui/gui_dialogs.h"
#include "ignore/ignore_list.h"

class QCheckBox;
class QLineEdit;

namespace ordrex::gui {

class IgnoreDialog : public QDialog {
  Q_OBJECT

 public:
  IgnoreDialog(TIgnoreList& list, GuiDialogs& dialogs, QWidget* parent = nullptr);

  // A new entry for `text`, with the scope boxes of `scopeMask` ticked and case ignored.
  void PrepareNew(const QString& text, int scopeMask);
  // The entry of `row`. A row with no scope at all (only a hand-made file has one) is taken as
  // the text of a new entry.
  void PrepareEdit(int row, const TIgnoreRec& entry);

 private:
  // OK: the entry is added or changed and the dialog closes, or it stays open as it is.
  void TryAccept();
  int ScopeMask() const;

  TIgnoreList& list_;
  GuiDialogs& dialogs_;
  QLineEdit* text_ = nullptr;
  QCheckBox* key_ = nullptr;
  QCheckBox* value_ = nullptr;
  QCheckBox* data_ = nullptr;
  QCheckBox* case_ = nullptr;
  bool isNew_ = true;
  int editRow_ = -1;
};

}  // namespace ordrex::gui
