#pragma once
// The first page of the scan wizard: one checked row per category the scan can run, whose mark
// is the category's Enabled flag, and the start of a scan.

#include <QWidget>
#include <string>
#include <vector>

#include "app/gui/gui_dialogs.h"
#include "engine/ordrex.h"

class QListWidget;
class QListWidgetItem;

namespace ordrex::gui {

// The text of a category's row in the progress list, by scan index 1 to 23 (the select list
// puts "Windows Registry Scan: " before those of the registry scans).
std::string ProgressRowText(int scanIndex);

class SelectPage : public QWidget {
  Q_OBJECT

 public:
  SelectPage(TOrdrex& engine, GuiDialogs& dialogs, QWidget* parent = nullptr);

  // Sets every row and every category's Enabled: checked, unchecked, or each one flipped.
  void SelectAll();
  void DeselectAll();
  void InverseSelection();
  // Refreshes the marks from the categories (after the stored selection was read into them).
  void ShowSelection();
  // What the start button does: StartRequested when a category is checked, else an error.
  void Start();

 signals:
  // The user asked for a scan with at least one category checked.
  void StartRequested();

 private:
  void MarkChanged(QListWidgetItem* item);

  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  QListWidget* list_ = nullptr;
  std::vector<TCustomOrdrex*> rows_;  // the category of each row
};

}  // namespace ordrex::gui
