#include "app/gui/restore_page.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "app/gui/named_widget.h"
#include "app/gui/restore_point_panel.h"
#include "backup/backup_list.h"
#include "platform/clock.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex::gui {

namespace {

// Date-time numbers count days from 30 December 1899, local time; nothing for one that no
// calendar holds.
QDateTime ToQDateTime(double dateTime) {
  constexpr double kMaxDays = 2958466;  // 1 January 10000
  if (!std::isfinite(dateTime) || dateTime < -693593 || dateTime >= kMaxDays) return {};
  const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
  return epoch.addMSecs(std::llround(dateTime * 86'400'000.0));
}

}  // namespace

QString RestoreDateText(double dateTime) {
  const QDateTime when = ToQDateTime(dateTime);
  return when.isValid() ? QLocale().toString(when.date(), QLocale::ShortFormat) : QString();
}

QString RestoreTimeText(double dateTime) {
  const QDateTime when = ToQDateTime(dateTime);
  return when.isValid() ? QLocale().toString(when.time(), QLocale::LongFormat) : QString();
}

RestorePage::RestorePage(TOrdrex& engine, GuiDialogs& dialogs, UserSettings* settings,
                         QWidget* parent)
    : QWidget(parent), engine_(engine), dialogs_(dialogs), settings_(settings) {
  list_ = new QTreeWidget(this);
  list_->setObjectName("lvRestore");
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setTextElideMode(Qt::ElideMiddle);
  list_->setHeaderLabels({tr("File Name"), tr("File Size"), tr("Date"), tr("Time")});
  for (const auto& [column, width] : {std::pair{0, 250}, {1, 70}, {2, 75}, {3, 75}})
    list_->setColumnWidth(column, width);
  status_ = new QLabel(this);
  status_->setObjectName("lblRestoreStatus");
  status_->setWordWrap(true);

  restore_ = MakeNamed<QPushButton>("btnStartRestore", tr("Restore"), this);
  delete_ = MakeNamed<QPushButton>("btnDeleteRestore", tr("Delete"), this);
  clear_ = MakeNamed<QPushButton>("btnClearRestore", tr("Delete All"), this);
  connect(restore_, &QPushButton::clicked, this, &RestorePage::RestoreSelected);
  connect(delete_, &QPushButton::clicked, this, &RestorePage::DeleteSelected);
  connect(clear_, &QPushButton::clicked, this, &RestorePage::DeleteAll);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(restore_);
  buttons->addWidget(delete_);
  buttons->addWidget(clear_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Backups made by repairs, the newest last:"), this));
  layout->addWidget(list_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  points_ = new RestorePointPanel(engine_.GetTarget(), dialogs_, settings_, this);
  points_->hide();
  layout->addWidget(points_);
  setEnabled(settings_ != nullptr);
  Refresh();
}

void RestorePage::Refresh() {
  points_->PageShown();
  const int selected = SelectedIndex();
  list_->clear();
  if (settings_ == nullptr) return;
  for (const TRestoreData& record : settings_->Model().RestoreList.Records()) {
    auto* row =
        new QTreeWidgetItem(list_, {QString::fromStdString(record.FileName),
                                    QString::fromStdString(SizeColumnText(record)),
                                    RestoreDateText(record.Date), RestoreTimeText(record.Time)});
    row->setToolTip(0, record.TargetLocation.empty()
                           ? QString::fromStdString(record.FileName)
                           : tr("%1\nTaken from %2")
                                 .arg(QString::fromStdString(record.FileName),
                                      QString::fromStdString(record.TargetLocation)));
  }
  // Backup paths are longer than the column: it widens to them, and what still does not fit
  // loses its middle, so the dated file name stays readable.
  list_->resizeColumnToContents(0);
  if (selected >= 0 && selected < list_->topLevelItemCount())
    list_->setCurrentItem(list_->topLevelItem(selected));
}

int RestorePage::SelectedIndex() const {
  QTreeWidgetItem* row = list_->currentItem();
  return row == nullptr || !row->isSelected() ? -1 : list_->indexOfTopLevelItem(row);
}

bool RestorePage::SaveList() {
  return settings_ != nullptr && settings_->Save();
}

void RestorePage::RestoreSelected() {
  const int index = SelectedIndex();
  if (settings_ == nullptr || index < 0) return;
  TRestoreData& record = settings_->Model().RestoreList.Items(index);
  std::error_code ec;
  if (record.Size != 0 && !std::filesystem::is_regular_file(record.FileName, ec)) {
    // Gone since the list was read: remembered as such, as the size column shows it.
    record.Size = 0;
    SaveList();
    Refresh();
  }
  if (record.Size == 0) {
    dialogs_.ShowError(this, kFileCannotBeFoundText);
    return;
  }
  // Records older than the kind name Wine prefixes.
  const RecordedTarget recorded{record.TargetKind.empty() ? kWinePrefixKind : record.TargetKind,
                                record.TargetLocation, record.TargetUser};
  const std::optional<TargetRequest> request = RequestForRecordedTarget(recorded);
  if (!request) {
    dialogs_.ShowError(this, tr("The backup was taken from a system of the kind '%1', which "
                                "this build cannot open.")
                                 .arg(QString::fromStdString(record.TargetKind)));
    return;
  }
  // The backup goes back into the system it was taken from. When that is the one this window
  // works on, it goes into the window's own registry, so the next scan sees it.
  Target& own = engine_.GetTarget();
  std::unique_ptr<Target> opened;
  Target* target = &own;
  const bool intoOwn = record.TargetLocation.empty() || IsRecordedTarget(own, recorded);
  if (!intoOwn) {
    // The folder is named, so no variable of the environment is asked.
    const EnvironmentLookup none = [](const std::string&) { return std::optional<std::string>(); };
    OpenedTarget result = OpenRequestedTarget(*request, none, SystemClock::Instance());
    if (!result.target) {
      dialogs_.ShowError(this, QString::fromStdString(result.error));
      return;
    }
    opened = std::move(result.target);
    target = opened.get();
  }
  if (!dialogs_.Confirm(this, tr("Restore %1 into %2?")
                                  .arg(QString::fromStdString(record.FileName),
                                       QString::fromStdString(target->Location())))) {
    return;
  }
  const RestoreOutcome outcome = RestoreBackup(record, *target);
  if (!outcome.restored) {
    // A file found gone is remembered as such.
    if (record.Size == 0) {
      SaveList();
      Refresh();
    }
    dialogs_.ShowError(this, QString::fromStdString(outcome.message));
    return;
  }
  QString text =
      tr("Restored %1 into %2: %3 values written, %4 removed")
          .arg(QString::fromStdString(record.FileName), QString::fromStdString(target->Location()))
          .arg(outcome.counts.valuesSet)
          .arg(outcome.counts.valuesDeleted);
  if (outcome.shortcutsPutBack > 0)
    text += tr(", %1 shortcut files put back").arg(outcome.shortcutsPutBack);
  status_->setText(text + ".");
  if (intoOwn) emit WindowTargetChanged();
  if (!outcome.shortcutsNotPutBack.empty()) {
    QStringList paths;
    for (const std::string& path : outcome.shortcutsNotPutBack)
      paths << QString::fromStdString(path);
    dialogs_.ShowError(this,
                       tr("These shortcuts could not be put back:\n%1").arg(paths.join('\n')));
  }
}

void RestorePage::DeleteSelected() {
  const int index = SelectedIndex();
  if (settings_ == nullptr || index < 0) return;
  TRestoreList& list = settings_->Model().RestoreList;
  // A deleted backup cannot be had back, so the user is asked first.
  if (!dialogs_.Confirm(this, tr("Delete the backup %1? A deleted backup cannot be restored.")
                                  .arg(QString::fromStdString(list.Items(index).FileName)))) {
    return;
  }
  list.Delete(index);
  SaveList();
  Refresh();
}

void RestorePage::DeleteAll() {
  if (settings_ == nullptr) return;
  TRestoreList& list = settings_->Model().RestoreList;
  if (list.Count() == 0) return;
  const QString question =
      list.Count() == 1
          ? tr("Delete the one backup? A deleted backup cannot be restored.")
          : tr("Delete all %1 backups? A deleted backup cannot be restored.").arg(list.Count());
  if (!dialogs_.Confirm(this, question)) {
    return;
  }
  list.DeleteAll();
  SaveList();
  Refresh();
}

}  // namespace ordrex::gui
