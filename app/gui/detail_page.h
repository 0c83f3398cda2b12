#pragma once
// The details page: the categories in a tree and, for the one chosen, a row per problem whose
// check box is the problem's Selected flag, sortable by any text column. A problem row's context
// menu offers to ignore its key, value name or data in later scans.

#include <QWidget>
#include <cstdint>

#include "app/gui/pictures.h"
#include "engine/ordrex.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace ordrex::gui {

// Compares two texts as the list sorts them: letters a to z folded to capitals, other
// characters by code, a text that is the start of the other first.
int CompareListTexts(const std::string& a, const std::string& b);

class DetailPage : public QWidget {
  Q_OBJECT

 public:
  explicit DetailPage(TOrdrex& engine, QWidget* parent = nullptr);

  // Names each category's node after its count (or "Skipped") and shows the chosen node's rows.
  void Open(int totalProblems);
  void Fill();

 signals:
  void RepairRequested();
  // The user wants problems with this text (compared as `scopeMask` says) left out of scans.
  void IgnoreRequested(const QString& text, int scopeMask);

 private:
  void HeaderClicked(int column);
  void RowChanged(QTreeWidgetItem* row, int column);
  void AddNote(const QString& text, Picture picture);
  // The context menu's actions, offered for a problem row with a text of their scope.
  void AddIgnoreActions();
  void EnableIgnoreActions();

  TOrdrex& engine_;
  QTreeWidget* tree_ = nullptr;
  QTreeWidget* list_ = nullptr;
  int totalProblems_ = 0;
  bool filling_ = false;
  // The low 16 bits hold the sort column (0: none yet), bits 16 to 23 the direction
  // (1 ascending, 0 descending), as the window remembers it.
  std::uint32_t sortState_ = 0;
};

}  // namespace ordrex::gui
