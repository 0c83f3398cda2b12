#include "app/gui/result_page.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ordrex::gui {

ResultPage::ResultPage(TOrdrex& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  list_ = new QTreeWidget(this);
  list_->setObjectName("lvResult");
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"", tr("Location"), ""});
  list_->setColumnWidth(0, 40);
  list_->setColumnWidth(1, 260);
  list_->setColumnWidth(2, 70);
  repairAll_ = new QPushButton(tr("Repair"), this);
  repairAll_->setObjectName("btnRepairAll");
  connect(repairAll_, &QPushButton::clicked, this, &ResultPage::RepairRequested);
  noProblem_ = new QPushButton(tr("Finish"), this);
  noProblem_->setObjectName("btnNoProblem");
  connect(noProblem_, &QPushButton::clicked, this, &ResultPage::FinishRequested);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(repairAll_);
  buttons->addWidget(noProblem_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
}

void ResultPage::FillFromScan() {
  list_->clear();
  for (TCustomOrdrex* category : engine_.Categories()) {
    if (!category->Listed || !category->Enabled || category->Count() == 0) continue;
    new QTreeWidgetItem(list_, {"",
                                tr("Problems in %1 (%2 problems)")
                                    .arg(QString::fromStdString(category->Title))
                                    .arg(category->Count()),
                                QString::fromStdString(category->SeverityText())});
  }
  list_->resizeColumnToContents(1);  // the category titles are longer than the column's width
}

void ResultPage::ShowNothingFound() {
  list_->clear();
  new QTreeWidgetItem(list_, {"", tr("No Problems Found.")});
}

void ResultPage::OfferFor(int totalProblems) {
  noProblem_->setVisible(totalProblems == 0);
  repairAll_->setVisible(totalProblems != 0);
}

}  // namespace ordrex::gui
