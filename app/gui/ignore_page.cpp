#include "app/gui/ignore_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/gui/ignore_dialog.h"

namespace ordrex::gui {

namespace {

QString YesNo(bool flag) {
  return flag ? QStringLiteral("Yes") : QStringLiteral("No");
}

}  // namespace

IgnorePage::IgnorePage(GuiDialogs& dialogs, UserSettings* settings, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), settings_(settings) {
  list_ = new QTreeWidget(this);
  list_->setObjectName("lvIgnore");
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHeaderLabels({tr("Name"), tr("Key"), tr("Value"), tr("Data"), tr("Case?")});
  list_->setColumnWidth(0, 200);
  for (int column = 1; column <= 3; ++column)
    list_->setColumnWidth(column, 100);

  auto* buttons = new QHBoxLayout;
  const auto button = [&](const char* name, const QString& text) {
    auto* made = new QPushButton(text, this);
    made->setObjectName(name);
    buttons->addWidget(made);
    return made;
  };
  QPushButton* add = button("btIgnAdd", tr("Add"));
  QPushButton* edit = button("btIgnEdit", tr("Edit"));
  QPushButton* del = button("btIgnDel", tr("Delete"));
  buttons->addStretch(1);
  QPushButton* back = button("btIgnBack", tr("Back"));
  connect(add, &QPushButton::clicked, this, [this] { AddEntryFor({}, 0); });
  connect(edit, &QPushButton::clicked, this, &IgnorePage::Edit);
  connect(del, &QPushButton::clicked, this, &IgnorePage::Delete);
  connect(back, &QPushButton::clicked, this, &IgnorePage::BackRequested);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Ignore scan results that contains these words below:"), this));
  layout->addWidget(list_, 1);
  QString why;
  if (settings_ == nullptr) {
    why = tr("There is no ignore list to change here.");
  } else if (!settings_->IgnoreWritable()) {
    why = tr("The ignore list's file %1 could not be read, so the list cannot be changed here.")
              .arg(QString::fromStdString(settings_->Paths().IgnoreFile().string()));
  }
  if (!why.isEmpty()) {
    auto* locked = new QLabel(why, this);
    locked->setObjectName("lbIgnoreLocked");
    locked->setWordWrap(true);
    layout->addWidget(locked);
  }
  layout->addLayout(buttons);
  for (QPushButton* change : {add, edit, del})
    change->setEnabled(settings_ != nullptr);
  Fill(false);
}

bool IgnorePage::MayChange() {
  if (settings_ == nullptr) return false;
  // The refusal is the one a save gives: the file that could not be read is not replaced.
  return settings_->IgnoreWritable() || settings_->SaveIgnore();
}

void IgnorePage::AddEntryFor(const QString& text, int scopeMask) {
  if (!MayChange()) return;
  IgnoreDialog dialog(settings_->Ignore(), dialogs_, this);
  dialog.PrepareNew(text, scopeMask);
  if (dialogs_.RunModal(dialog)) Changed(true);
}

void IgnorePage::Edit() {
  QTreeWidgetItem* row = list_->currentItem();
  if (row == nullptr || !row->isSelected() || !MayChange()) return;
  const int index = list_->indexOfTopLevelItem(row);
  IgnoreDialog dialog(settings_->Ignore(), dialogs_, this);
  dialog.PrepareEdit(index, settings_->Ignore().Rows().at(static_cast<std::size_t>(index)));
  if (dialogs_.RunModal(dialog)) Changed(true);
}

void IgnorePage::Delete() {
  std::vector<int> checked;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    if (list_->topLevelItem(i)->checkState(0) == Qt::Checked) checked.push_back(i);
  }
  if (checked.empty()) {
    dialogs_.ShowError(this, tr("Hint: Select items using checkbox first."));
    return;
  }
  if (!MayChange() || !dialogs_.Confirm(this, tr("Delete entries?"))) return;
  settings_->Ignore().Delete(checked);
  Changed(false);
}

void IgnorePage::Changed(bool keepChecks) {
  unsaved_ = !settings_->SaveIgnore();
  Fill(keepChecks);
}

void IgnorePage::SaveIfUnsaved() {
  if (unsaved_) unsaved_ = !settings_->SaveIgnore();
}

void IgnorePage::Fill(bool keepChecks) {
  std::vector<bool> checks;
  for (int i = 0; keepChecks && i < list_->topLevelItemCount(); ++i)
    checks.push_back(list_->topLevelItem(i)->checkState(0) == Qt::Checked);
  const int current = list_->indexOfTopLevelItem(list_->currentItem());
  list_->clear();
  if (settings_ == nullptr) return;
  const std::vector<TIgnoreRec> rows = settings_->Ignore().Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TIgnoreRec& entry = rows[i];
    auto* row = new QTreeWidgetItem(
        list_, {QString::fromStdString(entry.Name), YesNo(entry.Key), YesNo(entry.Value),
                YesNo(entry.Data), YesNo(entry.CaseSensitive)});
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, i < checks.size() && checks[i] ? Qt::Checked : Qt::Unchecked);
  }
  if (keepChecks && current >= 0 && current < list_->topLevelItemCount())
    list_->setCurrentItem(list_->topLevelItem(current));
}

}  // namespace ordrex::gui
