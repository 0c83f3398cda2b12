#include "app/gui/scan_page.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/gui/path_elision.h"
#include "app/gui/pictures.h"
#include "app/gui/select_page.h"

namespace ordrex::gui {

ScanPage::ScanPage(TOrdrex& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  progress_ = new QTreeWidget(this);
  progress_->setObjectName("lvProgress");
  progress_->setRootIsDecorated(false);
  progress_->setHeaderLabels({tr("Registry Section"), tr("Status"), tr("Problems Found")});
  progress_->setColumnWidth(0, 175);
  progress_->setColumnWidth(1, 100);
  progress_->headerItem()->setTextAlignment(2, Qt::AlignRight);
  int scanIndex = 0;
  for (TCustomOrdrex* category : engine_.Categories()) {
    ++scanIndex;
    if (!category->Listed) continue;
    auto* row = new QTreeWidgetItem(
        progress_, {QString::fromStdString(ProgressRowText(scanIndex)), "Skipped", "0"});
    row->setTextAlignment(2, Qt::AlignRight);
    rows_[category] = row;
  }
  scanning_ = new QLabel(this);
  scanning_->setObjectName("lblScanning");
  location_ = new QLabel(this);
  location_->setObjectName("lblProgress");
  location_->setMinimumWidth(1);
  problems_ = new QLabel(tr("Total Problems Found = 0"), this);
  problems_->setObjectName("lblProblemsNum");
  bar_ = new QProgressBar(this);
  bar_->setObjectName("BarProgress");
  bar_->setTextVisible(false);
  const QScreen* screen = QApplication::primaryScreen();
  bar_->setMaximum(screen != nullptr ? std::max(1, screen->geometry().width()) : 1);
  stop_ = new QPushButton(tr("Stop"), this);
  stop_->setObjectName("btnStopScan");
  stop_->hide();
  connect(stop_, &QPushButton::clicked, this, &ScanPage::Stop);
  next_ = new QPushButton(tr("Next"), this);
  next_->setObjectName("BtnNext");
  connect(next_, &QPushButton::clicked, this, [this] {
    next_->setEnabled(false);
    emit NextRequested();
  });

  busy_ = new BusyIndicator(this);
  busy_->setObjectName("AnimasiScan");
  busy_->hide();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(busy_);
  buttons->addWidget(problems_, 1);
  buttons->addWidget(stop_);
  buttons->addWidget(next_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scanning_);
  layout->addWidget(progress_, 1);
  layout->addWidget(location_);
  layout->addWidget(bar_);
  layout->addLayout(buttons);

  engine_.Observer = this;
  engine_.OnStatus = [this](const std::string& text) {
    ShowLocation(text);
    PumpMessages();
  };
  engine_.OnProgress = [this](int position, int total) {
    bar_->setValue(BarPosition(position, total, bar_->maximum()));
    PumpMessages();
  };
  engine_.OnProblem = [this](TOrdrex&) {
    ++totalProblems_;
    problems_->setText(tr("Problems Found: %1").arg(totalProblems_));
    PumpMessages();
  };
}

ScanPage::~ScanPage() {
  engine_.Observer = nullptr;
  engine_.OnStatus = nullptr;
  engine_.OnProgress = nullptr;
  engine_.OnProblem = nullptr;
}

void ScanPage::RunScan() {
  if (!idle_) return;
  running_ = true;
  problems_->setText(tr("Total Problems Found = 0"));
  engine_.Clear();
  for (auto& [category, row] : rows_) {
    row->setText(1, "Skipped");
    row->setText(2, "0");
  }
  scanning_->setText(tr("Scanning Progress"));
  location_->clear();
  SetIdle(false);
  bar_->setValue(0);
  totalProblems_ = 0;
  PumpMessages();
  engine_.Scan();
  running_ = false;
  emit ScanFinished();
  scanning_->setText(tr("Finished."));
  if (idle_) location_->setText(tr("Scanning Cancelled."));
  bar_->setValue(bar_->maximum());
  SetIdle(true);
  next_->setEnabled(true);
}

void ScanPage::DisableNext() {
  next_->setEnabled(false);
}

void ScanPage::Stop() {
  SetIdle(true);
}

void ScanPage::SetIdle(bool idle) {
  if (idle == idle_) return;
  idle_ = idle;
  stop_->setVisible(!idle);
  busy_->setVisible(!idle);
  next_->setVisible(idle);
  engine_.Stop(idle);
  emit ScanningChanged(!idle);
}

void ScanPage::ShowLocation(const std::string& text) {
  const QFontMetrics metrics(location_->font());
  const int width = location_->width();
  location_->setText(QString::fromStdString(ElidePath(text, [&](const std::string& candidate) {
    return metrics.horizontalAdvance(QString::fromStdString(candidate)) <= width;
  })));
}

void ScanPage::ShowRow(TCustomOrdrex& category) {
  const auto row = rows_.find(&category);
  if (row == rows_.end()) return;
  row->second->setText(1, QString::fromStdString(category.StatusText));
  row->second->setText(2, QString::number(category.Count()));
}

void ScanPage::PumpMessages() {
  QCoreApplication::processEvents();
}

void ScanPage::PauseAfterStateChange(TCustomOrdrex&) {
  if (pauseMs_ <= 0) return PumpMessages();
  // Input is still handled during the pause; a stop ends it early.
  QEventLoop wait;
  QTimer::singleShot(pauseMs_, &wait, &QEventLoop::quit);
  connect(this, &ScanPage::ScanningChanged, &wait, &QEventLoop::quit);
  wait.exec();
}

}  // namespace ordrex::gui
