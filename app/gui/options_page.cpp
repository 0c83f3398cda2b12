#include "app/gui/options_page.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/gui/box_label.h"
#include "app/gui/named_widget.h"

namespace ordrex::gui {

OptionsPage::OptionsPage(SettingsModel& model, TOrdrex& engine, GuiDialogs& dialogs,
                         const QString& defaultBackupDir, QWidget* parent)
    : QWidget(parent), model_(model), engine_(engine), dialogs_(dialogs) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Directory to Store Backup Files"), this));
  backupDir_ = MakeNamed<QLineEdit>("eBackupDir", this);
  backupDir_->setPlaceholderText(defaultBackupDir);
  connect(backupDir_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.BackupDir = text.toStdString(); });
  browseBackupDir_ = MakeNamed<QPushButton>("btnBackupDir", tr("Browse..."), this);
  connect(browseBackupDir_, &QPushButton::clicked, this, &OptionsPage::BrowseBackupDir);
  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(backupDir_, 1);
  dirRow->addWidget(browseBackupDir_);
  layout->addLayout(dirRow);

  layout->addWidget(new QLabel(tr("Number of backup to keep"), this));
  // The spin box is the up-down, and the text field it makes for itself (named here, as Qt
  // makes it) is where the number is typed: a number typed there moves the up-down, and both
  // stay within the limits.
  numberBackup_ = MakeNamed<QSpinBox>("UpDown1", this);
  numberBackup_->setRange(kMinNumberBackup, kMaxNumberBackup);
  numberBackup_->findChild<QLineEdit*>()->setObjectName("eNumberBackup");
  connect(numberBackup_, &QSpinBox::valueChanged, this,
          [this](int count) { model_.SetNumberBackup(count); });
  auto* countRow = new QHBoxLayout;
  countRow->addWidget(numberBackup_);
  countRow->addStretch(1);
  layout->addLayout(countRow);

  noBackup_ = AddBox("cbBackup", "lbBackup", tr(" Don't Make Backup "));
  connect(noBackup_, &QCheckBox::clicked, this, [this](bool on) {
    model_.MakeBackup = !on;
    ShowBackupControlsEnabled();
  });
  dosDrive_ = AddBox("cbScanAllDos", "lbScanAllDos",
                     tr("Scan All DOS Shortcut in System Root Drive (Take Long Time)"));
  connect(dosDrive_, &QCheckBox::clicked, this, [this](bool on) {
    model_.DosDrive = on;
    engine_.MSDOS.ScanWholeDrive = on;
  });
  windowsDrive_ = AddBox("cbScanAllWindows", "lbScanAllWindows",
                         tr("Scan All Windows Shortcut in System Root Drive (Take Long Time)"));
  connect(windowsDrive_, &QCheckBox::clicked, this, [this](bool on) {
    model_.WindowsDrive = on;
    engine_.Windows.ScanWholeDrive = on;
  });
  // Its counterpart, the specified directories, is on the search directories page; the
  // settings keep the two apart and each page shows them as they are when it is shown.
  allDrives_ =
      AddBox("cbScanDrives", "lbScanDrives", tr("Scan All Drives To Search Missing Files"));
  connect(allDrives_, &QCheckBox::clicked, this, [this](bool on) { model_.SetAllFolder(on); });

  const struct {
    const char* name;
    QString text;
    int subPage;
  } ways[] = {{"btScheduler", tr("Scheduled Tasks"), 1},
              {"btOptDir", tr("Search  Directories"), 3},
              {"btIgnore", tr("Ignore List"), 4}};
  auto* buttons = new QHBoxLayout;
  for (const auto& way : ways) {
    auto* button = MakeNamed<QPushButton>(way.name, way.text, this);
    const int subPage = way.subPage;
    connect(button, &QPushButton::clicked, this,
            [this, subPage] { emit SubPageRequested(subPage); });
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  layout->addStretch(1);
  layout->addLayout(buttons);
  Load();
}

QCheckBox* OptionsPage::AddBox(const char* name, const char* labelName, const QString& text) {
  auto* box = MakeNamed<QCheckBox>(name, this);
  auto* label = MakeNamed<BoxLabel>(labelName, text, box, this);
  auto* row = new QHBoxLayout;
  row->addWidget(box);
  row->addWidget(label, 1);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
  return box;
}

void OptionsPage::Load() {
  // The settings are the truth here: every change went into them when it was made.
  const QSignalBlocker quietCount(numberBackup_);
  backupDir_->setText(QString::fromStdString(model_.BackupDir));
  numberBackup_->setValue(model_.NumberBackup());
  noBackup_->setChecked(model_.DontMakeBackup());
  dosDrive_->setChecked(model_.DosDrive);
  windowsDrive_->setChecked(model_.WindowsDrive);
  allDrives_->setChecked(model_.AllFolder());
  ShowBackupControlsEnabled();
}

void OptionsPage::ShowBackupControlsEnabled() {
  const bool backups = !noBackup_->isChecked();
  backupDir_->setEnabled(backups);
  browseBackupDir_->setEnabled(backups);
  numberBackup_->setEnabled(backups);
}

void OptionsPage::BrowseBackupDir() {
  // Backups are written by this program on this machine, so this is a folder of the host.
  QString start = QDir::homePath();
  for (const QString& folder : {backupDir_->placeholderText(), backupDir_->text().trimmed()}) {
    if (QDir::isAbsolutePath(folder) && QDir(folder).exists()) start = folder;
  }
  const std::optional<QString> folder =
      dialogs_.PickFolder(this, tr("Select Directory to Store Backup Files"), start);
  if (!folder || folder->isEmpty()) return;
  backupDir_->setText(*folder);
  model_.BackupDir = folder->toStdString();
}

}  // namespace ordrex::gui
