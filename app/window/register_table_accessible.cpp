#include "app/window/register_table_accessible.h"

#include <QHeaderView>
#include <QPointer>
#include <QWindow>

#include "app/window/register_filter.h"
#include "app/window/register_model.h"
#include "app/window/register_table.h"

namespace app {
namespace {

// One place of the table's grid: a cell, a column's header (row -1), or the hidden header
// column (column -1).
class RegisterCellAccessible final : public QAccessibleInterface,
                                     public QAccessibleTableCellInterface,
                                     public QAccessibleActionInterface {
 public:
  RegisterCellAccessible(RegisterTable* table, int row, int column)
      : table_(table), row_(row), column_(column) {}

  [[nodiscard]] bool isValid() const override {
    return !table_.isNull() && row_ < table_->model()->rowCount() &&
           column_ < table_->model()->columnCount();
  }
  [[nodiscard]] QObject* object() const override { return nullptr; }
  [[nodiscard]] QWindow* window() const override {
    return table_.isNull() ? nullptr : table_->window()->windowHandle();
  }
  [[nodiscard]] QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override {
    return nullptr;
  }
  [[nodiscard]] QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(table_.data());
  }
  [[nodiscard]] QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
  [[nodiscard]] int childCount() const override { return 0; }
  [[nodiscard]] int indexOfChild(const QAccessibleInterface* /*child*/) const override {
    return -1;
  }

  [[nodiscard]] QString text(QAccessible::Text kind) const override {
    if (!isValid() || column_ < 0) return {};
    if (row_ < 0) {
      return kind == QAccessible::Name
                 ? table_->model()->headerData(column_, Qt::Horizontal, Qt::DisplayRole).toString()
                 : QString();
    }
    switch (kind) {
      case QAccessible::Name:
        return index().data(Qt::DisplayRole).toString();
      case QAccessible::Description:
        return index().data(RegisterModel::DetailsRole).toString();
      default:
        return {};
    }
  }
  void setText(QAccessible::Text /*kind*/, const QString& /*text*/) override {}

  [[nodiscard]] QRect rect() const override {
    if (!isValid()) return {};
    QRect area;
    if (row_ < 0 && column_ >= 0) {
      const QHeaderView* header = table_->horizontalHeader();
      area = QRect(header->sectionViewportPosition(column_), 0, header->sectionSize(column_),
                   header->height());
      return area.translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    if (row_ < 0 || column_ < 0) return {};
    area = table_->visualRect(index());
    return area.translated(table_->viewport()->mapToGlobal(QPoint(0, 0)));
  }

  [[nodiscard]] QAccessible::Role role() const override {
    if (row_ < 0) return QAccessible::ColumnHeader;
    if (column_ < 0) return QAccessible::RowHeader;
    return column_ == RegisterModel::AddressColumn ? QAccessible::CheckBox : QAccessible::Cell;
  }

  [[nodiscard]] QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    const QRect area = rect();
    const QRect shown(table_->viewport()->mapToGlobal(QPoint(0, 0)), table_->viewport()->size());
    if (column_ < 0 || area.isEmpty() || (row_ >= 0 && !shown.intersects(area))) {
      state.invisible = true;
      state.offscreen = true;
    }
    if (row_ < 0 || column_ < 0) return state;
    state.focusable = true;
    // Only while the table has the focus: one object has it at a time.
    state.focused = table_->hasFocus() && table_->currentIndex() == index();
    if (column_ == RegisterModel::AddressColumn) {
      state.checkable = true;
      state.checked = index().data(Qt::CheckStateRole).toInt() == Qt::Checked;
      state.disabled = !(index().flags() & Qt::ItemIsUserCheckable);
    }
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface) {
      return static_cast<QAccessibleTableCellInterface*>(this);
    }
    if (type == QAccessible::ActionInterface && row_ >= 0 &&
        column_ == RegisterModel::AddressColumn) {
      return static_cast<QAccessibleActionInterface*>(this);
    }
    return nullptr;
  }

  [[nodiscard]] bool isSelected() const override { return false; }
  [[nodiscard]] QList<QAccessibleInterface*> columnHeaderCells() const override {
    auto* table = static_cast<RegisterTableAccessible*>(parent());
    return {table->child(table->indexOf(-1, column_))};
  }
  [[nodiscard]] QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  [[nodiscard]] int columnIndex() const override { return column_; }
  [[nodiscard]] int rowIndex() const override { return row_; }
  [[nodiscard]] int columnExtent() const override { return 1; }
  [[nodiscard]] int rowExtent() const override { return 1; }
  [[nodiscard]] QAccessibleInterface* table() const override { return parent(); }

  [[nodiscard]] QStringList actionNames() const override {
    if (!isValid() || !(index().flags() & Qt::ItemIsUserCheckable)) return {};
    return {toggleAction()};
  }
  void doAction(const QString& name) override {
    if (name != toggleAction() || !isValid()) return;
    const QModelIndex box = index();
    const bool checked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    table_->model()->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
  }
  [[nodiscard]] QStringList keyBindingsForAction(const QString& name) const override {
    return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
  }

 private:
  [[nodiscard]] QModelIndex index() const { return table_->model()->index(row_, column_); }

  QPointer<RegisterTable> table_;
  int row_;
  int column_;
};

}  // namespace

RegisterTableAccessible::RegisterTableAccessible(RegisterTable* table)
    : QAccessibleWidget(table, QAccessible::Table) {}

RegisterTableAccessible::~RegisterTableAccessible() { forgetCells(); }

QAccessibleInterface* RegisterTableAccessible::factory(const QString& className, QObject* object) {
  if (className == QLatin1String("app::RegisterTable") && object->isWidgetType()) {
    return new RegisterTableAccessible(static_cast<RegisterTable*>(object));
  }
  return nullptr;
}

RegisterTable* RegisterTableAccessible::table() const {
  return static_cast<RegisterTable*>(widget());
}

int RegisterTableAccessible::columnCount() const { return table()->model()->columnCount(); }

int RegisterTableAccessible::rowCount() const { return table()->model()->rowCount(); }

int RegisterTableAccessible::indexOf(int row, int column) const {
  return (row + 1) * (columnCount() + 1) + column + 1;
}

int RegisterTableAccessible::childCount() const { return (rowCount() + 1) * (columnCount() + 1); }

QAccessibleInterface* RegisterTableAccessible::child(int index) const {
  if (index < 0 || index >= childCount()) return nullptr;
  const int columns = columnCount() + 1;
  return cached(index / columns - 1, index % columns - 1);
}

int RegisterTableAccessible::indexOfChild(const QAccessibleInterface* child) const {
  if (child == nullptr || child->parent() != this) return -1;
  const QAccessibleTableCellInterface* cell =
      const_cast<QAccessibleInterface*>(child)->tableCellInterface();
  return cell == nullptr ? -1 : indexOf(cell->rowIndex(), cell->columnIndex());
}

QAccessibleInterface* RegisterTableAccessible::childAt(int x, int y) const {
  const QPoint local = table()->viewport()->mapFromGlobal(QPoint(x, y));
  const QModelIndex index = table()->indexAt(local);
  return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
}

QAccessibleInterface* RegisterTableAccessible::focusChild() const {
  const QModelIndex current = table()->currentIndex();
  if (!table()->hasFocus() || !current.isValid()) return nullptr;
  return cellAt(current.row(), current.column());
}

void* RegisterTableAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* RegisterTableAccessible::cellAt(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
  return cached(row, column);
}

QString RegisterTableAccessible::columnDescription(int column) const {
  return table()->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

void RegisterTableAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
  // A changed value keeps every cell where it is; anything else moves them.
  if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) forgetCells();
}

QAccessibleInterface* RegisterTableAccessible::cached(int row, int column) const {
  const int key = indexOf(row, column);
  const auto found = cells_.constFind(key);
  if (found != cells_.constEnd()) return QAccessible::accessibleInterface(*found);
  auto* cell = new RegisterCellAccessible(table(), row, column);
  cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
  return cell;
}

void RegisterTableAccessible::forgetCells() {
  for (const QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
  cells_.clear();
}

}  // namespace app
