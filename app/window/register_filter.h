#pragma once

#include <QSortFilterProxyModel>

namespace app {

// The rows of the register table that are shown, and their order: by any column, versions
// by their dotted numbers.
class RegisterFilter final : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  enum class Show { All, NeedingUpdate, Failed };

  explicit RegisterFilter(QObject* parent);

  void setShow(Show show);
  [[nodiscard]] Show show() const { return show_; }

 protected:
  [[nodiscard]] bool filterAcceptsRow(int sourceRow,
                                      const QModelIndex& sourceParent) const override;
  [[nodiscard]] bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  Show show_ = Show::All;
};

}  // namespace app
