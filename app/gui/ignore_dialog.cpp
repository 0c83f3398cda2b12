#include "app/gui/ignore_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/text.h"

namespace ordrex::gui {

IgnoreDialog::IgnoreDialog(TIgnoreList& list, GuiDialogs& dialogs, QWidget* parent)
    : QDialog(parent), list_(list), dialogs_(dialogs) {
  setObjectName("TFormIgnore2");
  setWindowTitle(" ");
  text_ = new QLineEdit(this);
  text_->setObjectName("eIgnore");
  const auto box = [this](const char* name, const QString& text) {
    auto* made = new QCheckBox(text, this);
    made->setObjectName(name);
    return made;
  };
  key_ = box("cbKey", tr("Key"));
  value_ = box("cbValue", tr("Value"));
  data_ = box("cbData", tr("Data"));
  case_ = box("cbCase", tr("Case Sensitive"));
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &IgnoreDialog::TryAccept);

  auto* scopes = new QHBoxLayout;
  for (QCheckBox* scope : {key_, value_, data_})
    scopes->addWidget(scope);
  scopes->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Enter ignore string:"), this));
  layout->addWidget(text_);
  layout->addLayout(scopes);
  layout->addWidget(case_);
  layout->addLayout(buttons);
  setMinimumWidth(360);
}

void IgnoreDialog::PrepareNew(const QString& text, int scopeMask) {
  TIgnoreRec entry = TIgnoreRec::FromFlags(-1, text.toStdString(), scopeMask & kIgnoreScopeMask);
  PrepareEdit(-1, entry);
  isNew_ = true;
}

void IgnoreDialog::PrepareEdit(int row, const TIgnoreRec& entry) {
  isNew_ = entry.ScopeMask() == 0;
  editRow_ = row;
  text_->setText(QString::fromStdString(entry.Name));
  key_->setChecked(entry.Key);
  value_->setChecked(entry.Value);
  data_->setChecked(entry.Data);
  case_->setChecked(entry.CaseSensitive);
  text_->setFocus();
}

int IgnoreDialog::ScopeMask() const {
  return (key_->isChecked() ? kIgnoreKey : 0) | (value_->isChecked() ? kIgnoreValue : 0) |
         (data_->isChecked() ? kIgnoreData : 0);
}

void IgnoreDialog::TryAccept() {
  const std::string text = text_->text().toStdString();
  const auto confirm = [this](const std::string& question) {
    return dialogs_.Confirm(this, QString::fromStdString(question));
  };
  const IgnoreAddResult result =
      isNew_ ? list_.Add(text, ScopeMask(), case_->isChecked(), confirm)
             : list_.Edit(editRow_, text, ScopeMask(), case_->isChecked(), confirm);
  switch (result) {
    case IgnoreAddResult::Added:
    case IgnoreAddResult::Replaced:
      accept();
      return;
    case IgnoreAddResult::BadText:
      // The list's file keeps an entry on one line; such a text would spoil the whole file.
      dialogs_.ShowError(this, tr("This text cannot be ignored: %1 (an entry is one line of "
                                  "text).")
                                   .arg(QString::fromStdString(IgnoreTextFault(Trim(text)))));
      return;
    case IgnoreAddResult::EmptyText:
    case IgnoreAddResult::NoScope:
    case IgnoreAddResult::Declined:
    case IgnoreAddResult::NoSuchRow:
      return;  // the input stays for the user to change
  }
}

}  // namespace ordrex::gui
