#pragma once
// The first page of the scan wizard: one checked row per category the scan can run, whose mark
// is the category's Enabled flag, the start of a scan, and the choice of the target to scan.

#include <QWidget>
#include <string>
#include <vector>

#include "app/gui/gui_dialogs.h"
#include "app/session/prefix_discovery.h"
#include "engine/ordrex.h"

class QComboBox;
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

  // Fills the target list (the engine's own target alone until then), "Browse..." last.
  void SetTargetChoices(const TargetChoices& choices);
  // While a scan runs the target stays as it is.
  void SetTargetChangeAllowed(bool allowed);

 signals:
  // The user asked for a scan with at least one category checked.
  void StartRequested();
  // The user chose another target folder; the list stays on the current one until whoever
  // opens it replaces this page.
  // `windowsVolume`: the user asked for an offline Windows volume, not a prefix.
  void TargetChangeRequested(const QString& folder, bool windowsVolume);

 private:
  void MarkChanged(QListWidgetItem* item);
  void TargetChosen(int row);

  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  QListWidget* list_ = nullptr;
  QComboBox* targets_ = nullptr;
  int currentTarget_ = 0;
  std::vector<TCustomOrdrex*> rows_;  // the category of each row
};

}  // namespace ordrex::gui
