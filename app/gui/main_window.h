#pragma once
// The main window: a row of toolbar buttons over one stacked set of pages, exactly one shown.

#include <QMainWindow>
#include <map>
#include <vector>

#include "app/gui/gui_dialogs.h"
#include "app/gui/pages.h"
#include "app/gui/schedule_list_page.h"
#include "app/session/user_settings.h"
#include "engine/ordrex.h"

class QPushButton;
class QStackedWidget;
class QTimer;

namespace ordrex::gui {

class DetailPage;
class IgnorePage;
class DirectoriesPage;
class OptionsPage;
class RepairPage;
class RestorePage;
class ResultPage;
class ScanPage;
class ScheduleEditorPage;
class SelectPage;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // With `settings`, the category switches the user leaves are saved when the window closes.
  MainWindow(TOrdrex& engine, GuiDialogs& dialogs, UserSettings* settings = nullptr,
             QWidget* parent = nullptr);

  void ShowPage(Page page);
  Page CurrentPage() const { return currentPage_; }
  // The work page (5 to 9) last shown; the Scan button returns to it.
  Page CurrentWorkPage() const { return currentWorkPage_; }
  QWidget* PageWidget(Page page) const { return pages_.at(page); }
  ScanPage& Scanner() const { return *scanPage_; }
  RepairPage& Repairer() const { return *repairPage_; }
  // Which options page the Options button shows (0 to 4), and showing it.
  int OptionsSubPage() const { return optionsSubPage_; }
  void ShowOptionsSubPage(int subPage);
  // A scheduled run: the first show schedules a scan, and the window closes itself once the
  // repair wizard is done.
  void SetAutoMode(bool on) { autoMode_ = on; }
  // Whether no repair is under way or waiting on the repair page; only then does a scheduled
  // run's request start a scan.
  bool RepairIdle() const;
  // The delay of a requested or scheduled scan (the timer "ScanTimer"); 1000 ms unless set.
  void SetScanDelayMilliseconds(int milliseconds);
  // How the scheduled tasks page makes its scheduler when it is first opened.
  void SetSchedulerFactory(SchedulerFactory factory);

 signals:
  // The user chose another target on the select page; this window stays on its own.
  void TargetChangeRequested(const QString& folder, bool windowsVolume);

 public slots:
  // A scheduled run asks for a scan: when the repair is idle, it starts after the scan delay.
  void HandleStartScanMessage();
  // A copy started by hand asks this window to come to the front.
  void BringToFront();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The page's widget; the pages the others talk to are kept in their members.
  QWidget* MakePage(Page page);
  QPushButton* AddToolbarButton(const char* objectName, const QString& text, Page target);
  void StartScan();
  // After a scan or from the repair page's Back: the details, or the results when nothing
  // was found.
  void ShowScanOutcome();
  void SetToolbarEnabled(bool enabled);
  // A close asked for while a scan or repair runs waits for the run to return.
  void CloseIfAsked();
  // The scan wizard's page, then a start exactly as the select page's start button does.
  void StartScheduledScan();

  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  UserSettings* settings_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  std::map<Page, QWidget*> pages_;
  SelectPage* selectPage_ = nullptr;
  ScanPage* scanPage_ = nullptr;
  DetailPage* detailPage_ = nullptr;
  ResultPage* resultPage_ = nullptr;
  RepairPage* repairPage_ = nullptr;
  RestorePage* restorePage_ = nullptr;
  IgnorePage* ignorePage_ = nullptr;
  OptionsPage* optionsPage_ = nullptr;
  DirectoriesPage* directoriesPage_ = nullptr;
  ScheduleListPage* scheduleList_ = nullptr;
  ScheduleEditorPage* scheduleEditor_ = nullptr;
  // The options of a window without saved settings, kept while it runs.
  SettingsModel unsavedOptions_;
  bool autoMode_ = false;
  bool closeAsked_ = false;
  std::vector<QPushButton*> toolbar_;
  Page currentPage_ = Page::Select;
  Page currentWorkPage_ = Page::Select;
  bool firstShow_ = true;
  int optionsSubPage_ = 0;
  QTimer* scanTimer_ = nullptr;
};

}  // namespace ordrex::gui
