#include "app/gui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "app/gui/detail_page.h"
#include "app/gui/directories_page.h"
#include "app/gui/help_page.h"
#include "app/gui/ignore_page.h"
#include "app/gui/options_page.h"
#include "app/gui/repair_page.h"
#include "app/gui/restore_page.h"
#include "app/gui/result_page.h"
#include "app/gui/scan_page.h"
#include "app/gui/schedule_editor_page.h"
#include "app/gui/select_page.h"

namespace ordrex::gui {

namespace {

constexpr Page kAllPages[] = {
    Page::Contact,    Page::Options,     Page::Restore,      Page::OptSched,  Page::Select,
    Page::Scan,       Page::Result,      Page::Repair,       Page::Detail,    Page::EditSched,
    Page::SchedDaily, Page::SchedWeekly, Page::SchedMonthly, Page::SchedOnce, Page::SchedIdle,
    Page::Dir,        Page::Ignore};

// The fields of one trigger type: part of the trigger editor, not a page of their own.
constexpr bool IsTriggerTypePage(Page page) {
  return static_cast<int>(page) >= static_cast<int>(Page::SchedDaily) &&
         static_cast<int>(page) <= static_cast<int>(Page::SchedIdle);
}

}  // namespace

const char* PageObjectName(Page page) {
  switch (page) {
    case Page::Contact:
      return "PanelContact";
    case Page::Options:
      return "PanelOptions";
    case Page::Restore:
      return "PanelRestore";
    case Page::OptSched:
      return "PanelOptSched";
    case Page::Select:
      return "PanelSelect";
    case Page::Scan:
      return "PanelScan";
    case Page::Result:
      return "PanelResult";
    case Page::Repair:
      return "PanelRepair";
    case Page::Detail:
      return "PanelDetail";
    case Page::EditSched:
      return "PanelEditSched";
    case Page::SchedDaily:
      return "PanelSchedDaily";
    case Page::SchedWeekly:
      return "PanelSchedWeekly";
    case Page::SchedMonthly:
      return "PanelSchedMonthly";
    case Page::SchedOnce:
      return "PanelSchedOnce";
    case Page::SchedIdle:
      return "PanelSchedIdle";
    case Page::Dir:
      return "PanelDir";
    case Page::Ignore:
      return "PanelIgnore";
  }
  return "";
}

QWidget* MainWindow::MakePage(Page page) {
  SettingsModel& options = settings_ != nullptr ? settings_->Model() : unsavedOptions_;
  switch (page) {
    case Page::Select:
      return selectPage_ = new SelectPage(engine_, dialogs_, stack_);
    case Page::Scan:
      return scanPage_ = new ScanPage(engine_, stack_);
    case Page::Result:
      return resultPage_ = new ResultPage(engine_, stack_);
    case Page::Detail:
      return detailPage_ = new DetailPage(engine_, stack_);
    case Page::Repair:
      return repairPage_ = new RepairPage(engine_, dialogs_, settings_, stack_);
    case Page::Restore:
      return restorePage_ = new RestorePage(engine_, dialogs_, settings_, stack_);
    case Page::Contact:
      return new HelpPage(dialogs_, stack_);
    case Page::Ignore:
      return ignorePage_ = new IgnorePage(dialogs_, settings_, stack_);
    case Page::Options: {
      const std::filesystem::path backups =
          settings_ != nullptr ? settings_->Paths().DefaultBackupDir() : "";
      return optionsPage_ = new OptionsPage(options, engine_, dialogs_,
                                            QString::fromStdString(backups.string()), stack_);
    }
    case Page::Dir:
      return directoriesPage_ = new DirectoriesPage(options, engine_, dialogs_, stack_);
    case Page::OptSched:
      return scheduleList_ = new ScheduleListPage(engine_.GetTarget(), dialogs_, stack_);
    case Page::EditSched:
      return scheduleEditor_ = new ScheduleEditorPage(dialogs_, stack_);
    case Page::SchedDaily:
    case Page::SchedWeekly:
    case Page::SchedMonthly:
    case Page::SchedOnce:
    case Page::SchedIdle:
      return scheduleEditor_->TypePage(page);
    default:
      // A page of a later part of the window: its number is kept.
      return new QWidget(stack_);
  }
}

MainWindow::MainWindow(TOrdrex& engine, GuiDialogs& dialogs, UserSettings* settings,
                       QWidget* parent)
    : QMainWindow(parent), engine_(engine), dialogs_(dialogs), settings_(settings) {
  setWindowTitle("Zentrix Free Ordrex");
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* toolbar = new QHBoxLayout;
  layout->addLayout(toolbar);
  stack_ = new QStackedWidget(central);
  layout->addWidget(stack_, 1);
  setCentralWidget(central);

  for (const Page page : kAllPages) {
    QWidget* widget = MakePage(page);
    widget->setObjectName(PageObjectName(page));
    if (!IsTriggerTypePage(page)) stack_->addWidget(widget);
    pages_[page] = widget;
  }
  setWindowIcon(ProgramIcon());
  const struct {
    const char* name;
    QString text;
    Page page;
    const char* themeIcon;
    QStyle::StandardPixmap fallback;
  } buttons[] = {
      {"BtnSelectScan", tr("Scan"), Page::Select, "system-search",
       QStyle::SP_FileDialogContentsView},
      {"BtnSelectOptions", tr("Options"), Page::Options, "preferences-system",
       QStyle::SP_FileDialogDetailedView},
      {"btnSelectRestore", tr("Restore"), Page::Restore, "document-revert",
       QStyle::SP_BrowserReload},
      {"btnSelectHelp", tr("Help"), Page::Contact, "help-contents", QStyle::SP_DialogHelpButton}};
  for (const auto& button : buttons) {
    QPushButton* made = AddToolbarButton(button.name, button.text, button.page);
    made->setIcon(QIcon::fromTheme(button.themeIcon, style()->standardIcon(button.fallback)));
    toolbar->addWidget(made);
  }
  toolbar->addStretch(1);
  connect(selectPage_, &SelectPage::StartRequested, this, &MainWindow::StartScan);
  // A backup applied to this window's registry: the last scan's problems may be gone.
  connect(restorePage_, &RestorePage::WindowTargetChanged, this, [this] {
    currentWorkPage_ = Page::Select;
    scanPage_->DisableNext();
  });
  connect(selectPage_, &SelectPage::TargetChangeRequested, this,
          &MainWindow::TargetChangeRequested);
  connect(scanPage_, &ScanPage::ScanningChanged, this,
          [this](bool scanning) { SetToolbarEnabled(!scanning); });
  connect(scanPage_, &ScanPage::NextRequested, this, &MainWindow::ShowScanOutcome);
  connect(scanPage_, &ScanPage::ScanFinished, resultPage_, &ResultPage::FillFromScan);
  connect(resultPage_, &ResultPage::RepairRequested, repairPage_, &RepairPage::Open);
  connect(detailPage_, &DetailPage::RepairRequested, repairPage_, &RepairPage::Open);
  connect(resultPage_, &ResultPage::FinishRequested, this, [this] { ShowPage(Page::Select); });
  connect(repairPage_, &RepairPage::ShowRequested, this, [this] { ShowPage(Page::Repair); });
  connect(repairPage_, &RepairPage::BackRequested, this, &MainWindow::ShowScanOutcome);
  connect(repairPage_, &RepairPage::FinishRequested, this, [this] {
    ShowPage(Page::Select);
    scanPage_->DisableNext();
  });
  connect(repairPage_, &RepairPage::StateChanged, this, [this](RepairState state) {
    if (state == RepairState::Repairing) SetToolbarEnabled(false);
    if (state != RepairState::Done) return;
    SetToolbarEnabled(true);
    if (autoMode_) close();
  });
  connect(repairPage_, &RepairPage::RunEnded, this, &MainWindow::CloseIfAsked);
  connect(ignorePage_, &IgnorePage::BackRequested, this, [this] { ShowOptionsSubPage(0); });
  connect(detailPage_, &DetailPage::IgnoreRequested, ignorePage_, &IgnorePage::AddEntryFor);
  connect(optionsPage_, &OptionsPage::SubPageRequested, this, [this](int subPage) {
    if (subPage == 1) return scheduleList_->Open();
    ShowOptionsSubPage(subPage);
  });
  connect(scheduleList_, &ScheduleListPage::SubPageRequested, this,
          &MainWindow::ShowOptionsSubPage);
  connect(scheduleList_, &ScheduleListPage::EditRequested, scheduleEditor_,
          &ScheduleEditorPage::Edit);
  connect(scheduleEditor_, &ScheduleEditorPage::Accepted, this, [this] {
    scheduleList_->StoreEdited(scheduleEditor_->Trigger(), scheduleEditor_->IdleMinutes());
  });
  connect(scheduleEditor_, &ScheduleEditorPage::Cancelled, this, [this] { ShowOptionsSubPage(1); });
  connect(directoriesPage_, &DirectoriesPage::BackRequested, this,
          [this] { ShowOptionsSubPage(0); });
  scanTimer_ = new QTimer(this);
  scanTimer_->setObjectName("ScanTimer");
  scanTimer_->setSingleShot(true);
  scanTimer_->setInterval(1000);
  connect(scanTimer_, &QTimer::timeout, this, &MainWindow::StartScheduledScan);
  resize(619, 417);
  ShowPage(Page::Select);
}

void MainWindow::SetScanDelayMilliseconds(int milliseconds) {
  scanTimer_->setInterval(milliseconds);
}

void MainWindow::SetSchedulerFactory(SchedulerFactory factory) {
  scheduleList_->SetSchedulerFactory(std::move(factory));
}

void MainWindow::HandleStartScanMessage() {
  if (RepairIdle()) scanTimer_->start();
}

void MainWindow::BringToFront() {
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::StartScheduledScan() {
  ShowPage(currentWorkPage_);
  selectPage_->Start();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!firstShow_) return;
  firstShow_ = false;
  // Later copies of this user find the running window through its process id.
  if (settings_ != nullptr) {
    settings_->Model().WindowHandle = QCoreApplication::applicationPid();
    settings_->Save();
  }
  if (autoMode_) scanTimer_->start();
}

QPushButton* MainWindow::AddToolbarButton(const char* objectName, const QString& text,
                                          Page target) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(objectName);
  toolbar_.push_back(button);
  connect(button, &QPushButton::clicked, this, [this, target] {
    // The Scan button returns to the wizard's page last seen, not always to its first; the
    // Options button to the options page last seen.
    if (target == Page::Options) return ShowOptionsSubPage(optionsSubPage_);
    ShowPage(target == Page::Select ? currentWorkPage_ : target);
  });
  return button;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (scanPage_->Running()) {
    scanPage_->Stop();
  } else if (repairPage_->Running()) {
    repairPage_->Stop();
  } else if (repairPage_->State() != RepairState::Done) {
    // Left on the repair page: the wizard is reset as Finish does (closing in auto mode is
    // this close already).
    const bool autoMode = autoMode_;
    autoMode_ = false;
    repairPage_->Finish();
    autoMode_ = autoMode;
  }
  // The run is still below this handler on the stack: the window must outlive it, so a repair
  // that began writing saves its backup and registry files and the settings keep that backup.
  if (scanPage_->Running() || repairPage_->Running()) {
    closeAsked_ = true;
    event->ignore();
    return;
  }
  closeAsked_ = false;
  ignorePage_->SaveIfUnsaved();
  if (settings_ != nullptr) {
    settings_->Model().TakeSelectionFrom(engine_);
    settings_->Model().WindowHandle = 0;
    settings_->Save();
  }
  event->accept();
}

void MainWindow::ShowOptionsSubPage(int subPage) {
  optionsSubPage_ = subPage;
  ShowPage(OptionsSubPageTarget(subPage));
}

bool MainWindow::RepairIdle() const {
  return repairPage_->State() == RepairState::Done;
}

void MainWindow::CloseIfAsked() {
  if (closeAsked_) close();
}

void MainWindow::SetToolbarEnabled(bool enabled) {
  for (QPushButton* button : toolbar_)
    button->setEnabled(enabled);
}

void MainWindow::StartScan() {
  if (!scanPage_->Idle()) return;
  ShowPage(Page::Scan);
  scanPage_->RunScan();
  CloseIfAsked();
}

void MainWindow::ShowScanOutcome() {
  if (scanPage_->TotalProblems() > 0) {
    ShowPage(Page::Detail);
    detailPage_->Open(scanPage_->TotalProblems());
  } else {
    resultPage_->ShowNothingFound();
    ShowPage(Page::Result);
  }
}

void MainWindow::ShowPage(Page page) {
  if (IsTriggerTypePage(page)) page = Page::EditSched;
  // Leaving the options pages saves what was set there, so a crash later loses none of it.
  const auto isOptions = [](Page shown) { return shown == Page::Options || shown == Page::Dir; };
  if (isOptions(currentPage_) && !isOptions(page) && settings_ != nullptr) {
    settings_->Model().TakeSelectionFrom(engine_);
    settings_->Save();
  }
  if (page == Page::Options) optionsPage_->Load();
  if (page == Page::Dir) directoriesPage_->Load();
  if (page == Page::EditSched) scheduleEditor_->Reshow();
  currentPage_ = page;
  if (IsWorkPage(page)) currentWorkPage_ = page;
  if (page == Page::Result) resultPage_->OfferFor(scanPage_->TotalProblems());
  if (page == Page::Restore) restorePage_->Refresh();
  stack_->setCurrentWidget(pages_.at(page));
}

}  // namespace ordrex::gui
