#include "app/gui/schedule_list_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/gui/named_widget.h"
#include "app/gui/schedule_editor_page.h"

namespace ordrex::gui {

ScheduleListPage::ScheduleListPage(const Target& target, GuiDialogs& dialogs, QWidget* parent)
    : QWidget(parent), target_(target), dialogs_(dialogs) {
  title_ = MakeNamed<QLabel>("lbTaskSched", tr("Ordrex Scheduled Tasks"), this);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  list_ = MakeNamed<QListWidget>("lbxTaskSched", this);
  connect(list_, &QListWidget::itemDoubleClicked, this, &ScheduleListPage::EditTrigger);
  auto* note = MakeNamed<QLabel>("lbSchedNote", StartupTriggersNote(), this);
  note->setWordWrap(true);

  const struct {
    const char* name;
    QString text;
    void (ScheduleListPage::*action)();
    QPushButton** made;
  } actions[] = {
      {"btNewTrigger", tr("New..."), &ScheduleListPage::NewTrigger, &newTrigger_},
      {"btEditTrigger", tr("Edit..."), &ScheduleListPage::EditTrigger, &editTrigger_},
      {"btDeleteTrigger", tr("Delete"), &ScheduleListPage::DeleteTrigger, &deleteTrigger_}};
  auto* buttons = new QHBoxLayout;
  for (const auto& action : actions) {
    auto* button = MakeNamed<QPushButton>(action.name, action.text, this);
    connect(button, &QPushButton::clicked, this, action.action);
    buttons->addWidget(button);
    *action.made = button;
  }
  buttons->addStretch(1);
  auto* back = MakeNamed<QPushButton>("btSchedBack", tr("Back"), this);
  connect(back, &QPushButton::clicked, this, [this] { emit SubPageRequested(0); });
  buttons->addWidget(back);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(list_, 1);
  layout->addWidget(note);
  layout->addLayout(buttons);
}

ScheduleListPage::~ScheduleListPage() = default;

void ScheduleListPage::Open() {
  if (!scheduler_) {
    if (!factory_) {
      dialogs_.ShowError(this, tr("This window has no scheduler."));
      return;
    }
    if (!Change([this] { scheduler_ = factory_(target_); })) return;
  }
  if (!scheduler_->IsAdministrator()) {
    dialogs_.Inform(this, tr("Some options may require an administrator to change."));
    for (QWidget* control :
         std::initializer_list<QWidget*>{deleteTrigger_, editTrigger_, newTrigger_, title_, list_})
      control->setEnabled(false);
  }
  if (const std::uint32_t code = scheduler_->StartTaskScheduler(); code != 0) {
    dialogs_.ShowError(this, QString::fromStdString(StartFailureText(code)));
    return;
  }
  if (const std::uint32_t code = scheduler_->ConnectScheduler(); code != 0) {
    dialogs_.ShowError(this, QString::fromStdString(ConnectFailureText(code)));
    return;
  }
  std::string found;
  if (!Change([&] { found = scheduler_->FindProgramTask(); })) return;
  list_->clear();
  if (!found.empty()) LoadTriggerList();
  emit SubPageRequested(1);
  if (!found.empty()) return;
  bool created = false;
  if (!Change([&] { created = scheduler_->CreateProgramTask(); }) || !created) return;
  TellNotice();
  LoadTriggerList();
  EditLastTrigger();
}

void ScheduleListPage::LoadTriggerList() {
  list_->clear();
  if (!scheduler_) return;
  for (const std::string& text : scheduler_->ReadTriggerTexts())
    list_->addItem(QString::fromStdString(text));
  // A trigger the scheduler cannot describe is offered for deletion, the last one first.
  for (int row = list_->count() - 1; row >= 0; --row) {
    if (!list_->item(row)->text().isEmpty()) continue;
    list_->setCurrentRow(row);
    DeleteTrigger();
    return;
  }
}

void ScheduleListPage::NewTrigger() {
  if (!scheduler_) return;
  bool added = false;
  if (!Change([&] { added = scheduler_->AddTrigger(); })) return LoadTriggerList();
  if (!added) return;
  TellNotice();
  LoadTriggerList();
  EditLastTrigger();
}

void ScheduleListPage::EditLastTrigger() {
  if (list_->count() > 0) list_->setCurrentRow(list_->count() - 1);
  EditTrigger();
}

void ScheduleListPage::EditTrigger() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (!scheduler_ || selected.isEmpty()) return;
  const std::uint16_t idleMinutes = scheduler_->IdleMinutes();
  const std::optional<TASK_TRIGGER> trigger =
      scheduler_->FetchTrigger(static_cast<std::size_t>(list_->row(selected.front())));
  if (trigger) emit EditRequested(*trigger, idleMinutes);
  emit SubPageRequested(2);
}

void ScheduleListPage::StoreEdited(const TASK_TRIGGER& trigger, std::uint16_t idleMinutes) {
  // A trigger that could not be stored stays in the editor, as the user left it.
  if (!scheduler_ || !Change([&] { scheduler_->StoreTrigger(trigger, idleMinutes); })) return;
  TellNotice();
  LoadTriggerList();
  emit SubPageRequested(1);
}

void ScheduleListPage::DeleteTrigger() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (!scheduler_ || selected.isEmpty()) return;
  const auto row = static_cast<std::size_t>(list_->row(selected.front()));
  const std::size_t count = scheduler_->TriggerCount();
  if (count == 1) {
    if (!dialogs_.ConfirmUnder(this, tr("Warning"),
                               tr("Cannot delete single task, but you can delete the "
                                  "scheduler.\r\nDelete the scheduler?")))
      return;
    if (!Change([this] { scheduler_->DeleteProgramTask(); })) return LoadTriggerList();
    TellNotice();
    list_->clear();
    emit SubPageRequested(0);
    return;
  }
  if (count < 2 || row >= count) return;
  if (!dialogs_.ConfirmUnder(this, tr("Warning"), tr("Delete the task?"))) return;
  if (Change([&] { scheduler_->RemoveTrigger(row); })) TellNotice();
  LoadTriggerList();
}

bool ScheduleListPage::Change(const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const std::runtime_error& error) {
    // SchedulerError and the refusals of strings or files the scheduler cannot keep: each
    // leaves the scheduler's files as they were.
    dialogs_.ShowError(this, QString::fromStdString(error.what()));
    return false;
  }
}

void ScheduleListPage::TellNotice() {
  const std::string notice = scheduler_->Notice();
  if (!notice.empty() && notice != toldNotice_)
    dialogs_.Inform(this, QString::fromStdString(notice));
  toldNotice_ = notice;
}

}  // namespace ordrex::gui
