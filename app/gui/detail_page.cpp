#include "app/gui/detail_page.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/gui/select_page.h"
#include "ignore/ignore_list.h"
#include "platform/registry_types.h"

namespace ordrex::gui {

namespace {

constexpr int kRecordRole = Qt::UserRole;

// The tree's names where they differ from the progress list's (by scan index).
std::string TreeNodeText(int scanIndex) {
  switch (scanIndex) {
    case 7:
      return "Application Path";
    case 10:
      return "Device Driver";
    case 11:
      return "Windows Font";
    case 20:
      return "Vxd Section";
    default:
      return ProgressRowText(scanIndex);
  }
}

// The text of a problem row that the scan compares with the ignore list in `scope`: the key path
// below its root (the row shows the root too), the value name or the data; empty for a note row.
std::string IgnoreText(const QTreeWidgetItem* row, int scope) {
  const auto* record = row == nullptr
                           ? nullptr
                           : static_cast<TFixingList*>(row->data(0, kRecordRole).value<void*>());
  if (record == nullptr) return {};
  return scope == kIgnoreKey ? record->Key : scope == kIgnoreValue ? record->Value : record->Data;
}

char FoldAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

int CompareListTexts(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

DetailPage::DetailPage(TOrdrex& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("tvDetail");
  tree_->setHeaderHidden(true);
  auto* root = new QTreeWidgetItem(tree_, {tr("Windows Problems")});
  int scanIndex = 0;
  for (TCustomOrdrex* category : engine_.Categories()) {
    ++scanIndex;
    if (!category->Listed) continue;
    auto* node = new QTreeWidgetItem(root, {QString::fromStdString(TreeNodeText(scanIndex))});
    node->setData(0, kRecordRole, QVariant::fromValue(static_cast<void*>(category)));
  }
  connect(tree_, &QTreeWidget::currentItemChanged, this, &DetailPage::Fill);

  list_ = new QTreeWidget(this);
  list_->setObjectName("lvDetail");
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHeaderLabels({"", tr("Location"), tr("Value"), tr("Data"), tr("Status"), tr("Reason")});
  for (const auto& [column, width] : {std::pair{0, 60}, {1, 278}, {2, 70}, {3, 150}, {5, 150}})
    list_->setColumnWidth(column, width);
  list_->header()->setSectionsClickable(true);
  connect(list_->header(), &QHeaderView::sectionClicked, this, &DetailPage::HeaderClicked);
  connect(list_, &QTreeWidget::itemChanged, this, &DetailPage::RowChanged);
  AddIgnoreActions();

  auto* fix = new QPushButton(tr("Repair"), this);
  fix->setObjectName("BtnFix");
  connect(fix, &QPushButton::clicked, this, &DetailPage::RepairRequested);
  auto* lists = new QHBoxLayout;
  lists->addWidget(tree_, 1);
  lists->addWidget(list_, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(fix);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists, 1);
  layout->addLayout(buttons);
}

void DetailPage::Open(int totalProblems) {
  totalProblems_ = totalProblems;
  tree_->expandAll();
  QTreeWidgetItem* root = tree_->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i) {
    QTreeWidgetItem* node = root->child(i);
    const auto* category = static_cast<TCustomOrdrex*>(node->data(0, kRecordRole).value<void*>());
    const std::string count = category->Enabled ? std::to_string(category->Count()) : "Skipped";
    node->setText(0, QString::fromStdString(category->Title + " Problems (" + count + ")"));
  }
  // The counts make the names longer than the tree: it widens to show them whole.
  int widest = 0;
  for (int i = 0; i < root->childCount(); ++i)
    widest = std::max(widest, tree_->fontMetrics().horizontalAdvance(root->child(i)->text(0)));
  tree_->setMinimumWidth(widest + 2 * tree_->indentation() + 2 * tree_->frameWidth() + 24);
  Fill();
}

void DetailPage::AddNote(const QString& text, Picture picture) {
  auto* row = new QTreeWidgetItem(list_);
  row->setText(1, text);
  row->setIcon(0, PictureIcon(picture));
}

void DetailPage::Fill() {
  filling_ = true;
  list_->clear();
  const QTreeWidgetItem* node = tree_->currentItem();
  if (node == nullptr) {
    filling_ = false;
    return;
  }
  auto* category = static_cast<TCustomOrdrex*>(node->data(0, kRecordRole).value<void*>());
  if (category == nullptr) {
    if (totalProblems_ > 0)
      AddNote(tr("%1 Problems Found.").arg(totalProblems_), Picture::High);
    else
      AddNote(tr("No Problems Found."), Picture::NoProblem);
  } else if (!category->Enabled) {
    AddNote(tr("Skipped during test."), Picture::Skipped);
  } else if (category->Count() == 0) {
    AddNote(tr("No Problems Found."), Picture::NoProblem);
  } else {
    for (int i = 0; i < category->Count(); ++i) {
      TFixingList& record = category->Items(i);
      auto* row = new QTreeWidgetItem(list_);
      row->setIcon(0, SeverityIcon(category->Severity));
      row->setText(1, QString::fromStdString(RootKeyName(record.RootKey) + record.Key));
      row->setText(2,
                   record.Value.empty() ? tr("(Default)") : QString::fromStdString(record.Value));
      row->setText(3, QString::fromStdString(record.Data));
      row->setText(4, QString::fromStdString(category->SeverityText()));
      row->setText(5, QString::fromStdString(record.Reason));
      row->setData(0, kRecordRole, QVariant::fromValue(static_cast<void*>(&record)));
      row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
      row->setCheckState(0, record.Selected ? Qt::Checked : Qt::Unchecked);
    }
  }
  filling_ = false;
}

void DetailPage::AddIgnoreActions() {
  const struct {
    const char* name;
    QString text;
    int scope;
  } kinds[] = {{"actIgnoreKey", tr("Ignore Key..."), kIgnoreKey},
               {"actIgnoreValue", tr("Ignore Value..."), kIgnoreValue},
               {"actIgnoreData", tr("Ignore Data..."), kIgnoreData}};
  for (const auto& kind : kinds) {
    auto* action = new QAction(kind.text, list_);
    action->setObjectName(kind.name);
    action->setData(kind.scope);
    list_->addAction(action);
    connect(action, &QAction::triggered, this, [this, scope = kind.scope] {
      const std::string text = IgnoreText(list_->currentItem(), scope);
      if (!text.empty()) emit IgnoreRequested(QString::fromStdString(text), scope);
    });
  }
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(list_, &QTreeWidget::currentItemChanged, this, &DetailPage::EnableIgnoreActions);
  EnableIgnoreActions();
}

void DetailPage::EnableIgnoreActions() {
  for (QAction* action : list_->actions())
    action->setEnabled(!IgnoreText(list_->currentItem(), action->data().toInt()).empty());
}

void DetailPage::RowChanged(QTreeWidgetItem* row, int column) {
  if (filling_ || column != 0) return;
  auto* record = static_cast<TFixingList*>(row->data(0, kRecordRole).value<void*>());
  if (record != nullptr) record->Selected = row->checkState(0) == Qt::Checked;
}

void DetailPage::HeaderClicked(int column) {
  if (list_->topLevelItemCount() < 2 || column == 0) return;
  const int sortColumn = static_cast<int>(sortState_ & 0xFFFFu);
  bool ascending = ((sortState_ >> 16) & 0xFFu) == 1;
  if (column == sortColumn) ascending = !ascending;
  sortState_ = static_cast<std::uint32_t>(column) | (ascending ? 1u << 16 : 0u);
  list_->header()->setSortIndicatorShown(true);
  list_->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);

  std::vector<QTreeWidgetItem*> rows;
  while (list_->topLevelItemCount() > 0)
    rows.push_back(list_->takeTopLevelItem(0));
  std::stable_sort(rows.begin(), rows.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    const int order =
        CompareListTexts(a->text(column).toStdString(), b->text(column).toStdString());
    return ascending ? order < 0 : order > 0;
  });
  for (QTreeWidgetItem* row : rows)
    list_->addTopLevelItem(row);
}

}  // namespace ordrex::gui
