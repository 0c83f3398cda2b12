#pragma once
// The results page: a row per checked category that found problems, or the one row that says
// nothing was found, and the way on to the repair or back to the start.

#include <QWidget>

#include "engine/ordrex.h"

class QPushButton;
class QTreeWidget;

namespace ordrex::gui {

class ResultPage : public QWidget {
  Q_OBJECT

 public:
  explicit ResultPage(TOrdrex& engine, QWidget* parent = nullptr);

  // After a scan: one row per enabled category holding problems, in scan order.
  void FillFromScan();
  // Next after a scan that found nothing.
  void ShowNothingFound();
  // Offers the repair when problems were found, else only Finish.
  void OfferFor(int totalProblems);

 signals:
  void RepairRequested();
  void FinishRequested();

 private:
  TOrdrex& engine_;
  QTreeWidget* list_ = nullptr;
  QPushButton* repairAll_ = nullptr;
  QPushButton* noProblem_ = nullptr;
};

}  // namespace ordrex::gui
