#include "app/window/register_model.h"

#include <arpa/inet.h>

#include "app/core/image_identity.h"
#include "app/window/device_text.h"

namespace app {
namespace {

QString toQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Rows sort by the numeric address; what is not an IPv4 address goes last.
quint32 orderOf(const DeviceAddress& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, toQString(address).toLatin1().constData(), &parsed) != 1) {
    return 0xFFFFFFFFU;
  }
  return ntohl(parsed.s_addr);
}

bool isFailure(RowResult result) {
  return result == RowResult::Failed || result == RowResult::NotBack;
}

}  // namespace

RegisterModel::RegisterModel(QObject* parent) : QAbstractTableModel(parent) {}

int RegisterModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RegisterModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant RegisterModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return displayOf(row, index.column());
    case Qt::CheckStateRole:
      if (index.column() != AddressColumn) return {};
      return row.checked ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
      if (index.column() == ProgressColumn) {
        return plainToolTip(row.details.isEmpty() ? row.progress : row.details);
      }
      return {};
    case DetailsRole:
      return index.column() == ProgressColumn ? row.details : QString();
    case SortRole:
      return sortKeyOf(row, index.column());
    case ResultRole:
      return static_cast<int>(row.result);
    case VerdictRole:
      return static_cast<int>(row.found.verdict);
    default:
      return {};
  }
}

QVariant RegisterModel::displayOf(const Row& row, int column) const {
  switch (column) {
    case AddressColumn:
      return toQString(row.found.address);
    case InstalledColumn:
      return row.found.installed;
    case VerdictColumn:
      return verdictText(row.found.verdict);
    case VersionAfterColumn:
      return row.versionAfter;
    case ProgressColumn:
      return row.progress;
    default:
      return {};
  }
}

QVariant RegisterModel::sortKeyOf(const Row& row, int column) const {
  switch (column) {
    case AddressColumn:
      return row.order;
    case InstalledColumn:
      return toQString(row.found.installedForSorting);
    case VerdictColumn:
      return static_cast<int>(row.found.verdict);
    case VersionAfterColumn:
      return toQString(row.versionAfterForSorting);
    case ProgressColumn:
      return static_cast<int>(row.result);
    default:
      return {};
  }
}

bool RegisterModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::CheckStateRole || index.column() != AddressColumn ||
      locked_) {
    return false;
  }
  Row& row = rows_[static_cast<std::size_t>(index.row())];
  const bool checked = value.toInt() == Qt::Checked;
  if (row.checked == checked) return true;
  row.checked = checked;
  rowChanged(index.row());
  return true;
}

Qt::ItemFlags RegisterModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == AddressColumn && !locked_) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant RegisterModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case AddressColumn:
      return tr("Address");
    case InstalledColumn:
      return tr("Installed version");
    case VerdictColumn:
      return tr("Update to %1").arg(toQString(imageIdentity().version));
    case VersionAfterColumn:
      return tr("Version after");
    case ProgressColumn:
      return tr("Progress");
    default:
      return {};
  }
}

void RegisterModel::addRegister(const FoundRegister& found) {
  const QString key = toQString(found.address);
  if (rowOfAddress_.contains(key)) return;
  Row row;
  row.found = found;
  row.order = orderOf(found.address);
  row.checked = found.verdict == VersionVerdict::UpdateAvailable;
  const auto place = std::upper_bound(rows_.begin(), rows_.end(), row.order,
                                      [](quint32 order, const Row& r) { return order < r.order; });
  const int at = static_cast<int>(place - rows_.begin());
  beginInsertRows(QModelIndex(), at, at);
  rows_.insert(place, std::move(row));
  reindex(at);
  endInsertRows();
  emit countsChanged();
}

void RegisterModel::clear() {
  beginResetModel();
  rows_.clear();
  rowOfAddress_.clear();
  endResetModel();
  emit countsChanged();
}

void RegisterModel::setChecksLocked(bool locked) {
  if (locked_ == locked) return;
  locked_ = locked;
  if (!rows_.empty()) {
    emit dataChanged(index(0, AddressColumn), index(rowCount() - 1, AddressColumn),
                     {Qt::CheckStateRole});
  }
}

int RegisterModel::rowOf(const DeviceAddress& address) const {
  return rowOfAddress_.value(toQString(address), -1);
}

DeviceAddress RegisterModel::addressAt(int row) const {
  return rows_.at(static_cast<std::size_t>(row)).found.address;
}

bool RegisterModel::isChecked(const DeviceAddress& address) const {
  const int row = rowOf(address);
  return row >= 0 && rows_[static_cast<std::size_t>(row)].checked;
}

void RegisterModel::setChecked(const DeviceAddress& address, bool checked) {
  const int row = rowOf(address);
  if (row < 0 || rows_[static_cast<std::size_t>(row)].checked == checked) return;
  rows_[static_cast<std::size_t>(row)].checked = checked;
  rowChanged(row);
}

void RegisterModel::setCheckedRows(const std::vector<int>& rows, bool checked) {
  if (locked_ || rows.empty()) return;
  for (const int row : rows) rows_.at(static_cast<std::size_t>(row)).checked = checked;
  emit dataChanged(index(0, AddressColumn), index(rowCount() - 1, AddressColumn),
                   {Qt::CheckStateRole});
  emit countsChanged();
}

std::vector<DeviceAddress> RegisterModel::checkedAddresses() const {
  std::vector<DeviceAddress> addresses;
  for (const Row& row : rows_) {
    if (row.checked) addresses.push_back(row.found.address);
  }
  return addresses;
}

std::vector<DeviceAddress> RegisterModel::failedAddresses() const {
  std::vector<DeviceAddress> addresses;
  for (const Row& row : rows_) {
    if (row.result == RowResult::Failed) addresses.push_back(row.found.address);
  }
  return addresses;
}

VersionVerdict RegisterModel::verdictOf(const DeviceAddress& address) const {
  const int row = rowOf(address);
  return row < 0 ? VersionVerdict::Unreadable : rows_[static_cast<std::size_t>(row)].found.verdict;
}

RegisterModel::Counts RegisterModel::counts() const {
  Counts counts;
  counts.registers = rowCount();
  for (const Row& row : rows_) {
    switch (row.found.verdict) {
      case VersionVerdict::UpdateAvailable:
        ++counts.needing;
        break;
      case VersionVerdict::OnImageVersion:
        ++counts.current;
        break;
      case VersionVerdict::NewerThanImage:
        ++counts.newer;
        break;
      case VersionVerdict::Unreadable:
        ++counts.unreadable;
        break;
    }
    if (row.checked) ++counts.selected;
    if (isFailure(row.result)) ++counts.failed;
  }
  return counts;
}

void RegisterModel::setProgress(const DeviceAddress& address, RowResult result,
                                const QString& text) {
  const int at = rowOf(address);
  if (at < 0) return;
  Row& row = rows_[static_cast<std::size_t>(at)];
  const bool resultChanged = row.result != result;
  row.result = result;
  row.progress = text;
  row.details.clear();
  emit dataChanged(index(at, 0), index(at, kColumns - 1));
  if (resultChanged) emit countsChanged();
}

void RegisterModel::setOutcome(const RowOutcome& outcome) {
  const int at = rowOf(outcome.address);
  if (at < 0) return;
  Row& row = rows_[static_cast<std::size_t>(at)];
  row.result = outcome.result;
  row.progress = outcome.text;
  row.details = outcome.details;
  row.versionAfter = outcome.versionAfter;
  row.versionAfterForSorting = outcome.versionAfterForSorting;
  if (outcome.verified) {
    // Back on the image's version: that is what is installed now.
    row.found.installed = outcome.versionAfter;
    row.found.installedForSorting = outcome.versionAfterForSorting;
    row.found.verdict = VersionVerdict::OnImageVersion;
  }
  // Done with: a second run leaves it out unless it is selected again.
  if (outcome.result == RowResult::Updated || outcome.result == RowResult::NotBack) {
    row.checked = false;
  }
  rowChanged(at);
}

QString RegisterModel::verdictText(VersionVerdict verdict) {
  switch (verdict) {
    case VersionVerdict::UpdateAvailable:
      return tr("Needed");
    case VersionVerdict::OnImageVersion:
      return tr("Up to date");
    case VersionVerdict::NewerThanImage:
      return tr("Newer: would go back");
    case VersionVerdict::Unreadable:
      break;
  }
  return tr("Version unreadable");
}

void RegisterModel::rowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, kColumns - 1));
  emit countsChanged();
}

void RegisterModel::reindex(int fromRow) {
  for (auto row = static_cast<std::size_t>(fromRow); row < rows_.size(); ++row) {
    rowOfAddress_.insert(toQString(rows_[row].found.address), static_cast<int>(row));
  }
}

}  // namespace app
