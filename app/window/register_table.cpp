#include "app/window/register_table.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "app/window/register_filter.h"
#include "app/window/register_model.h"
#include "app/window/register_table_accessible.h"

namespace app {

RegisterTable::RegisterTable(RegisterModel* model, RegisterFilter* filter, QWidget* parent)
    : QTableView(parent), model_(model), filter_(filter) {
  static const bool accessibleInstalled = [] {
    QAccessible::installFactory(&RegisterTableAccessible::factory);
    return true;
  }();
  (void)accessibleInstalled;
  filter_->setSourceModel(model_);
  setModel(filter_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setSortingEnabled(true);
  sortByColumn(RegisterModel::AddressColumn, Qt::AscendingOrder);
  verticalHeader()->hide();
  // Widths from the font, set once: measuring every row's text on each change would cost
  // the window's thread more the more registers there are.
  QHeaderView* header = horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setStretchLastSection(true);
  const QFontMetrics metrics = fontMetrics();
  const auto widthOf = [&metrics](const QString& sample) {
    return metrics.horizontalAdvance(sample) + metrics.averageCharWidth() * 4;
  };
  setColumnWidth(RegisterModel::AddressColumn,
                 widthOf(QStringLiteral("255.255.255.255")) + metrics.height() * 2);
  setColumnWidth(RegisterModel::InstalledColumn,
                 std::max(widthOf(QStringLiteral("1.0.12.3456")),
                          widthOf(model_
                                      ->headerData(RegisterModel::InstalledColumn, Qt::Horizontal,
                                                   Qt::DisplayRole)
                                      .toString())));
  int verdictWidth = widthOf(
      model_->headerData(RegisterModel::VerdictColumn, Qt::Horizontal, Qt::DisplayRole).toString());
  for (const VersionVerdict verdict :
       {VersionVerdict::UpdateAvailable, VersionVerdict::OnImageVersion,
        VersionVerdict::NewerThanImage, VersionVerdict::Unreadable}) {
    verdictWidth = std::max(verdictWidth, widthOf(RegisterModel::verdictText(verdict)));
  }
  setColumnWidth(RegisterModel::VerdictColumn, verdictWidth);
  setColumnWidth(RegisterModel::VersionAfterColumn,
                 std::max(widthOf(QStringLiteral("1.0.12.3456")),
                          widthOf(model_
                                      ->headerData(RegisterModel::VersionAfterColumn,
                                                   Qt::Horizontal, Qt::DisplayRole)
                                      .toString())));
}

std::vector<int> RegisterTable::shownRows() const {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(filter_->rowCount()));
  for (int row = 0; row < filter_->rowCount(); ++row) {
    rows.push_back(filter_->mapToSource(filter_->index(row, 0)).row());
  }
  return rows;
}

void RegisterTable::keyPressEvent(QKeyEvent* event) {
  const QModelIndex current = currentIndex();
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
      !model_->checksLocked() && current.isValid()) {
    const QModelIndex box = filter_->mapToSource(current).siblingAtColumn(0);
    const bool checked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    model_->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace app
