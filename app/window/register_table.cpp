#include "app/window/register_table.h"

#include <arpa/inet.h>

#include <QHeaderView>
#include <QKeyEvent>

namespace app {
namespace {

constexpr int kVerdictRole = Qt::UserRole;
constexpr int kOrderRole = Qt::UserRole + 1;

QString toQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Rows sort by the numeric address; what is not an IPv4 address goes last.
qint64 orderOf(const DeviceAddress& address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, QString::fromStdU16String(address).toLatin1().constData(), &parsed) != 1) {
    return qint64{1} << 32;
  }
  return ntohl(parsed.s_addr);
}

}  // namespace

RegisterTable::RegisterTable(QWidget* parent) : QTableWidget(0, 5, parent) {
  setHorizontalHeaderLabels(
      {tr("Address"), tr("Installed version"), tr("Verdict"), tr("Version after"), tr("Progress")});
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setWordWrap(false);
  verticalHeader()->hide();
  horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // The progress column takes the room left; its full text is also its tooltip.
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (item->column() == AddressColumn) emit checksChanged();
  });
}

void RegisterTable::addRegister(const DeviceAddress& address, const StateReading& state,
                                VersionVerdict verdict) {
  const qint64 order = orderOf(address);
  int row = 0;
  while (row < rowCount() && item(row, AddressColumn)->data(kOrderRole).toLongLong() < order) {
    ++row;
  }
  const QSignalBlocker quiet(this);
  insertRow(row);
  auto* addressItem = new QTableWidgetItem(toQString(address));
  addressItem->setData(kOrderRole, order);
  addressItem->setData(kVerdictRole, static_cast<int>(verdict));
  addressItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                        (locked_ ? Qt::NoItemFlags : Qt::ItemIsUserCheckable));
  addressItem->setCheckState(verdict == VersionVerdict::UpdateAvailable ? Qt::Checked
                                                                        : Qt::Unchecked);
  setItem(row, AddressColumn, addressItem);
  setCell(row, InstalledColumn,
          state.versionText.empty() ? QStringLiteral("-") : toQString(state.versionText));
  setCell(row, VerdictColumn, verdictText(verdict));
  setCell(row, VersionAfterColumn, QString());
  setCell(row, StateColumn, QString());
  emit checksChanged();
}

void RegisterTable::clearRegisters() {
  setRowCount(0);
  emit checksChanged();
}

std::vector<DeviceAddress> RegisterTable::checkedAddresses() const {
  std::vector<DeviceAddress> addresses;
  for (int row = 0; row < rowCount(); ++row) {
    const QTableWidgetItem* cell = item(row, AddressColumn);
    if (cell->checkState() == Qt::Checked) addresses.push_back(cell->text().toStdU16String());
  }
  return addresses;
}

std::optional<VersionVerdict> RegisterTable::verdictOf(const DeviceAddress& address) const {
  const int row = rowOf(address);
  if (row < 0) return std::nullopt;
  return static_cast<VersionVerdict>(item(row, AddressColumn)->data(kVerdictRole).toInt());
}

int RegisterTable::rowOf(const DeviceAddress& address) const {
  const QString text = toQString(address);
  for (int row = 0; row < rowCount(); ++row) {
    if (item(row, AddressColumn)->text() == text) return row;
  }
  return -1;
}

bool RegisterTable::isChecked(const DeviceAddress& address) const {
  const int row = rowOf(address);
  return row >= 0 && item(row, AddressColumn)->checkState() == Qt::Checked;
}

void RegisterTable::setChecked(const DeviceAddress& address, bool checked) {
  const int row = rowOf(address);
  if (row >= 0) item(row, AddressColumn)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void RegisterTable::setChecksLocked(bool locked) {
  locked_ = locked;
  const QSignalBlocker quiet(this);
  for (int row = 0; row < rowCount(); ++row) {
    QTableWidgetItem* cell = item(row, AddressColumn);
    cell->setFlags(locked ? cell->flags() & ~Qt::ItemIsUserCheckable
                          : cell->flags() | Qt::ItemIsUserCheckable);
  }
}

void RegisterTable::setStateText(const DeviceAddress& address, const QString& text,
                                 const QString& details) {
  const int row = rowOf(address);
  if (row < 0) return;
  setCell(row, StateColumn, text);
  item(row, StateColumn)->setToolTip(details.isEmpty() ? text : details);
}

void RegisterTable::setVersionAfter(const DeviceAddress& address, const QString& text) {
  const int row = rowOf(address);
  if (row < 0) return;
  setCell(row, VersionAfterColumn, text);
}

QString RegisterTable::verdictText(VersionVerdict verdict) {
  switch (verdict) {
    case VersionVerdict::UpdateAvailable:
      return tr("Update available");
    case VersionVerdict::OnImageVersion:
      return tr("Current");
    case VersionVerdict::NewerThanImage:
      return tr("Newer than this image");
    case VersionVerdict::Unreadable:
      break;
  }
  return tr("Unreadable");
}

void RegisterTable::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && !locked_ &&
      currentRow() >= 0) {
    QTableWidgetItem* cell = item(currentRow(), AddressColumn);
    cell->setCheckState(cell->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    event->accept();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

void RegisterTable::setCell(int row, Column column, const QString& text) {
  QTableWidgetItem* cell = item(row, column);
  if (cell == nullptr) {
    cell = new QTableWidgetItem;
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row, column, cell);
  }
  cell->setText(text);
}

}  // namespace app
