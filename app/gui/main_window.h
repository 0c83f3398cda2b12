#pragma once
// The main window: a row of toolbar buttons over one stacked set of pages, exactly one shown.

#include <QMainWindow>
#include <map>
#include <vector>

#include "app/gui/gui_dialogs.h"
#include "app/gui/pages.h"
#include "app/session/user_settings.h"
#include "engine/ordrex.h"

class QPushButton;
class QStackedWidget;

namespace ordrex::gui {

class DetailPage;
class ResultPage;
class ScanPage;
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

 signals:
  // The user chose another target on the select page; this window stays on its own.
  void TargetChangeRequested(const QString& folder);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* AddToolbarButton(const char* objectName, const QString& text, Page target);
  void StartScan();

  TOrdrex& engine_;
  GuiDialogs& dialogs_;
  UserSettings* settings_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  std::map<Page, QWidget*> pages_;
  SelectPage* selectPage_ = nullptr;
  ScanPage* scanPage_ = nullptr;
  DetailPage* detailPage_ = nullptr;
  ResultPage* resultPage_ = nullptr;
  std::vector<QPushButton*> toolbar_;
  Page currentPage_ = Page::Select;
  Page currentWorkPage_ = Page::Select;
};

}  // namespace ordrex::gui
