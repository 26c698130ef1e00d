#pragma once

#include <QTableView>
#include <vector>

namespace app {

class RegisterFilter;
class RegisterModel;

// The table of registers: sorted by a click on a column's header, filtered by the filter it
// is given. The space bar checks or unchecks the current row, whichever cell has the focus.
class RegisterTable final : public QTableView {
  Q_OBJECT

 public:
  RegisterTable(RegisterModel* model, RegisterFilter* filter, QWidget* parent);

  [[nodiscard]] RegisterModel* registers() const { return model_; }
  [[nodiscard]] RegisterFilter* filter() const { return filter_; }
  // The rows of the model that are shown, in the order shown.
  [[nodiscard]] std::vector<int> shownRows() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  RegisterModel* model_;
  RegisterFilter* filter_;
};

}  // namespace app
