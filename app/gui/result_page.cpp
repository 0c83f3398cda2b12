#include "app/gui/result_page.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/gui/pictures.h"

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
    auto* row = new QTreeWidgetItem(list_, {"",
                                            tr("Problems in %1 (%2 problems)")
                                                .arg(QString::fromStdString(category->Title))
                                                .arg(category->Count()),
                                            QString::fromStdString(category->SeverityText())});
    row->setIcon(0, SeverityIcon(category->Severity));
  }
  list_->resizeColumnToContents(1);  // the category titles are longer than the column's width
}

void ResultPage::ShowNothingFound() {
  list_->clear();
  auto* row = new QTreeWidgetItem(list_, {"", tr("No Problems Found.")});
  row->setIcon(0, PictureIcon(Picture::NoProblem));
}

void ResultPage::OfferFor(int totalProblems) {
  noProblem_->setVisible(totalProblems == 0);
  repairAll_->setVisible(totalProblems != 0);
}

}  // namespace ordrex::gui
