#pragma once

#include <QAccessibleWidget>
#include <QHash>

namespace app {

class RegisterTable;

// The register table as a screen reader reads it. A row's first cell is its check box (role,
// checked state, and one action that checks or unchecks it); the other cells are text and
// offer no action; a cell has the focus only while the table has it. The children are laid
// out as Qt's own tables lay them out (a header row, a header column), so that the view's
// focus and change events name the right child.
class RegisterTableAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit RegisterTableAccessible(RegisterTable* table);
  RegisterTableAccessible(const RegisterTableAccessible&) = delete;
  RegisterTableAccessible& operator=(const RegisterTableAccessible&) = delete;
  ~RegisterTableAccessible() override;

  // Made for every RegisterTable: install with QAccessible::installFactory.
  static QAccessibleInterface* factory(const QString& className, QObject* object);

  [[nodiscard]] int childCount() const override;
  [[nodiscard]] QAccessibleInterface* child(int index) const override;
  [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;
  [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override;
  [[nodiscard]] QAccessibleInterface* focusChild() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  [[nodiscard]] QAccessibleInterface* caption() const override { return nullptr; }
  [[nodiscard]] QAccessibleInterface* summary() const override { return nullptr; }
  [[nodiscard]] QAccessibleInterface* cellAt(int row, int column) const override;
  [[nodiscard]] int selectedCellCount() const override { return 0; }
  [[nodiscard]] QList<QAccessibleInterface*> selectedCells() const override { return {}; }
  [[nodiscard]] QString columnDescription(int column) const override;
  [[nodiscard]] QString rowDescription(int /*row*/) const override { return {}; }
  [[nodiscard]] int selectedColumnCount() const override { return 0; }
  [[nodiscard]] int selectedRowCount() const override { return 0; }
  [[nodiscard]] int columnCount() const override;
  [[nodiscard]] int rowCount() const override;
  [[nodiscard]] QList<int> selectedColumns() const override { return {}; }
  [[nodiscard]] QList<int> selectedRows() const override { return {}; }
  [[nodiscard]] bool isColumnSelected(int /*column*/) const override { return false; }
  [[nodiscard]] bool isRowSelected(int /*row*/) const override { return false; }
  bool selectRow(int /*row*/) override { return false; }
  bool selectColumn(int /*column*/) override { return false; }
  bool unselectRow(int /*row*/) override { return false; }
  bool unselectColumn(int /*column*/) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent* event) override;

  // The child's index of a place in the grid: row -1 is the header row, column -1 the
  // header column.
  [[nodiscard]] int indexOf(int row, int column) const;

 private:
  [[nodiscard]] RegisterTable* table() const;
  [[nodiscard]] QAccessibleInterface* cached(int row, int column) const;
  void forgetCells();

  mutable QHash<int, QAccessible::Id> cells_;
};

}  // namespace app
