#include "app/gui/select_page.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordrex::gui {

namespace {

constexpr const char* kProgressRowTexts[] = {
    "Registry Integrity", "ActiveX/COM",      "Interface",         "System Extensions",
    "Old Software",       "Application",      "Application Paths", "File Associate",
    "MRU Files",          "Device Drivers",   "Windows Fonts",     "Help Files",
    "Microsoft Shared",   "Windows Startup",  "Installer",         "Uninstall Section",
    "Start Menu",         "System Event Log", "Context Menu",      "Vxd Sections",
    "History List",       "MS-DOS Shortcut",  "Windows Shortcut"};
// The two shortcut walks are not registry scans and carry no prefix.
constexpr int kLastRegistryScan = 21;

}  // namespace

std::string ProgressRowText(int scanIndex) {
  if (scanIndex < 1 || scanIndex > static_cast<int>(std::size(kProgressRowTexts))) return "";
  return kProgressRowTexts[scanIndex - 1];
}

SelectPage::SelectPage(TOrdrex& engine, GuiDialogs& dialogs, QWidget* parent)
    : QWidget(parent), engine_(engine), dialogs_(dialogs) {
  list_ = new QListWidget(this);
  list_->setObjectName("lvSelect");
  int scanIndex = 0;
  for (TCustomOrdrex* category : engine_.Categories()) {
    ++scanIndex;
    if (!category->Listed) continue;
    const std::string text = scanIndex <= kLastRegistryScan
                                 ? "Windows Registry Scan: " + ProgressRowText(scanIndex)
                                 : ProgressRowText(scanIndex);
    auto* item = new QListWidgetItem(QString::fromStdString(text), list_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    rows_.push_back(category);
  }
  ShowSelection();
  connect(list_, &QListWidget::itemChanged, this, &SelectPage::MarkChanged);

  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* menu = new QMenu(this);
  menu->addAction(tr("Select All"), this, &SelectPage::SelectAll);
  menu->addAction(tr("Deselect All"), this, &SelectPage::DeselectAll);
  menu->addAction(tr("Inverse Selection"), this, &SelectPage::InverseSelection);
  menu->setObjectName("PopupSelect");
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& at) { menu->popup(list_->viewport()->mapToGlobal(at)); });

  auto* selectAll = new QPushButton(tr("Select All"), this);
  selectAll->setObjectName("btSelect");
  connect(selectAll, &QPushButton::clicked, this, &SelectPage::SelectAll);
  auto* deselectAll = new QPushButton(tr("Deselect All"), this);
  deselectAll->setObjectName("btDeselect");
  connect(deselectAll, &QPushButton::clicked, this, &SelectPage::DeselectAll);
  auto* start = new QPushButton(tr("Start"), this);
  start->setObjectName("btStart");
  connect(start, &QPushButton::clicked, this, &SelectPage::Start);

  targets_ = new QComboBox(this);
  targets_->setObjectName("cbTarget");
  targets_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  connect(targets_, &QComboBox::activated, this, &SelectPage::TargetChosen);
  const std::filesystem::path location = engine_.GetTarget().Location();
  SetTargetChoices({{{location, location.string()}}, 0});
  auto* targetRow = new QHBoxLayout;
  auto* targetLabel = new QLabel(tr("Target:"), this);
  targetLabel->setBuddy(targets_);
  targetRow->addWidget(targetLabel);
  targetRow->addWidget(targets_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(selectAll);
  buttons->addWidget(deselectAll);
  buttons->addStretch(1);
  buttons->addWidget(start);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(targetRow);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
}

void SelectPage::ShowSelection() {
  const QSignalBlocker quiet(list_);
  for (int row = 0; row < list_->count(); ++row)
    list_->item(row)->setCheckState(rows_[row]->Enabled ? Qt::Checked : Qt::Unchecked);
}

void SelectPage::SelectAll() {
  for (TCustomOrdrex* category : rows_)
    category->Enabled = true;
  ShowSelection();
}

void SelectPage::DeselectAll() {
  for (TCustomOrdrex* category : rows_)
    category->Enabled = false;
  ShowSelection();
}

void SelectPage::InverseSelection() {
  for (TCustomOrdrex* category : rows_)
    category->Enabled = !category->Enabled;
  ShowSelection();
}

void SelectPage::MarkChanged(QListWidgetItem* item) {
  const int row = list_->row(item);
  if (row >= 0) rows_[row]->Enabled = item->checkState() == Qt::Checked;
}

void SelectPage::Start() {
  for (const TCustomOrdrex* category : rows_) {
    if (category->Enabled) {
      emit StartRequested();
      return;
    }
  }
  dialogs_.ShowError(this, tr("Please Select what test you want to perform."));
}

void SelectPage::SetTargetChoices(const TargetChoices& choices) {
  const QSignalBlocker quiet(targets_);
  targets_->clear();
  for (const FoundPrefix& entry : choices.entries) {
    targets_->addItem(QString::fromStdString(entry.label),
                      QString::fromStdString(entry.folder.string()));
  }
  targets_->addItem(tr("Browse..."));
  targets_->addItem(tr("Windows volume..."));
  currentTarget_ = static_cast<int>(choices.current);
  targets_->setCurrentIndex(currentTarget_);
}

void SelectPage::SetTargetChangeAllowed(bool allowed) {
  targets_->setEnabled(allowed);
}

void SelectPage::TargetChosen(int row) {
  std::optional<QString> folder;
  const bool windowsVolume = row == targets_->count() - 1;
  if (row == targets_->count() - 2) {
    folder = dialogs_.PickFolder(this, tr("Choose a Wine prefix"),
                                 targets_->itemData(currentTarget_).toString());
  } else if (windowsVolume) {
    folder = dialogs_.PickFolder(this, tr("Choose a mounted Windows volume"),
                                 targets_->itemData(currentTarget_).toString());
  } else if (row != currentTarget_) {
    folder = targets_->itemData(row).toString();
  }
  // Shown again at once: a target that does not open leaves the page as it was, and one that
  // opens brings a page of its own.
  targets_->setCurrentIndex(currentTarget_);
  if (folder) emit TargetChangeRequested(*folder, windowsVolume);
}

}  // namespace ordrex::gui
