#include "app/window/register_filter.h"

#include "app/core/version_verdict.h"
#include "app/window/register_model.h"

namespace app {

RegisterFilter::RegisterFilter(QObject* parent) : QSortFilterProxyModel(parent) {
  setSortRole(RegisterModel::SortRole);
  setDynamicSortFilter(true);
}

void RegisterFilter::setShow(Show show) {
  if (show_ == show) return;
  show_ = show;
  invalidateFilter();
}

bool RegisterFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  if (show_ == Show::All) return true;
  const QModelIndex cell = sourceModel()->index(sourceRow, 0, sourceParent);
  if (show_ == Show::NeedingUpdate) {
    return cell.data(RegisterModel::VerdictRole).toInt() ==
           static_cast<int>(VersionVerdict::UpdateAvailable);
  }
  const auto result = static_cast<RowResult>(cell.data(RegisterModel::ResultRole).toInt());
  return result == RowResult::Failed || result == RowResult::NotBack;
}

bool RegisterFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const int column = left.column();
  if (column == RegisterModel::InstalledColumn || column == RegisterModel::VersionAfterColumn) {
    const QString leftText = left.data(RegisterModel::SortRole).toString();
    const QString rightText = right.data(RegisterModel::SortRole).toString();
    const auto order = compareVersions(leftText.toStdU16String(), rightText.toStdU16String());
    if (order) return std::is_lt(*order);
    // What is no version goes before every version, in text order among itself.
    const bool leftIsVersion = compareVersions(leftText.toStdU16String(), u"0").has_value();
    const bool rightIsVersion = compareVersions(rightText.toStdU16String(), u"0").has_value();
    if (leftIsVersion != rightIsVersion) return rightIsVersion;
    return leftText < rightText;
  }
  const QVariant leftKey = left.data(RegisterModel::SortRole);
  const QVariant rightKey = right.data(RegisterModel::SortRole);
  if (leftKey != rightKey) return QVariant::compare(leftKey, rightKey) == QPartialOrdering::Less;
  // Equal keys keep the address order.
  return left.sibling(left.row(), 0).data(RegisterModel::SortRole).toUInt() <
         right.sibling(right.row(), 0).data(RegisterModel::SortRole).toUInt();
}

}  // namespace app
