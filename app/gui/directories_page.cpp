#include "app/gui/directories_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/box_label.h"
#include "app/gui/named_widget.h"
#include "platform/drive_folders.h"

namespace ordrex::gui {

DirectoriesPage::DirectoriesPage(SettingsModel& model, TOrdrex& engine, GuiDialogs& dialogs,
                                 QWidget* parent)
    : QWidget(parent), model_(model), engine_(engine), dialogs_(dialogs) {
  specify_ = MakeNamed<QCheckBox>("cbScanDir", this);
  // Its counterpart, all drives, is on the options page; the settings keep the two apart.
  connect(specify_, &QCheckBox::clicked, this, [this](bool on) { model_.SetSpecifyFolder(on); });
  auto* label = MakeNamed<BoxLabel>(
      "lbScanDir", tr("Specify Directory/Drive to Search for Missing Files"), specify_, this);
  auto* boxRow = new QHBoxLayout;
  boxRow->addWidget(specify_);
  boxRow->addWidget(label, 1);

  folders_ = MakeNamed<QListWidget>("lvDirMiss", this);
  folders_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  folders_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  const struct {
    const char* name;
    QString text;
    void (DirectoriesPage::*action)();
  } actions[] = {{"btnClearMiss", tr("Clear"), &DirectoriesPage::ClearFolders},
                 {"btnDeleteMiss", tr("Delete"), &DirectoriesPage::DeleteSelected},
                 {"btnAddMiss", tr("Add..."), &DirectoriesPage::AddFolder}};
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (const auto& action : actions) {
    auto* button = MakeNamed<QPushButton>(action.name, action.text, this);
    connect(button, &QPushButton::clicked, this, action.action);
    buttons->addWidget(button);
  }
  auto* back = MakeNamed<QPushButton>("btDirBack", tr("Back"), this);
  connect(back, &QPushButton::clicked, this, &DirectoriesPage::BackRequested);
  auto* backRow = new QHBoxLayout;
  backRow->addStretch(1);
  backRow->addWidget(back);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(boxRow);
  layout->addWidget(folders_, 1);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->addSpacing(24);
  layout->addLayout(backRow);
  Load();
}

void DirectoriesPage::Load() {
  specify_->setChecked(model_.SpecifyFolder());
  ShowFolders();
}

void DirectoriesPage::ShowFolders() {
  folders_->clear();
  for (const std::string& folder : model_.SearchFolders())
    folders_->addItem(QString::fromStdString(folder));
}

void DirectoriesPage::AddFolder() {
  // The folders are the target's: the chooser shows this machine's folders, starting on the
  // target's system drive, and what is kept is the path the target's programs would use.
  FileSystem& files = engine_.GetTarget().Files();
  const std::vector<DriveInfo> drives = files.Drives();
  const std::string systemDrive = engine_.Known().SystemRootDrive;
  const std::filesystem::path start =
      DriveHostFolder(drives, systemDrive.empty() ? 'C' : systemDrive.front());
  const std::optional<QString> picked = dialogs_.PickFolder(this, tr("Select Directory to Add"),
                                                            QString::fromStdString(start.string()));
  if (!picked || picked->isEmpty()) return;
  const std::optional<std::string> folder =
      WindowsFolderOnDrives(drives, std::filesystem::path(picked->toStdString()));
  if (!folder) {
    dialogs_.ShowError(
        this, tr("%1 is not on a drive of the scanned system, so its programs cannot look there.")
                  .arg(*picked));
    return;
  }
  if (model_.AddSearchFolder(*folder)) ShowFolders();
}

void DirectoriesPage::DeleteSelected() {
  for (const QListWidgetItem* item : folders_->selectedItems())
    model_.RemoveSearchFolder(item->text().toStdString());
  ShowFolders();
}

void DirectoriesPage::ClearFolders() {
  model_.ClearSearchFolders();
  ShowFolders();
}

}  // namespace ordrex::gui
